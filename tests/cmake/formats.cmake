# --batch --format and many targets: every page's JSON and CSV against its
# text report on the lab, the report schema (dist/) on good and damaged
# documents, and twenty agents of lab.d/many.up in one run. It walks the
# table agents, so it never runs beside the table tests.
add_test(NAME batch_formats_lab
  COMMAND ip netns exec ${TESMO_LAB_NETNS} python3 ${CMAKE_CURRENT_SOURCE_DIR}/lab/batch_formats_check.py)
set_tests_properties(batch_formats_lab PROPERTIES FIXTURES_REQUIRED lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300 RESOURCE_LOCK tesmo_tables_lab)

# The Gen. Table handed over to Prometheus: Tesmo's generator.yml through the
# real prometheus-snmp-generator, the real exporter scraping the table agent,
# its metrics against Tesmo's rows.
add_test(NAME snmp_exporter_lab
  COMMAND ip netns exec ${TESMO_LAB_NETNS} python3 ${CMAKE_CURRENT_SOURCE_DIR}/lab/snmp_exporter_check.py)
set_tests_properties(snmp_exporter_lab PROPERTIES FIXTURES_REQUIRED lab
  ENVIRONMENT "${TESMO_TEST_ENV};TESMO_IN_LAB=1" TIMEOUT 300 RESOURCE_LOCK tesmo_tables_lab)
