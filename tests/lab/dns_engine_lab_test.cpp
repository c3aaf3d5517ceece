// The DNS engine against the lab's second named (lab.d/dnszone.up: zone
// dns.test with every record type, big.test, closed.test, reverse zones) and,
// for the faults named never shows, against a fake name server. Runs inside
// the lab namespace; everything goes to 127.0.0.1 and 127.0.0.2.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/settings_store.h"
#include "core/dns/dns_engine.h"
#include "core/net/ip_address.h"
#include "core/net/name_cache.h"
#include "core/net/name_resolvers.h"
#include "core/net/resolver_settings.h"
#include "core/net/resolver_state.h"
#include "support/batch_run.h"
#include "support/dns_lab.h"
#include "support/fake_name_server.h"
#include "support/query_log.h"
#include "tools/nslookup/dns_batch.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

using Lines = std::vector<std::string>;
using test::CFakeNameServer;
using test::DnsLabPort;

const Lines kServerBlock = {"Server:  ns1.dns.test", "Address:  127.0.0.1", ""};

Lines Join(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// " %-30s" of a listed owner, then the rest of the line.
std::string Row(std::string owner, const std::string& rest) {
  owner.resize(std::max<size_t>(owner.size(), 30), ' ');
  return " " + owner + rest;
}

class DnsEngineLab : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("TESMO_LAB_DIR"), nullptr) << "runs inside the lab only";
    port = DnsLabPort();
    ASSERT_NE(port, 0);
    SetResolverTimeout(1);
    SetResolverRetries(2);
    SetResolverDebug(false, false);
    ApplyDnsServerList("127.0.0.1");
    ApplyDnsSearchList(" ");
  }
  void TearDown() override {
    ApplyDnsSearchList(" ");
    SetResolverDebug(false, false);
  }

  DnsBatchResult Run(const std::string& name, const std::string& type, bool list = false,
                     uint16_t atPort = 0) {
    DnsBatchOptions options;
    options.name = name;
    options.type = type;
    options.list = list;
    options.port = atPort != 0 ? atPort : port;
    return RunDnsBatch(options);
  }

  uint16_t port = 0;
};

// The same named over IPv6 (lab.d/dnszone.up): at ::1 and at 2001:db8:53::1,
// which name themselves ns1.v6.test.
class DnsEngineLabIpv6 : public DnsEngineLab {
 protected:
  DnsBatchResult RunAt(const std::string& server, const std::string& name, const std::string& type,
                       bool list = false, bool aaaa = false) {
    DnsBatchOptions options;
    options.name = name;
    options.type = type;
    options.list = list;
    options.server = server;
    options.ipv6Addresses = aaaa;
    options.port = port;
    return RunDnsBatch(options);
  }
};

TEST_F(DnsEngineLabIpv6, LookupsAtAnIpv6Server) {
  const std::string reverse10 =
      "0.1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.3.5.0.0.8.b.d.0.1.0.0.2.ip6.arpa";
  struct Case {
    const char* name;
    const char* type;
    bool aaaa;    // --aaaa
    Lines lines;  // after the server block
    int exitCode;
  };
  const Lines dualAddresses = {"Name:    dual.v6.test", "Address:  10.53.6.1",
                               "IPv6 Addresses:  2001:db8:53::61, 2001:db8:53:0:1::62"};
  const Case cases[] = {
      {"host.v6.test", "AAAA", false, {"host.v6.test IPv6 address = 2001:db8:53::10"}, 0},
      {"2001:db8:53::10", "PTR", false, {reverse10 + " name = host.v6.test"}, 0},
      // An IPv6 address asks for its name, in any of its forms.
      {"2001:db8:53::10",
       "A",
       false,
       {"Name:    host.v6.test", "Address:  2001:db8:53::10", ""},
       0},
      {"2001:DB8:53:0:0::10",
       "AAAA",
       false,
       {"Name:    host.v6.test", "Address:  2001:db8:53::10", ""},
       0},
      // IPv4 answers come the same over an IPv6 transport.
      {"mail.dns.test", "A", false, {"Name:    mail.dns.test", "Address:  10.53.0.25", ""}, 0},
      {"10.53.0.25", "PTR", false, {"25.0.53.10.in-addr.arpa name = mail.dns.test"}, 0},
      // IPv6 addresses beside the IPv4 ones only when asked for.
      {"dual.v6.test", "A", false, {"Name:    dual.v6.test", "Address:  10.53.6.1", ""}, 0},
      {"dual.v6.test", "A", true, Join(dualAddresses, {""}), 0},
      {"alias.v6.test", "A", true, Join(dualAddresses, {"Aliases:  alias.v6.test", ""}), 0},
      {"host.v6.test", "A", true, {"Name:    host.v6.test", "Address:  2001:db8:53::10", ""}, 0},
      {"host.v6.test", "A", false, {"*** No address (A) records available for host.v6.test"}, 2},
      {"mail.dns.test", "A", true, {"Name:    mail.dns.test", "Address:  10.53.0.25", ""}, 0},
      {"nothere.v6.test",
       "AAAA",
       false,
       {"*** ns1.v6.test can't find nothere.v6.test: Non-existent host/domain"},
       2},
  };
  for (const std::string server : {"::1", "2001:db8:53::1", "[2001:0db8:0053::0001]"}) {
    const Lines block = {"Server:  ns1.v6.test",
                         "Address:  " + (server == "::1" ? server : std::string("2001:db8:53::1")),
                         ""};
    for (const auto& c : cases) {
      const DnsBatchResult result = RunAt(server, c.name, c.type, false, c.aaaa);
      EXPECT_EQ(result.lines, Join(block, c.lines)) << server << " " << c.name << " " << c.type;
      EXPECT_EQ(result.exitCode, c.exitCode) << server << " " << c.name << " " << c.type;
    }
  }
  EXPECT_EQ(RunAt("2001:db8:53::g", "mail.dns.test", "A").exitCode, kBatchUsage);
}

