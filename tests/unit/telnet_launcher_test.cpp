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

// A host text that begins with "-" (a grid cell holds agent data) would be
// an option of the client: nothing starts and the status line says why; an
// empty host starts nothing and says nothing.
TEST(TelnetLauncher, NothingStartsForAnOptionOrAnEmptyHost) {
  EXPECT_TRUE(tesmo::LaunchTelnet("telnet", "").isEmpty());
  for (const char* host : {"-n/tmp/x", " --help", "-l root"}) {
    EXPECT_TRUE(tesmo::IsOptionLike(host)) << host;
    EXPECT_TRUE(tesmo::LaunchTelnet("/nonexistent/telnet", host).contains("no host name")) << host;
  }
  // No client there (and here maybe no terminal either): said, nothing started.
  EXPECT_FALSE(tesmo::LaunchTelnet("/nonexistent/telnet", "10.0.0.1").isEmpty());
  EXPECT_EQ(tesmo::CanonicalHostText("198.018.001.001"), "198.18.1.1");
  EXPECT_EQ(tesmo::CanonicalHostText(" router-1 "), "router-1");
}

// An IPv6 address goes on without brackets in its RFC 5952 form; a text with
// a colon that is no address is passed on trimmed, for the resolution to
// refuse with its reason.
TEST(TelnetLauncher, Ipv6HostTextsTakeTheirCanonicalForm) {
  const struct {
    const char* text;
    const char* canonical;
  } rows[] = {
      {"[2001:DB8:0:0::1]", "2001:db8::1"},
      {" 0:0:0:0:0:0:0:1 ", "::1"},
      {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
      {"::ffff:10.0.0.1", "::ffff:10.0.0.1"},
      {" 2001:db8::zz ", "2001:db8::zz"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(tesmo::CanonicalHostText(row.text), row.canonical) << row.text;
  }
}

}  // namespace
