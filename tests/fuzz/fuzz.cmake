# libFuzzer targets, built only with -DTESMO_FUZZ=ON and clang (tests/fuzz/run-fuzz
# configures such a tree and runs them). Each target compiles the few sources
# it exercises, with AddressSanitizer and UndefinedBehaviorSanitizer, so a fuzz
# build never waits for the rest of the program.
if(TESMO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TESMO_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  set(TESMO_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
                       -fno-omit-frame-pointer)

  # SNMP text forms: FormatSnmpValue over any tag, syntax, hint and bytes;
  # ParseObjectId and FormatObjectId over any text and numbers.
  add_executable(snmp_text_fuzz
    fuzz/snmp_text_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/value_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/oid_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/display_hint.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/mib_tree.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/mib_loader.cpp
    ${PROJECT_SOURCE_DIR}/src/core/base/data_folder.cpp)
  set_target_properties(snmp_text_fuzz PROPERTIES AUTOMOC OFF)
  target_include_directories(snmp_text_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(snmp_text_fuzz PRIVATE ${TESMO_FUZZ_FLAGS})
  target_link_options(snmp_text_fuzz PRIVATE ${TESMO_FUZZ_FLAGS})
  target_link_libraries(snmp_text_fuzz PRIVATE PkgConfig::NETSNMP)

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
endif()
