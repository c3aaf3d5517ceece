# The layers of src/core. tesmo_core_layer(NAME USES...) makes the static
# library tesmo_NAME from the sources of src/core/NAME, linked to exactly the
# layers it may use, and records them for the include check. A folder's
# sources are all its .cpp files, so a new file needs no edit here.

function(tesmo_core_layer name)
  file(GLOB TESMO_LAYER_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/core/${name}/*.cpp)
  # A layer with no sources yet is an interface library that only passes on
  # what it uses.
  if(TESMO_LAYER_SOURCES)
    add_library(tesmo_${name} STATIC ${TESMO_LAYER_SOURCES})
    set(scope PUBLIC)
  else()
    add_library(tesmo_${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  foreach(used IN LISTS ARGN)
    target_link_libraries(tesmo_${name} ${scope} tesmo_${used})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY TESMO_CORE_LAYERS "${name}")
  set_property(GLOBAL PROPERTY TESMO_CORE_USES_${name} "${ARGN}")
endfunction()

# A build step that reads every source and header of src/core and fails when a
# file includes a core folder its layer may not use, or anything outside the
# core (batch/, ui/). It runs again whenever one of those files changes.
function(tesmo_check_core_layers)
  get_property(layers GLOBAL PROPERTY TESMO_CORE_LAYERS)
  set(rules "")
  foreach(layer IN LISTS layers)
    get_property(uses GLOBAL PROPERTY TESMO_CORE_USES_${layer})
    string(REPLACE ";" "," uses "${uses}")
    list(APPEND rules "${layer}:${uses}")
  endforeach()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/core/*.h ${CMAKE_CURRENT_SOURCE_DIR}/core/*.cpp)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/core_layers.checked)
  string(REPLACE ";" "|" rules_arg "${rules}")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_SOURCE_DIR}/core "-DRULES=${rules_arg}"
            -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/check_core_layers.cmake
    DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/check_core_layers.cmake
    COMMENT "Checking the includes of the core layers" VERBATIM)
  add_custom_target(check_core_layers ALL DEPENDS ${stamp})
  foreach(layer IN LISTS layers)
    get_target_property(type tesmo_${layer} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      add_dependencies(tesmo_${layer} check_core_layers)
    endif()
  endforeach()
endfunction()
