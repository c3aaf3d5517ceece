# tools/graph: the chart's data, rates and command-line set-up without a
# network.
tesmo_test(mib_graph_unit_test unit
  unit/graph_test.cpp
)

# The polling job against the ICMP lab's live host and its counter agent
# (lab.d/mib-graph.up), from the client namespace; it shares the ICMP lab's
# lock with the echo tests, whose raw sockets see every echo.
tesmo_test_program(mib_graph_lab_test lab lab/graph_test.cpp)
add_test(NAME mib_graph_lab_test
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-client $<TARGET_FILE:mib_graph_lab_test>)
set_tests_properties(mib_graph_lab_test PROPERTIES
  FIXTURES_REQUIRED lab RESOURCE_LOCK tesmo_icmp_lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300)

# The Graph page in the window; its agent is a silent socket on the loopback.
tesmo_test(mib_graph_ui_test ui
  ui/graph_page_test.cpp
)
