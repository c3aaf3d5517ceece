// The name service against the lab's named (zone lab.test and the reverse
// zone of 10.77.0.0/16) inside the lab namespace. Every query named receives
// is in its query log, so the tests count what the resolver really asked.
#include "core/net/name_resolution.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/settings_store.h"
#include "core/net/name_cache.h"
#include "core/net/name_hosts_file.h"
#include "core/net/resolver_settings.h"
#include "core/net/resolver_state.h"
#include "support/query_log.h"

namespace tesmo {
namespace {

std::atomic<uint32_t> fakeNow{0};
uint32_t FakeTick() {
  return fakeNow.load();
}

class NameLabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("TESMO_LAB_DIR"), nullptr);
    SetHostsFilePath("");  // the namespace's own hosts file
    SetNameCacheClock(nullptr);
    SetResolverTimeout(1);
    SetResolverRetries(2);
    ApplyDnsServerList("127.0.0.1");
    ApplyDnsSearchList(" ");  // no search domains
    Use(/*internal=*/1, /*cache=*/0, /*hostsFile=*/0);
    DnsCacheTimeout = 600;
    ClearNameCache();
  }
  void TearDown() override {
    SetNameCacheClock(nullptr);
    ClearNameCache();
  }
  static void Use(int internal, int cache, int hostsFile) {
    UseFastResolver = internal;
    bDnsUseCache = cache;
    bDnsUseHostfile = hostsFile;
  }
};

TEST_F(NameLabTest, InternalResolverForwardAndReverse) {
  CQueryLog log;
  EXPECT_EQ(ResolveNameToAddress("alpha.lab.test"), "10.77.0.1");
  EXPECT_EQ(ResolveNameToAddress("www.lab.test"), "10.77.0.1");  // through its CNAME
  EXPECT_EQ(ResolveNameToAddress("alpha.lab.test."), "10.77.0.1");
  const std::string beta = ResolveNameToAddress("beta.lab.test");
  EXPECT_TRUE(beta == "10.77.0.2" || beta == "10.77.0.3") << beta;
  EXPECT_EQ(ResolveNameToAddress("nosuch.lab.test"), "");

  EXPECT_EQ(ResolveAddressToName("10.77.0.1"), "alpha.lab.test");
  EXPECT_EQ(ResolveAddressToName("010.077.000.004"), "gamma.lab.test");
  EXPECT_EQ(ResolveAddressToName("10.77.0.200"), "");
  EXPECT_EQ(AddressOfHostText("gamma.lab.test"), "10.77.0.4");

  EXPECT_EQ(log.Count("alpha.lab.test A"), 2);  // once with, once without the final dot
  EXPECT_EQ(log.Count("1.0.77.10.in-addr.arpa PTR"), 1);
  EXPECT_EQ(log.Count("4.0.77.10.in-addr.arpa PTR"), 1);
}

// A lookup that fails in the resolver library makes it close its stored TCP
// socket: that must never be descriptor 0, whatever holds it.
TEST_F(NameLabTest, AFailedLookupLeavesDescriptorZeroAlone) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const int savedInput = dup(0);
  ASSERT_GE(dup2(pipeEnds[0], 0), 0);
  struct stat held {};
  ASSERT_EQ(fstat(0, &held), 0);
  ApplyDnsServerList("127.0.0.3");  // nobody listens there: every query fails
  SetResolverRetries(1);
  EXPECT_EQ(ResolveNameToAddress("refused.lab.test"), "");
  EXPECT_EQ(ResolveAddressToName("10.77.0.1"), "");
  struct stat after {};
  const bool open = fstat(0, &after) == 0;
  dup2(savedInput, 0);
  close(savedInput);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  ASSERT_TRUE(open) << "descriptor 0 was closed";
  EXPECT_EQ(after.st_ino, held.st_ino);
}

