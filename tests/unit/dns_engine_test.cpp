// The DNS engine without a network: the output sink, time texts, the lines
// printed for records a real server rarely sends, reading answers into the
// host information record, and messages that lie about themselves.
#include "core/dns/dns_engine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>
#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "core/dns/dns_dump.h"
#include "core/dns/dns_host_info.h"
#include "core/dns/dns_output.h"
#include "core/dns/dns_record_data.h"
#include "core/dns/dns_record_lines.h"
#include "core/dns/dns_records.h"
#include "core/dns/dns_transport.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "core/net/name_cache.h"
#include "core/net/resolver_state.h"
#include "support/dns_message_builder.h"
#include "support/fake_name_server.h"

namespace tesmo {
namespace {

using test::Bytes;
using test::CDnsMessageBuilder;
using test::Concat;
using test::Text;
using test::U16;
using test::U32;
using test::WireName;
using Lines = std::vector<std::string>;

// The list's lines, with an unfinished last line after them.
Lines AllLines(const CDnsOutput& out) {
  Lines lines = out.Lines();
  if (!out.PendingLine().empty()) lines.push_back(out.PendingLine() + "<pending>");
  return lines;
}

// A log that keeps what it is told.
struct CapturedLog {
  std::string out, err;
  void Attach(CDnsLog& log) {
    log.SetWriter([this](CDnsLog::Stream stream, std::string_view text) {
      (stream == CDnsLog::kOut ? out : err).append(text);
    });
  }
};

TEST(DnsOutput, CutsLinesAndTurnsTabsIntoBlanks) {
  struct Case {
    std::vector<std::string> writes;
    Lines lines;
  };
  const Case cases[] = {
      {{"a\tb\r\n"}, {"a b "}},
      {{"par", "tial", " line\n", "next"}, {"partial line", "next<pending>"}},
      {{"\n\n"}, {"", ""}},
      {{"one\ntwo\nthr"}, {"one", "two", "thr<pending>"}},
      // Longer than any fixed formatting buffer: nothing is cut.
      {{std::string(3000, 'x') + "\n"}, {std::string(3000, 'x')}},
  };
  for (const auto& c : cases) {
    CDnsOutput out;
    for (const auto& text : c.writes) out.Print("%s", text.c_str());
    EXPECT_EQ(AllLines(out), c.lines);
  }
}

TEST(DnsOutput, PendingLineSurvivesAClear) {
  CDnsOutput out;
  out.Write("first\nunfinished");
  out.Clear();
  out.Write(" end\n");
  EXPECT_EQ(out.Lines(), (Lines{"unfinished end"}));
}

TEST(DnsTexts, TimesTypesAndResults) {
  EXPECT_EQ(DnsTimeText(0), "0 secs");
  EXPECT_EQ(DnsTimeText(1), "1 sec");
  EXPECT_EQ(DnsTimeText(3600), "1 hour");
  EXPECT_EQ(DnsTimeText(90061), "1 day 1 hour 1 min 1 sec");
  EXPECT_EQ(DnsTimeText(1209600 + 120), "14 days 2 mins");
  EXPECT_EQ(DnsTypeNumber("mx"), 15);
  EXPECT_EQ(DnsTypeNumber("Nsap_Ptr"), 23);
  EXPECT_EQ(DnsTypeNumber("MXX"), std::nullopt);
  EXPECT_EQ(DnsClassNumber("hesiod"), 4);
  EXPECT_EQ(DnsClassMnemonic(4), "HS");
  EXPECT_EQ(DnsTypeMnemonic(257), "257");
  EXPECT_EQ(DnsTypeName(255), "\"any\"");
  EXPECT_STREQ(DnsResultText(-6), "BAD ERROR VALUE");
  EXPECT_EQ(DnsTypeTable().size(), 43u);

  CDnsOutput out;
  CDnsEngine engine(out);
  EXPECT_EQ(engine.TypeOfMnemonic("srv", 1), 33);
  EXPECT_EQ(engine.TypeOfMnemonic("bogus", 1), 1);
  EXPECT_EQ(engine.ClassOfMnemonic("chaos", 1), 3);
  EXPECT_EQ(engine.ClassOfMnemonic("XX", 1), 1);
  EXPECT_EQ(out.Lines(), (Lines{"unknown query type: bogus", "unknown query class: XX"}));
}

// One record owned by h.example, printed as a resource record line.
Lines RecordLines(uint16_t type, const Bytes& data, uint16_t dnsClass = 1, DnsPrintFlags flags = {},
                  int dataLength = -1) {
  const Bytes message = CDnsMessageBuilder()
                            .RawRecord(CDnsMessageBuilder::kAnswer, WireName("h.example"), type,
                                       data, dnsClass, 3600, dataLength)
                            .Build();
  CDnsOutput out;
  PrintResourceRecord(out, CDnsMessage(message.data(), message.size()), kDnsHeaderSize, flags);
  return AllLines(out);
}

TEST(DnsRecordLines, FormsServersRarelySend) {
  struct Case {
    const char* what;
    uint16_t type;
    Bytes data;
    uint16_t dnsClass;
    DnsPrintFlags flags;
    Lines lines;
  };
  const Bytes soa = Concat({WireName("ns.example"), WireName("admin.example"), U32(1), U32(60),
                            U32(0), U32(90061), U32(7200)});
  const Case cases[] = {
      {"A with protocol and port",
       1,
       {10, 1, 2, 3, 6, 0, 25},
       1,
       {},
       {"h.example internet address = 10.1.2.3, protocol = 6, port = 25"}},
      {"A of another class", 1, {10, 1, 2, 3}, 3, {}, {"h.example address, class = 3, len = 4"}},
      {"A with second-level debug",
       1,
       {10, 1, 2, 3},
       1,
       {false, true},
       {"h.example", " type = A, class = IN, dlen = 4", " internet address = 10.1.2.3",
        " ttl = 3600 (1 hour)"}},
      {"SOA with debug",
       6,
       soa,
       1,
       {true, false},
       {"h.example", " ttl = 3600 (1 hour)", " origin = ns.example", " mail addr = admin.example",
        " serial = 1", " refresh = 60 (1 min)", " retry   = 0 (0 secs)",
        " expire  = 90061 (1 day 1 hour 1 min 1 sec)", " minimum ttl = 7200 (2 hours)"}},
      {"HINFO without an OS string",
       13,
       Text("x86"),
       1,
       {},
       {"h.example CPU = x86", "*** Warning *** OS-type missing"}},
      {"UID of odd length", 101, {0, 1}, 1, {}, {"h.example uid of length 2?"}},
      {"unknown type",
       99,
       {0xAB, 0xCD},
       1,
       {},
       {"h.example record type 99, interpreted as:", "\\# 2 ABCD"}},
      {"LOC too short for the location form",
       29,
       {0, 1, 2},
       1,
       {},
       {"h.example record type 29, interpreted as:", "\\# 3 000102"}},
      {"WKS of an unknown protocol",
       11,
       {10, 0, 0, 1, 200, 0x40, 0x40},
       1,
       {},
       {"h.example", " inet address = 10.0.0.1, protocol = 200", "  #1 #9"}},
      {"X25 with a line feed", 19, Text("12\n34"), 1, {}, {"h.example X25 = \"12\\01034\""}},
      {"NAPTR whose replacement cannot be read",
       35,
       Concat({U16(1), U16(2), Text("U"), Text(""), Text("!x!"), {0xC0, 0xFF}}),
       1,
       {},
       {"h.example order = 1, preference = 2", " flags = \"U\"", " services = \"\"",
        " rule = \"!x!\"", " replacement = (replacement truncated?)", "",
        "*** Error: record size incorrect (11 != 13)", ""}},
      {"MX cut inside its preference",
       15,
       {0},
       1,
       {},
       {"h.example", "*** Error: record size incorrect (2 != 1)", ""}},
      {"NS through a compression loop",
       2,
       {0xC0, 0x21},
       1,
       {},
       {"h.example nameserver = (name truncated?)"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordLines(c.type, c.data, c.dnsClass, c.flags), c.lines) << c.what;
  }
  // A name running past the record's length into the next bytes.
  EXPECT_EQ(RecordLines(15, Concat({U16(10), WireName("mx.example")}), 1, {}, 3),
            (Lines{"h.example preference = 10, mail exchanger = mx.example", "",
                   "*** Error: record size incorrect (14 != 3)", ""}));
}

// The walk over whole records that the internal resolver relies on: a
// message must be exactly its sections, and a record whose owner cannot be
// expanded is passed over by its lengths but never read.
TEST(DnsMessageReader, SkipsAndReadsWholeRecords) {
  const Bytes good = CDnsMessageBuilder().Answer("a.example", 1, {10, 0, 0, 1}).Build();
  Bytes trailing = good;
  trailing.push_back(0);
  struct Case {
    const char* what;
    Bytes message;
    bool filled;    // EndOfRecords is the message's end
    bool readable;  // NextRecord reads the record
  };
  const Case cases[] = {
      {"well-formed", good, true, true},
      {"a byte after the records", trailing, false, true},
      {"data length past the end",
       CDnsMessageBuilder()
           .RawRecord(CDnsMessageBuilder::kAnswer, WireName("a.example"), 1, {10}, 1, 60, 500)
           .Build(),
       false, false},
      {"owner in a compression loop",
       CDnsMessageBuilder().RawRecord(CDnsMessageBuilder::kAnswer, {0xC0, 0x0C}, 1, U32(1)).Build(),
       true, false},
      // A record without data may end the message: it is whole.
      {"zero-length data at the very end",
       CDnsMessageBuilder()
           .RawRecord(CDnsMessageBuilder::kAnswer, WireName("a.example"), 10, {})
           .Build(),
       true, true},
  };
  for (const auto& c : cases) {
    const CDnsMessage message(c.message.data(), c.message.size());
    size_t offset = kDnsHeaderSize;
    EXPECT_EQ(message.EndOfRecords() == message.Size(), c.filled) << c.what;
    DnsRecord record;
    EXPECT_EQ(message.NextRecord(offset, record), c.readable) << c.what;
    EXPECT_EQ(offset, c.readable ? c.message.size() - (c.filled ? 0 : 1) : kDnsHeaderSize)
        << c.what;
  }
}

// A question cut inside its type and class is no whole question: nothing
// after it can be read.
TEST(DnsMessageReader, QuestionCutInsideTypeAndClass) {
  const Bytes whole = CDnsMessageBuilder().Question("q.example", 1).Build();
  for (size_t cut = 1; cut <= 4; ++cut) {
    const Bytes message(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(CDnsMessage(message.data(), message.size()).SkipQuestions()) << cut;
  }
  EXPECT_EQ(CDnsMessage(whole.data(), whole.size()).SkipQuestions(), whole.size());
}

// The decoded value in short: its kind, then its fields.
struct ValueText {
  static std::string Hex(std::span<const uint8_t> bytes) {
    std::string text;
    for (uint8_t byte : bytes) text += QString::asprintf("%02X", byte).toStdString();
    return text;
  }
  static std::string Join(std::string text, const std::vector<std::string>& items,
                          const char* quote = "") {
    for (const auto& item : items) text += " " + (quote + item + quote);
    return text;
  }
  static std::string Quad(uint32_t address) { return FormatAddress(address); }
  static std::string Name(const std::optional<std::string>& name) { return name.value_or("-"); }

  std::string operator()(std::monostate) const { return "-"; }
  std::string operator()(const DnsAddressData& a) const {
    if (!a.protocolPort) return "A " + Quad(a.address);
    return QString::asprintf("A %s %u %u", Quad(a.address).c_str(), a.protocolPort->first,
                             a.protocolPort->second)
        .toStdString();
  }
  std::string operator()(const DnsIpv6Data& v) const { return "aaaa " + Hex(v.address); }
  std::string operator()(const DnsWksData& w) const {
    return "wks " + Quad(w.address) + " " + std::to_string(w.protocol) + " " + Hex(w.ports);
  }
  std::string operator()(const DnsNamesData& n) const { return Join("names", n.names); }
  std::string operator()(const DnsPreferenceData& p) const {
    return Join("pref " + std::to_string(p.preference), p.names);
  }
  std::string operator()(const DnsSoaData& soa) const {
    std::string text = Join("soa", soa.names);
    for (uint32_t number : soa.numbers) text += " " + std::to_string(number);
    return text;
  }
  std::string operator()(const DnsStringsData& s) const { return Join("strings", s.strings, "'"); }
  std::string operator()(const DnsServiceData& v) const {
    return QString::asprintf("srv %u %u %u ", v.priority, v.weight, v.port).toStdString() +
           Name(v.target);
  }
  std::string operator()(const DnsNaptrData& v) const {
    return Join(QString::asprintf("naptr %u %u", v.order, v.preference).toStdString(), v.strings,
                "'") +
           " " + Name(v.replacement);
  }
  std::string operator()(const DnsNumberData& v) const {
    return "number " + std::to_string(v.value);
  }
  std::string operator()(const DnsBytesData& v) const { return "bytes " + Hex(v.bytes); }
};

// Each kind of record data, well-formed and malformed: what the decoder makes
// of it, how far it read and why it stopped. The line forms above and below
// print from exactly this.
TEST(DnsRecordData, DecodesEachKindOnce) {
  using Status = DnsRecordData::Status;
  constexpr auto kOk = Status::kOk, kBadName = Status::kBadName, kShort = Status::kShort;
  struct Case {
    uint16_t type;
    Bytes data;
    Status status;
    size_t consumed;
    std::string value;
    int dataLength = -1;  // another length than the data's, in the record
  };
  const Bytes names = Concat({WireName("ns.example"), WireName("admin.example")});
  const Bytes naptr = Concat({U16(1), U16(2), Text("U"), Text(""), Text("!x!")});
  const Bytes badPointer = {0xC0, 0xFF};
  const Case cases[] = {
      {1, {10, 1, 2, 3}, kOk, 4, "A 10.1.2.3"},
      {1, {10, 1, 2, 3, 6, 0, 25}, kOk, 7, "A 10.1.2.3 6 25"},
      {1, {10, 1, 2, 3, 4}, kOk, 5, "bytes 0A01020304"},
      {2, WireName("ns.example"), kOk, 12, "names ns.example"},
      {2, {0xC0, 0x21}, kBadName, 0, "names"},  // points at itself
      {2, {}, kBadName, 0, "names"},            // a name must begin inside the data
      {23, WireName("a.example"), kOk, 11, "names a.example"},
      {17, WireName("a.example"), kBadName, 11, "names a.example"},
      {15, Concat({U16(10), WireName("mx.example")}), kOk, 14, "pref 10 mx.example"},
      {15, Concat({U16(10), WireName("mx.example")}), kOk, 14, "pref 10 mx.example", 3},
      {15, {0}, kShort, 2, "-"},
      {26, Concat({U16(5), names}), kOk, 29, "pref 5 ns.example admin.example"},
      {6, Concat({names, U32(1), U32(2), U32(3), U32(4), U32(5)}), kOk, 47,
       "soa ns.example admin.example 1 2 3 4 5"},
      {6, Concat({names, U32(1), U32(2), {0, 0}}), kShort, 39, "soa ns.example admin.example 1 2"},
      {6, Concat({WireName("ns.example"), badPointer}), kBadName, 12, "soa ns.example"},
      {11, {10, 0, 0, 1, 6, 0x40, 0x40}, kOk, 7, "wks 10.0.0.1 6 4040"},
      {11, {10, 0, 0, 1}, kOk, 0, "-"},  // nothing read: the line shows the length wrong
      {13, Text("x86"), kOk, 4, "strings 'x86'"},
      {13, Concat({Text("x86"), {5, 'a'}}), kShort, 10, "strings 'x86'"},
      {16, Concat({Text("a"), Text("b c")}), kOk, 6, "strings 'a' 'b c'"},
      {16, {}, kOk, 0, "strings"},
      {16, {3, 'a'}, kShort, 4, "strings"},
      {19, Concat({Text("12"), Text("x")}), kOk, 3, "strings '12'"},
      {28, Concat({U32(0x20010DB8), U32(0), U32(0), U32(1)}), kOk, 16,
       "aaaa 20010DB8000000000000000000000001"},
      {28, Bytes(15, 0), kShort, 16, "-"},
      {33, Concat({U16(1), U16(2), U16(53), WireName("ns.example")}), kOk, 18,
       "srv 1 2 53 ns.example"},
      {33, Concat({U16(1), {0}}), kShort, 4, "-"},
      {33, Concat({U16(1), U16(2), U16(53), badPointer}), kBadName, 6, "srv 1 2 53 -"},
      {35, Concat({naptr, WireName("a.example")}), kOk, 22, "naptr 1 2 'U' '' '!x!' a.example"},
      {35, Concat({naptr, badPointer}), kBadName, 11, "naptr 1 2 'U' '' '!x!' -"},
      {35, Concat({U16(1), U16(2), Text("U"), {4, 'a'}}), kShort, 11, "naptr 1 2 'U' -"},
      {101, U32(1000), kOk, 4, "number 1000"},
      {102, {0, 1}, kShort, 4, "-"},
      {99, {0xAB, 0xCD}, kOk, 2, "bytes ABCD"},
  };
  for (const auto& c : cases) {
    const Bytes message = CDnsMessageBuilder()
                              .RawRecord(CDnsMessageBuilder::kAnswer, WireName("h.example"), c.type,
                                         c.data, 1, 3600, c.dataLength)
                              .Build();
    const CDnsMessage reader(message.data(), message.size());
    DnsRecord record;
    size_t next = 0;
    ASSERT_EQ(reader.ReadRecord(kDnsHeaderSize, record, next), CDnsMessage::RecordStatus::kOk);
    const DnsRecordData data = DecodeRecordData(reader, record);
    const std::string what = DnsTypeMnemonic(c.type) + " " + c.value;
    EXPECT_EQ(data.status, c.status) << what;
    EXPECT_EQ(data.consumed, c.consumed) << what;
    EXPECT_EQ(std::visit(ValueText(), data.value), c.value) << what;
  }
}

// A zone-transfer message of the given answers, question cut.test AXFR.
Bytes TransferMessage(
    const std::vector<std::pair<std::string, std::pair<uint16_t, Bytes>>>& answers,
    uint16_t flags = 0x8400) {
  CDnsMessageBuilder builder;
  builder.Flags(flags).Question("cut.test", 252);
  for (const auto& [owner, record] : answers) builder.Answer(owner, record.first, record.second);
  return builder.Build();
}

struct ListingResult {
  int result;
  Lines lines;
};

ListingResult Listing(const Bytes& message, int type, bool debug = false) {
  CDnsOutput out;
  DnsListing listing;
  listing.type = type;
  listing.domain = "cut.test.";
  listing.debug = debug;
  const int result =
      PrintZoneListingLines(out, CDnsMessage(message.data(), message.size()), listing);
  return {result, AllLines(out)};
}

// Every string a record carries reaches the result list escaped, in the
// lookup lines and the listing lines alike: a name server can neither
// retitle nor clear a terminal, nor break a line.
TEST(DnsRecordLines, StringsFromTheServerAreEscaped) {
  const std::string hostile[] = {"\x1b]0;pwned\x07", std::string("a\0b", 3), "new\nline",
                                 "c1 \x9b \xc2\x9b", "del \x7f"};
  for (const std::string& text : hostile) {
    const struct {
      uint16_t type;
      Bytes data;
    } records[] = {
        {13, Concat({Text(text), Text(text)})},  // HINFO
        {16, Concat({Text(text), Text("x")})},   // TXT
        {19, Text(text)},                        // X25
        {20, Concat({Text(text), Text(text)})},  // ISDN
        {35, Concat({U16(1), U16(2), Text(text), Text(text), Text(text), WireName("r.example")})},
        {100, Bytes(text.begin(), text.end())},  // UINFO
    };
    for (const auto& r : records) {
      SCOPED_TRACE("type " + std::to_string(r.type));
      Lines lines = RecordLines(r.type, r.data);
      const Lines listed = Listing(TransferMessage({{"h.cut.test", {r.type, r.data}}}), 255).lines;
      lines.insert(lines.end(), listed.begin(), listed.end());
      ASSERT_FALSE(lines.empty());
      std::string all;
      for (const std::string& line : lines) all += line;
      for (unsigned char c : all)
        EXPECT_TRUE(c >= 0x20 && c != 0x7f && (c < 0x80 || c > 0x9f)) << int(c);
      EXPECT_EQ(all.find("\xc2\x9b"), std::string::npos);
      if (text[0] == '\x1b') {
        EXPECT_NE(all.find("\\027]0;pwned\\007"), std::string::npos) << all;
      }
    }
  }
}

// A stream's read gets its time-out once, however its bytes are doled out,
// and an overall deadline ends every read after it (a zone transfer that
// never ends).
TEST(DnsStream, ReadsEndAtTheirTimeOutWhateverDrips) {
  test::CFakeNameServer dripping(test::CFakeNameServer::Mode::kTruncatedThenDrip, 100);
  ASSERT_TRUE(dripping.Ok());
  const Bytes query = CDnsMessageBuilder().Question("d.t", 1).Build();
  const struct {
    int readMs;                 // each read's time-out
    int deadlineMs;             // the overall deadline, 0 for none
    CDnsStream::Status second;  // of the read of the message after its length
  } cases[] = {
      {5000, 0, CDnsStream::Status::kOk},
      {1000, 0, CDnsStream::Status::kTimedOut},
      {5000, 1000, CDnsStream::Status::kTimedOut},
  };
  for (const auto& c : cases) {
    CDnsStream stream(nullptr);
    if (c.deadlineMs > 0) {
      stream.SetDeadline(std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(c.deadlineMs));
    }
    ASSERT_EQ(stream.Open(AF_INET), CDnsStream::Status::kOk);
    ASSERT_EQ(stream.Connect(IpAddress::V4(0x7F000001), dripping.Port(), 1000),
              CDnsStream::Status::kOk);
    ASSERT_EQ(stream.SendMessage(query.data(), query.size(), 1000), CDnsStream::Status::kOk);
    uint8_t prefix[2];
    size_t got = 0;
    ASSERT_EQ(stream.Read(prefix, 2, c.readMs, got), CDnsStream::Status::kOk);
    std::vector<uint8_t> message(static_cast<size_t>(prefix[0] << 8 | prefix[1]));
    EXPECT_EQ(stream.Read(message.data(), message.size(), c.readMs, got), c.second);
  }
}

// A name inside record data is read from that record's data only: an NS
// record without data, followed by another record, is no name server.
TEST(DnsZoneListing, NameNeverReadPastItsRecord) {
  const ListingResult result =
      Listing(TransferMessage({{"ns.cut.test", {2, {}}}, {"h.cut.test", {1, {10, 1, 2, 3}}}}), 255);
  EXPECT_EQ(result.result, -3);
  ASSERT_FALSE(result.lines.empty());
  EXPECT_TRUE(QString::fromStdString(result.lines.back()).endsWith(" ***")) << result.lines.back();
}

TEST(DnsZoneListing, LinesAndFilters) {
  const Bytes soa = Concat({WireName("ns.cut.test"), WireName("admin.cut.test"), U32(1), U32(2),
                            U32(3), U32(4), U32(5)});
  const Bytes message = TransferMessage({
      {"cut.test", {6, soa}},
      {"h.cut.test", {1, {10, 1, 2, 3, 6, 0, 25}}},
      {"odd.cut.test", {1, {10, 1, 2, 3, 4}}},
      {"other.test", {15, Concat({U16(5), WireName("mx.cut.test")})}},
      {"", {16, Text("root")}},
      {"p.cut.test", {12, WireName("h.cut.test")}},
      {"u.cut.test", {101, U32(1000)}},
  });
  // " %-30s" of the owner, then the rest of the line.
  auto row = [](std::string owner, const std::string& rest) {
    owner.resize(std::max<size_t>(owner.size(), 30), ' ');
    return " " + owner + rest;
  };
  const std::string tail(20, ' ');  // "%-30s" of a ten-character target
  struct Case {
    int type;
    bool debug;
    Lines lines;
  };
  const Case cases[] = {
      {255,
       false,
       {row("cut.test.", " SOA   ns.cut.test admin.cut.test. (1 2 3 4 5)"),
        row("h", " A     10.1.2.3 (6, 25)"), row("odd", " A     (dlen = 5?)"),
        row("other.test.", " MX    5    mx.cut.test"), row("(root)", " TXT  \"root\""),
        row("p", " PTR   h.cut.test" + tail), row("u", " UID   1000")}},
      {12, true, {row("p.cut.test.", " host = h.cut.test" + tail)}},
  };
  for (const auto& c : cases) {
    auto listed = Listing(message, c.type, c.debug);
    EXPECT_EQ(listed.result, 0);
    EXPECT_EQ(listed.lines, c.lines) << "type " << c.type;
  }
  auto debugAll = Listing(TransferMessage({{"h.cut.test", {1, {10, 0, 0, 1}}}}), 255, true);
  EXPECT_EQ(debugAll.lines, (Lines{row("h.cut.test.", " 3600 IN    A     10.0.0.1")}));
  // No answers, and an error answer.
  EXPECT_EQ(Listing(TransferMessage({}), 255).result, kDnsNoInfo);
  EXPECT_EQ(Listing(TransferMessage({}, 0x8405), 255).result, kDnsRefused);
}

// Messages that lie about themselves, through every reader: each ends in its
// error texts and codes, never in a read past the buffer (the sanitizer
// build and the fuzz targets check that part).
TEST(DnsHostileMessages, EveryReaderStopsCleanly) {
  const Bytes loopOwner = {0xC0, 0x0C};  // points at itself
  struct Case {
    const char* what;
    Bytes message;
    int answerA;    // ReadDnsAnswer, type A
    int answerMx;   // ReadDnsAnswer, type MX
    Lines mxLines;  // what the MX reading printed
    int listing;    // PrintZoneListingLines, every type
  };
  const Case cases[] = {
      {"shorter than a header", {0x12, 0x34, 0x85}, kDnsError, kDnsError, {}, kDnsError},
      {"more answers than records",
       CDnsMessageBuilder()
           .Answer("a.example", 15, Concat({U16(1), WireName("mx.example")}))
           .Counts(0, 9, 0, 0)
           .Build(),
       kDnsError,
       kDnsError,
       {"a.example preference = 1, mail exchanger = mx.example", "(name truncated?)"},
       kDnsError},
      {"owner in a compression loop",
       CDnsMessageBuilder().RawRecord(CDnsMessageBuilder::kAnswer, loopOwner, 15, U16(1)).Build(),
       kDnsError,
       kDnsError,
       {"(name truncated?)"},
       kDnsError},
      {"data length past the end",
       CDnsMessageBuilder()
           .RawRecord(CDnsMessageBuilder::kAnswer, WireName("a.example"), 15, U16(1), 1, 60, 500)
           .Build(),
       kDnsError,
       kDnsError,
       {"a.example", "*** Error: record size incorrect (2 != 500)", ""},
       kDnsError},
      {"question count past the end",
       CDnsMessageBuilder().Question("a.example", 1).Counts(3000, 1, 0, 0).Build(),
       kDnsError,
       kDnsError,
       {},
       kDnsError},
      {"error response",
       CDnsMessageBuilder().Flags(0x8503).Counts(0, 5, 0, 0).Build(),
       kDnsNonExistent,
       kDnsNonExistent,
       {},
       kDnsNonExistent},
  };
  for (const auto& c : cases) {
    for (int type : {1, 15}) {
      CDnsOutput out;
      CDnsLog log;
      CapturedLog captured;
      captured.Attach(log);
      DnsHostInfo info;
      DnsAnswerQuery query;
      query.type = type;
      const int result = ReadDnsAnswer(c.message.data(), c.message.size(), query, info, out, log);
      EXPECT_EQ(result, type == 1 ? c.answerA : c.answerMx) << c.what << " type " << type;
      if (type == 15) {
        EXPECT_EQ(AllLines(out), c.mxLines) << c.what;
      }
    }
    EXPECT_EQ(Listing(c.message, 255).result, c.listing) << c.what;
    CDnsOutput out;
    CDnsLog log;
    PrintDebugDump(out, log, CDnsMessage(c.message.data(), c.message.size()), {true, true});
    ASSERT_FALSE(out.Lines().empty()) << c.what;
    EXPECT_EQ(out.Lines().back(), "------------") << c.what;
  }
}

TEST(DnsHostInfo, BlockLayout) {
  DnsHostInfo info;
  info.name = "many.example";
  for (uint32_t i = 1; i <= 10; ++i) info.addresses.push_back(0x0A000000 + i);
  for (int i = 0; i < 6; ++i)
    info.aliases.push_back("alias-number-" + std::to_string(i) + ".example");
  info.servers.push_back({"ns.example", {0x0A000063}, {"example", "other.example"}});
  CDnsOutput out;
  PrintHostInfo(out, "Name:", info);
  EXPECT_EQ(out.Lines(), (Lines{
                             "Name:    many.example",
                             "Addresses:  10.0.0.1, 10.0.0.2, 10.0.0.3, 10.0.0.4",
                             "   10.0.0.5, 10.0.0.6, 10.0.0.7, 10.0.0.8, 10.0.0.9",
                             "   10.0.0.10",
                             "Aliases:  alias-number-0.example, alias-number-1.example",
                             // The name that starts a line is not counted in its width.
                             "   alias-number-2.example, alias-number-3.example, "
                             "alias-number-4.example",
                             "   alias-number-5.example",
                             "Served by:",
                             "- ns.example",
                             "   10.0.0.99",
                             "   example, other.example",
                             "",
                             "",
                         }));
}

// IPv6 addresses in a host block: after the IPv4 ones on a line of their
// own, or alone under the usual label; two on a line.
TEST(DnsHostInfo, Ipv6AddressesBesideIpv4Ones) {
  struct Case {
    std::vector<uint32_t> ipv4;
    Lines ipv6;
    Lines lines;
  };
  const Case cases[] = {
      {{0x0A000001}, {}, {"Name:    h.example", "Address:  10.0.0.1", ""}},
      {{0x0A000001, 0x0A000002},
       {"2001:db8::1"},
       {"Name:    h.example", "Addresses:  10.0.0.1, 10.0.0.2", "IPv6 Address:  2001:db8::1", ""}},
      {{},
       {"2001:db8::1", "2001:db8:0:1::2", "::1"},
       {"Name:    h.example", "Addresses:  2001:db8::1, 2001:db8:0:1::2", "   ::1", ""}},
      {{}, {"2001:db8::53"}, {"Name:    h.example", "Address:  2001:db8::53", ""}},
  };
  for (const auto& c : cases) {
    DnsHostInfo info;
    info.name = "h.example";
    info.addresses = c.ipv4;
    for (const auto& text : c.ipv6) info.ipv6Addresses.push_back(*ParseIpAddress(text));
    CDnsOutput out;
    PrintHostInfo(out, "Name:", info);
    EXPECT_EQ(out.Lines(), c.lines) << c.lines[1];
  }
}

// AAAA data of every length a server might send: sixteen bytes are an
// address in RFC 5952 form, any other length a clear error, and a host
// lookup passes such a record over and says so.
TEST(DnsAnswer, AaaaRecordsOfEveryLength) {
  struct Case {
    const char* what;
    Bytes data;
    Lines recordLines;
    const char* hostAddress;  // nullptr: passed over
  };
  const Bytes doc = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  const Case cases[] = {
      {"an address", doc, {"h.example IPv6 address = 2001:db8::1"}, "2001:db8::1"},
      {"an IPv4-compatible address has no dotted tail",
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 1},
       {"h.example IPv6 address = ::a00:1"},
       "::a00:1"},
      {"one zero group stays",
       {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2},
       {"h.example IPv6 address = 2001:db8:0:1::2"},
       "2001:db8:0:1::2"},
      {"four bytes",
       {10, 0, 0, 1},
       {"h.example", "*** Error: record size incorrect (16 != 4)", ""},
       nullptr},
      {"twenty bytes",
       Concat({doc, Bytes{1, 2, 3, 4}}),
       {"h.example IPv6 address = 2001:db8::1", "", "*** Error: record size incorrect (16 != 20)",
        ""},
       nullptr},
      {"no data", {}, {"h.example", "*** Error: record size incorrect (16 != 0)", ""}, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordLines(28, c.data), c.recordLines) << c.what;

    const Bytes answer = CDnsMessageBuilder()
                             .Flags(0x8400)
                             .Question("h.example", 28)
                             .Answer("h.example", 28, c.data)
                             .Build();
    CDnsOutput out;
    CDnsLog log;
    CapturedLog captured;
    captured.Attach(log);
    DnsHostInfo info;
    DnsAnswerQuery query;
    query.type = 28;
    query.hostIpv6 = true;
    const int result = ReadDnsAnswer(answer.data(), answer.size(), query, info, out, log);
    if (c.hostAddress) {
      EXPECT_EQ(result, kDnsSuccess) << c.what;
      ASSERT_EQ(info.ipv6Addresses.size(), 1u) << c.what;
      EXPECT_EQ(info.ipv6Addresses[0].Text(), c.hostAddress) << c.what;
      EXPECT_EQ(info.name, "h.example") << c.what;
    } else {
      EXPECT_EQ(result, kDnsNoInfo) << c.what;
      EXPECT_TRUE(info.ipv6Addresses.empty()) << c.what;
      EXPECT_EQ(captured.out, "AAAA record of " + std::to_string(c.data.size()) +
                                  " bytes (not 16): skipping it\n")
          << c.what;
    }
    EXPECT_TRUE(out.Lines().empty()) << c.what << ": a host lookup prints no record lines";
  }
}

TEST(DnsAnswer, ReadsServersAndMissingRecords) {
  const Bytes a = {10, 0, 0, 1};
  CDnsOutput out;
  CDnsLog log;
  CapturedLog captured;
  captured.Attach(log);
  DnsHostInfo info;

  // A referral: the servers that know the name, with the addresses given.
  const Bytes referral =
      CDnsMessageBuilder()
          .Flags(0x8100)
          .Question("h.sub.example", 1)
          .Record(CDnsMessageBuilder::kAuthority, "sub.example", 2, WireName("ns1.sub.example"))
          .Record(CDnsMessageBuilder::kAuthority, "sub.example", 2, WireName("NS2.sub.example"))
          .Record(CDnsMessageBuilder::kAdditional, "ns2.SUB.example", 1, a)
          .Record(CDnsMessageBuilder::kAdditional, "elsewhere.example", 1, a)
          .Build();
  EXPECT_EQ(ReadDnsAnswer(referral.data(), referral.size(), {1, false, false, {}}, info, out, log),
            kDnsNonAuth);
  ASSERT_EQ(info.servers.size(), 2u);
  EXPECT_TRUE(info.servers[0].addresses.empty());
  EXPECT_EQ(info.servers[1].addresses, (std::vector<uint32_t>{0x0A000001}));
  EXPECT_EQ(info.servers[1].domains, (Lines{"sub.example"}));

  // No record of the type: no success, and the zone's SOA is shown as any
  // other answer's authority records are.
  const Bytes nodata =
      CDnsMessageBuilder()
          .Question("h.example", 15)
          .Record(
              CDnsMessageBuilder::kAuthority, "example", 6,
              Concat({WireName("ns"), WireName("admin"), U32(1), U32(2), U32(3), U32(4), U32(5)}))
          .Build();
  CDnsOutput soa;
  EXPECT_EQ(ReadDnsAnswer(nodata.data(), nodata.size(), {15, false, false, {}}, info, soa, log),
            kDnsNoInfo);
  EXPECT_EQ(AllLines(soa).front(), "example");
  EXPECT_EQ(AllLines(soa).size(), 8u);
  CDnsOutput quiet;
  EXPECT_EQ(ReadDnsAnswer(nodata.data(), nodata.size(), {1, false, false, {}}, info, quiet, log),
            kDnsNoInfo);
  EXPECT_TRUE(AllLines(quiet).empty());

  // An address lookup that finds no name.
  const Bytes noName =
      CDnsMessageBuilder()
          .Flags(0x8100)
          .Question("1.0.0.10.in-addr.arpa", 12)
          .Record(CDnsMessageBuilder::kAuthority, "10.in-addr.arpa", 2, WireName("ns.example"))
          .Build();
  captured.out.clear();
  EXPECT_EQ(ReadDnsAnswer(noName.data(), noName.size(), {12, true, true, {}}, info, quiet, log),
            kDnsNoInfo);
  EXPECT_EQ(captured.out, "Authoritative answers can be found from:\n");
  EXPECT_EQ(quiet.Lines(), (Lines{"10.in-addr.arpa nameserver = ns.example"}));

  // A PTR record without data names nothing, not the bytes after it.
  const Bytes emptyPtr = CDnsMessageBuilder()
                             .Answer("1.0.0.10.in-addr.arpa", 12, {})
                             .Answer("after.example", 1, a)
                             .Build();
  EXPECT_EQ(
      ReadDnsAnswer(emptyPtr.data(), emptyPtr.size(), {12, true, false, {}}, info, quiet, log),
      kDnsError);
}

TEST(DnsDump, HeaderFlagsAndAddressLimit) {
  CDnsMessageBuilder builder;
  builder.Id(4660).Flags(0xFFF2).Question("big.example", 1);
  for (int i = 0; i < 40; ++i)
    builder.Answer("big.example", 1, {10, 0, 0, static_cast<uint8_t>(i)});
  builder.Record(CDnsMessageBuilder::kAuthority, "example", 2, WireName("ns.example"));
  const Bytes message = builder.Build();
  CDnsOutput out;
  CDnsLog log;
  CapturedLog captured;
  captured.Attach(log);
  PrintDebugDump(out, log, CDnsMessage(message.data(), message.size()), {true, false});
  const Lines lines = out.Lines();
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], "    HEADER:");
  EXPECT_EQ(lines[1], " opcode = ZONEREF, id = 4660, rcode = SERVFAIL");
  EXPECT_EQ(lines[2],
            " header flags:  response, auth. answer, truncation, want recursion, recursion avail., "
            "UNUSED-QUERY_BIT, authentic data, checking disabled");
  EXPECT_EQ(lines[3], " questions = 1,  answers = 40,  authority records = 1,  additional = 0");
  EXPECT_EQ(lines[6], " big.example, type = A, class = IN");
  EXPECT_EQ(captured.out, "Limiting response to MAX Addrs = 35 \n");
  int arrows = 0;
  for (const auto& line : lines) arrows += line.rfind("    ->  ", 0) == 0;
  EXPECT_EQ(arrows, 36);  // 35 answers, then the authority record where it really is
  EXPECT_NE(std::find(lines.begin(), lines.end(), " nameserver = ns.example"), lines.end());
  EXPECT_EQ(lines.back(), "------------");
}

TEST(DnsEngine, NoServerPrintsOnlyTheServerBlock) {
  ApplyDnsServerList("");
  CDnsOutput out;
  CDnsEngine engine(out);
  EXPECT_EQ(engine.RunQuery(CDnsEngine::Query::kLookup, "host.example"), kDnsError);
  EXPECT_EQ(out.Lines(), (Lines{"Server:  ", ""}));
  EXPECT_EQ(engine.RunQuery(CDnsEngine::Query::kList, "example"), kDnsError);
  EXPECT_EQ(out.Lines().back(), "*** Can't list domain example: Unspecified error");
}

// Another user of the resolver may hold the name cache lock for long: Stop
// ends a query that waits for it.
TEST(DnsEngine, StopEndsTheWaitForTheLock) {
  CDnsOutput out;
  CDnsEngine engine(out);
  std::atomic<int> stop{0};
  engine.SetStopFlag(&stop);
  std::unique_lock lock(NameCacheMutex);
  auto query = std::async(std::launch::async,
                          [&] { return engine.RunQuery(CDnsEngine::Query::kLookup, "a.example"); });
  EXPECT_EQ(query.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  stop = 1;
  const bool ended = query.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  lock.unlock();
  ASSERT_TRUE(ended);
  EXPECT_EQ(query.get(), kDnsError);
  EXPECT_TRUE(out.Lines().empty());
}

// A port without a name server behind it answers with port unreachable:
// every attempt ends at that answer instead of waiting out its time-out.
TEST(DnsTransport, RefusedPortFailsEachAttemptAtOnce) {
  const int probe = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  close(probe);  // the port is free again, and nobody listens there

  DnsTransportOptions options;
  options.retransmit = 1;
  options.retries = 2;
  options.debug = true;
  options.port = ntohs(address.sin_port);
  CDnsOutput out;
  CDnsLog log;
  std::string texts;
  log.SetWriter([&](CDnsLog::Stream, std::string_view text) { texts.append(text); });
  const std::vector<uint8_t> query =
      CDnsMessageBuilder().Id(0x4242).Question("a.example", 1).Build();
  std::vector<uint8_t> answer;
  // The same over IPv6 (the port is most likely free there too).
  for (const IpAddress& server : {IpAddress::V4(INADDR_LOOPBACK), *ParseIpAddress("::1")}) {
    texts.clear();
    EXPECT_EQ(SendDnsRequest(options, server, query.data(), query.size(), answer, out, log),
              kDnsNoResponse)
        << server.Text();
    EXPECT_EQ(texts, "recvfrom: Connection refused\nrecvfrom: Connection refused\n")
        << server.Text();
  }
}

TEST(DnsEngine, DottedAddressRule) {
  EXPECT_EQ(DottedAddressOf("10.1.2.3"), 0x0A010203u);
  EXPECT_EQ(DottedAddressOf("010.1.2.3"), 0x0A010203u);  // decimal, as everywhere
  EXPECT_EQ(DottedAddressOf("10.1.2.3."), std::nullopt);
  EXPECT_EQ(DottedAddressOf("10.1.2.x"), std::nullopt);
  EXPECT_EQ(DottedAddressOf("10.1.2.300"), std::nullopt);
  EXPECT_EQ(DottedAddressOf(""), std::nullopt);
}

}  // namespace
}  // namespace tesmo