TEST_F(DnsEngineLabIpv6, ZoneTransfersOverIpv6) {
  const std::string soa = " SOA   ns1.v6.test hostmaster.v6.test. (1 7200 900 1209600 300)";
  const std::string target(30 - 11, ' ');  // "%-30s" of ns1.v6.test
  const Lines v6Zone = {
      "[ns1.v6.test]",
      Row("v6.test.", soa),
      Row("v6.test.", " NS    ns1.v6.test" + target),
      Row("alias", " CNAME dual.v6.test"),
      Row("dual", " A     10.53.6.1"),
      Row("dual", " AAAA  2001:db8:53::61"),
      Row("dual", " AAAA  2001:db8:53:0:1::62"),
      Row("host", " AAAA  2001:db8:53::10"),
      Row("ns1", " AAAA  2001:db8:53::1"),
      Row("v6.test.", soa),
      "Received 1 answer (9 records).",
  };
  const std::string reverseZone = "3.5.0.0.8.b.d.0.1.0.0.2.ip6.arpa";
  const Lines reverse = {
      "[ns1.v6.test]",
      Row(reverseZone + ".", soa),
      Row(reverseZone + ".", " NS    ns1.v6.test" + target),
      // In the zone's order: by the last label that differs.
      Row("1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0", " PTR   ns1.v6.test" + target),
      Row("0.1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0", " PTR   host.v6.test" + target.substr(1)),
      Row("1.6.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0", " PTR   dual.v6.test" + target.substr(1)),
      Row(reverseZone + ".", soa),
      "Received 1 answer (6 records).",
  };
  for (const char* server : {"::1", "2001:db8:53::1"}) {
    const DnsBatchResult zone = RunAt(server, "v6.test", "ANY", true);
    EXPECT_EQ(zone.lines, v6Zone) << server;
    EXPECT_EQ(zone.exitCode, 0) << server;
    const DnsBatchResult ptr = RunAt(server, reverseZone, "ANY", true);
    EXPECT_EQ(ptr.lines, reverse) << server;
    // Every other zone lists the same over either family.
    const DnsBatchResult overIpv6 = RunAt(server, "dns.test", "ANY", true);
    const DnsBatchResult overIpv4 = RunAt("127.0.0.1", "dns.test", "ANY", true);
    ASSERT_GT(overIpv6.lines.size(), 40u);
    EXPECT_EQ(overIpv6.lines.front(), "[ns1.v6.test]");
    EXPECT_EQ(Lines(overIpv6.lines.begin() + 1, overIpv6.lines.end()),
              Lines(overIpv4.lines.begin() + 1, overIpv4.lines.end()))
        << server;
  }
  const DnsBatchResult closed = RunAt("::1", "closed.test", "ANY", true);
  EXPECT_EQ(closed.lines, (Lines{"[ns1.v6.test]", "Received 0 answers (0 records).",
                                 "*** Can't list domain closed.test: Query refused"}));
}

