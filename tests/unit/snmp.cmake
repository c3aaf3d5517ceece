# SNMP text forms; the request layer and the column walk against fake agents
# on the loopback (faults a real agent cannot produce).
tesmo_test(snmp_unit_test unit
  unit/snmp_text_test.cpp
  unit/snmp_walk_test.cpp
)
