// The Resolver section at start: stored values, defaults, damaged values and
// the system lists standing in for empty ones.
#include "core/net/resolver_settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "core/base/settings_store.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "core/net/system_values.h"

namespace tesmo {
namespace {

class ResolverSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = CSettingsStore::FilePath();
    CSettingsStore::SetFilePath(dir.filePath("tesmo/tesmo.ini"));
    // The system values come from a file of the test, never the machine's.
    resolvConf = dir.filePath("resolv.conf").toStdString();
    std::ofstream(resolvConf) << "nameserver 10.1.1.1\nnameserver 10.1.1.2\nsearch corp.example\n";
    SetResolvConfPath(resolvConf);
  }
  void TearDown() override {
    CSettingsStore::SetFilePath(previous);
    SetResolvConfPath("");
    ApplyDnsServerList("");
  }
  static void Store(const char* name, int value) {
    CSettingsStore::WriteInt("Resolver", name, value);
  }
  static void Store(const char* name, const char* value) {
    CSettingsStore::WriteString("Resolver", name, value);
  }

  QTemporaryDir dir;
  QString previous;
  std::string resolvConf;
};

TEST_F(ResolverSettingsTest, StoredValuesReachTheServiceAndTheResolver) {
  Store("DnsRetries", 4);
  Store("DnsTimeout", 7);
  Store("bDnsUseCache", 0);
  Store("bDnsUseHostfile", 0);
  Store("DnsCacheTimeout", 30);
  Store("UseFastResolver", 0);
  Store("DnsAddressList", "10.2.2.2 10.2.2.3");
  Store("DnsSearchList", "lab.test other.test");
  const ResolverSettings s = LoadResolverSettings();
  EXPECT_EQ(s.dnsList, "10.2.2.2 10.2.2.3");
  EXPECT_EQ(s.searchList, "lab.test other.test");
  EXPECT_EQ(UseFastResolver.load(), 0);
  EXPECT_EQ(bDnsUseCache.load(), 0);
  EXPECT_EQ(bDnsUseHostfile.load(), 0);
  EXPECT_EQ(DnsCacheTimeout.load(), 30u);
  const ResolverConfig config = CurrentResolverConfig();
  EXPECT_EQ(config.timeout, 7u);
  EXPECT_EQ(config.retries, 4u);
  EXPECT_EQ(config.servers,
            (std::vector<IpAddress>{IpAddress::V4(0x0A020202), IpAddress::V4(0x0A020203)}));
  EXPECT_EQ(config.searchList, (std::vector<std::string>{"lab.test", "other.test"}));
}

TEST_F(ResolverSettingsTest, DefaultsAndSystemListsWhenNothingIsStored) {
  const ResolverSettings s = LoadResolverSettings();
  EXPECT_EQ(s.dnsRetries, 2u);
  EXPECT_EQ(s.dnsTimeout, 2u);
  EXPECT_EQ(s.cacheTimeout, 600u);
  EXPECT_EQ(s.useCache, 1);
  EXPECT_EQ(s.useHostFile, 1);
  EXPECT_EQ(s.useFastResolver, 1);
  EXPECT_EQ(s.dnsList, "10.1.1.1 10.1.1.2");
  EXPECT_EQ(s.searchList, "corp.example");
  EXPECT_EQ(CurrentResolverConfig().servers,
            (std::vector<IpAddress>{IpAddress::V4(0x0A010101), IpAddress::V4(0x0A010102)}));
  // The stand-ins are not written back.
  EXPECT_EQ(CSettingsStore::ReadString("Resolver", "DnsAddressList", "unset"), "unset");

  // An empty stored list counts as none.
  Store("DnsAddressList", "");
  EXPECT_EQ(LoadResolverSettings().dnsList, "10.1.1.1 10.1.1.2");
}

TEST_F(ResolverSettingsTest, DamagedValuesReadAsDefaults) {
  Store("DnsRetries", -3);
  Store("DnsTimeout", -1);
  Store("DnsCacheTimeout", -600);
  Store("bDnsUseCache", 5);
  Store("UseFastResolver", -1);
  Store("bDnsUseHostfile", "yes");  // wrong type
  const ResolverSettings s = LoadResolverSettings();
  EXPECT_EQ(s.dnsRetries, 2u);
  EXPECT_EQ(s.dnsTimeout, 2u);
  EXPECT_EQ(s.cacheTimeout, 600u);
  EXPECT_EQ(s.useCache, 1);
  EXPECT_EQ(s.useFastResolver, 1);
  EXPECT_EQ(s.useHostFile, 1);
  EXPECT_EQ(DnsCacheTimeout.load(), 600u);
}

TEST_F(ResolverSettingsTest, FactoryWritesNothingAndSaveWritesEverything) {
  Store("DnsRetries", 9);
  const ResolverSettings factory = FactoryResolverSettings();
  EXPECT_EQ(factory.dnsRetries, 2u);
  EXPECT_EQ(CurrentResolverConfig().retries, 2u);
  EXPECT_EQ(CSettingsStore::ReadInt("Resolver", "DnsRetries", 0), 9);

  ResolverSettings s;
  s.dnsRetries = 3;
  s.dnsTimeout = 4;
  s.useCache = 0;
  s.useHostFile = 0;
  s.cacheTimeout = 120;
  s.useFastResolver = 0;
  s.dnsList = "10.3.3.3";
  s.searchList = "saved.test";
  ASSERT_TRUE(SaveResolverSettings(s));
  const ResolverSettings loaded = LoadResolverSettings();
  EXPECT_EQ(loaded.dnsRetries, 3u);
  EXPECT_EQ(loaded.dnsTimeout, 4u);
  EXPECT_EQ(loaded.useCache, 0);
  EXPECT_EQ(loaded.useHostFile, 0);
  EXPECT_EQ(loaded.cacheTimeout, 120u);
  EXPECT_EQ(loaded.useFastResolver, 0);
  EXPECT_EQ(loaded.dnsList, "10.3.3.3");
  EXPECT_EQ(loaded.searchList, "saved.test");
}

}  // namespace
}  // namespace tesmo