// An IPv6 server in the stored settings: kept in RFC 5952 form beside an
// IPv4 one as typed, read back at start, and asked by a run without
// --server, in the process and in a --batch run.
TEST_F(DnsEngineLabIpv6, StoredIpv6ServerRoundTrips) {
  QTemporaryDir config;
  const QString previous = CSettingsStore::FilePath();
  CSettingsStore::SetFilePath(config.filePath("tesmo/tesmo.ini"));
  ResolverSettings settings;
  settings.dnsList = "2001:DB8:53:0:0:0:0:1 0x7f.1";
  settings.searchList = "dns.test";
  ASSERT_TRUE(SaveResolverSettings(settings));
  EXPECT_EQ(CSettingsStore::ReadString("Resolver", "DnsAddressList", "?"), "2001:db8:53::1 0x7f.1");
  const ResolverSettings loaded = LoadResolverSettings();
  EXPECT_EQ(loaded.dnsList, "2001:db8:53::1 0x7f.1");
  Lines servers;
  for (const IpAddress& server : CurrentResolverConfig().servers) servers.push_back(server.Text());
  EXPECT_EQ(servers, (Lines{"2001:db8:53::1", "127.0.0.1"}));
  EXPECT_EQ(Run("mail", "A").lines, (Lines{"Server:  ns1.v6.test", "Address:  2001:db8:53::1", "",
                                           "Name:    mail.dns.test", "Address:  10.53.0.25", ""}));
  CSettingsStore::SetFilePath(previous);

  const BatchRun run =
      RunBatch({"--batch", "mail.dns.test", "dns", "--port", QString::number(port)}, config.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith("Server:  ns1.v6.test\nAddress:  2001:db8:53::1\n"))
      << run.out.toStdString();
  EXPECT_TRUE(run.out.contains("Name:    mail.dns.test\nAddress:  10.53.0.25\n"))
      << run.out.toStdString();
}

// The resolver library asks IPv6 servers too: the lab's first named answers
// on [::1]:53, and a list without it is never answered from a socket the
// library kept open to it.
TEST_F(DnsEngineLabIpv6, InternalResolverAsksIpv6Servers) {
  SetResolverTimeout(1);
  SetResolverRetries(1);
  struct Case {
    const char* servers;
    const char* address;  // of alpha.lab.test; "" none
  };
  const Case cases[] = {
      {"::1", "10.77.0.1"},
      {"2001:db8:53::1", ""},  // no name server on port 53 there
      {"2001:db8:53::1 ::1", "10.77.0.1"},
      {"127.0.0.1", "10.77.0.1"},
      {"::2", ""},
      {"::1", "10.77.0.1"},
  };
  for (const auto& c : cases) {
    ApplyDnsServerList(c.servers);
    CNameCacheLock lock;
    ASSERT_TRUE(lock.Owns());
    EXPECT_EQ(InternalAddressOfName("alpha.lab.test", IpAddress::Family::kV4), c.address) << c.servers;
  }
  ApplyDnsServerList("127.0.0.1");
  SetResolverTimeout(1);
  SetResolverRetries(2);
}

