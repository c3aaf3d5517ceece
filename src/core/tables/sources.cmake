target_sources(tesmo_core PRIVATE
  core/tables/address_job.cpp
  core/tables/arp_job.cpp
  core/tables/column_walk.cpp
  core/tables/interfaces_job.cpp
  core/tables/route_job.cpp
  core/tables/table_fill.cpp
  core/tables/table_grid.cpp
  core/tables/table_job.cpp
)
