# core/icmp and tools/reachability: the echo service, the ping loop and the
# Reachability report over a scripted echo layer; the echoes and the service
# checks against the ICMP lab (lab.d/icmp.up); the Reachability page in the
# window.
tesmo_test(icmp_unit_test unit
  unit/ping_once_test.cpp
  unit/ping_loop_test.cpp
  unit/reachability_report_test.cpp
)

# The echo tests run in the client namespace of lab.d/icmp.up, once as root
# (raw sockets) and once as nobody (ping sockets); one at a time, since the
# router lets "unreachable" out only once a second per source.
tesmo_test_program(echo_lab_test lab lab/echo_test.cpp)
add_test(NAME echo_lab_test
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-client $<TARGET_FILE:echo_lab_test>)
add_test(NAME echo_lab_test_unprivileged
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-client
          setpriv --reuid=65534 --regid=65534 --clear-groups $<TARGET_FILE:echo_lab_test>)
# In the live host's namespace ping sockets stay closed: nobody there can send
# ICMP at all, and is told how to allow it.
add_test(NAME echo_lab_test_forbidden
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-live
          setpriv --reuid=65534 --regid=65534 --clear-groups
          env TESMO_ICMP_FORBIDDEN=1 $<TARGET_FILE:echo_lab_test> --gtest_filter=IcmpNotPermitted.*)

# The Reachability page runs in the client namespace: it pings 127.0.0.1 there
# and tests the services of the live host behind the lab router. It shares the
# lab's ICMP lock with the echo tests, whose raw sockets would otherwise see
# its flood of echoes.
tesmo_test_program(reachability_ui_test ui ui/reachability_page_test.cpp)
add_test(NAME reachability_ui_test
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-client $<TARGET_FILE:reachability_ui_test>)

set_tests_properties(echo_lab_test echo_lab_test_unprivileged echo_lab_test_forbidden PROPERTIES
  FIXTURES_REQUIRED lab RESOURCE_LOCK tesmo_icmp_lab ENVIRONMENT "${TESMO_TEST_ENV}" TIMEOUT 300)
set_tests_properties(reachability_ui_test PROPERTIES
  FIXTURES_REQUIRED lab RESOURCE_LOCK tesmo_icmp_lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300)
