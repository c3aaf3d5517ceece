// The sanitiser of text from the network: what is escaped, what stays, and
// that the escaped form reads back.
#include "core/base/untrusted_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace tesmo;

namespace {

TEST(UntrustedText, ControlsAndStrayBytesAreEscapedTextStays) {
  const struct {
    std::string raw, shown;
  } cases[] = {
      {"plain text, with \\ and \"quotes\"", "plain text, with \\ and \"quotes\""},
      {"\x1b]0;retitled\x07", "\\027]0;retitled\\007"},
      {"tab\there\nline\rback", "tab\\009here\\010line\\013back"},
      {std::string("nul\0end", 7), "nul\\000end"},
      {"del\x7f", "del\\127"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"c1 \xc2\x9b and raw \x9b", "c1 \\194\\155 and raw \\155"},
      {"latin-1 caf\xe9", "latin-1 caf\\233"},
      {"overlong \xc0\xaf, surrogate \xed\xa0\x80",
       "overlong \\192\\175, surrogate \\237\\160\\128"},
      {"cut \xe2\x82", "cut \\226\\130"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeUntrusted(c.raw), c.shown);
    EXPECT_EQ(UnescapeUntrusted(c.shown), c.raw);
  }
}

}  // namespace