TEST_F(DnsEngineLab, LookupOfEveryRecordType) {
  struct Case {
    const char* name;
    const char* type;
    Lines lines;  // after the server block
    int exitCode;
  };
  const Case cases[] = {
      {"mail.dns.test", "A", {"Name:    mail.dns.test", "Address:  10.53.0.25", ""}, 0},
      {"multi.dns.test",
       "A",
       {"Name:    multi.dns.test", "Addresses:  10.53.1.1, 10.53.1.2, 10.53.1.3, 10.53.1.4",
        "   10.53.1.5", ""},
       0},
      {"pair.dns.test", "a", {"Name:    pair.dns.test", "Addresses:  10.53.2.1, 10.53.2.2", ""}, 0},
      {"www.dns.test",
       "A",
       {"Name:    mail.dns.test", "Address:  10.53.0.25", "Aliases:  www.dns.test", ""},
       0},
      {"\\mail.dns.test and more words",
       "A",
       {"Name:    mail.dns.test", "Address:  10.53.0.25", ""},
       0},
      // An address asks for its name; as PTR it is turned into the reverse name.
      {"10.53.0.25", "A", {"Name:    mail.dns.test", "Address:  10.53.0.25", ""}, 0},
      {"10.53.0.25", "PTR", {"25.0.53.10.in-addr.arpa name = mail.dns.test"}, 0},
      // The server's address comes along as additional record.
      {"dns.test",
       "NS",
       {"dns.test nameserver = ns1.dns.test", "ns1.dns.test internet address = 127.0.0.1"},
       0},
      {"www.dns.test", "CNAME", {"www.dns.test canonical name = mail.dns.test"}, 0},
      {"dns.test",
       "SOA",
       {"dns.test", " origin = ns1.dns.test", " mail addr = hostmaster.dns.test",
        " serial = 2024010101", " refresh = 7200 (2 hours)", " retry   = 900 (15 mins)",
        " expire  = 1209600 (14 days)", " minimum ttl = 300 (5 mins)"},
       0},
      {"dns.test", "MX", {"dns.test preference = 10, mail exchanger = mail.dns.test"}, 0},
      {"txt.dns.test",
       "TXT",
       // Control characters from the server arrive escaped, never raw.
       {R"(txt.dns.test text = "plain" "with \"quotes\"" "back\\slash" "line\010feed" "tab\009here")"},
       0},
      {"hinfo.dns.test", "HINFO", {"hinfo.dns.test CPU = PC-386 OS = Linux"}, 0},
      {"hinfo-noos.dns.test",
       "HINFO",
       {"hinfo-noos.dns.test CPU = VAX", "*** Warning *** OS-type missing"},
       0},
      {"minfo.dns.test",
       "MINFO",
       {"minfo.dns.test", " requests = requests.dns.test", " errors = errors.dns.test"},
       0},
      {"rp.dns.test",
       "RP",
       {"rp.dns.test", " mailbox = admin.dns.test", " text = rp-text.dns.test"},
       0},
      {"afsdb.dns.test", "AFSDB", {"afsdb.dns.test subtype = 1, DCE/AFS server = afs.dns.test"}, 0},
      {"rt.dns.test", "RT", {"rt.dns.test preference = 20, router = relay.dns.test"}, 0},
      {"px.dns.test",
       "PX",
       {"px.dns.test preference = 10, RFC 822 = net2.it", "X.400 = PRMD-net2.ADMD-p400.C-it"},
       0},
      {"x25.dns.test", "X25", {"x25.dns.test X25 = \"311061700956\""}, 0},
      {"isdn.dns.test", "ISDN", {"isdn.dns.test ISDN = \"150862028003217-004\""}, 0},
      {"isdn-short.dns.test", "ISDN", {"isdn-short.dns.test ISDN = \"150862028003217\""}, 0},
      {"wks.dns.test",
       "WKS",
       {"wks.dns.test", " inet address = 10.53.0.7, protocol = tcp", "   ftp  smtp"},
       0},
      {"nsap.dns.test",
       "NSAP",
       {"nsap.dns.test nsap = 47.0005.8000.5A00.0000.0001.E133.FFFF.FF00.0161.00"},
       0},
      {"aaaa.dns.test", "AAAA", {"aaaa.dns.test IPv6 address = 2001:db8::53"}, 0},
      {"loc.dns.test",
       "LOC",
       {"loc.dns.test record type 29, interpreted as:",
        "52 22 23.000 N 4 53 32.000 E -2.00m 0.00m 10000.00m 10.00m"},
       0},
      {"_sip._tcp.dns.test",
       "SRV",
       {"_sip._tcp.dns.test priority = 10, weight = 60, port= 5060", " host = sip.dns.test"},
       0},
      {"naptr.dns.test",
       "NAPTR",
       {"naptr.dns.test order = 100, preference = 10", " flags = \"S\"", " services = \"SIP+D2T\"",
        " rule = \"\"", " replacement = _sip._tcp.dns.test"},
       0},
      {"ptr.dns.test", "PTR", {"ptr.dns.test name = target.dns.test"}, 0},
      {"mb.dns.test", "MB", {"mb.dns.test mail box = mail.dns.test"}, 0},
      {"mg.dns.test", "MG", {"mg.dns.test mail group member = mail.dns.test"}, 0},
      {"mr.dns.test", "MR", {"mr.dns.test mailbox rename = mail.dns.test"}, 0},
      {"null.dns.test", "NULL", {"null.dns.test NULL (dlen 3)"}, 0},
      {"uinfo.dns.test", "UINFO", {"uinfo.dns.test user info = guest"}, 0},
      {"uid.dns.test", "UID", {"uid.dns.test uid = 1000"}, 0},
      {"gid.dns.test", "GID", {"gid.dns.test gid = 100"}, 0},
      // Only the servers of a delegated zone are known.
      {"x.sub.dns.test",
       "A",
       {"Name:    x.sub.dns.test", "Served by:", "- ns.sub.dns.test", "   10.53.9.9",
        "   sub.dns.test", "", ""},
       2},
      {"mx-only.dns.test", "A", {"*** No address (A) records available for mx-only.dns.test"}, 2},
      // An authoritative empty answer shows the zone's SOA, as a referral
      // shows its servers.
      {"mx-only.dns.test",
       "TXT",
       {"dns.test", " origin = ns1.dns.test", " mail addr = hostmaster.dns.test",
        " serial = 2024010101", " refresh = 7200 (2 hours)", " retry   = 900 (15 mins)",
        " expire  = 1209600 (14 days)", " minimum ttl = 300 (5 mins)",
        "*** No text (TXT) records available for mx-only.dns.test"},
       2},
      {"nothere.dns.test",
       "A",
       {"*** ns1.dns.test can't find nothere.dns.test: Non-existent host/domain"},
       2},
  };
  for (const auto& c : cases) {
    const DnsBatchResult result = Run(c.name, c.type);
    EXPECT_EQ(result.lines, Join(kServerBlock, c.lines)) << c.name << " " << c.type;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.name << " " << c.type;
    for (const auto& line : result.lines) {
      EXPECT_EQ(line.find_first_of("\t\r"), std::string::npos) << "'" << line << "'";
    }
  }
}

