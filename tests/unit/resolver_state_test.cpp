// The resolver state: the server-list and search-list rules, what reaches the
// library's record, and the system values read from a resolv.conf.
#include "core/net/resolver_state.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <resolv.h>

#include <QTemporaryDir>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "core/net/ip_address.h"
#include "core/net/name_cache.h"
#include "core/net/system_values.h"

namespace tesmo {
namespace {

using Words = std::vector<std::string>;

// The texts of the servers a list reads as.
Words ServerTexts(const std::vector<IpAddress>& servers) {
  Words texts;
  for (const IpAddress& server : servers) texts.push_back(server.Text());
  return texts;
}

TEST(DnsServerList, Rules) {
  struct Case {
    const char* text;
    Words servers;
    const char* stored;  // as the settings keep it; nullptr: the text itself
  };
  const Case cases[] = {
      {"10.0.0.1", {"10.0.0.1"}, nullptr},
      {"10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}, nullptr},
      {"10.0.0.1  10.0.0.2", {"10.0.0.1"}, nullptr},  // a second blank ends the list
      {"10.0.0.1\t10.0.0.2\n10.0.0.3", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}, nullptr},
      {"10.0.0.1 ", {"10.0.0.1"}, nullptr},
      {"10.0.0.1 junk 10.0.0.2", {"10.0.0.1"}, nullptr},
      {"junk 10.0.0.1", {}, nullptr},
      {"10.0.0.1,10.0.0.2", {}, nullptr},  // commas are only turned into blanks for system values
      {"\n10.0.0.1", {}, nullptr},
      {" 10.0.0.1", {}, nullptr},
      {"", {}, nullptr},
      // The classic inet_aton forms: octal, hexadecimal, short forms, kept
      // as typed.
      {"012.1 0x7f.1 127.0.1", {"10.0.0.1", "127.0.0.1", "127.0.0.1"}, nullptr},
      // IPv6 servers beside IPv4 ones, stored in RFC 5952 form.
      {"::1", {"::1"}, nullptr},
      {"2001:DB8:0:0:0:0:0:53 10.0.0.1", {"2001:db8::53", "10.0.0.1"}, "2001:db8::53 10.0.0.1"},
      {"012.1\t[2001:db8::1]\n2001:db8:0::2 ::3",
       {"10.0.0.1", "2001:db8::1", "2001:db8::2"},
       "012.1\t2001:db8::1\n2001:db8::2 ::3"},
      {"::1 2001:db8::g 10.0.0.1", {"::1"}, nullptr},  // not an address: the list ends
      {"::1  ::2", {"::1"}, nullptr},
      {"1:2 10.0.0.1", {}, nullptr},
      {"10.0.0.1:53", {}, nullptr},
      {"::ffff:10.0.0.1", {"::ffff:10.0.0.1"}, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServerTexts(ParseDnsServerList(c.text)), c.servers) << "'" << c.text << "'";
    EXPECT_EQ(StoredDnsServerListText(c.text), c.stored ? c.stored : c.text)
        << "'" << c.text << "'";
    // What is stored reads as the same servers.
    EXPECT_EQ(ServerTexts(ParseDnsServerList(StoredDnsServerListText(c.text))), c.servers)
        << "'" << c.text << "'";
  }
}

TEST(DnsSearchList, Rules) {
  struct Case {
    const char* text;
    Words words;
  };
  const Case cases[] = {
      {"lab.test", {"lab.test"}},
      {"a b\tc", {"a", "b", "c"}},
      {"a b c d e f g", {"a", "b", "c", "d", "e", "f"}},  // seven words use six
      {"  a   b  ", {"a", "b"}},
      {"a b\nc", {"a", "b"}},
      {"   ", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDnsSearchList(c.text), c.words) << "'" << c.text << "'";
  }
  // Only the first 255 characters count: a word across the limit is cut.
  const std::string longText = std::string(250, 'x') + " abcdefgh";
  EXPECT_EQ(ParseDnsSearchList(longText), (Words{std::string(250, 'x'), "abcd"}));
}

class ResolverStateTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ApplyDnsServerList("");
    ApplyDnsSearchList(" ");
    SetResolverTimeout(2);
    SetResolverRetries(2);
    SetResolverDebug(false, false);
  }
  // The record as a user of the library sees it. The settings in force that
  // the DNS engine takes instead of reading the record must be the record's.
  template <typename Check>
  static void WithState(Check check) {
    std::lock_guard lock(NameCacheMutex);
    const struct __res_state& state = *ResolverState();
    check(state);
    const ResolverConfig applied = AppliedResolverConfig();
    // Where the library reads each server: the short slot, or the extension
    // for one whose short slot has family 0.
    Words servers;
    for (int i = 0; i < state.nscount; ++i) {
      const sockaddr* address = reinterpret_cast<const sockaddr*>(&state.nsaddr_list[i]);
      if (state.nsaddr_list[i].sin_family == 0 && state._u._ext.nsaddrs[i] != nullptr) {
        address = reinterpret_cast<const sockaddr*>(state._u._ext.nsaddrs[i]);
        EXPECT_EQ(ntohs(state._u._ext.nsaddrs[i]->sin6_port), 53);
      }
      const auto server = IpAddress::FromSockaddr(address, sizeof(sockaddr_in6));
      servers.push_back(server ? server->Text() : "?");
    }
    Words domains;
    for (int i = 0; i < MAXDNSRCH && state.dnsrch[i] != nullptr; ++i) {
      domains.emplace_back(state.dnsrch[i]);
    }
    EXPECT_EQ(ServerTexts(applied.servers), servers);
    EXPECT_EQ(applied.searchList, domains);
    EXPECT_EQ(applied.timeout, static_cast<uint32_t>(state.retrans));
    EXPECT_EQ(applied.retries, static_cast<uint32_t>(state.retry));
    EXPECT_EQ(applied.debug, (state.options & RES_DEBUG) != 0);
    EXPECT_EQ(applied.debug2, (state.options & 0x80000000u) != 0);
    EXPECT_EQ(state.ndots, static_cast<unsigned>(kResolverDots));
  }
};

