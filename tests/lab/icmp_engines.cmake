# The sweep and the two traces against the chain lab (lab.d/chain.up), run in
# its client namespace, where the chain's named answers.
add_executable(icmp_engines_lab_test lab/icmp_engines_lab_test.cpp)
target_link_libraries(icmp_engines_lab_test PRIVATE tesmo_test_main Qt6::Test)
target_include_directories(icmp_engines_lab_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME icmp_engines_lab_test
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-chc $<TARGET_FILE:icmp_engines_lab_test>)
set_tests_properties(icmp_engines_lab_test PROPERTIES FIXTURES_REQUIRED lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300)
