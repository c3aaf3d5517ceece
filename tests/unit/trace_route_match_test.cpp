// The SNMP trace's route choice for a destination of either family: the
// longest prefix of the routes that holds it, over a table of cases.
#include <gtest/gtest.h>

#include "tools/traceroute/trace_snmp.h"

namespace tesmo {
namespace {

IpAddress A(const char* text) {
  return *ParseIpAddress(text);
}

TEST(TraceRouteMatch, PrefixesHoldTheirAddresses) {
  const struct {
    const char* network;
    uint32_t length;
    const char* address;
    bool holds;
  } cases[] = {
      {"2001:db8:99::", 48, "2001:db8:99::5", true},
      {"2001:db8:99::", 48, "2001:db8:99:ffff:ffff:ffff:ffff:ffff", true},
      {"2001:db8:99::", 48, "2001:db8:9a::1", false},
      {"2001:db8:98::", 47, "2001:db8:99::1", true},  // the 47th bit decides
      {"2001:db8:98::", 48, "2001:db8:99::1", false},
      {"2001:db8:77:40::", 61, "2001:db8:77:47::1", true},
      {"2001:db8:77:40::", 61, "2001:db8:77:48::1", false},
      {"::", 0, "2001:db8::1", true},
      {"2001:db8::1", 128, "2001:db8::1", true},
      {"2001:db8::1", 128, "2001:db8::2", false},
      {"2001:db8::1", 129, "2001:db8::1", false},  // beyond the family's bits
      {"10.77.40.0", 24, "10.77.40.9", true},
      {"10.77.40.0", 25, "10.77.40.200", false},
      {"0.0.0.0", 0, "10.1.2.3", true},
      {"0.0.0.0", 0, "2001:db8::1", false},  // never across families
      {"::", 0, "10.1.2.3", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PrefixHolds(A(c.network), c.length, A(c.address)), c.holds)
        << c.network << "/" << c.length << " " << c.address;
  }
}

TEST(TraceRouteMatch, TheLongestPrefixWins) {
  const std::vector<PrefixRoute> routes = {
      {A("::"), 0},                  // 0: default
      {A("2001:db8:99::"), 48},      // 1
      {A("2001:db8:99:1::"), 64},    // 2
      {A("2001:db8:99:1::"), 64},    // 3: the same again, later
      {A("2001:db8:99:1::7"), 128},  // 4: a host route
      {A("10.0.0.0"), 8},            // 5: IPv4
      {A("2001:db8:77:40::"), 64},   // 6
  };
  const struct {
    const char* destination;
    std::optional<size_t> route;
  } cases[] = {
      {"2001:db8:99:1::7", 4u}, {"2001:db8:99:1::8", 2u},  // the first of equals
      {"2001:db8:99:2::1", 1u}, {"2001:db8:77:40::9", 6u},  {"2001:db8:5::1", 0u},
      {"10.9.9.9", 5u},         {"11.0.0.1", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LongestPrefixMatch(routes, A(c.destination)), c.route) << c.destination;
  }
  // Without a default route an outside destination has none.
  const std::vector<PrefixRoute> noDefault(routes.begin() + 1, routes.end());
  EXPECT_EQ(LongestPrefixMatch(noDefault, A("2001:db8:5::1")), std::nullopt);
  EXPECT_EQ(LongestPrefixMatch({}, A("2001:db8:5::1")), std::nullopt);
}

}  // namespace
}  // namespace tesmo
