# The sweep's claim rule, the ICMP trace's rows and the route search order
# over scripted echoes (no network).
tesmo_test(icmp_engines_unit_test unit
  unit/icmp_engines_test.cpp
)
