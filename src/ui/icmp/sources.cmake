# The Reachability page.
target_sources(tesmo_ui PRIVATE
  ui/icmp/reachability_page.cpp
)
