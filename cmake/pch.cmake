# Precompiled headers. Parsing the standard, Qt and GoogleTest headers took
# about 40 % of the compile time of a typical file; with TESMO_PCH each build
# tree parses them once per kind of file instead:
#
#   tesmo_base          cmake/pch/core.h, reused by every core layer, tool
#                       room and the batch driver
#   tesmo_ui            cmake/pch/ui.h
#   tesmo_core_test_main, tesmo_test_main
#                       cmake/pch/test_core.h and test_ui.h, reused by the
#                       test programs of their kind
#
# A target reuses another's header only when its compile flags are the same
# (the compiler checks); the fuzz targets, built with flags of their own,
# use none.
option(TESMO_PCH "Precompile the headers most files include (a faster build)" ON)

# tesmo_pch(TARGET HEADER): TARGET precompiles cmake/pch/HEADER.
function(tesmo_pch target header)
  if(TESMO_PCH)
    target_precompile_headers(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/pch/${header})
  endif()
endfunction()

# tesmo_pch_reuse(TARGET FROM): TARGET uses the precompiled header of FROM.
function(tesmo_pch_reuse target from)
  if(TESMO_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
  endif()
endfunction()
