# tools/tables: the table job; the table pages' jobs, --batch and the pages in
# the window against the agents of lab.d/tables.up. The lab tests count the
# lab named's queries for the table lab's addresses, so they never run beside
# each other.
tesmo_test(tables_unit_test unit
  unit/table_job_test.cpp
  unit/inet_index_test.cpp
)
tesmo_test(tables_lab_test lab
  lab/table_pages_test.cpp
)
tesmo_test(tables_ui_test ui-lab
  ui/table_page_test.cpp
)
set_tests_properties(tables_lab_test tables_ui_test PROPERTIES RESOURCE_LOCK tesmo_tables_lab)
