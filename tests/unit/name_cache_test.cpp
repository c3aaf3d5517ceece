// The name cache with an injected clock and a private hosts file. The
// internal resolver has no name server here, so every miss is answered "no"
// at once and no test sends a packet; lab/name_resolution_test.cpp runs the
// same service against a real name server.
#include "core/net/name_cache.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <fstream>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"

namespace tesmo {
namespace {

std::atomic<uint32_t> fakeNow{0};
uint32_t FakeTick() {
  return fakeNow.load();
}

class NameCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDnsServerList("");
    ASSERT_TRUE(CurrentResolverConfig().servers.empty());
    hostsPath = dir.filePath("hosts").toStdString();
    WriteHosts("10.9.1.1\tfile-host alias-one\n10.9.1.2 Mixed.Case.Host\n");
    SetHostsFilePath(hostsPath);
    SetNameCacheClock(&FakeTick);
    fakeNow = 5'000'000;
    UseFastResolver = 1;
    bDnsUseCache = 1;
    bDnsUseHostfile = 1;
    DnsCacheTimeout = 600;
    ClearNameCache();
  }
  void TearDown() override {
    ClearNameCache();
    SetNameCacheClock(nullptr);
    SetHostsFilePath("");
  }

  void WriteHosts(const std::string& text) {
    std::ofstream file(hostsPath, std::ios::trunc);
    file << text;
  }
  static std::optional<NameCacheEntry> Find(const CNameCache::Map& map, const std::string& key) {
    std::lock_guard lock(NameCacheMutex);
    auto it = map.find(key);
    if (it == map.end()) return std::nullopt;
    return it->second;
  }
  static std::optional<NameCacheEntry> Reverse(const std::string& key) {
    return Find(NameCache.reverse, key);
  }
  static std::optional<NameCacheEntry> Forward(const std::string& key) {
    return Find(NameCache.forward, key);
  }
  static size_t Entries() {
    CNameCacheLock lock;
    return NameCache.forward.size() + NameCache.reverse.size();
  }

  QTemporaryDir dir;
  std::string hostsPath;
};

