# dist/ and the installation: the manual page against --help, the desktop
# entry and metadata through their validators, and an installed copy run
# from another directory in the lab.
set(TESMO_PACKAGING_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
add_test(NAME manual_page_check
  COMMAND python3 ${TESMO_PACKAGING_TESTS}/manual_check.py $<TARGET_FILE:tesmo>
    ${PROJECT_SOURCE_DIR}/dist/tesmo.1 ${PROJECT_VERSION})
add_test(NAME desktop_files_check
  COMMAND ${TESMO_PACKAGING_TESTS}/desktop_check ${PROJECT_SOURCE_DIR}/dist ${PROJECT_VERSION})
set_tests_properties(manual_page_check desktop_files_check PROPERTIES
  ENVIRONMENT "${TESMO_TEST_ENV}" TIMEOUT 120)
add_test(NAME install_prefix_lab_test
  COMMAND ${TESMO_PACKAGING_TESTS}/install_check ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR})
set_tests_properties(install_prefix_lab_test PROPERTIES FIXTURES_REQUIRED lab
  ENVIRONMENT "${TESMO_TEST_ENV}" TIMEOUT 300)
