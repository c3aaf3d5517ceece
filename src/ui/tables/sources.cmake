target_sources(tesmo_ui PRIVATE
  ui/tables/table_grid_view.cpp
)