TEST_F(NameCacheTest, EntryIsUsedUpToTheTimeoutAndRequeriedOneSecondLater) {
  const uint32_t t0 = fakeNow;
  EXPECT_EQ(ResolveAddressToName("10.9.9.9"), "");
  ASSERT_TRUE(Reverse("10.9.9.9"));
  EXPECT_EQ(Reverse("10.9.9.9")->stamp, t0);

  // Age 600 s (and 600.999 s, truncated to 600): the entry answers.
  for (uint32_t age : {600'000u, 600'999u}) {
    fakeNow = t0 + age;
    EXPECT_EQ(ResolveAddressToName("10.9.9.9"), "");
    EXPECT_EQ(Reverse("10.9.9.9")->stamp, t0) << "age " << age << " ms";
  }
  // Age 601 s: dropped and asked again, a new entry replaces it.
  fakeNow = t0 + 601'000;
  EXPECT_EQ(ResolveAddressToName("10.9.9.9"), "");
  EXPECT_EQ(Reverse("10.9.9.9")->stamp, t0 + 601'000);

  // The same for the forward map.
  EXPECT_EQ(ResolveNameToAddress("gone.example"), "");
  const uint32_t t1 = fakeNow;
  fakeNow = t1 + 600'000;
  ResolveNameToAddress("gone.example");
  EXPECT_EQ(Forward("gone.example")->stamp, t1);
  fakeNow = t1 + 601'000;
  ResolveNameToAddress("gone.example");
  EXPECT_EQ(Forward("gone.example")->stamp, t1 + 601'000);
}

TEST_F(NameCacheTest, AgesSurviveTheTickWrap) {
  const uint32_t t0 = 0xFFFFFFFFu - 300;  // 0.3 s before the counter wraps
  fakeNow = t0;
  ResolveAddressToName("10.9.9.8");
  fakeNow = t0 + 600'000;  // wrapped
  ASSERT_LT(fakeNow.load(), t0);
  ResolveAddressToName("10.9.9.8");
  EXPECT_EQ(Reverse("10.9.9.8")->stamp, t0);
  fakeNow = t0 + 601'000;
  ResolveAddressToName("10.9.9.8");
  EXPECT_EQ(Reverse("10.9.9.8")->stamp, t0 + 601'000);
  EXPECT_EQ(AgeSeconds(5'000, 0xFFFFFFFFu - 999), 6u);
}

TEST_F(NameCacheTest, CleanKeepsAge600AndRemovesAge601) {
  const uint32_t t0 = fakeNow;
  ResolveAddressToName("10.9.9.1");
  ResolveNameToAddress("old.example");
  fakeNow = t0 + 1'000;
  ResolveAddressToName("10.9.9.2");
  ResolveNameToAddress("young.example");
  fakeNow = t0 + 601'000;
  CleanNameCache();
  EXPECT_FALSE(Reverse("10.9.9.1"));
  EXPECT_FALSE(Forward("old.example"));
  EXPECT_TRUE(Reverse("10.9.9.2"));
  EXPECT_TRUE(Forward("young.example"));
  // The hosts-file entries are as old as the first lookup: gone too.
  EXPECT_FALSE(Forward("file-host"));
  // Clean follows a changed validity time.
  DnsCacheTimeout = 0;
  CleanNameCache();
  EXPECT_EQ(Entries(), 0u);
}

TEST_F(NameCacheTest, HostsNamesComeBackAfterACleanAndARaisedTimeout) {
  const uint32_t t0 = fakeNow;
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.1");
  // The validity time is retyped: "6" cleans the 10 s old hosts entries,
  // "600" follows. The load is not due by the new time, yet its names must
  // still answer.
  fakeNow = t0 + 10'000;
  DnsCacheTimeout = 6;
  CleanNameCache();
  EXPECT_FALSE(Forward("file-host"));
  DnsCacheTimeout = 600;
  CleanNameCache();
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.1");
  EXPECT_EQ(ResolveAddressToName("10.9.1.1"), "file-host");
}

TEST_F(NameCacheTest, HostsFileIsReloadedWhenDueAndAfterClear) {
  const uint32_t t0 = fakeNow;
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.1");
  EXPECT_EQ(ResolveAddressToName("10.9.1.2"), "Mixed.Case.Host");
  // Aliases are not loaded into the cache.
  EXPECT_FALSE(Forward("alias-one"));

  WriteHosts("10.9.1.5 file-host\n");
  fakeNow = t0 + 599'999;  // load 599 s old: not due
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.1");
  fakeNow = t0 + 600'000;  // 600 s: reloaded, same key replaced
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.5");
  EXPECT_EQ(Forward("file-host")->stamp, t0 + 600'000);

  WriteHosts("10.9.1.6 file-host\n");
  fakeNow = t0 + 600'001;
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.5");
  ClearNameCache();
  EXPECT_EQ(Entries(), 0u);
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.6");
}

// A lookup may hold the cache across a slow query: Clear and Clean return
// at once and the next holder carries them out before it uses the cache.
TEST_F(NameCacheTest, ClearAndCleanDoNotWaitForAHolder) {
  WriteHosts("10.9.1.7 held-host\n");
  EXPECT_EQ(ResolveNameToAddress("held-host"), "10.9.1.7");
  ASSERT_GT(Entries(), 0u);
  std::promise<void> held, release;
  std::thread holder([&] {
    CNameCacheLock lock;
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  auto cleared = std::async(std::launch::async, [] {
    ClearNameCache();
    CleanNameCache();
  });
  const bool returned = cleared.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  release.set_value();
  holder.join();
  ASSERT_TRUE(returned) << "Clear waited for the holder";
  EXPECT_EQ(Entries(), 0u);
}

TEST_F(NameCacheTest, MissingHostsFileCountsAsLoaded) {
  SetHostsFilePath(hostsPath + ".missing");
  EXPECT_EQ(ResolveNameToAddress("file-host"), "");
  std::lock_guard lock(NameCacheMutex);
  EXPECT_TRUE(NameCache.hostsLoaded);
  EXPECT_EQ(NameCache.hostsLoadStamp, fakeNow.load());
}

TEST_F(NameCacheTest, AddressSpellingsShareOneReverseKeyAndNamesKeepTheirCase) {
  WriteHosts("");
  const uint32_t t0 = fakeNow;
  for (const char* text : {"010.000.000.001", "10.0.0.1", "10.1", "167772161", "10.0.1 "}) {
    EXPECT_EQ(ResolveAddressToName(text), "") << text;
    fakeNow += 1000;
  }
  {
    // One entry, made by the first spelling and answering all the others.
    std::lock_guard lock(NameCacheMutex);
    ASSERT_EQ(NameCache.reverse.size(), 1u);
    EXPECT_EQ(NameCache.reverse.count("10.0.0.1"), 1u);
    EXPECT_EQ(NameCache.reverse["10.0.0.1"].stamp, t0);
  }
  ResolveNameToAddress("Host");
  ResolveNameToAddress("host");
  ResolveNameToAddress("host");
  std::lock_guard lock(NameCacheMutex);
  EXPECT_EQ(NameCache.forward.size(), 2u);
}

TEST_F(NameCacheTest, BadAddressTextReturnsAtOnceAndLeavesTheLockFree) {
  WriteHosts("");
  ResolveAddressToName("10.9.9.9");
  const size_t before = Entries();
  for (const char* text : {"255.255.255.255", "abc", "", "10.0.0.256"}) {
    EXPECT_EQ(ResolveAddressToName(text), "") << text;
    // Another thread gets the lock at once: nothing was left held.
    auto other = std::async(std::launch::async, [] {
      if (!NameCacheMutex.try_lock()) return false;
      NameCacheMutex.unlock();
      return true;
    });
    EXPECT_TRUE(other.get()) << text;
  }
  EXPECT_EQ(Entries(), before);
  EXPECT_EQ(ResolveNameToAddress(""), "");
  EXPECT_EQ(Entries(), before);
}

TEST_F(NameCacheTest, HostsFileAnswersWithAndWithoutTheCache) {
  // Cache on, "use host file" off: the load into the cache still answers.
  bDnsUseHostfile = 0;
  EXPECT_EQ(ResolveNameToAddress("file-host"), "10.9.1.1");
  EXPECT_EQ(ResolveAddressToName("10.9.1.1"), "file-host");
  EXPECT_EQ(ResolveNameToAddress("alias-one"), "");  // aliases are not loaded

  // Cache off, "use host file" on: the file is searched, aliases and any
  // case included, and nothing is cached.
  ClearNameCache();
  bDnsUseCache = 0;
  bDnsUseHostfile = 1;
  EXPECT_EQ(ResolveNameToAddress("ALIAS-one"), "10.9.1.1");
  EXPECT_EQ(ResolveNameToAddress("mixed.case.host"), "10.9.1.2");
  EXPECT_EQ(ResolveAddressToName("010.009.001.002"), "Mixed.Case.Host");
  EXPECT_EQ(Entries(), 0u);

  // Cache off, "use host file" off: only DNS, which has no server here.
  bDnsUseHostfile = 0;
  EXPECT_EQ(ResolveNameToAddress("file-host"), "");
  EXPECT_EQ(ResolveAddressToName("10.9.1.1"), "");
}

TEST_F(NameCacheTest, HostsFileLinesThatAreNotIpv4AreSkipped) {
  WriteHosts(
      "# comment 10.9.3.9 commented\n"
      "::1 localhost6 ip6-localhost\n"
      "fe80::1%lo0 linklocal\n"
      "10.9.3.1 first # trailing comment\n"
      "10.9.3.2\n"
      "junk words here\n"
      "255.255.255.255 broadcasthost\n"
      "\t 10.9.3.3 \t third\tthird-alias \r\n"
      "10.9.3.1 second-of-same-address\n");
  const auto entries = ReadHostsFile();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].officialName, "first");
  EXPECT_TRUE(entries[0].aliases.empty());
  EXPECT_EQ(entries[1].officialName, "third");
  EXPECT_EQ(entries[1].aliases, std::vector<std::string>{"third-alias"});
  EXPECT_EQ(entries[2].officialName, "second-of-same-address");
  // The first line of an address answers a search; the load keeps the last.
  EXPECT_EQ(FindHostsEntryByAddress(0x0A090301)->officialName, "first");
  EXPECT_EQ(ResolveAddressToName("10.9.3.1"), "second-of-same-address");
  EXPECT_EQ(ResolveNameToAddress("localhost6"), "");
}

TEST_F(NameCacheTest, AddressOfHostTextNeedsNoLookupForAnAddress) {
  EXPECT_EQ(AddressOfHostText("010.009.001.001"), "10.9.1.1");
  EXPECT_EQ(AddressOfHostText("10.1"), "10.0.0.1");
  EXPECT_EQ(Entries(), 0u);  // no lookup ran, so not even the hosts file was loaded
  EXPECT_EQ(AddressOfHostText("file-host"), "10.9.1.1");
  EXPECT_EQ(AddressOfHostText("255.255.255.255"), "");
}

TEST_F(NameCacheTest, EightThreadsOfMixedLookups) {
  constexpr int kThreads = 8;
  constexpr int kLookups = 1000;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < kLookups; ++i) {
        bool ok = true;
        switch ((i + t) % 8) {
          case 0:
            ok = ResolveAddressToName("10.9.1.1") == "file-host";
            break;
          case 1:
            ok = ResolveNameToAddress("file-host") == "10.9.1.1";
            break;
          case 2:
            ok = ResolveAddressToName("10.200." + std::to_string(i % 50)).empty();
            break;
          case 3:
            ok = ResolveNameToAddress("nohost-" + std::to_string(i % 50)).empty();
            break;
          case 4:
            ok = ResolveAddressToName("abc").empty();
            break;
          case 5:
            ok = AddressOfHostText("10.9.1.2") == "10.9.1.2";
            break;
          case 6:
            if (i % 16 == 6)
              ClearNameCache();
            else
              CleanNameCache();
            break;
          case 7:
            // One thread flips the cache and the clock; with the hosts file
            // on, every answer above stays the same either way.
            if (t == 0) bDnsUseCache = bDnsUseCache.load() ? 0 : 1;
            DnsCacheTimeout = (i % 3) * 300;
            fakeNow += 1000;
            break;
        }
        if (!ok) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace tesmo
