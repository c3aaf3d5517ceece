target_sources(tesmo_core PRIVATE
  core/dns/resolver_settings.cpp
  core/dns/resolver_state.cpp
  core/dns/system_values.cpp
)
