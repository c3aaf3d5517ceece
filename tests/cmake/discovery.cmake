# tools/discovery and tools/traceroute: the sweep's claim rule over scripted
# echoes.
tesmo_test(discovery_unit_test unit
  unit/discovery_test.cpp
  unit/sweep_set_test.cpp
  unit/trace_route_match_test.cpp
  unit/trace_rounds_test.cpp
)

# The sweep and the two traces against the chain lab (lab.d/chain.up), and
# the two pages in the window there; both run in the chain's client
# namespace, where its named answers, and never beside each other, since the
# lab test switches the chain's filters and hosts.
function(tesmo_chain_test name kind source)
  tesmo_test_program(${name} ${kind} ${source})
  add_test(NAME ${name} COMMAND ip netns exec ${TESMO_LAB_NETNS}-chc $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED lab RESOURCE_LOCK tesmo_chain_lab
    ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300)
endfunction()
tesmo_chain_test(discovery_trace_lab_test lab lab/discovery_trace_test.cpp)
tesmo_chain_test(discovery_trace_ui_test ui ui/discovery_trace_page_test.cpp)
tesmo_chain_test(sweep_lab_test lab lab/sweep_test.cpp)
# The continuous trace against the chain lab: loss on one link, and a router
# interface that discards.
tesmo_chain_test(trace_rounds_lab_test lab lab/trace_rounds_lab_test.cpp)
