// Vendor look-ups over blocks of every size, the address forms --vendor
// takes, and the vendor file made from the IEEE registries.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "core/base/vendor_map.h"
#include "support/batch_run.h"

namespace {

// A 24-bit block split into 28-bit ones, one of which is split again into
// 36-bit ones, as the IEEE assigns them; an old registry entry with the
// locally administered bit, as a user's own file may hold.
constexpr char kVendors[] =
    "70B3D5F2F/36 Thirty-Six Ltd\n"
    "741AE09/28 Twenty-Eight Ltd\n"
    "70B3D5 IEEE Registration Authority\n"
    "741AE0 IEEE Registration Authority\n"
    "00A0C9 Intel Corporation\n"
    "525400 QEMU virtual NIC\n";

TEST(VendorLookup, LongestBlockWinsAndAddressKindsAreNamed) {
  tesmo::VendorTable table;
  tesmo::ParseVendorText(kVendors, table);
  const struct {
    const char* address;
    const char* expected;
  } cases[] = {
      {"00A0C9123456", "Intel Corporation"},            // 24-bit block
      {"741AE0912345", "Twenty-Eight Ltd"},             // 28-bit block
      {"741AE0A12345", "IEEE Registration Authority"},  // the 24-bit block around it
      {"70B3D5F2F123", "Thirty-Six Ltd"},               // 36-bit block
      {"70B3D5F2E123", "IEEE Registration Authority"},  // its neighbour
      {"02AABBCCDDEE", "(locally administered)"},       // randomised address
      {"DA1234567890", "(locally administered)"},
      {"525400123456", "QEMU virtual NIC"},            // the file's own record first
      {"01005E000001", "(multicast)"},                 // IPv4 multicast
      {"333300000001", "(multicast)"},                 // IPv6 multicast
      {"FFFFFFFFFFFF", "(multicast)"},                 // broadcast
      {"001122334455", ""},                            // unknown
      {"0211223344556677", "(locally administered)"},  // EUI-64
      {"02112233", ""},                                // not a whole address
      {"0211223344ZZ", ""},
      {"00A0C", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tesmo::VendorOf(table, c.address), c.expected) << c.address;
  }
}

TEST(VendorLookup, JunkInAVendorFileEndsTheReadingWithoutHarm) {
  const std::string junk[] = {
      std::string("\0\0\0\0\0\0\0\n", 8),
      "741AE09/28\n",                                  // a block key with nothing after it
      "70B3D5F2F/36" + std::string(3000, 'x') + "\n",  // too long a line
      "\xff\xfe\x01\x02\x03\x04 text\n\x80\x81",
      "741AE09/2",
  };
  for (const std::string& tail : junk) {
    tesmo::VendorTable table;
    tesmo::ParseVendorText(std::string(kVendors) + tail, table);
    EXPECT_EQ(tesmo::VendorOf(table, "741AE0912345"), "Twenty-Eight Ltd");
    EXPECT_EQ(tesmo::VendorOf(table, "00A0C9123456"), "Intel Corporation");
    (void)tesmo::VendorOf(table, tail.substr(0, 12));  // keys are taken as they stand
    for (const auto& [key, text] : table) EXPECT_LE(text.size(), 1022u);
  }
}

TEST(VendorLookup, AddressFormsPeopleWrite) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"00:a0:c9:12:34:56", "00A0C9123456"},
      {"00-A0-C9-12-34-56", "00A0C9123456"},
      {"0:a0:c9:1:2:3", "00A0C9010203"},
      {"00a0.c912.3456", "00A0C9123456"},
      {"00A0C9123456", "00A0C9123456"},
      {"02:11:22:33:44:55:66:77", "0211223344556677"},
      {"00:a0:c9:12:34", ""},
      {"00:a0-c9:12:34:56", ""},
      {"00A0C912345", ""},
      {"00:a0:c9:12:34:5g", ""},
      {"", ""},
      {"000:a0:c9:12:34:56", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(tesmo::NormalHardwareAddress(c.text), c.expected) << c.text;
}

TEST(VendorLookup, VendorCommandPrintsWhatTheGridsShow) {
  QTemporaryDir work;
  QFile file(work.filePath("vendors.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(kVendors);
  file.close();
  const tesmo::BatchRun run = tesmo::RunBatchIn(
      {"--vendor", "74:1a:e0:91:23:45", "02-aa-bb-cc-dd-ee", "001122334455", "junk\x1b"},
      work.path());
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_EQ(run.out,
            "74:1a:e0:91:23:45\tTwenty-Eight Ltd\n"
            "02-aa-bb-cc-dd-ee\t(locally administered)\n"
            "001122334455\t\n");
  EXPECT_EQ(run.err, "tesmo: not a hardware address: 'junk\\027'\n");
}

// make-vendors over registries written here: every block size, quoted
// names, an entry with the locally administered bit left out, the date.
TEST(VendorLookup, SetUpBuildsTheFileFromEveryRegistry) {
  QTemporaryDir ieee;
  const auto write = [&](const char* name, const QByteArray& text) {
    QFile f(ieee.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  };
  const QByteArray header = "Registry,Assignment,Organization Name,Organization Address\r\n";
  write("oui.csv", header +
                       "MA-L,00A0C9,Intel Corporation,Somewhere\r\n"
                       "MA-L,741AE0,IEEE Registration Authority,x\r\n"
                       "MA-L,02608C,3COM,x\r\n"
                       "MA-L,001732,\"Science-Technical Center \"\"RISSA\"\"\",x\r\n");
  write("mam.csv", header + "MA-M,741AE09,Twenty-Eight Ltd,x\r\n");
  write("oui36.csv", header + "MA-S,70B3D5F2F,\"Thirty-Six, Ltd\",\"a, b\"\r\n");
  write("iab.csv", header + "IAB,0050C27D5,Old IAB Ltd,x\r\n");
  write(".lastupdate", "1661630937\n");

  QProcess make;
  make.start(qEnvironmentVariable("TESMO_SOURCE_DIR") + "/scripts/make-vendors", {ieee.path()});
  ASSERT_TRUE(make.waitForFinished(30000));
  ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
  EXPECT_TRUE(make.readAllStandardError().contains("IEEE registries of 2022-08-27"));
  tesmo::VendorTable table;
  tesmo::ParseVendorText(make.readAllStandardOutput().toStdString(), table);
  const struct {
    const char* address;
    const char* expected;
  } cases[] = {
      {"00A0C9000001", "Intel Corporation"},
      {"741AE0900001", "Twenty-Eight Ltd"},
      {"70B3D5F2F001", "Thirty-Six, Ltd"},
      {"0050C27D5001", "Old IAB Ltd"},
      {"02608C000001", "(locally administered)"},
      {"001732000001", "Science-Technical Center \"RISSA\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tesmo::VendorOf(table, c.address), c.expected) << c.address;
  }
}

}  // namespace
