# core/dns and tools/nslookup: the query engine without a network (output
# sink, record lines, zone listing lines, debug dump, reading answers, hostile
# messages); the same against the lab's second named (lab.d/dnszone.up) and
# a fake name server for the faults named never shows.
tesmo_test(dns_unit_test unit
  unit/dns_engine_test.cpp
  support/fake_name_server.cpp
)
tesmo_test(dns_lab_test lab
  lab/dns_engine_lab_test.cpp
  support/fake_name_server.cpp
)
# The NSLookup page in the window and --batch NAME dns, against the same
# named and a silent fake; never beside dns_lab_test, which counts what that
# named is asked.
tesmo_test(nslookup_ui_test ui-lab
  ui/nslookup_page_test.cpp
  support/fake_name_server.cpp
)
set_tests_properties(dns_lab_test nslookup_ui_test PROPERTIES RESOURCE_LOCK tesmo_dns_lab)
