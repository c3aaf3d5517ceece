# core/base: settings store, vendor file.
tesmo_test(base_unit_test unit
  unit/settings_store_test.cpp
  unit/vendor_map_test.cpp
)
