// The program's text forms of object identifiers and values, over the real
// MIB tree plus a small module of our own that carries the display hints,
// units and enumerations the standard modules lack.
#include <gtest/gtest.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cctype>

#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/value_text.h"
#include "support/mib_environment.h"

namespace {

using tesmo::ObjectId;
using tesmo::SnmpValue;

constexpr char kTestMib[] = R"(TESMO-TEST-MIB DEFINITIONS ::= BEGIN
IMPORTS
    OBJECT-TYPE, Integer32, Counter32, Gauge32, TimeTicks, IpAddress, Counter64,
    Opaque, enterprises
        FROM SNMPv2-SMI
    TEXTUAL-CONVENTION
        FROM SNMPv2-TC;

tesmoTest OBJECT IDENTIFIER ::= { enterprises 99999 }

Hundredths ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "d-2"
    STATUS current
    DESCRIPTION "A value in hundredths."
    SYNTAX Integer32

HexNumber ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "x"
    STATUS current
    DESCRIPTION "A number in hex."
    SYNTAX Integer32

ColonMac ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "1x:"
    STATUS current
    DESCRIPTION "A hardware address."
    SYNTAX OCTET STRING

Stamp ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "2d-1d-1d,1d:1d:1d.1d"
    STATUS current
    DESCRIPTION "A date and time."
    SYNTAX OCTET STRING

Dotted ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "1d."
    STATUS current
    DESCRIPTION "Dotted bytes."
    SYNTAX OCTET STRING

Counted ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "*1d,/1a"
    STATUS current
    DESCRIPTION "A counted group, then text."
    SYNTAX OCTET STRING

Broken ::= TEXTUAL-CONVENTION
    DISPLAY-HINT "1q"
    STATUS current
    DESCRIPTION "A hint with an unknown format."
    SYNTAX OCTET STRING

testHundredths OBJECT-TYPE SYNTAX Hundredths MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 1 }
testMac OBJECT-TYPE SYNTAX ColonMac MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 2 }
testState OBJECT-TYPE SYNTAX INTEGER { up(1), down(2) } MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 3 }
testGauge OBJECT-TYPE SYNTAX Gauge32 UNITS "seconds" MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 4 }
testStamp OBJECT-TYPE SYNTAX Stamp MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 5 }
testBroken OBJECT-TYPE SYNTAX Broken MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 6 }
testCounter64 OBJECT-TYPE SYNTAX Counter64 MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 7 }
testOpaque OBJECT-TYPE SYNTAX Opaque MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 8 }
testText OBJECT-TYPE SYNTAX OCTET STRING UNITS "bytes" MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 9 }
testHex OBJECT-TYPE SYNTAX HexNumber MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 10 }
testDotted OBJECT-TYPE SYNTAX Dotted MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 11 }
testCounted OBJECT-TYPE SYNTAX Counted MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 12 }
testCounter OBJECT-TYPE SYNTAX Counter32 MAX-ACCESS read-only STATUS current
    DESCRIPTION "t" ::= { tesmoTest 13 }
END
)";

// The MIB tree of this test program: the standard modules plus the test module.
const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(
    new tesmo::CMibEnvironment({{"TESMO-TEST-MIB.txt", QByteArray(kTestMib)}}));

using SnmpTextTest = ::testing::Test;

// The object named by a text such as "ifDescr.1": a MIB label found anywhere
// in the tree (net-snmp's own look-up), then numbers; or a dotted text of ours.
ObjectId Oid(const char* text) {
  std::string_view view(text);
  ObjectId id;
  size_t dot = view.find('.');
  if (dot != 0 && dot != std::string_view::npos &&
      !std::isdigit(static_cast<unsigned char>(text[0]))) {
    oid buffer[MAX_OID_LEN];
    size_t length = MAX_OID_LEN;
    std::string label(view.substr(0, dot));
    if (get_node(label.c_str(), buffer, &length)) {
      id.assign(buffer, buffer + length);
      ObjectId rest;
      EXPECT_TRUE(tesmo::ParseObjectId(std::string(".9") + std::string(view.substr(dot)), rest));
      id.insert(id.end(), rest.begin() + 1, rest.end());
      return id;
    }
  }
  EXPECT_TRUE(tesmo::ParseObjectId(text, id)) << text;
  return id;
}

SnmpValue Number(uint8_t tag, int64_t number) {
  SnmpValue v;
  v.type = tag;
  v.integer = number;
  return v;
}

SnmpValue Bytes(uint8_t tag, std::string_view bytes) {
  SnmpValue v;
  v.type = tag;
  v.bytes = bytes;
  return v;
}