TEST_F(NameLabTest, SystemResolverUsesTheNamespaceFiles) {
  Use(/*internal=*/0, /*cache=*/0, /*hostsFile=*/0);
  CQueryLog log;
  // From named, through the namespace's resolv.conf.
  EXPECT_EQ(ResolveNameToAddress("delta.lab.test"), "10.77.0.5");
  EXPECT_EQ(ResolveAddressToName("10.77.0.5"), "delta.lab.test");
  // From the namespace's hosts file, whatever the "use host file" setting.
  EXPECT_EQ(ResolveNameToAddress("hostsalias"), "10.77.9.9");
  EXPECT_EQ(ResolveAddressToName("10.77.9.9"), "hostsonly.lab.test");
  EXPECT_EQ(ResolveNameToAddress("nosuch.lab.test"), "");
  EXPECT_EQ(log.Count("delta.lab.test A"), 1);
  EXPECT_EQ(log.Count("5.0.77.10.in-addr.arpa PTR"), 1);
  EXPECT_EQ(log.Count("9.9.77.10.in-addr.arpa PTR"), 0);
}

TEST_F(NameLabTest, FailuresAreCachedForTheValidityTime) {
  for (int internal : {1, 0}) {
    SCOPED_TRACE(internal ? "internal resolver" : "system resolver");
    Use(internal, /*cache=*/1, /*hostsFile=*/1);
    ClearNameCache();
    const std::string third = internal ? "51" : "52";
    const std::string address = "10.77." + third + ".1";
    const std::string name = "missing-" + third + ".lab.test";
    CQueryLog log;
    EXPECT_EQ(ResolveAddressToName(address), "");
    EXPECT_EQ(ResolveAddressToName(address), "");
    EXPECT_EQ(ResolveNameToAddress(name), "");
    EXPECT_EQ(ResolveNameToAddress(name), "");
    EXPECT_EQ(log.Count("1." + third + ".77.10.in-addr.arpa PTR"), 1);
    EXPECT_EQ(log.Count(name + " A"), 1);
  }
}

TEST_F(NameLabTest, ExpiredEntryIsQueriedAgainAcrossTheTickWrap) {
  Use(/*internal=*/1, /*cache=*/1, /*hostsFile=*/1);
  SetNameCacheClock(&FakeTick);
  const uint32_t t0 = 0xFFFFFFFFu - 2'000;
  fakeNow = t0;
  CQueryLog log;
  EXPECT_EQ(ResolveAddressToName("10.77.0.6"), "epsilon.lab.test");
  EXPECT_EQ(ResolveNameToAddress("zeta.lab.test"), "10.77.0.7");
  fakeNow = t0 + 600'000;  // exactly the validity time, past the wrap
  EXPECT_EQ(ResolveAddressToName("10.77.0.6"), "epsilon.lab.test");
  EXPECT_EQ(ResolveNameToAddress("zeta.lab.test"), "10.77.0.7");
  EXPECT_EQ(log.Count("6.0.77.10.in-addr.arpa PTR"), 1);
  EXPECT_EQ(log.Count("zeta.lab.test A"), 1);
  fakeNow = t0 + 601'000;
  EXPECT_EQ(ResolveAddressToName("10.77.0.6"), "epsilon.lab.test");
  EXPECT_EQ(ResolveNameToAddress("zeta.lab.test"), "10.77.0.7");
  EXPECT_EQ(log.Count("6.0.77.10.in-addr.arpa PTR"), 2);
  EXPECT_EQ(log.Count("zeta.lab.test A"), 2);
}

