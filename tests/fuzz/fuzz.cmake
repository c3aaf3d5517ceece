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
endif()
