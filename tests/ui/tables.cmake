# The table pages in the window against the table lab's agent: lab tests. They
# look up the table lab's addresses, so they never run beside tables_lab_test,
# which counts those lookups.
tesmo_test(tables_ui_test lab
  ui/tables_page_test.cpp
)
set_tests_properties(tables_ui_test PROPERTIES RESOURCE_LOCK tesmo_tables_lab)
