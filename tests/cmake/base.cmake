# core/base and core/lines: settings store, vendor file, the text sanitiser,
# the line store.
tesmo_test(base_unit_test unit
  unit/settings_store_test.cpp
  unit/vendor_map_test.cpp
  unit/vendor_lookup_test.cpp
  unit/line_store_test.cpp
  unit/untrusted_text_test.cpp
)
