# The DNS engine against the lab's second named (lab.d/dnszone.up) and a fake
# name server for the faults named never shows.
tesmo_test(dns_engine_lab_test lab
  lab/dns_engine_lab_test.cpp
  support/fake_name_server.cpp
)
