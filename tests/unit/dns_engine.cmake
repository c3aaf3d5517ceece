# The DNS engine without a network: output sink, record lines, zone listing
# lines, debug dump, reading answers, hostile messages.
tesmo_test(dns_engine_unit_test unit
  unit/dns_engine_test.cpp
)