TEST_F(DnsEngineLab, ZoneListingEndsAtTheSecondSoa) {
  const std::string soa =
      " SOA   ns1.dns.test hostmaster.dns.test. (2024010101 7200 900 1209600 300)";
  const std::string target(30 - 12, ' ');  // "%-30s" of ns1.dns.test and target names
  const DnsBatchResult all = Run("dns.test", "ANY", true);
  const Lines expected = {
      "[ns1.dns.test]",
      Row("dns.test.", soa),
      Row("dns.test.", " NS    ns1.dns.test" + target),
      Row("dns.test.", " MX    10   mail.dns.test"),
      Row("_sip._tcp", " SRV   10 60 5060 sip.dns.test"),
      Row("aaaa", " AAAA  2001:db8::53"),
      Row("afsdb", " AFSDB 1    afs.dns.test"),
      Row("gid", " GID   100"),
      Row("hinfo", " HINFO PC-386      Linux"),
      Row("hinfo-noos", " HINFO VAX         "),
      Row("isdn", " ISDN  150862028003217  004"),
      Row("isdn-short", " ISDN  150862028003217"),
      Row("loc", " LOC   52 22 23.000 N 4 53 32.000 E -2.00m 0.00m 10000.00m 10.00m"),
      Row("mail", " A     10.53.0.25"),
      Row("mb", " MB    mail.dns.test"),
      Row("mg", " MG    mail.dns.test"),
      Row("minfo", " MINFO requests.dns.test  errors.dns.test"),
      Row("mr", " MR    mail.dns.test"),
      Row("multi", " A     10.53.1.1"),
      Row("multi", " A     10.53.1.2"),
      Row("multi", " A     10.53.1.3"),
      Row("multi", " A     10.53.1.4"),
      Row("multi", " A     10.53.1.5"),
      Row("mx-only", " MX    5    mail.dns.test"),
      Row("naptr", " NAPTR 100 10 \"S\" \"SIP+D2T\" _sip._tcp.dns.test"),
      Row("ns1", " A     127.0.0.1"),
      Row("nsap", " NSAP  47.0005.8000.5A00.0000.0001.E133.FFFF.FF00.0161.00"),
      Row("null", " NULL  \\# 3 010203"),
      Row("pair", " A     10.53.2.1"),
      Row("pair", " A     10.53.2.2"),
      Row("ptr", " PTR   target.dns.test" + std::string(30 - 15, ' ')),
      Row("px", " PX    10   net2.it PRMD-net2.ADMD-p400.C-it"),
      Row("rp", " RP    admin.dns.test  rp-text.dns.test"),
      Row("rt", " RT    20   relay.dns.test"),
      Row("both.sa", " A     10.53.3.3"),
      Row("both.sb", " A     10.53.3.4"),
      Row("dotted.name.sb", " A     10.53.3.5"),
      Row("shost.sb", " A     10.53.3.2"),
      Row("sip", " A     10.53.0.60"),
      Row("sub", " NS    ns.sub.dns.test" + std::string(30 - 15, ' ')),
      Row("ns.sub", " A     10.53.9.9"),
      Row("txt", R"( TXT  "plain" "with \"quotes\"" "back\\slash" "line\010feed" "tab\009here")"),
      Row("uid", " UID   1000"),
      Row("uinfo", " UINFO guest"),
      Row("wks", " WKS   tcp  ftp smtp"),
      Row("www", " CNAME mail.dns.test"),
      Row("x25", " X25    311061700956"),
      Row("dns.test.", soa),
      "Received 1 answer (47 records).",
  };
  EXPECT_EQ(all.lines, expected);
  EXPECT_EQ(all.exitCode, 0);

  // Listing one type shows only it; listing A also shows NS and PTR records.
  EXPECT_EQ(Run("dns.test", "MX", true).lines,
            (Lines{"[ns1.dns.test]", Row("dns.test.", " 10   mail.dns.test"),
                   Row("mx-only", " 5    mail.dns.test"), "Received 1 answer (47 records)."}));
  const Lines a = Run("dns.test", "A", true).lines;
  ASSERT_EQ(a.size(), 20u);
  EXPECT_EQ(a[1], Row("dns.test.", " server = ns1.dns.test" + target));
  EXPECT_EQ(a[2], Row("mail", " 10.53.0.25"));
  EXPECT_EQ(a[11], Row("ptr", " host = target.dns.test" + std::string(30 - 15, ' ')));
  EXPECT_EQ(a[17], Row("sub", " server = ns.sub.dns.test" + std::string(30 - 15, ' ')));
}

