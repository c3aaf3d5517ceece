tesmo_test(icmp_unit_test unit
  unit/address_text_test.cpp
  unit/name_cache_test.cpp
)