SnmpValue Wide(uint8_t tag, uint64_t number) {
  SnmpValue v;
  v.type = tag;
  v.counter64 = number;
  return v;
}

SnmpValue Real(uint8_t tag, double number) {
  SnmpValue v;
  v.type = tag;
  v.real = number;
  return v;
}

const std::string kTwentyBytes(
    "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14", 20);
const std::string kSixteenBytes(kTwentyBytes, 0, 16);
const std::string kMac("\x00\xa0\xc9\x12\x34\x56", 6);
const std::string kStamp("\x07\xe8\x05\x11\x0d\x1e\x0f\x00", 8);
const uint32_t kSysObjectId[] = {1, 3, 6, 1, 4, 1, 8072, 3, 2, 10};
const uint32_t kZeroDotZero[] = {0, 0};

struct ValueCase {
  const char* name;
  SnmpValue value;
  std::string expected;
};

TEST_F(SnmpTextTest, ValuesPrintInTheProgramsForms) {
  SnmpValue oidValue;
  oidValue.type = tesmo::kTagObjectId;
  oidValue.objectId = kSysObjectId;
  SnmpValue zeroDotZero = oidValue;
  zeroDotZero.objectId = kZeroDotZero;

  const ValueCase cases[] = {
      {"sysUpTime.0", Number(0x43, 123456), "0:0:20:34.56"},
      {"sysUpTime.0", Number(0x43, 4294967295), "497:2:27:52.95"},
      {"ipAdEntAddr.10.0.0.1", Bytes(0x40, std::string_view("\x0a\x00\x00\x01", 4)),
       "010.000.000.001"},
      {"ipAdEntNetMask.10.0.0.1", Bytes(0x40, std::string_view("\xff\xff\xff\x00", 4)),
       "255.255.255.000"},
      // RFC1213 owns ifPhysAddress: no hint, contiguous hex.
      {"ifPhysAddress.1", Bytes(0x04, kMac), "00A0C9123456"},
      {"ifPhysAddress.1", Bytes(0x04, ""), "\"\""},
      {".1.3.6.1.4.1.99999.2.0", Bytes(0x04, kMac), "0:a0:c9:12:34:56"},
      {"ifDescr.1", Bytes(0x04, kTwentyBytes), "0102030405060708090A0B0C0D0E0F10\n11121314"},
      {"ifDescr.1", Bytes(0x04, kSixteenBytes), "0102030405060708090A0B0C0D0E0F10\n"},
      {"ifDescr.1", Bytes(0x04, "eth0"), "eth0"},
      {"ifDescr.1", Bytes(0x04, "a\tb\r\nc d"), "a.b..c d"},
      {"ifDescr.1", Bytes(0x04, "caf\xc3\xa9"), "636166C3A9"},
      // One NUL at the end, as some agents send their strings, is white space.
      {"ifDescr.1", Bytes(0x04, std::string_view("MS TCP Loopback interface\0", 26)),
       "MS TCP Loopback interface."},
      {"ifDescr.1", Bytes(0x04, std::string_view("ab\0\0", 4)), "61620000"},
      {"ifPhysAddress.1", Bytes(0x04, std::string_view("\x00\xa0\xc9\x12\x34\x00", 6)),
       "00A0C9123400"},
      {"ifOperStatus.1", Number(0x02, 2), "down"},
      {"ifOperStatus.1", Number(0x02, 77), "77"},
      {"ifType.1", Number(0x02, 24), "softwareLoopback"},
      {"ifMtu.1", Number(0x02, -5), "-5"},
      {".1.3.6.1.4.1.99999.3.0", Number(0x02, 1), "up"},
      {".1.3.6.1.4.1.99999.4.0", Number(0x42, 42), "42 seconds"},
      {".1.3.6.1.4.1.99999.4.0", Number(0x41, 42), "Wrong Type (should be Gauge): 42"},
      {".1.3.6.1.4.1.99999.4.0", Number(0x99, 42),
       "Wrong Type (should be Gauge): Variable has bad type"},
      {".1.3.6.1.4.1.99999.13.0", Number(0x41, 4294967295), "4294967295"},
      {"ifSpeed.1", Number(0x02, 7), "Wrong Type (should be Gauge): 7"},
      {"ifDescr.1", Number(0x02, 7), "Wrong Type (should be OCTET STRING): 7"},
      {"ipAdEntAddr.1.2.3.4", Bytes(0x04, "ab"), "Wrong Type (should be Ipaddress): ab"},
      {".1.3.6.1.4.1.99999.1.0", Number(0x02, 1234), "12.34"},
      {".1.3.6.1.4.1.99999.1.0", Number(0x02, 5), ".05"},
      {".1.3.6.1.4.1.99999.1.0", Number(0x02, 34), ".34"},
      {".1.3.6.1.4.1.99999.1.0", Number(0x02, 0), ".00"},
      {".1.3.6.1.4.1.99999.1.0", Number(0x02, -1234), "-12.34"},
      {".1.3.6.1.4.1.99999.1.0", Number(0x02, -5), "-.05"},
      {".1.3.6.1.4.1.99999.10.0", Number(0x02, 255), "ff"},
      {".1.3.6.1.4.1.99999.5.0", Bytes(0x04, kStamp), "2024-5-17,13:30:15.0"},
      {".1.3.6.1.4.1.99999.11.0", Bytes(0x04, "\x0a\x01\x02\x03"), "10.1.2.3"},
      // Repeat count 2: two numbers each followed by the separator while data
      // remains, the terminator, then text.
      {".1.3.6.1.4.1.99999.12.0", Bytes(0x04, "\x02\x07\x08xy"), "7,8,/xy"},
      {".1.3.6.1.4.1.99999.12.0", Bytes(0x04, std::string_view("\x00xy", 3)), "/xy"},
      {".1.3.6.1.4.1.99999.12.0", Bytes(0x04, "\x05\x07"), "7"},
      // Text shown through a hint never carries a control byte: escape
      // sequences, C1 controls and bytes that are no UTF-8 are escaped.
      {".1.3.6.1.4.1.99999.12.0", Bytes(0x04, std::string_view("\x00\x1b]0;t\x07\x7f", 8)),
       "/\\027]0;t\\007\\127"},
      {".1.3.6.1.4.1.99999.12.0", Bytes(0x04, std::string_view("\x00\x9b\xc2\x9b\xc3\xa9", 6)),
       "/\\155\\194\\155\xc3\xa9"},
      {".1.3.6.1.4.1.99999.6.0", Bytes(0x04, "abc"), "(Bad hint ignored: 1q) abc"},
      {".1.3.6.1.4.1.99999.9.0", Bytes(0x04, "abc"), "abc bytes"},
      {".1.3.6.1.4.1.99999.9.0", Bytes(0x04, ""), "\"\""},
      {".1.3.6.1.4.1.99999.7.0", Wide(0x46, 1099511627776ull), "1099511627776"},
      {".1.3.6.1.4.1.99999.7.0", Wide(0x7A, static_cast<uint64_t>(-3)), "-3"},
      {".1.3.6.1.4.1.99999.7.0", Number(0x41, 3), "Wrong Type (should be Counter64): 3"},
      {".1.3.6.1.4.1.99999.8.0", Bytes(0x44, "\x9f\x78"), "9F78"},
      {".1.3.6.1.4.1.99999.8.0", Real(0x78, 1.5), " 1.500000"},
      {".1.3.6.1.4.1.99999.8.0", Wide(0x7B, 18446744073709551615ull), "18446744073709551615"},
      {"sysObjectID.0", oidValue, "enterprises.netSnmp.netSnmpEnumerations.netSnmpAgentOIDs.linux"},
      // {0 0} has two names in the loaded modules; RFC1213-MIB's comes first.
      {"ifSpecific.1", zeroDotZero, ".ccitt.nullSpecific"},
      // No syntax of its own (no node, or a non-leaf node): by the value's tag.
      {".1.3.6.1.4.1.424242.1", Number(0x47, 9), "9"},
      {".1.3.6.1.4.1.424242.1", Bytes(0x40, std::string_view("\x7f\x00\x00\x01", 4)),
       "127.000.000.001"},
      {".1.3.6.1.4.1.424242.1", Bytes(0x05, ""), "NULL"},
      {".1.3.6.1.4.1.424242.1", Bytes(0x04, kMac), "00A0C9123456"},
      {".1.3.6.1.4.1.424242.1", Number(0x43, 8640000), "1:0:00:00.00"},
      {".1.3.6.1.4.1.424242.1", Number(0x63, 1), "Variable has bad type"},
      {"system", Number(0x02, -7), "-7"},
      {"sysDescr.0", Number(0x80, 0), "No Such Object available on this agent"},
      {"sysDescr.0", Number(0x81, 0), "No Such Instance currently exists"},
      {"sysDescr.0", Number(0x82, 0), "No more variables left in this MIB View"},
  };
  for (const ValueCase& c : cases) {
    ObjectId name = Oid(c.name);
    EXPECT_EQ(tesmo::FormatSnmpValue(name, c.value), c.expected) << c.name;
  }
}

