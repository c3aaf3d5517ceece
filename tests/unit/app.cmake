tesmo_test(app_unit_test unit
  unit/settings_store_test.cpp
  unit/vendor_map_test.cpp
  unit/mib_loader_test.cpp
  unit/telnet_launcher_test.cpp
)
