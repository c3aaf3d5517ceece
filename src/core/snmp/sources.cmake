target_sources(tesmo_core PRIVATE
  core/snmp/mib_loader.cpp
  core/snmp/snmp_mutex.cpp
  core/snmp/snmp_request.cpp
  core/snmp/snmp_text.cpp
  core/snmp/parameters_data.cpp
  core/snmp/system_query.cpp
  core/snmp/target_resolve.cpp
)
