# Installation: the program with its data and documents in the usual places,
# so that `cmake --install` (or the Debian package, cmake/package.cmake) gives
# a desktop application. The program looks for its data in
# <its bin folder>/../share/tesmo; the build leaves vendors.txt next to the
# build's executable.
include(GNUInstallDirs)
# Installing takes what is built; scripts/package builds what the package needs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(TESMO_DIST ${PROJECT_SOURCE_DIR}/dist)
set(TESMO_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/tesmo)
set(TESMO_APP_ID org.tesmo.Tesmo)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The program finds its data folder from its own location.
file(RELATIVE_PATH TESMO_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_FULL_DATADIR}/tesmo)
# Only the one file that uses it gets the definition, so the rest of the
# library shares the precompiled header of its layer (cmake/pch.cmake).
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/core/base/data_folder.cpp TARGET_DIRECTORY tesmo_base
  APPEND PROPERTY COMPILE_DEFINITIONS TESMO_DATA_FROM_BIN="${TESMO_DATA_FROM_BIN}")
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/core/base/data_folder.cpp TARGET_DIRECTORY tesmo_base
  PROPERTY SKIP_PRECOMPILE_HEADERS ON)

find_program(TESMO_RSVG_CONVERT rsvg-convert)
find_program(TESMO_GZIP gzip)
if(NOT TESMO_RSVG_CONVERT OR NOT TESMO_GZIP)
  message(FATAL_ERROR "The build needs rsvg-convert (librsvg2-bin) and gzip: run scripts/setup")
endif()

# The application icon: PNGs at the usual sizes rendered from the SVG at build
# time. They are installed into the icon theme and compiled into the program
# as its window icon.
set(TESMO_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TESMO_ICON_PNGS)
foreach(size IN LISTS TESMO_ICON_SIZES)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/tesmo.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND ${TESMO_RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
      ${TESMO_DIST}/tesmo.svg
    DEPENDS ${TESMO_DIST}/tesmo.svg
    VERBATIM)
  list(APPEND TESMO_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_library(tesmo_icon OBJECT)
qt_add_resources(tesmo_icon tesmo_icon PREFIX /icons BASE ${CMAKE_BINARY_DIR}/icons
  FILES ${TESMO_ICON_PNGS})
target_link_libraries(tesmo_icon PRIVATE Qt6::Core)
target_link_libraries(tesmo PRIVATE tesmo_icon)
# The whole global offset table read-only once loaded, as Debian builds its programs.
target_link_options(tesmo PRIVATE -Wl,-z,relro,-z,now)

# vendors.txt from the IEEE registries of every block size (Debian's
# ieee-data: oui.csv, and mam.csv, oui36.csv, iab.csv where present), else the
# copy set-up wrote into the source tree.
set(TESMO_OUI_FILE /usr/share/ieee-data/oui.csv CACHE FILEPATH "IEEE OUI registry for vendors.txt (its folder's other registries are read too)")
set(TESMO_VENDORS ${CMAKE_BINARY_DIR}/vendors.txt)
get_filename_component(TESMO_IEEE_DIR ${TESMO_OUI_FILE} DIRECTORY)
set(TESMO_IEEE_FILES)
foreach(registry oui.csv mam.csv oui36.csv iab.csv)
  if(EXISTS ${TESMO_IEEE_DIR}/${registry})
    list(APPEND TESMO_IEEE_FILES ${TESMO_IEEE_DIR}/${registry})
  endif()
endforeach()
if(EXISTS ${TESMO_IEEE_DIR}/oui.csv)
  add_custom_command(OUTPUT ${TESMO_VENDORS}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-vendors ${TESMO_IEEE_DIR} > ${TESMO_VENDORS}.new
    COMMAND ${CMAKE_COMMAND} -E rename ${TESMO_VENDORS}.new ${TESMO_VENDORS}
    DEPENDS ${TESMO_IEEE_FILES} ${PROJECT_SOURCE_DIR}/scripts/make-vendors)
elseif(EXISTS ${PROJECT_SOURCE_DIR}/vendors.txt)
  configure_file(${PROJECT_SOURCE_DIR}/vendors.txt ${TESMO_VENDORS} COPYONLY)
else()
  message(FATAL_ERROR "No ${TESMO_OUI_FILE} (ieee-data) to make vendors.txt from: run scripts/setup")
endif()

# The manual page, compressed as Debian wants it (man reads either form).
set(TESMO_MAN_PAGE ${CMAKE_BINARY_DIR}/tesmo.1.gz)
add_custom_command(OUTPUT ${TESMO_MAN_PAGE}
  COMMAND ${TESMO_GZIP} -9 -n -c ${TESMO_DIST}/tesmo.1 > ${TESMO_MAN_PAGE}
  DEPENDS ${TESMO_DIST}/tesmo.1)
set(TESMO_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${TESMO_CHANGELOG}
  COMMAND ${TESMO_GZIP} -9 -n -c ${TESMO_DIST}/debian/changelog > ${TESMO_CHANGELOG}
  DEPENDS ${TESMO_DIST}/debian/changelog)
add_custom_target(tesmo_data ALL DEPENDS ${TESMO_VENDORS} ${TESMO_MAN_PAGE} ${TESMO_CHANGELOG})
add_dependencies(tesmo tesmo_data)

# The IETF MIB modules the program reads (set-up puts them where net-snmp
# looks; Debian's own packages leave them out): an installation brings its
# own copies so that it works on a machine without them.
set(TESMO_MIB_BUNDLE_DIR /usr/share/snmp/mibs/ietf CACHE PATH "MIB modules bundled with an installation")
file(GLOB TESMO_BUNDLED_MIBS LIST_DIRECTORIES false ${TESMO_MIB_BUNDLE_DIR}/*)
if(NOT TESMO_BUNDLED_MIBS)
  message(WARNING "No MIB modules in ${TESMO_MIB_BUNDLE_DIR}: an installation brings none")
endif()

install(TARGETS tesmo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package's) also drops the sections strip keeps.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND ${CMAKE_STRIP} --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tesmo\")
endif()")
install(FILES ${TESMO_VENDORS} DESTINATION ${TESMO_DATA_DESTINATION})
install(FILES ${TESMO_BUNDLED_MIBS} DESTINATION ${TESMO_DATA_DESTINATION}/mibs)
install(FILES ${TESMO_DIST}/${TESMO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TESMO_DIST}/${TESMO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TESMO_DIST}/tesmo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TESMO_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TESMO_DIST}/tesmo.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tesmo)
install(FILES ${TESMO_DIST}/debian/copyright ${TESMO_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})
# What --batch --format json writes, for scripts that check it.
install(FILES ${TESMO_DIST}/tesmo-report.schema.json DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${TESMO_DIST}/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tesmo)

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
