target_sources(tesmo_ui PRIVATE
  ui/tables/addresses_page.cpp
  ui/tables/arp_page.cpp
  ui/tables/interfaces_page.cpp
  ui/tables/route_page.cpp
  ui/tables/table_grid_view.cpp
  ui/tables/table_page.cpp
)