TEST_F(DnsEngineLab, TransfersInManyMessagesAndRefusals) {
  // 127.0.0.2 sends one record per message and has no name for itself.
  ApplyDnsServerList("127.0.0.2");
  const DnsBatchResult big = Run("big.test", "ANY", true);
  ASSERT_GE(big.lines.size(), 124u);
  EXPECT_EQ(big.lines[0], "*** Can't find server name for address 127.0.0.2: Query refused");
  EXPECT_EQ(big.lines[1], "[127.0.0.2]");
  EXPECT_EQ(big.lines.size(), 2u + 120u + 2u);
  EXPECT_EQ(
      Lines(big.lines.end() - 3, big.lines.end()),
      (Lines{Row("big.test.", " SOA   ns1.dns.test hostmaster.dns.test. (1 7200 900 1209600 300)"),
             "", "Received 120 answers (120 records)."}));
  EXPECT_EQ(big.exitCode, 0);

  ApplyDnsServerList("127.0.0.1");
  const DnsBatchResult closed = Run("closed.test", "ANY", true);
  EXPECT_EQ(closed.lines, (Lines{"[ns1.dns.test]", "Received 0 answers (0 records).",
                                 "*** Can't list domain closed.test: Query refused"}));
  EXPECT_EQ(closed.exitCode, 2);
}

TEST_F(DnsEngineLab, EdgeCases) {
  CFakeNameServer stale(CFakeNameServer::Mode::kStaleIds);
  CFakeNameServer truncating(CFakeNameServer::Mode::kTruncatedThenCut);
  // An answer over TCP dripped a byte a second: each byte used to restart
  // the wait, so a whole answer would have taken minutes.
  CFakeNameServer dripping(CFakeNameServer::Mode::kTruncatedThenDrip, 1000);
  ASSERT_TRUE(stale.Ok() && truncating.Ok() && dripping.Ok());
  struct Case {
    const char* what;
    const char* servers;
    const char* search;
    uint32_t retries;
    const CFakeNameServer* fake;  // asked instead of named
    const char* name;
    Lines lines;
    std::optional<Lines> queries;  // what named was asked, in order
  };
  const std::string ptr = "1.0.0.127.in-addr.arpa PTR";
  const Case cases[] = {
      {"search list before the name itself", "127.0.0.1", "sa.dns.test sb.dns.test", 2, nullptr,
       "shost", Join(kServerBlock, {"Name:    shost.sb.dns.test", "Address:  10.53.3.2", ""}),
       Lines{ptr, "shost.sa.dns.test A", "shost.sb.dns.test A"}},
      {"first search domain wins", "127.0.0.1", "sa.dns.test sb.dns.test", 2, nullptr, "both",
       Join(kServerBlock, {"Name:    both.sa.dns.test", "Address:  10.53.3.3", ""}),
       Lines{ptr, "both.sa.dns.test A"}},
      {"nowhere: every domain, then the name", "127.0.0.1", "sa.dns.test sb.dns.test", 2, nullptr,
       "nohost", Join(kServerBlock, {"*** ns1.dns.test can't find nohost: Query refused"}),
       Lines{ptr, "nohost.sa.dns.test A", "nohost.sb.dns.test A", "nohost A"}},
      {"a name with a dot first as it is", "127.0.0.1", "sa.dns.test sb.dns.test", 2, nullptr,
       "dotted.name",
       Join(kServerBlock, {"Name:    dotted.name.sb.dns.test", "Address:  10.53.3.5", ""}),
       Lines{ptr, "dotted.name A", "dotted.name.sa.dns.test A", "dotted.name.sb.dns.test A"}},
      {"a server with no name for itself is still asked",
       "127.0.0.2",
       " ",
       2,
       nullptr,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.2: Query refused", "Server:  127.0.0.2", "",
        "Name:    mail.dns.test", "Address:  10.53.0.25", ""},
       Lines{"2.0.0.127.in-addr.arpa PTR", "mail.dns.test A"}},
      {"the second server when the first is silent",
       "127.0.0.9 127.0.0.1",
       " ",
       1,
       nullptr,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.9: No response from server",
        kServerBlock[0], kServerBlock[1], "", "Name:    mail.dns.test", "Address:  10.53.0.25", ""},
       Lines{ptr, "mail.dns.test A"}},
      {"nobody answers",
       "127.0.0.9",
       " ",
       1,
       nullptr,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.9: No response from server",
        "Server:  127.0.0.9", "",
        "*** 127.0.0.9 can't find mail.dns.test: No response from server"},
       Lines{}},
      {"retry count 0 sends nothing",
       "127.0.0.1",
       " ",
       0,
       nullptr,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.1: No response from server",
        "Server:  127.0.0.1", "",
        "*** 127.0.0.1 can't find mail.dns.test: No response from server"},
       Lines{}},
      {"only stale answers",
       "127.0.0.1",
       " ",
       1,
       &stale,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.1: Timed out", "Server:  127.0.0.1", "",
        "*** Request to 127.0.0.1 timed-out"},
       std::nullopt},
      {"truncated, then cut off over TCP",
       "127.0.0.1",
       " ",
       1,
       &truncating,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.1: Unspecified error", "Server:  127.0.0.1",
        "", "*** 127.0.0.1 can't find mail.dns.test: Unspecified error"},
       std::nullopt},
      {"truncated, then dripped over TCP",
       "127.0.0.1",
       " ",
       1,
       &dripping,
       "mail.dns.test",
       {"*** Can't find server name for address 127.0.0.1: Unspecified error", "Server:  127.0.0.1",
        "", "*** 127.0.0.1 can't find mail.dns.test: Unspecified error"},
       std::nullopt},
  };
  for (const auto& c : cases) {
    ApplyDnsServerList(c.servers);
    ApplyDnsSearchList(c.search);
    SetResolverRetries(c.retries);
    const CQueryLog log("dnszone/query.log");
    const DnsBatchResult result = Run(c.name, "A", false, c.fake ? c.fake->Port() : 0);
    EXPECT_EQ(result.lines, c.lines) << c.what;
    if (c.queries) {
      // named writes its log a moment after it answers.
      for (int i = 0; i < 20 && log.Queries().size() < c.queries->size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      EXPECT_EQ(log.Queries(), *c.queries) << c.what;
    }
  }
  EXPECT_GE(stale.Requests(), 2);
  EXPECT_GE(truncating.Requests(), 4);  // a datagram and a connection per query
}

