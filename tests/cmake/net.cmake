# core/net: address texts, the name cache, the resolver state and settings,
# the telnet launcher; name resolution against the lab named, and for IPv6
# against a named of the test's own.
tesmo_test(net_unit_test unit
  unit/address_text_test.cpp
  unit/ip_address_test.cpp
  unit/name_cache_test.cpp
  unit/resolver_state_test.cpp
  unit/resolver_settings_test.cpp
  unit/telnet_launcher_test.cpp
)
tesmo_test(name_lab_test lab
  lab/name_resolution_test.cpp
  lab/name_resolution_v6_test.cpp
)