TEST_F(SnmpTextTest, ObjectIdsPrintWithLabelsAndWithoutTheUsualPrefixes) {
  const struct {
    ObjectId id;
    std::string expected;
  } cases[] = {
      {{1, 3, 6, 1, 2, 1, 1, 1, 0}, "system.sysDescr.0"},
      {{1, 3, 6, 1, 4, 1, 9}, "enterprises.9"},
      {{1, 3, 6, 1, 2, 1, 2, 2, 1, 6, 3}, "interfaces.ifTable.ifEntry.ifPhysAddress.3"},
      {{1, 3, 6, 1, 2, 1, 1}, "system"},
      {{1, 3, 6, 1, 2, 1}, ".iso.org.dod.internet.mgmt.mib-2"},
      {{1, 3, 6, 1, 2, 1, 424242, 7}, "424242.7"},
      {{1, 3, 6, 1, 3, 5}, "5"},
      {{1, 3, 6, 1, 6, 3, 1}, ".iso.org.dod.internet.snmpV2.snmpModules.snmpMIB"},
      {{1, 3, 6, 1, 4, 1, 99999, 4, 0}, "enterprises.tesmoTest.testGauge.0"},
      {{9, 1, 4294967295u}, ".9.1.4294967295"},
      {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(tesmo::FormatObjectId(c.id), c.expected) << c.expected;
}

TEST_F(SnmpTextTest, ObjectIdsParseByNumberOrLabel) {
  const ObjectId sysDescr0 = {1, 3, 6, 1, 2, 1, 1, 1, 0};
  const struct {
    std::string text;
    bool ok;
    ObjectId expected;
  } cases[] = {
      {"system.sysDescr.0", true, sysDescr0},
      {"SYSTEM.SYSDESCR.0", true, sysDescr0},
      {".1.3.6.1.2.1.1.1.0", true, sysDescr0},
      {"1.1.0", true, sysDescr0},
      {".iso.org.dod.internet.mgmt.mib-2.system.sysDescr.0", true, sysDescr0},
      {".iso.3.6.1.private.enterprises.9", true, {1, 3, 6, 1, 4, 1, 9}},
      {".1.3.6.1.4.1.424242.7.8", true, {1, 3, 6, 1, 4, 1, 424242, 7, 8}},
      {".1.3.4294967295", true, {1, 3, 4294967295u}},
      {"interfaces.ifTable.ifEntry.ifDescr", true, {1, 3, 6, 1, 2, 1, 2, 2, 1, 2}},
      // A label below a number the tree does not know cannot be read.
      {".1.3.6.1.4.1.424242.7.sysDescr", false, {}},
      {"noSuchThing.0", false, {}},
      {".sysDescr.0", false, {}},
      {"", false, {}},
      {".", false, {}},
      {"system..sysDescr", false, {}},
      {"system.", false, {}},
      {".1.3.4294967296", false, {}},
      {"system.sysDescr.-1", false, {}},
  };
  for (const auto& c : cases) {
    ObjectId id = {42};
    EXPECT_EQ(tesmo::ParseObjectId(c.text, id), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(id, c.expected) << c.text;
    } else {
      EXPECT_EQ(id, ObjectId{42}) << c.text;  // untouched
    }
  }
}

TEST_F(SnmpTextTest, ObjectIdsHoldAtMost128SubIdentifiers) {
  std::string text;
  for (int i = 0; i < 128; ++i) text += ".1";
  ObjectId id;
  ASSERT_TRUE(tesmo::ParseObjectId(text, id));
  EXPECT_EQ(id.size(), 128u);
  EXPECT_FALSE(tesmo::ParseObjectId(text + ".1", id));
  EXPECT_EQ(id.size(), 128u);
  // A relative text counts the prefix's six sub-identifiers too.
  std::string relative = "1";
  for (int i = 0; i < 122; ++i) relative += ".1";
  EXPECT_FALSE(tesmo::ParseObjectId(relative, id));
  EXPECT_TRUE(tesmo::ParseObjectId(relative.substr(2), id));
}

TEST(SnmpErrorStatusText, IndexedByStatus) {
  EXPECT_STREQ(tesmo::SnmpErrorStatusText(0), "(noError) No Error");
  EXPECT_STREQ(tesmo::SnmpErrorStatusText(2),
               "(noSuchName) There is no such variable name in this MIB.");
  EXPECT_STREQ(tesmo::SnmpErrorStatusText(5), "(genError) A general failure occured");
  EXPECT_STREQ(tesmo::SnmpErrorStatusText(18), "inconsistentName");
  EXPECT_STREQ(tesmo::SnmpErrorStatusText(19), "Unknown Error");
  EXPECT_STREQ(tesmo::SnmpErrorStatusText(-1), "Unknown Error");
}

}  // namespace
