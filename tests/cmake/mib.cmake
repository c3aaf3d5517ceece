# core/mib: the chart's data, rates and command-line set-up without a network;
# generic-table definitions and the MIB browser's view of the tree (with a
# test module of its own, so a program of its own).
tesmo_test(mib_graph_unit_test unit
  unit/graph_test.cpp
)
tesmo_test(mib_browser_unit_test unit
  unit/mib_browser_test.cpp
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

# The MIB browser's walk and the generic tables against the lab's agents.
tesmo_test(mib_pages_lab_test lab
  lab/mib_pages_test.cpp
)

# The MBrowser and Gen. Table pages in the window against the lab's agents.
# It sets the lab agent's sysContact (and puts it back), which the request
# layer's and the Parameters page's tests read: one of them at a time.
tesmo_test(mib_pages_ui_test ui-lab
  ui/mib_pages_test.cpp
)
set_property(TEST mib_pages_ui_test snmp_lab_test parameters_ui_test
  APPEND PROPERTY RESOURCE_LOCK tesmo_lab_syscontact)
