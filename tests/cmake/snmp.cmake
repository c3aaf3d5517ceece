# core/snmp: MIB loading and the text forms; the request layer against fake
# agents on the loopback (faults a real agent cannot produce) and against the
# lab's snmpd.
# MIB loading loads and frees the tree in its tests: a program of its own.
tesmo_test(mib_unit_test unit
  unit/mib_loader_test.cpp
  unit/load_gate_test.cpp
)
# The MIB report over modules with problems written by the test.
tesmo_test(mib_report_unit_test unit
  unit/mib_report_test.cpp
)
# Its MIB files hold syntax errors on purpose: see the suppressions file.
set_property(TEST mib_report_unit_test APPEND PROPERTY ENVIRONMENT
  "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan-mib-errors.supp")
tesmo_test(snmp_unit_test unit
  unit/snmp_text_test.cpp
  unit/column_walk_test.cpp
  unit/snmp_engine_test.cpp
  unit/target_resolve_test.cpp
)
tesmo_test(snmp_lab_test lab
  lab/snmp_request_test.cpp
)
