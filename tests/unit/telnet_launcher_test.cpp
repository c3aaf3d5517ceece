// The telnet launcher builds an argument list (never a shell line) and
// canonicalises numeric addresses.
#include "core/net/telnet_launcher.h"

#include <gtest/gtest.h>

namespace {

TEST(TelnetLauncher, ArgumentListWithCanonicalAddress) {
  struct Case {
    const char* host;
    const char* target;
  } cases[] = {
      {"010.000.000.001", "10.0.0.1"}, {"10.1", "10.0.0.1"},           {"192.168.1", "192.168.0.1"},
      {"router-1", "router-1"},        {"a; rm -rf /", "a; rm -rf /"},
  };
  for (const Case& c : cases) {
    const tesmo::LaunchCommand command = tesmo::TelnetCommand("telnet", c.host);
    ASSERT_EQ(command.arguments.size(), 3) << c.host;
    EXPECT_EQ(command.arguments[0], "-e");
    EXPECT_EQ(command.arguments[1], "telnet");
    // The host is one argument of its own whatever it holds.
    EXPECT_EQ(command.arguments[2], c.target) << c.host;
    EXPECT_FALSE(command.program.isEmpty());
  }
}

TEST(TelnetLauncher, EmptyHostStartsNothing) {
  EXPECT_FALSE(tesmo::LaunchTelnet("telnet", ""));
}

}  // namespace
