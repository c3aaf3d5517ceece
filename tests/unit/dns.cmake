tesmo_test(dns_unit_test unit
  unit/resolver_state_test.cpp
  unit/resolver_settings_test.cpp
)