TEST_F(ResolverStateTest, SettingsReachTheRecord) {
  ApplyDnsServerList("10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4");
  ApplyDnsSearchList("one.test two.test three.test four.test five.test six.test seven.test");
  SetResolverTimeout(5);
  SetResolverRetries(3);
  WithState([](const struct __res_state& state) {
    EXPECT_EQ(state.nscount, 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(state.nsaddr_list[i].sin_family, AF_INET);
      EXPECT_EQ(ntohs(state.nsaddr_list[i].sin_port), 53);
      EXPECT_EQ(ntohl(state.nsaddr_list[i].sin_addr.s_addr), 0x0A000001u + i);
    }
    EXPECT_EQ(state.retrans, 5);
    EXPECT_EQ(state.retry, 3);
    EXPECT_EQ(state.options, 0x3C1u);
    EXPECT_EQ(state.ndots, 1u);
    EXPECT_STREQ(state.defdname, "one.test");
    const char* expected[] = {"one.test",  "two.test",  "three.test",
                              "four.test", "five.test", "six.test"};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(state.dnsrch[i], expected[i]);
    EXPECT_EQ(state.dnsrch[6], nullptr);
  });

  // An empty text, or one starting with a line feed, keeps the search list;
  // a shorter list removes the entries beyond it.
  ApplyDnsSearchList("");
  ApplyDnsSearchList("\nother.test");
  WithState([](const struct __res_state& state) { EXPECT_STREQ(state.dnsrch[5], "six.test"); });
  ApplyDnsSearchList("lab.test");
  SetResolverDebug(true, true);
  ApplyDnsServerList("127.0.0.1");
  WithState([](const struct __res_state& state) {
    EXPECT_STREQ(state.defdname, "lab.test");
    EXPECT_STREQ(state.dnsrch[0], "lab.test");
    EXPECT_EQ(state.dnsrch[1], nullptr);
    EXPECT_EQ(state.nscount, 1);
    EXPECT_EQ(state.options, 0x3C1u | 0x2u | 0x80000000u);
  });
  EXPECT_EQ(CurrentResolverConfig().defaultDomain, "lab.test");

  // IPv6 servers take the library's slot for long addresses; a list that
  // changes them back to IPv4 uses the short slots again.
  ApplyDnsServerList("2001:db8::53 10.0.0.9 ::1");
  WithState([](const struct __res_state& state) {
    EXPECT_EQ(state.nscount, 3);
    EXPECT_EQ(state.nsaddr_list[0].sin_family, 0);
    EXPECT_EQ(state.nsaddr_list[1].sin_family, AF_INET);
    EXPECT_EQ(state.nsaddr_list[2].sin_family, 0);
  });
  ApplyDnsServerList("10.0.0.7 10.0.0.8");
  WithState([](const struct __res_state& state) {
    EXPECT_EQ(state.nscount, 2);
    EXPECT_EQ(state.nsaddr_list[0].sin_family, AF_INET);
    EXPECT_EQ(ntohl(state.nsaddr_list[0].sin_addr.s_addr), 0x0A000007u);
  });

  // A server list that is no list leaves no server: nothing is sent.
  ApplyDnsServerList("name-server");
  WithState([](const struct __res_state& state) { EXPECT_EQ(state.nscount, 0); });
}

