// Address texts of both families: what parses, the canonical and grid forms
// (RFC 5952 for IPv6), zones, reverse names and the sort order.
#include "core/net/ip_address.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using tesmo::IpAddress;
using tesmo::ParseIpAddress;

namespace {

struct TextCase {
  const char* text;
  const char* canonical;  // nullptr: refused
  const char* grid;       // nullptr: as canonical
};

const TextCase kTexts[] = {
    // IPv4 keeps its classic forms and its padded grid form.
    {"10.72.1.2", "10.72.1.2", "010.072.001.002"},
    {" 010.072.001.002 ", "10.72.1.2", "010.072.001.002"},
    {"10.1", "10.0.0.1", "010.000.000.001"},
    {"255.255.255.255", nullptr, nullptr},
    {"1.2.3.4 junk", nullptr, nullptr},
    {"1.2.3", "1.2.0.3", "001.002.000.003"},
    // RFC 5952: lower case, no leading zeros, the longest zero run as "::".
    {"2001:DB8::1", "2001:db8::1", nullptr},
    {"2001:0db8:0000:0000:0000:0000:0000:0001", "2001:db8::1", nullptr},
    {"[2001:db8::1]", "2001:db8::1", nullptr},
    {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1", nullptr},  // one zero group stays
    {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1", nullptr},     // first of two equal runs
    {"2001:0:0:1:0:0:0:1", "2001:0:0:1::1", nullptr},           // the longer run
    {"::", "::", nullptr},
    {"::1", "::1", nullptr},
    {"1::", "1::", nullptr},
    {"::ffff:10.72.1.2", "::ffff:10.72.1.2", nullptr},
    {"::FFFF:0a48:0102", "::ffff:10.72.1.2", nullptr},
    // Zones: a number is kept, lo is an interface everywhere, junk refused.
    {"fe80::1%1", "fe80::1%lo", nullptr},
    {"fe80::1%lo", "fe80::1%lo", nullptr},
    {"fe80::1%no-such-if", nullptr, nullptr},
    {"fe80::1%", nullptr, nullptr},
    // Garbage.
    {"", nullptr, nullptr},
    {"2001:db8::1::2", nullptr, nullptr},
    {"2001:db8:::1", nullptr, nullptr},
    {"12345::1", nullptr, nullptr},
    {"[2001:db8::1", nullptr, nullptr},
    {"2001:db8::g", nullptr, nullptr},
    {"1:2:3:4:5:6:7:8:9", nullptr, nullptr},
    {"::1 junk", nullptr, nullptr},
    {"2001:db8::1/64", nullptr, nullptr},
};

TEST(IpAddressText, ParsesAndWritesEveryForm) {
  for (const auto& c : kTexts) {
    SCOPED_TRACE(c.text);
    std::string error;
    auto address = ParseIpAddress(c.text, &error);
    if (!c.canonical) {
      EXPECT_FALSE(address);
      EXPECT_FALSE(error.empty());
      continue;
    }
    ASSERT_TRUE(address) << error;
    EXPECT_EQ(address->Text(), c.canonical);
    EXPECT_EQ(address->GridText(), c.grid ? c.grid : c.canonical);
    // The canonical form reads back as the same address.
    EXPECT_EQ(ParseIpAddress(address->Text()), address);
  }
}

TEST(IpAddressText, NulBytesEndNothing) {
  // The text is taken whole: a NUL never cuts junk off an address or a zone.
  for (std::string text : {std::string("::1\0junk", 8), std::string("fe80::1%lo\0x", 12)}) {
    EXPECT_FALSE(ParseIpAddress(text));
  }
}

TEST(IpAddressText, ReverseNamesSocketsAndBytes) {
  auto v4 = *ParseIpAddress("10.72.1.2");
  EXPECT_EQ(v4.ReverseName(), "2.1.72.10.in-addr.arpa");
  auto v6 = *ParseIpAddress("2001:db8::567:89ab");
  EXPECT_EQ(v6.ReverseName(),
            "b.a.9.8.7.6.5.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa");
  EXPECT_EQ(v6.BracketText(), "[2001:db8::567:89ab]");
  EXPECT_EQ(v4.BracketText(), "10.72.1.2");

  for (const auto& address : {v4, v6}) {
    socklen_t length = 0;
    auto storage = address.ToSockaddr(161, &length);
    auto back = IpAddress::FromSockaddr(reinterpret_cast<const sockaddr*>(&storage), length);
    EXPECT_EQ(back, address);
  }
  EXPECT_EQ(IpAddress::FromBytes(std::string("\x0a\x48\x01\x02", 4)), v4);
  EXPECT_FALSE(IpAddress::FromBytes("abc"));
  EXPECT_TRUE(ParseIpAddress("::1")->IsLoopback());
  EXPECT_TRUE(ParseIpAddress("127.3.2.1")->IsLoopback());
}

TEST(IpAddressText, SortsIpv4BeforeIpv6ThenByValue) {
  std::vector<IpAddress> list;
  for (const char* t : {"2001:db8::10", "10.0.0.9", "2001:db8::9", "9.0.0.10"})
    list.push_back(*ParseIpAddress(t));
  std::sort(list.begin(), list.end());
  std::vector<std::string> texts;
  for (const auto& a : list) texts.push_back(a.Text());
  EXPECT_EQ(texts,
            (std::vector<std::string>{"9.0.0.10", "10.0.0.9", "2001:db8::9", "2001:db8::10"}));
}

}  // namespace
