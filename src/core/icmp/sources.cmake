target_sources(tesmo_core PRIVATE
  core/icmp/address_text.cpp
)
