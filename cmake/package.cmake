# The Debian package, built by CPack from the installation rules
# (scripts/package). Its dependencies are the shared libraries the program
# links (dpkg-shlibdeps) plus what it needs besides them: the Qt platform
# plugins to open its window and setcap for the post-install step, which
# gives the program the raw-socket capability for ICMP.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesmo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tesmo developers")
set(CPACK_PACKAGE_CONTACT "Tesmo developers <tesmo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "network diagnostics against one target host")
set(CPACK_PACKAGE_DESCRIPTION
  "Tesmo is a desktop network-diagnostics tool for network administrators.
One window with twelve tool pages works against one target host: the system
group, interface, address, ARP and routing tables of its SNMP agent, any SNMP
table through stored definitions, a MIB browser, a live chart of SNMP values
and round-trip times, continuous ping and service-port checks, a ping sweep,
traceroute by ICMP or through the routers' SNMP routing tables, and DNS
lookups and zone listings. Every page's job also runs without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "x-terminal-emulator, inetutils-telnet | telnet")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${TESMO_DIST}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
