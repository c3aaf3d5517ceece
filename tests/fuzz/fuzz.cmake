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

  # tesmo_fuzz_target(NAME SOURCES... [LIBS libs...] [MOC] [DROP_UNUSED]): a
  # target over the named sources. MOC runs moc over the sources' QObject
  # classes; DROP_UNUSED lets the linker drop every function the target
  # never reaches (with what those would need), for parsers that share their
  # file with a job.
  function(tesmo_fuzz_target name)
    cmake_parse_arguments(FUZZ "MOC;DROP_UNUSED" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${FUZZ_SOURCES})
    if(NOT FUZZ_MOC)
      set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    endif()
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE ${TESMO_FUZZ_FLAGS})
    target_link_options(${name} PRIVATE ${TESMO_FUZZ_FLAGS})
    if(FUZZ_DROP_UNUSED)
      target_compile_options(${name} PRIVATE -ffunction-sections -fdata-sections)
      # The coverage tables refer to every function; start-stop-gc lets
      # them go with the functions the linker drops.
      target_link_options(${name} PRIVATE -Wl,--gc-sections -Wl,-z,start-stop-gc)
    endif()
    target_link_libraries(${name} PRIVATE ${FUZZ_LIBS})
  endfunction()
  set(TESMO_FUZZ_SRC ${PROJECT_SOURCE_DIR}/src)

  # SNMP text forms: FormatSnmpValue over any tag, syntax, hint and bytes;
  # ParseObjectId and FormatObjectId over any text and numbers.
  add_executable(snmp_text_fuzz
    fuzz/snmp_text_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/value_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/oid_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/display_hint.cpp
    ${PROJECT_SOURCE_DIR}/src/core/base/untrusted_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/mib_tree.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/mib_loader.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/mib_gate.cpp
    ${PROJECT_SOURCE_DIR}/src/core/base/load_gate.cpp
    ${PROJECT_SOURCE_DIR}/src/core/snmp/mib_report.cpp
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
    ${PROJECT_SOURCE_DIR}/src/core/dns/dns_output.cpp
    ${PROJECT_SOURCE_DIR}/src/core/dns/dns_record_data.cpp
    ${PROJECT_SOURCE_DIR}/src/core/dns/dns_record_lines.cpp
    ${PROJECT_SOURCE_DIR}/src/core/dns/dns_records.cpp
    ${PROJECT_SOURCE_DIR}/src/core/lines/line_store.cpp
    ${PROJECT_SOURCE_DIR}/src/core/base/untrusted_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/net/address_text.cpp
    ${PROJECT_SOURCE_DIR}/src/core/net/ip_address.cpp
    ${PROJECT_SOURCE_DIR}/src/core/net/dns_message.cpp)
  # The readers are compiled once and shared by the four targets.
  add_library(tesmo_dns_fuzz_readers OBJECT ${TESMO_DNS_FUZZ_SOURCES})
  set_target_properties(tesmo_dns_fuzz_readers PROPERTIES AUTOMOC OFF)
  target_include_directories(tesmo_dns_fuzz_readers PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(tesmo_dns_fuzz_readers PRIVATE ${TESMO_FUZZ_FLAGS})
  foreach(reader answer records dump listing)
    add_executable(dns_${reader}_fuzz fuzz/dns_message_fuzz.cpp
                                      $<TARGET_OBJECTS:tesmo_dns_fuzz_readers>)
    set_target_properties(dns_${reader}_fuzz PROPERTIES AUTOMOC OFF)
    target_include_directories(dns_${reader}_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(dns_${reader}_fuzz PRIVATE DNS_FUZZ_READER=${reader})
    target_compile_options(dns_${reader}_fuzz PRIVATE ${TESMO_FUZZ_FLAGS})
    target_link_options(dns_${reader}_fuzz PRIVATE ${TESMO_FUZZ_FLAGS})
    target_link_libraries(dns_${reader}_fuzz PRIVATE resolv)
  endforeach()

  # The sanitiser of network text: no control byte in what it shows, and the
  # original back from it.
  tesmo_fuzz_target(untrusted_text_fuzz SOURCES fuzz/untrusted_text_fuzz.cpp
    ${TESMO_FUZZ_SRC}/core/base/untrusted_text.cpp)
  # The address-text rule against a plain second reading of it.
  tesmo_fuzz_target(address_text_fuzz SOURCES fuzz/address_text_fuzz.cpp
    ${TESMO_FUZZ_SRC}/core/net/address_text.cpp ${TESMO_FUZZ_SRC}/core/net/ip_address.cpp)
  # The vendor file.
  tesmo_fuzz_target(vendor_file_fuzz SOURCES fuzz/vendor_file_fuzz.cpp
    ${TESMO_FUZZ_SRC}/core/base/vendor_map.cpp ${TESMO_FUZZ_SRC}/core/base/load_gate.cpp)
  # The settings file under reads and writes of the store.
  tesmo_fuzz_target(settings_file_fuzz SOURCES fuzz/settings_file_fuzz.cpp
    ${TESMO_FUZZ_SRC}/core/base/settings_store.cpp LIBS Qt6::Core)
  # Generic-table column definitions.
  tesmo_fuzz_target(column_definition_fuzz SOURCES fuzz/column_definition_fuzz.cpp
    ${TESMO_FUZZ_SRC}/core/snmp/table_definitions.cpp ${TESMO_FUZZ_SRC}/tools/tables/gen_table.cpp
    LIBS Qt6::Core DROP_UNUSED)
  # The command line: the chart's set-up tokens and the --batch arguments.
  tesmo_fuzz_target(graph_command_line_fuzz MOC SOURCES fuzz/command_line_fuzz.cpp
    ${TESMO_FUZZ_SRC}/tools/graph/graph_command_line.cpp ${TESMO_FUZZ_SRC}/tools/graph/graph_data.cpp
    ${TESMO_FUZZ_SRC}/tools/graph/graph_rate.cpp LIBS Qt6::Core)
  target_compile_definitions(graph_command_line_fuzz PRIVATE COMMAND_LINE_FUZZ=graph)
  tesmo_fuzz_target(batch_arguments_fuzz SOURCES fuzz/command_line_fuzz.cpp
    ${TESMO_FUZZ_SRC}/batch/batch.cpp ${TESMO_FUZZ_SRC}/tools/tool_spec.cpp
    ${TESMO_FUZZ_SRC}/core/snmp/snmp_names.cpp ${TESMO_FUZZ_SRC}/core/base/number_text.cpp
    LIBS Qt6::Core DROP_UNUSED)
  target_compile_definitions(batch_arguments_fuzz PRIVATE COMMAND_LINE_FUZZ=batch)
  # The SNMPv3 engine discovery report, read by our own decoder.
  tesmo_fuzz_target(snmp_engine_report_fuzz SOURCES fuzz/snmp_engine_report_fuzz.cpp
    ${TESMO_FUZZ_SRC}/core/snmp/snmp_session.cpp ${TESMO_FUZZ_SRC}/core/snmp/snmp_names.cpp
    ${TESMO_FUZZ_SRC}/core/snmp/mib_gate.cpp ${TESMO_FUZZ_SRC}/core/base/load_gate.cpp
    LIBS PkgConfig::NETSNMP Qt6::Core DROP_UNUSED)
endif()
