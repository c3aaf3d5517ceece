// The sweep's address sets over a table of inputs: what each form expands to
// (first, last and count, or the whole list), and what is refused and why.
#include "tools/discovery/sweep_set.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "core/icmp/ping_once.h"

namespace tesmo {
namespace {

// Names of the table: "gw" and "sweep-start" resolve, anything else does not.
std::optional<IpAddress> TableNames(const std::string& name) {
  if (name == "gw") return ParseEchoAddress("192.0.2.1");
  if (name == "sweep-start") return ParseEchoAddress("198.51.100.7");
  return std::nullopt;
}

struct SetCase {
  const char* text;
  bool isSet;
  // Expected: count and first/last row texts, or an error containing this.
  size_t count;
  const char* first;
  const char* last;
  const char* error = nullptr;
};

const SetCase kCases[] = {
    // One host is not a set; a dashed name is a host.
    {"192.0.2.9", false, 1, "192.0.2.9", "192.0.2.9"},
    {"sweep-start", false, 1, "198.51.100.7", "198.51.100.7"},
    // Blocks: /30 and wider without network and broadcast.
    {"192.0.2.0/24", true, 254, "192.0.2.1", "192.0.2.254"},
    {"192.0.2.77/24", true, 254, "192.0.2.1", "192.0.2.254"},
    {"192.0.2.4/30", true, 2, "192.0.2.5", "192.0.2.6"},
    {"192.0.2.4/31", true, 2, "192.0.2.4", "192.0.2.5"},
    {"192.0.2.4/32", true, 1, "192.0.2.4", "192.0.2.4"},
    {"10.0.0.0/16", true, 65534, "10.0.0.1", "10.0.255.254"},
    {"2001:db8:5::/120", true, 256, "2001:db8:5::", "2001:db8:5::ff"},
    {"2001:db8:5::1/128", true, 1, "2001:db8:5::1", "2001:db8:5::1"},
    // Ranges, both ends in.
    {"192.0.2.5-192.0.2.40", true, 36, "192.0.2.5", "192.0.2.40"},
    {"192.0.2.250-192.0.3.2", true, 9, "192.0.2.250", "192.0.3.2"},
    {"2001:db8::fe-2001:db8::101", true, 4, "2001:db8::fe", "2001:db8::101"},
    // Lists: commas and spaces, names, blocks and ranges mixed, each address
    // once in the order first given.
    {"192.0.2.3, 192.0.2.1 gw,192.0.2.2", true, 3, "192.0.2.3", "192.0.2.2"},
    {"sweep-start 192.0.2.1-192.0.2.2 2001:db8::1", true, 4, "198.51.100.7", "2001:db8::1"},
    {"  192.0.2.0/30,  ", true, 2, "192.0.2.1", "192.0.2.2"},
    // The cap counts before expanding; exactly the cap is taken.
    {"10.0.0.0/15", true, 0, nullptr, nullptr, "more than 65536 addresses"},
    {"10.0.0.0/0", true, 0, nullptr, nullptr, "more than 65536 addresses"},
    {"10.0.0.0-10.0.255.255", true, 65536, "10.0.0.0", "10.0.255.255"},
    {"10.0.0.0/16 10.1.0.0/29", true, 0, nullptr, nullptr, "more than 65536 addresses"},
    {"2001:db8::/64", true, 0, nullptr, nullptr, "more than 65536 addresses"},
    {"2001:db8::/80", true, 0, nullptr, nullptr, "more than 65536 addresses"},
    // Refusals that say why.
    {"2001:db8::/48", true, 0, nullptr, nullptr, "stays within one /64"},
    {"2001:db8::1-2001:db8:0:1::1", true, 0, nullptr, nullptr, "stays within one /64"},
    {"192.0.2.40-192.0.2.5", true, 0, nullptr, nullptr, "lower address to the higher"},
    {"192.0.2.1-2001:db8::1", true, 0, nullptr, nullptr, "one family"},
    {"192.0.2.0/33", true, 0, nullptr, nullptr, "Not an address block"},
    {"192.0.2.0/", true, 0, nullptr, nullptr, "Not an address block"},
    {"nowhere/24", true, 0, nullptr, nullptr, "Not an address block"},
    {"192.0.2.1,nowhere", true, 0, nullptr, nullptr, "Cannot resolve \"nowhere\""},
    {"192.0.2.1 \x1b[2J", true, 0, nullptr, nullptr, "Cannot resolve \"\\027[2J\""},
    {",,", false, 0, nullptr, nullptr, "names no address"},
};

TEST(SweepSet, ExpandsEachFormAndRefusesWhatItCannotSweep) {
  for (const SetCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsSweepSet(c.text), c.isSet);
    const SweepSetResult result = ExpandSweepSet(c.text, 65536, TableNames);
    if (c.error != nullptr) {
      EXPECT_FALSE(result.ok);
      EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
      EXPECT_TRUE(result.addresses.empty());
      continue;
    }
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.addresses.size(), c.count);
    EXPECT_EQ(result.addresses.front(), c.first);
    EXPECT_EQ(result.addresses.back(), c.last);
  }
}

TEST(SweepSet, FilesTakeOneEntryALineWithComments) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string good = dir.filePath(QStringLiteral("hosts.txt")).toStdString();
  std::ofstream(good) << "# the lab's routers\n192.0.2.1  # gw\n\n192.0.2.8/30\r\n"
                         "gw\n  198.51.100.1-198.51.100.2 2001:db8::9\n";
  const std::string nested = dir.filePath(QStringLiteral("nested.txt")).toStdString();
  std::ofstream(nested) << "192.0.2.1\n@" << good << "\n";
  const std::string junk = dir.filePath(QStringLiteral("junk.txt")).toStdString();
  std::ofstream(junk) << "192.0.2.1\n\x01\x02zz\n";
  const std::string missing = dir.filePath(QStringLiteral("missing.txt")).toStdString();

  const struct {
    std::string text;
    std::vector<std::string> addresses;
    const char* error;
  } cases[] = {
      {"@" + good,
       {"192.0.2.1", "192.0.2.9", "192.0.2.10", "198.51.100.1", "198.51.100.2", "2001:db8::9"},
       nullptr},
      {"192.0.2.200, @" + good + " 192.0.2.1",
       {"192.0.2.200", "192.0.2.1", "192.0.2.9", "192.0.2.10", "198.51.100.1", "198.51.100.2",
        "2001:db8::9"},
       nullptr},
      {"@" + nested, {}, "names no other file"},
      {"@" + junk, {}, "Cannot resolve \"\\001\\002zz\""},
      {"@" + missing, {}, "Cannot read the address file"},
      {"@" + dir.path().toStdString(), {}, "address file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_TRUE(IsSweepSet(c.text));
    const SweepSetResult result = ExpandSweepSet(c.text, 65536, TableNames);
    if (c.error != nullptr) {
      EXPECT_FALSE(result.ok);
      EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    } else {
      EXPECT_TRUE(result.ok) << result.error;
      EXPECT_EQ(result.addresses, c.addresses);
    }
  }
}

}  // namespace
}  // namespace tesmo
