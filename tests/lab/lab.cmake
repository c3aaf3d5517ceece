# Tests of this group are added here.

# ICMP echo service, ping loop and service test. They run in the client
# namespace of lab.d/icmp.up, once as root (raw sockets) and once as nobody
# (ping sockets); one at a time, since the router lets "unreachable" out only
# once a second per source.
add_executable(echo_lab_test lab/echo_lab_test.cpp)
target_link_libraries(echo_lab_test PRIVATE tesmo_test_main Qt6::Test)
target_include_directories(echo_lab_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
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
set_tests_properties(echo_lab_test echo_lab_test_unprivileged echo_lab_test_forbidden PROPERTIES
  FIXTURES_REQUIRED lab RESOURCE_LOCK tesmo_icmp_lab ENVIRONMENT "${TESMO_TEST_ENV}" TIMEOUT 300)
# END ICMP echo
tesmo_test(snmp_lab_test lab
  lab/snmp_request_lab_test.cpp
)

# Name resolution against the lab named.
tesmo_test(name_lab_test lab
  lab/name_resolution_test.cpp
)

# The table pages' jobs and --batch against the agents of lab.d/tables.up.
# They count the lab named's queries for the table lab's addresses, so no
# other test that looks those up may run beside them.
tesmo_test(tables_lab_test lab
  lab/tables_lab_test.cpp
)
set_tests_properties(tables_lab_test PROPERTIES RESOURCE_LOCK tesmo_tables_lab)
