# ICMP echo service, ping loop and Reachability logic (no network).
tesmo_test(echo_unit_test unit
  unit/icmp_echo_test.cpp
  unit/icmp_echo_loop_test.cpp
  unit/reachability_test.cpp
)
