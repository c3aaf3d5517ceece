# Tests of this group are added here.
tesmo_test(tables_unit_test unit
  unit/tables_job_test.cpp
)
