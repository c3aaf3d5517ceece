target_sources(tesmo_core PRIVATE
  core/icmp/address_text.cpp
  core/icmp/name_cache.cpp
  core/icmp/name_hosts_file.cpp
  core/icmp/name_resolution.cpp
  core/icmp/name_resolvers.cpp
)
