// Resolving the target's host text: address texts of both families, names
// from a private hosts file with addresses of one or both families, the
// family choice, and texts that are no host. The internal resolver has no
// name server here, so a name outside the file is answered "no" at once and
// nothing is sent; lab/target_v6_test.cpp runs the same against the lab.
#include "core/snmp/target_resolve.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "core/net/name_cache.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "core/snmp/snmp_session.h"

namespace tesmo {
namespace {

constexpr char kHosts[] =
    "10.9.4.1\tv4-only\n"
    "2001:db8::4:2\tv6-only\n"
    "10.9.4.3\tdual\n"
    "2001:db8:0:0::4:3\tdual\n"
    "::1\tloop6\n";

using Family = AddressFamilyChoice;

struct Case {
  const char* host;
  Family family;
  bool valid;
  const char* ipAddress;
  const char* dnsName;
  // The status after the look-up: empty for an address text; for a failure
  // the part that names the fault.
  const char* status;
};

const Case kCases[] = {
    // Address texts need no forward lookup, whatever the family choice.
    {"10.9.4.1", Family::kEither, true, "10.9.4.1", "v4-only", ""},
    {"010.009.004.001", Family::kV6, true, "10.9.4.1", "v4-only", ""},
    {"2001:DB8:0:0:0:0:4:2", Family::kEither, true, "2001:db8::4:2", "v6-only", ""},
    {" [2001:db8::4:3] ", Family::kV4, true, "2001:db8::4:3", "dual", ""},
    {"::1", Family::kEither, true, "::1", "loop6", ""},
    {"2001:db8::99", Family::kEither, true, "2001:db8::99", "<not in DNS>", ""},
    // Names: either takes IPv4 first, and IPv6 when there is no IPv4.
    {"dual", Family::kEither, true, "10.9.4.3", "dual", "Ready"},
    {"dual", Family::kV4, true, "10.9.4.3", "dual", "Ready"},
    {"dual", Family::kV6, true, "2001:db8::4:3", "dual", "Ready"},
    {"v6-only", Family::kEither, true, "2001:db8::4:2", "v6-only", "Ready"},
    {"v4-only", Family::kEither, true, "10.9.4.1", "v4-only", "Ready"},
    {"v6-only", Family::kV4, false, "<none>", "<cannot resolve name>", "IPv4"},
    {"v4-only", Family::kV6, false, "<none>", "<cannot resolve name>", "IPv6"},
    {"no-such-host", Family::kEither, false, "<none>", "<cannot resolve name>",
     "Cannot resolve name"},
    {"", Family::kEither, false, "<none>", "<cannot resolve name>", "Cannot resolve name"},
    // A text with a colon is an IPv6 address or nothing: never a name.
    {"2001:db8::zz", Family::kEither, false, "<none>", "<none>", "Not an IPv6 address"},
    {"[2001:db8::1", Family::kEither, false, "<none>", "<none>", "bracket"},
    {"2001:db8::1::2", Family::kEither, false, "<none>", "<none>", "Not an IPv6 address"},
    {"fe80::1%no-such-if9", Family::kEither, false, "<none>", "<none>", "interface"},
    {"dual:161", Family::kEither, false, "<none>", "<none>", "Not an IPv6 address"},
};

class TargetResolveTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ApplyDnsServerList("");
    ASSERT_TRUE(CurrentResolverConfig().servers.empty());
    const std::string path = dir.filePath("hosts").toStdString();
    std::ofstream(path, std::ios::trunc) << kHosts;
    SetHostsFilePath(path);
    UseFastResolver = 1;
    // With the cache the hosts file is loaded into it; without, it is
    // searched before DNS: both must give the same answers.
    bDnsUseCache = GetParam() ? 1 : 0;
    bDnsUseHostfile = 1;
    DnsCacheTimeout = 600;
    ClearNameCache();
  }
  void TearDown() override {
    ClearNameCache();
    SetHostsFilePath("");
    bDnsUseCache = 1;
  }
  QTemporaryDir dir;
};

