// The address-text rule: one to four decimal parts, the limits of each form,
// what may follow the last part, and the canonical form.
#include "core/net/address_text.h"

#include <gtest/gtest.h>

using tesmo::CanonicalAddressText;
using tesmo::FormatAddress;
using tesmo::ParseAddressText;

namespace {

struct AddressCase {
  const char* text;
  const char* canonical;  // nullptr: the text must not parse
};

const AddressCase kCases[] = {
    // Four parts, leading zeros read as decimal (grid texts are zero-filled).
    {"10.0.0.1", "10.0.0.1"},
    {"010.000.000.001", "10.0.0.1"},
    {"192.168.001.010", "192.168.1.10"},
    {"0.0.0.0", "0.0.0.0"},
    {"255.255.255.254", "255.255.255.254"},
    {"1.2.3.256", nullptr},
    {"256.1.1.1", nullptr},
    {"1.2.3.4.5", nullptr},
    // Three parts: the last fills the low 16 bits.
    {"10.1.65535", "10.1.255.255"},
    {"10.1.258", "10.1.1.2"},
    {"10.1.65536", nullptr},
    {"10.256.1", nullptr},
    // Two parts: the last fills the low 24 bits.
    {"10.1", "10.0.0.1"},
    {"10.16777215", "10.255.255.255"},
    {"10.16777216", nullptr},
    {"256.1", nullptr},
    // One part is the whole 32-bit value.
    {"167772161", "10.0.0.1"},
    {"0", "0.0.0.0"},
    {"4294967294", "255.255.255.254"},
    {"4294967296", nullptr},
    {"99999999999999999999", nullptr},
    // The failure value itself, in any spelling.
    {"255.255.255.255", nullptr},
    {"4294967295", nullptr},
    {"255.16777215", nullptr},
    // What may follow: the end or white space, then anything.
    {"10.0.0.1 ", "10.0.0.1"},
    {"10.0.0.1\tgateway", "10.0.0.1"},
    {"10.0.0.1\n", "10.0.0.1"},
    {"10.0.0.1x", nullptr},
    {"10.0.0.1/24", nullptr},
    {"10.0.0.", nullptr},
    {"10..0.1", nullptr},
    {".10.0.0.1", nullptr},
    {" 10.0.0.1", nullptr},
    // No other number forms.
    {"0x0a.0.0.1", nullptr},
    {"-1.0.0.1", nullptr},
    {"+1.0.0.1", nullptr},
    {"", nullptr},
    {"abc", nullptr},
    {"host.lab.test", nullptr},
};

TEST(AddressText, Table) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    auto parsed = ParseAddressText(c.text);
    if (c.canonical == nullptr) {
      EXPECT_FALSE(parsed.has_value());
      EXPECT_EQ(CanonicalAddressText(c.text), "");
    } else {
      ASSERT_TRUE(parsed.has_value());
      EXPECT_EQ(FormatAddress(*parsed), c.canonical);
      EXPECT_EQ(CanonicalAddressText(c.text), c.canonical);
    }
  }
}

TEST(AddressText, ByteOrderAndFormat) {
  EXPECT_EQ(ParseAddressText("1.2.3.4"), 0x01020304u);
  EXPECT_EQ(FormatAddress(0xC0A80A01u), "192.168.10.1");
  EXPECT_EQ(FormatAddress(0), "0.0.0.0");
}

}  // namespace
