target_sources(tesmo_core PRIVATE
  core/icmp/address_text.cpp
  core/icmp/name_cache.cpp
  core/icmp/name_hosts_file.cpp
  core/icmp/name_resolution.cpp
  core/icmp/name_resolvers.cpp
)
# ICMP echo service, ping loop and service test.
target_sources(tesmo_core PRIVATE
  core/icmp/echo_socket.cpp
  core/icmp/echo_status.cpp
  core/icmp/ping_loop.cpp
  core/icmp/ping_once.cpp
  core/icmp/ping_settings.cpp
  core/icmp/reachability_batch.cpp
  core/icmp/reachability_report.cpp
  core/icmp/reachability_services.cpp
)
# IP discovery sweep and the ICMP and SNMP traces.
target_sources(tesmo_core PRIVATE core/icmp/discovery.cpp core/icmp/traceroute.cpp core/icmp/trace_icmp.cpp core/icmp/trace_snmp.cpp)
