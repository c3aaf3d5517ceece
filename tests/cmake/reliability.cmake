# Threads: where job threads meet the user-interface thread in our code.
tesmo_test(threads_unit_test unit
  unit/threads_test.cpp
)

# The ThreadSanitizer build (-DTESMO_TSAN=ON; scripts/test builds only
# core_tsan_test there): the core tests whose threads meet only in our own
# code (the job runner, grid filling, chart polling, the sweep workers, the
# ping loop, the name cache, the MIB tree loading beside its readers), on a
# main without a window. Qt is not instrumented, so nothing here waits on a
# Qt event loop across threads.
# tests/tsan.supp names the few reports that come from inside the libraries.
if(TESMO_TSAN)
  add_executable(core_tsan_test core_test_main.cpp
    unit/threads_test.cpp
    unit/discovery_test.cpp
    unit/ping_loop_test.cpp
    unit/name_cache_test.cpp
    unit/load_gate_test.cpp
  )
  target_link_libraries(core_tsan_test PRIVATE tesmo_tools GTest::gtest)
  target_include_directories(core_tsan_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME core_tsan_test COMMAND core_tsan_test)
  set_tests_properties(core_tsan_test PROPERTIES LABELS tsan TIMEOUT 600 ENVIRONMENT
    "TSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/tsan.supp second_deadlock_stack=1 print_suppressions=1")
endif()

# Faults of the network against the faults lab (lab.d/faults.up): a lossy,
# a dead and a dying link under a walk, the ping loop, a sweep, DNS lookups
# and a zone transfer. Runs in the lab's client namespace, whose resolver
# file names the lab's server.
tesmo_test_program(faults_lab_test lab lab/faults_test.cpp)
add_test(NAME faults_lab_test
  COMMAND ip netns exec ${TESMO_LAB_NETNS}-fltc $<TARGET_FILE:faults_lab_test>)
set_tests_properties(faults_lab_test PROPERTIES FIXTURES_REQUIRED lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300)