TEST_F(NameLabTest, HostsFileAnswersWithoutAQuery) {
  // 10.77.9.9 is hostsonly.lab.test in the hosts file; DNS names it
  // dns-name-of-9-9.lab.test and gives hostsonly.lab.test 10.77.9.8.
  CQueryLog log;
  // Cache on, "use host file" off: the hosts file loaded into the cache.
  Use(/*internal=*/1, /*cache=*/1, /*hostsFile=*/0);
  EXPECT_EQ(ResolveAddressToName("10.77.9.9"), "hostsonly.lab.test");
  EXPECT_EQ(ResolveNameToAddress("hostsonly.lab.test"), "10.77.9.9");
  EXPECT_EQ(ResolveNameToAddress("HostsCase.lab.test"), "10.77.9.10");
  // Cache off, internal resolver, "use host file" on: the file is searched.
  Use(/*internal=*/1, /*cache=*/0, /*hostsFile=*/1);
  EXPECT_EQ(ResolveAddressToName("10.77.9.9"), "hostsonly.lab.test");
  EXPECT_EQ(ResolveNameToAddress("HOSTSALIAS"), "10.77.9.9");
  EXPECT_EQ(log.Count("9.9.77.10.in-addr.arpa PTR"), 0);
  EXPECT_EQ(log.Count("hostsonly.lab.test A"), 0);
  EXPECT_EQ(log.Count("hostsalias A"), 0);
  EXPECT_EQ(log.Count("hostscase.lab.test A"), 0);

  // Neither: DNS answers, with its own data.
  Use(/*internal=*/1, /*cache=*/0, /*hostsFile=*/0);
  EXPECT_EQ(ResolveAddressToName("10.77.9.9"), "dns-name-of-9-9.lab.test");
  EXPECT_EQ(ResolveNameToAddress("hostsonly.lab.test"), "10.77.9.8");
  EXPECT_EQ(log.Count("9.9.77.10.in-addr.arpa PTR"), 1);
}

TEST_F(NameLabTest, SearchListIsTriedInOrderThenTheNameAlone) {
  ApplyDnsSearchList("sa.lab.test sb.lab.test");
  CQueryLog log;
  EXPECT_EQ(ResolveNameToAddress("probe-order"), "");
  // named refuses the bare name (no zone of its own), so the library asks it
  // again: count each name once, in order.
  std::vector<std::string> asked = log.Queries();
  asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
  EXPECT_EQ(asked, (std::vector<std::string>{"probe-order.sa.lab.test A",
                                             "probe-order.sb.lab.test A", "probe-order A"}));
  EXPECT_EQ(ResolveNameToAddress("inb"), "10.77.2.2");
  EXPECT_EQ(ResolveNameToAddress("both"), "10.77.2.3");  // the first domain wins
  // A name with a dot is tried alone first, and found so.
  EXPECT_EQ(ResolveNameToAddress("gamma.lab.test"), "10.77.0.4");
  EXPECT_EQ(log.Count("gamma.lab.test.sa.lab.test A"), 0);

  // An empty search text leaves the list in force.
  ApplyDnsSearchList("");
  EXPECT_EQ(ResolveNameToAddress("inb"), "10.77.2.2");
}

TEST_F(NameLabTest, OnlyTheFirstThreeServersAreAsked) {
  // Nothing listens on 127.0.0.2-4 in the namespace: those refuse at once.
  SetResolverRetries(1);
  ApplyDnsServerList("127.0.0.2 127.0.0.3 127.0.0.1");
  EXPECT_EQ(ResolveNameToAddress("alpha.lab.test"), "10.77.0.1");
  CQueryLog log;
  ApplyDnsServerList("127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.1");
  EXPECT_EQ(ResolveNameToAddress("beta.lab.test"), "");
  ApplyDnsServerList("127.0.0.2  127.0.0.1");  // two blanks end the list
  EXPECT_EQ(ResolveNameToAddress("beta.lab.test"), "");
  EXPECT_EQ(log.Count("beta.lab.test A"), 0);
}

TEST_F(NameLabTest, StoredSettingsFallBackToTheNamespaceResolvConf) {
  // Empty stored lists: the servers come from resolv.conf, which ip netns
  // exec points at the lab's own file (nameserver 127.0.0.1).
  ApplyDnsServerList("");
  CSettingsStore::WriteString("Resolver", "DnsAddressList", "");
  CSettingsStore::WriteInt("Resolver", "bDnsUseCache", 0);
  CSettingsStore::WriteInt("Resolver", "bDnsUseHostfile", 0);
  const ResolverSettings settings = LoadResolverSettings();
  EXPECT_EQ(settings.dnsList, "127.0.0.1");
  EXPECT_EQ(CurrentResolverConfig().servers, std::vector<IpAddress>{IpAddress::V4(0x7F000001u)});
  EXPECT_EQ(ResolveAddressToName("10.77.0.8"), "eta.lab.test");
}

}  // namespace
}  // namespace tesmo
