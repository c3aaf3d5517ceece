// The indexes the SNMP trace's route search tries, in order: the mask
// shortened one bit at a time, every mask that repeats an index skipped.
#include <gtest/gtest.h>

#include "core/icmp/trace_snmp.h"
#include "core/net/address_text.h"

namespace tesmo {
namespace {

TEST(RouteSearch, IndexesShortenTheMaskAndSkipRepeatedNets) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"10.1.2.3",
       {"10.1.2.3", "10.1.2.2", "10.1.2.0", "10.1.0.0", "10.0.0.0", "8.0.0.0", "0.0.0.0"}},
      {"192.168.1.128",
       {"192.168.1.128", "192.168.1.0", "192.168.0.0", "192.160.0.0", "192.128.0.0", "192.0.0.0",
        "128.0.0.0", "0.0.0.0"}},
      {"0.0.0.0", {"0.0.0.0"}},
  };
  for (const auto& [destination, expected] : cases) {
    std::vector<std::string> actual;
    for (uint32_t index : RouteSearchIndexes(*ParseAddressText(destination))) {
      actual.push_back(FormatAddress(index));
    }
    EXPECT_EQ(actual, expected) << destination;
  }
}

}  // namespace
}  // namespace tesmo
