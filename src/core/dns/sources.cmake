target_sources(tesmo_core PRIVATE
  core/dns/resolver_settings.cpp
  core/dns/resolver_state.cpp
  core/dns/system_values.cpp
  core/dns/dns_batch.cpp
  core/dns/dns_dump.cpp
  core/dns/dns_engine.cpp
  core/dns/dns_host_info.cpp
  core/dns/dns_message.cpp
  core/dns/dns_output.cpp
  core/dns/dns_record_lines.cpp
  core/dns/dns_records.cpp
  core/dns/dns_transport.cpp
)
