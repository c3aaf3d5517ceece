# batch/ and the tool registry: exit codes of --batch against a fake agent on
# the loopback (answers a real agent does not give); the registry that the
# window and --batch read.
tesmo_test(batch_unit_test unit
  unit/batch_exit_test.cpp
  unit/tool_registry_test.cpp
  unit/batch_format_test.cpp
)

# The batch front end linked alone runs without the widget library: it lists
# every tool, and ldd finds no QtWidgets, QtGui or QtCharts behind it.
add_executable(tesmo_batch_only batch_only_main.cpp)
target_link_libraries(tesmo_batch_only PRIVATE tesmo_batch)
add_test(NAME batch_links_without_widgets
  COMMAND sh -c "! ldd \"$1\" | grep -E 'libQt6(Widgets|Gui|Charts)' && \"$1\" --help | grep -q 'page: traceroute'"
          sh $<TARGET_FILE:tesmo_batch_only>)
set_tests_properties(batch_links_without_widgets PROPERTIES ENVIRONMENT "${TESMO_TEST_ENV}" TIMEOUT 60)