TEST_F(DnsEngineLab, TransferCutOffMidMessage) {
  CFakeNameServer cut(CFakeNameServer::Mode::kCutTransfer);
  ASSERT_TRUE(cut.Ok());
  SetResolverRetries(1);
  const DnsBatchResult result = Run("cut.test", "ANY", true, cut.Port());
  EXPECT_EQ(
      result.lines,
      (Lines{"*** Can't find server name for address 127.0.0.1: No response from server",
             "[127.0.0.1]",
             Row("cut.test.", " SOA   ns1.cut.test hostmaster.cut.test. (7 3600 600 86400 300)"),
             Row("a", " A     10.99.0.1"), Row("b", " A     10.99.0.2"),
             "Received 1 answer (3 records).", "*** ls: error receiving zone transfer:",
             "  result: NOERROR, answers = 3, authority = 0, additional = 0"}));
  EXPECT_EQ(result.exitCode, 2);
}

// An SOA record of another zone in the middle of a transfer does not end it:
// only the zone's own SOA, sent again, does.
TEST_F(DnsEngineLab, ForeignSoaMidTransferDoesNotEndIt) {
  CFakeNameServer server(CFakeNameServer::Mode::kForeignSoaTransfer);
  ASSERT_TRUE(server.Ok());
  SetResolverRetries(1);
  const DnsBatchResult result = Run("cut.test", "ANY", true, server.Port());
  ASSERT_FALSE(result.lines.empty());
  EXPECT_EQ(result.lines.back(), "Received 3 answers (8 records).");
  EXPECT_NE(std::find(result.lines.begin(), result.lines.end(), Row("d", " A     10.99.0.4")),
            result.lines.end());
  EXPECT_EQ(result.exitCode, 0);
}

// Stop ends a listing at the next look at the flag, however long the server
// would keep it waiting (the page test stops a lookup).
TEST_F(DnsEngineLab, StopEndsAListing) {
  CFakeNameServer silent(CFakeNameServer::Mode::kSilent);
  ASSERT_TRUE(silent.Ok());
  SetResolverRetries(1);
  CDnsOutput out;
  CDnsEngine engine(out);
  std::atomic<int> stop{0};
  engine.SetStopFlag(&stop);
  engine.SetServerPort(silent.Port());
  CNameCacheLock lock;
  ASSERT_TRUE(lock.Owns());
  engine.FindDefaultServer();  // one second of silence

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = 1;
  });
  EXPECT_EQ(engine.ListZone(255, "dns.test"), kDnsSuccess);
  const auto listTime = Clock::now() - start;
  stopper.join();
  EXPECT_LT(listTime, std::chrono::seconds(5)) << "the transfer waits 120 s for data";
  EXPECT_EQ(out.Lines().back(), "Received 0 answers (0 records).");
}

