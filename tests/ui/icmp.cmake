# The Reachability page runs in the client namespace of the ICMP lab
# (lab/lab.d/icmp.up): it pings 127.0.0.1 there and tests the services of the
# live host behind the lab router. It shares the lab's ICMP lock with the echo
# tests, whose raw sockets would otherwise see its flood of echoes.
add_executable(reachability_ui_test ui/reachability_page_test.cpp)
target_link_libraries(reachability_ui_test PRIVATE tesmo_test_main Qt6::Test)
target_include_directories(reachability_ui_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME reachability_ui_test
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-client $<TARGET_FILE:reachability_ui_test>)
set_tests_properties(reachability_ui_test PROPERTIES
  FIXTURES_REQUIRED lab RESOURCE_LOCK tesmo_icmp_lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300)
