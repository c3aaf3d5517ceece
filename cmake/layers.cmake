# The layers of src/ and the build step that holds every include to them.
#
#   core/<layer>   tesmo_core_layer(NAME USES...): the static library tesmo_NAME
#                  from the sources of src/core/NAME, linked to exactly the
#                  layers it may use.
#   tools/         tesmo_tools(): the tool registry (tools/*.cpp) and one
#                  static library per room (tools/<room>/), each over the
#                  whole core; tesmo_tools links them all, whole.
#   batch/, ui/    the two front ends (src/CMakeLists.txt).
#
# A folder's sources are all its .cpp files, so a new file (or a new tool
# room) needs no edit here.

function(tesmo_core_layer name)
  file(GLOB TESMO_LAYER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/core/${name}/*.cpp)
  # A layer with no sources yet is an interface library that only passes on
  # what it uses.
  if(TESMO_LAYER_SOURCES)
    add_library(tesmo_${name} STATIC ${TESMO_LAYER_SOURCES})
    set(scope PUBLIC)
    if(name STREQUAL "base")
      tesmo_pch(tesmo_base core.h)
    else()
      tesmo_pch_reuse(tesmo_${name} tesmo_base)
    endif()
  else()
    add_library(tesmo_${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  foreach(used IN LISTS ARGN)
    target_link_libraries(tesmo_${name} ${scope} tesmo_${used})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY TESMO_CORE_LAYERS "${name}")
  set_property(GLOBAL PROPERTY TESMO_CORE_USES_${name} "${ARGN}")
  set_property(GLOBAL APPEND PROPERTY TESMO_LAYER_TARGETS tesmo_${name})
endfunction()

function(tesmo_tools)
  file(GLOB spec_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/*.cpp)
  add_library(tesmo_tool_spec STATIC ${spec_sources})
  target_link_libraries(tesmo_tool_spec PUBLIC tesmo_core)
  tesmo_pch_reuse(tesmo_tool_spec tesmo_base)
  set_property(GLOBAL APPEND PROPERTY TESMO_LAYER_TARGETS tesmo_tool_spec)
  file(GLOB rooms LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/*)
  set(whole "")
  foreach(room IN LISTS rooms)
    if(NOT IS_DIRECTORY ${room})
      continue()
    endif()
    get_filename_component(name ${room} NAME)
    file(GLOB sources CONFIGURE_DEPENDS ${room}/*.cpp)
    add_library(tesmo_tool_${name} STATIC ${sources})
    target_link_libraries(tesmo_tool_${name} PUBLIC tesmo_tool_spec)
    tesmo_pch_reuse(tesmo_tool_${name} tesmo_base)
    set_property(GLOBAL APPEND PROPERTY TESMO_TOOL_ROOMS "${name}")
    set_property(GLOBAL APPEND PROPERTY TESMO_LAYER_TARGETS tesmo_tool_${name})
    list(APPEND whole "$<LINK_LIBRARY:WHOLE_ARCHIVE,tesmo_tool_${name}>")
  endforeach()
  add_library(tesmo_tools INTERFACE)
  target_link_libraries(tesmo_tools INTERFACE tesmo_tool_spec ${whole})
endfunction()

# A build step that reads every source and header of src/ (main.cpp aside)
# and fails when a file includes what its folder may not use:
#   core/<layer>   its own layer and the layers it uses; nothing of tools/,
#                  batch/ or ui/
#   tools/         the core and the other files of tools/ (the registry)
#   tools/<room>   the core, the registry and its own room; no other room
#   batch/         the core, the registry and batch/; no room, nothing of ui/
#   ui/            anything of src/
# and <net-snmp/...> headers appear only in core/snmp. It runs again whenever
# one of those files changes; every library waits for it.
function(tesmo_check_layers)
  set(rules "")
  get_property(layers GLOBAL PROPERTY TESMO_CORE_LAYERS)
  foreach(layer IN LISTS layers)
    get_property(uses GLOBAL PROPERTY TESMO_CORE_USES_${layer})
    set(allowed "core/${layer}/")
    foreach(used IN LISTS uses)
      list(APPEND allowed "core/${used}/")
    endforeach()
    set(netsnmp 0)
    if(layer STREQUAL "snmp")
      set(netsnmp 1)
    endif()
    string(REPLACE ";" "," allowed "${allowed}")
    list(APPEND rules "core/${layer}:${allowed}:${netsnmp}")
  endforeach()
  list(APPEND rules "tools:core/,tools/*:0")
  get_property(rooms GLOBAL PROPERTY TESMO_TOOL_ROOMS)
  foreach(room IN LISTS rooms)
    list(APPEND rules "tools/${room}:core/,tools/*,tools/${room}/:0")
  endforeach()
  list(APPEND rules "batch:core/,tools/*,batch/:0")
  file(GLOB ui_folders LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/ui/*)
  foreach(folder IN LISTS ui_folders)
    if(IS_DIRECTORY ${folder})
      get_filename_component(name ${folder} NAME)
      list(APPEND rules "ui/${name}:core/,tools/,batch/,ui/:0")
    endif()
  endforeach()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/layers.checked)
  string(REPLACE ";" "|" rules_arg "${rules}")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_SOURCE_DIR} "-DRULES=${rules_arg}"
            -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
    DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking the includes of the layers" VERBATIM)
  add_custom_target(check_layers ALL DEPENDS ${stamp})
  get_property(targets GLOBAL PROPERTY TESMO_LAYER_TARGETS)
  foreach(target IN LISTS targets ITEMS tesmo_batch tesmo_ui)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      add_dependencies(${target} check_layers)
    endif()
  endforeach()
endfunction()
