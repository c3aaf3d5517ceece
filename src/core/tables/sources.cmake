target_sources(tesmo_core PRIVATE
  core/tables/column_walk.cpp
  core/tables/table_fill.cpp
  core/tables/table_grid.cpp
)