TEST_P(TargetResolveTest, HostTextsOfBothFamilies) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("host '") + c.host + "' family " + AddressFamilyText(c.family));
    TargetParameters data;
    data.host = QString::fromUtf8(c.host);
    data.family = c.family;
    const ResolveOutcome outcome = ResolveHost(data);
    EXPECT_EQ(outcome.valid, c.valid);
    EXPECT_EQ(data.ipAddress.toStdString(), c.ipAddress);
    EXPECT_EQ(data.dnsName.toStdString(), c.dnsName);
    if (*c.status == '\0') {
      EXPECT_TRUE(outcome.status.isEmpty()) << outcome.status.toStdString();
    } else {
      EXPECT_TRUE(outcome.status.contains(QString::fromUtf8(c.status)))
          << outcome.status.toStdString();
    }
    // What a job gets is the resolved text, which the session reads.
    if (c.valid) {
      EXPECT_EQ(TargetOf(data).address, c.ipAddress);
    }
  }
}

TEST_P(TargetResolveTest, EachFamilyHasItsOwnForwardEntry) {
  EXPECT_EQ(ResolveNameToAddress("dual", Family::kV6), "2001:db8::4:3");
  EXPECT_EQ(ResolveNameToAddress("dual"), "10.9.4.3");  // the default asks for IPv4
  EXPECT_EQ(ResolveNameToAddress("v6-only"), "");
  EXPECT_EQ(ResolveNameToAddress("v6-only", Family::kEither), "2001:db8::4:2");
  EXPECT_EQ(AddressOfHostText("[2001:DB8::4:2]"), "2001:db8::4:2");
  // Every spelling of an IPv6 address shares one reverse entry.
  EXPECT_EQ(ResolveAddressToName("2001:db8:0:0:0:0:4:3"), "dual");
  EXPECT_EQ(ResolveAddressToName("[2001:db8::4:3]"), "dual");
  if (GetParam()) {
    std::lock_guard lock(NameCacheMutex);
    EXPECT_EQ(NameCache.reverse.count("2001:db8::4:3"), 1u);
    EXPECT_EQ(NameCache.forward.at(ForwardCacheKey("dual", IpAddress::Family::kV6)).text,
              "2001:db8::4:3");
    EXPECT_EQ(NameCache.forward.at("dual").text, "10.9.4.3");
  }
}

INSTANTIATE_TEST_SUITE_P(CacheOnAndOff, TargetResolveTest, ::testing::Bool());

TEST(HostsFile, FamiliesAreReadAsAsked) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("hosts").toStdString();
  std::ofstream(path, std::ios::trunc) << kHosts << "fe80::1%no-such-if9 zoned\n[::2] bracketed\n";
  SetHostsFilePath(path);
  const struct {
    AddressFamilyChoice families;
    std::vector<std::string> names;
  } rows[] = {
      {Family::kV4, {"v4-only", "dual"}},
      {Family::kV6, {"v6-only", "dual", "loop6", "bracketed"}},
      {Family::kEither, {"v4-only", "v6-only", "dual", "dual", "loop6", "bracketed"}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> names;
    for (const HostsFileEntry& entry : ReadHostsFile(row.families)) {
      names.push_back(entry.officialName);
    }
    EXPECT_EQ(names, row.names) << AddressFamilyText(row.families);
  }
  EXPECT_EQ(FindHostsEntryByName("DUAL", Family::kV6)->address.Text(), "2001:db8::4:3");
  SetHostsFilePath("");
}

TEST(SnmpPeer, EachFamilyHasItsTransport) {
  const struct {
    const char* address;
    uint16_t port;
    const char* peer;
  } rows[] = {
      {"10.0.0.1", 161, "udp:10.0.0.1:161"},
      {"127.0.0.1", 16231, "udp:127.0.0.1:16231"},
      {"::1", 16231, "udp6:[::1]:16231"},
      {"2001:db8::1", 161, "udp6:[2001:db8::1]:161"},
      {"[2001:DB8:0::1]", 162, "udp6:[2001:db8::1]:162"},
      {"::ffff:10.0.0.1", 161, "udp6:[::ffff:10.0.0.1]:161"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SnmpPeerName(row.address, row.port), row.peer);
  }
}

}  // namespace
}  // namespace tesmo
