# batch/: exit codes of --batch against a fake agent on the loopback (answers
# a real agent does not give).
tesmo_test(batch_unit_test unit
  unit/batch_exit_test.cpp
)
