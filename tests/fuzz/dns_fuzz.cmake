# The DNS engine's readers of server messages, one target per reader, all
# from dns_message_fuzz.cpp: reading an answer, resource record lines, the
# debug dump, zone listing lines.
set(TESMO_DNS_FUZZ_SOURCES
  ${PROJECT_SOURCE_DIR}/src/core/dns/dns_dump.cpp
  ${PROJECT_SOURCE_DIR}/src/core/dns/dns_host_info.cpp
  ${PROJECT_SOURCE_DIR}/src/core/dns/dns_message.cpp
  ${PROJECT_SOURCE_DIR}/src/core/dns/dns_output.cpp
  ${PROJECT_SOURCE_DIR}/src/core/dns/dns_record_lines.cpp
  ${PROJECT_SOURCE_DIR}/src/core/dns/dns_records.cpp)
foreach(reader answer records dump listing)
  add_executable(dns_${reader}_fuzz fuzz/dns_message_fuzz.cpp ${TESMO_DNS_FUZZ_SOURCES})
  set_target_properties(dns_${reader}_fuzz PROPERTIES AUTOMOC OFF)
  target_include_directories(dns_${reader}_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(dns_${reader}_fuzz PRIVATE DNS_FUZZ_READER=${reader})
  target_compile_options(dns_${reader}_fuzz PRIVATE ${TESMO_FUZZ_FLAGS})
  target_link_options(dns_${reader}_fuzz PRIVATE ${TESMO_FUZZ_FLAGS})
  target_link_libraries(dns_${reader}_fuzz PRIVATE resolv)
endforeach()