TEST_F(ResolverStateTest, HugeTimeAndRetryValuesAreBounded) {
  SetResolverTimeout(4'000'000'000u);
  SetResolverRetries(4'000'000'000u);
  EXPECT_EQ(CurrentResolverConfig().timeout, 4'000'000'000u);  // shown as typed
  WithState([](const struct __res_state& state) {
    EXPECT_EQ(state.retrans, 3600);
    EXPECT_EQ(state.retry, 100);
  });
}

class SystemValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.filePath("resolv.conf").toStdString();
    SetResolvConfPath(path);
  }
  void TearDown() override { SetResolvConfPath(""); }
  void Write(const std::string& text) {
    std::ofstream file(path, std::ios::trunc);
    file << text;
  }
  QTemporaryDir dir;
  std::string path;
};

TEST_F(SystemValueTest, NameServersAndDomain) {
  struct Case {
    const char* file;
    const char* nameServer;
    const char* domain;
  };
  const Case cases[] = {
      {"nameserver 10.1.1.1\nnameserver 10.1.1.2\ndomain corp.example\n", "10.1.1.1 10.1.1.2",
       "corp.example"},
      // IPv6 servers are left out; the first search domain stands for the domain.
      {"nameserver ::1\nnameserver 10.1.1.1\nsearch a.example b.example\n", "10.1.1.1",
       "a.example"},
      // Comments, other keywords, blanks; the last of domain and search wins.
      {"# nameserver 10.9.9.9\n; domain x\noptions ndots:2\n  \nnameserver\t10.1.1.3 # main\n"
       "domain first.example\nsearch second.example\n",
       "10.1.1.3", "second.example"},
      {"search s.example\ndomain d.example\n", "", "d.example"},
      // Commas become blanks.
      {"domain a,b\n", "", "a b"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    Write(c.file);
    EXPECT_EQ(ReadSystemValue(SystemValue::NameServer), c.nameServer) << c.file;
    EXPECT_EQ(ReadSystemValue(SystemValue::Domain), c.domain) << c.file;
  }
}

TEST_F(SystemValueTest, UnreadableFileAndLongValues) {
  SetResolvConfPath(path + ".missing");
  EXPECT_EQ(ReadSystemValue(SystemValue::NameServer), "");
  EXPECT_EQ(ReadSystemValue(SystemValue::Domain), "");
  SetResolvConfPath(path);
  std::string file;
  for (int i = 0; i < 60; ++i) file += "nameserver 10.100.100." + std::to_string(i) + "\n";
  Write(file);
  EXPECT_EQ(ReadSystemValue(SystemValue::NameServer).size(), 511u);
}

}  // namespace
}  // namespace tesmo
