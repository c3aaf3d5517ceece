target_sources(tesmo_ui PRIVATE
  ui/snmp/parameters_page.cpp
)