// A transfer that never ends stops when the list is full, and says so; a
// batch run streams its lines, and Ctrl+C ends it with what came printed.
TEST_F(DnsEngineLab, EndlessTransferIsBoundedAndStreamed) {
  CFakeNameServer endless(CFakeNameServer::Mode::kEndlessTransfer);
  ASSERT_TRUE(endless.Ok());
  SetResolverRetries(1);
  {
    CDnsOutput out(300);
    CDnsEngine engine(out);
    engine.SetServerPort(endless.Port());
    CNameCacheLock lock;
    ASSERT_TRUE(lock.Owns());
    engine.FindDefaultServer();
    EXPECT_EQ(engine.ListZone(255, "cut.test"), kDnsError);
    const std::vector<std::string> lines = out.Lines();
    ASSERT_EQ(lines.size(), 301u);
    EXPECT_EQ(lines.back(), "*** ls: the listing was stopped after 300 lines, the most it shows");
  }
  QTemporaryDir config;
  const BatchRun run = RunBatch({"--batch", "cut.test", "dns", "--list", "--server", "127.0.0.1",
                                 "--port", QString::number(endless.Port())},
                                config.path(), {}, {}, 60000, 1500, SIGINT);
  EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("stopped by SIGINT: the report is incomplete"));
  EXPECT_GT(run.out.count('\n'), 100);
  EXPECT_TRUE(run.out.contains(Row("h99", " 10.0.0.99").c_str()));
}

// An answer too long for UDP comes truncated and is asked again over TCP;
// of its 40 addresses the first 35 are kept.
TEST_F(DnsEngineLab, TruncatedAnswerAgainOverTcp) {
  SetResolverDebug(true, false);
  CDnsOutput out;
  CDnsEngine engine(out);
  engine.SetServerPort(port);
  std::string log;
  engine.Log().SetWriter([&](CDnsLog::Stream, std::string_view text) { log.append(text); });
  EXPECT_EQ(engine.RunQuery(CDnsEngine::Query::kLookup, "many.wide.test"), kDnsSuccess);
  EXPECT_NE(log.find("truncated answer\n"), std::string::npos) << log;
  size_t skipped = 0;
  for (size_t at = 0;
       (at = log.find("MAXADDRS exceeded: skipping address\n", at)) != std::string::npos; ++at)
    ++skipped;
  EXPECT_EQ(skipped, 5u);
  ASSERT_TRUE(engine.HostInfoValid());
  EXPECT_EQ(engine.HostInfo().addresses.size(), 35u);
  const Lines lines = out.Lines();
  const auto name = std::find(lines.begin(), lines.end(), "Name:    many.wide.test");
  ASSERT_NE(name, lines.end());
  // Four addresses on the first line, five on each further one: 4 + 6 * 5 + 1.
  ASSERT_EQ(lines.end() - name, 1 + 8 + 1);
  EXPECT_EQ(name[1].rfind("Addresses:  10.55.0.", 0), 0u) << name[1];
  EXPECT_EQ(std::count(name[2].begin(), name[2].end(), ','), 4) << name[2];
  EXPECT_EQ(std::count(name[8].begin(), name[8].end(), ','), 0) << name[8];
}

// Debug output: dumps in the list, their titles and the notes in the log.
TEST_F(DnsEngineLab, DebugDumpsAndLogTexts) {
  const char* aliases = "/tmp/tesmo-dns-lab-aliases";
  {
    std::ofstream file(aliases);
    file << "mailalias mail.dns.test\n";
  }
  setenv("HOSTALIASES", aliases, 1);
  SetResolverDebug(true, true);
  CDnsOutput out;
  CDnsEngine engine(out);
  engine.SetServerPort(port);
  std::string log;
  std::mutex logMutex;
  engine.Log().SetWriter([&](CDnsLog::Stream, std::string_view text) {
    std::lock_guard guard(logMutex);
    log.append(text);
  });
  EXPECT_EQ(engine.RunQuery(CDnsEngine::Query::kLookup, "mailalias"), kDnsSuccess);
  unsetenv("HOSTALIASES");
  std::remove(aliases);

  EXPECT_NE(log.find("Aliased to \"mail.dns.test\"\n\n"), std::string::npos) << log;
  EXPECT_NE(log.find("------------\nSendRequest(), len "), std::string::npos) << log;
  EXPECT_NE(log.find("------------\nGot answer ("), std::string::npos) << log;
  const Lines lines = out.Lines();
  int headers = 0;
  for (const auto& line : lines) headers += line == "    HEADER:";
  EXPECT_EQ(headers, 4) << "query and answer, for the server's name and for the lookup";
  const Lines tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail, (Lines{"Name:    mail.dns.test", "Address:  10.53.0.25", ""}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), " type = A, class = IN, dlen = 4"), lines.end());
}

}  // namespace
}  // namespace tesmo
