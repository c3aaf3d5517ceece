# core/dns: the query engine without a network (output sink, record lines,
# zone listing lines, debug dump, reading answers, hostile messages); the same
# against the lab's second named (lab.d/dnszone.up) and a fake name server for
# the faults named never shows.
tesmo_test(dns_unit_test unit
  unit/dns_engine_test.cpp
)
tesmo_test(dns_lab_test lab
  lab/dns_engine_lab_test.cpp
  support/fake_name_server.cpp
)
# The NSLookup page in the window, against the lab's named and a silent fake.
tesmo_test(nslookup_ui_test lab
  ui/nslookup_page_test.cpp
  support/fake_name_server.cpp
)
