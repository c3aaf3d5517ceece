target_sources(tesmo_core PRIVATE
  core/snmp/mib_loader.cpp
  core/snmp/snmp_mutex.cpp
  core/snmp/snmp_request.cpp
  core/snmp/snmp_text.cpp
)
