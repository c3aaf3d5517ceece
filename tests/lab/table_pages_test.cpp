// The four table jobs against the table lab's agents (lab.d/tables.up): every
// row must be what the harness installed in the agent's namespace, in the
// page's order, IPv6 rows after the IPv4 ones (and all of them read from the
// newer tables on the agent that serves only those); names come from the lab's named, which logs
// every query, so the tests also see which lookups were made. --batch is run on the same agent.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fstream>
#include <mutex>
#include <set>

#include "core/base/job_control.h"
#include "core/base/status_channel.h"
#include "core/base/vendor_map.h"
#include "core/grid/grid_data.h"
#include "core/grid/table_fill.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "core/snmp/mib_loader.h"
#include "support/batch_run.h"
#include "support/lab_agents.h"
#include "support/query_log.h"
#include "support/status_log.h"
#include "support/table_jobs.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {
namespace {

// The relays of lab.d/tables.up in the lab namespace.
constexpr char kAgent[] = "127.0.77.39";
constexpr char kBigAgent[] = "127.0.77.38";
constexpr char kNewTablesAgent[] = "127.0.77.37";
// The same agent over IPv6, through a relay on the lab namespace's loopback.
constexpr char kNewTablesAgentV6[] = "2001:db8:77:40::37";

// A vendor file of the test's own. "08002a" is written in lower case and must
// never match, since hardware addresses are rendered in upper case.
constexpr char kVendors[] =
    "00A0C9 Tesmo Lab Cards\n"
    "08002a Lower Case Key\n"
    "525400 QEMU lab NICs\n";

// Any text in a cell.
const QString kAny = QStringLiteral("*");

using Rows = std::vector<QStringList>;

// Queries for the reverse names of the table lab's addresses (10.77.38.x up
// to 10.77.45.x, and 0.0.0.0, the big agent's next hop); other lab tests
// never ask for these. (Loopback names are left out: tests running beside
// these look them up.)
size_t TableLabQueries(const CQueryLog& queries) {
  size_t count = 0;
  for (const std::string& name : queries.PtrNames()) {
    for (int third = 38; third <= 45; ++third) {
      if (name.ends_with("." + std::to_string(third) + ".77.10.in-addr.arpa")) ++count;
    }
    if (name == "0.0.0.0.in-addr.arpa") ++count;
  }
  return count;
}

// A grid of its own for one job run, bound as a page binds its view's.
struct CJobGrid {
  CJobGrid() { table.ResetGrid(&grid, 2, 2); }
  Rows DataRows() const {
    Rows rows;
    for (int r = 1; r < grid.Rows(); ++r) {
      QStringList cells;
      for (int c = 0; c < grid.Cols(); ++c) cells << grid.TextAt(r, c);
      rows.push_back(cells);
    }
    return rows;
  }
  QStringList Titles() const {
    QStringList titles;
    for (int c = 0; c < grid.Cols(); ++c) titles << grid.TextAt(0, c);
    return titles;
  }
  CGridData grid;
  CTableGrid table;
};

void ExpectRows(const Rows& actual, const Rows& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t r = 0; r < expected.size(); ++r) {
    ASSERT_EQ(actual[r].size(), expected[r].size()) << "row " << r + 1;
    for (qsizetype c = 0; c < expected[r].size(); ++c) {
      if (expected[r][c] == kAny) continue;
      EXPECT_EQ(actual[r][c].toStdString(), expected[r][c].toStdString())
          << "row " << r + 1 << ", column " << c;
    }
  }
}

QStringList Column(const Rows& rows, int c) {
  QStringList cells;
  for (const QStringList& row : rows) cells << row.value(c);
  return cells;
}

// What the harness installed, as each page shows it: the IPv4 addresses of
// each interface, then its IPv6 ones.
const Rows kInterfaceRows = {
    {"1", "up", "up", kAny, kAny, "lo", kAny, "127.000.000.001\r\n::1", "255.000.000.000\r\n/128",
     "\"\"", ""},
    {"2", "up", "up", "ethernet-csmacd", "1500", "taba", kAny,
     "010.077.040.001\r\n010.077.041.001\r\n2001:db8:77:40::1\r\nfe80::2a0:c9ff:fe11:2233",
     "255.255.255.000\r\n255.255.255.128\r\n/64\r\n/64", "00A0C9112233", "Tesmo Lab Cards"},
    {"3", "up", "down", "ethernet-csmacd", "1500", "tabb", kAny,
     "010.077.042.001\r\n2001:db8:77:42::1", "255.255.255.000\r\n/64", "08002A445566", ""},
    {"12", "down", "down", "ethernet-csmacd", "1500", "tabc", kAny,
     "010.077.043.001\r\n2001:db8:77:43::1", "255.255.255.000\r\n/64", "525400778899",
     "QEMU lab NICs"},
};

// In the agent's order, by address.
const Rows kAddressRows = {
    {"2", "010.077.040.001", "tab-a.lab.test", "255.255.255.000", kAny, kAny},
    {"2", "010.077.041.001", "tab-a2.lab.test", "255.255.255.128", kAny, kAny},
    {"3", "010.077.042.001", "", "255.255.255.000", kAny, kAny},
    {"12", "010.077.043.001", "", "255.255.255.000", kAny, kAny},
    {"1", "127.000.000.001", "", "255.000.000.000", kAny, kAny},
    // ipAddressTable's IPv6 addresses, in its order, the prefix length as mask.
    {"1", "::1", "", "/128", "unicast", "preferred (manual)"},
    {"2", "2001:db8:77:40::1", "", "/64", "unicast", "preferred (manual)"},
    {"3", "2001:db8:77:42::1", "", "/64", "unicast", "preferred (manual)"},
    {"12", "2001:db8:77:43::1", "", "/64", "unicast", "preferred (manual)"},
    {"2", "fe80::2a0:c9ff:fe11:2233", "", "/64", "unicast", "preferred (linklayer)"},
};

const Rows kArpRows = {
    {"2", "010.077.040.007", "arp-seven.lab.test", "00A0C9AABBCC", "Tesmo Lab Cards"},
    {"2", "010.077.040.008", "", "08002A010203", ""},
    {"3", "010.077.042.009", "", "525400123456", "QEMU lab NICs"},
    {"12", "010.077.043.009", "", "525400123457", "QEMU lab NICs"},
    {"2", "2001:db8:77:40::7", "", "00A0C9AABBCC", "Tesmo Lab Cards"},
    {"2", "2001:db8:77:40::8", "", "525400123458", "QEMU lab NICs"},
};

// By destination, the default route first.
const Rows kRouteRows = {
    {"2", "000.000.000.000", "010.077.040.254", "tab-gw.lab.test", kAny, "000.000.000.000",
     "indirect", "local", kAny, kAny},
    {"2", "010.009.000.000", "010.077.040.009", "", kAny, "255.255.000.000", "indirect", "local",
     kAny, kAny},
    {"2", "010.077.040.000", "000.000.000.000", "", kAny, "255.255.255.000", "direct", "local",
     kAny, kAny},
    {"2", "010.077.041.000", "000.000.000.000", "", kAny, "255.255.255.128", "direct", "local",
     kAny, kAny},
    {"3", "010.077.042.000", "000.000.000.000", "", kAny, "255.255.255.000", "direct", "local",
     kAny, kAny},
    {"2", "010.088.000.000", "010.077.040.009", "", kAny, "255.255.000.000", "indirect", "local",
     kAny, kAny},
    {"2", "010.100.000.000", "010.077.041.020", "", kAny, "255.255.000.000", "indirect", "local",
     kAny, kAny},
    // inetCidrRouteTable's IPv6 routes, by destination address: the
    // harness's, the connected prefixes, and the kernel's own (local
    // addresses, link-local and multicast prefixes).
    {"1", "::1", "::", "", kAny, "/128", "local", "local", kAny, ""},
    {"2", "2001:db8:77:40::", "::", "", kAny, "/64", "local", "local", kAny, ""},
    {"2", "2001:db8:77:40::1", "::", "", kAny, "/128", "local", "local", kAny, ""},
    {"3", "2001:db8:77:42::", "::", "", kAny, "/64", "local", "local", kAny, ""},
    {"3", "2001:db8:77:42::1", "::", "", kAny, "/128", "local", "local", kAny, ""},
    {"12", "2001:db8:77:43::1", "::", "", kAny, "/128", "local", "local", kAny, ""},
    {"2", "2001:db8:97::", "2001:db8:77:40::37", "", kAny, "/48", "remote", "local", kAny, ""},
    {"2", "2001:db8:98::", "2001:db8:77:40::20", "", kAny, "/48", "remote", "local", kAny, ""},
    {"2", "2001:db8:99::", "2001:db8:77:40::9", "", kAny, "/48", "remote", "local", kAny, ""},
    {"2", "fe80::", "::", "", kAny, "/64", "local", "local", kAny, ""},
    {"2", "fe80::2a0:c9ff:fe11:2233", "::", "", kAny, "/128", "local", "local", kAny, ""},
    {"2", "ff00::", "::", "", kAny, "/8", "local", "local", kAny, ""},
    {"3", "ff00::", "::", "", kAny, "/8", "local", "local", kAny, ""},
};

class TablesLabTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("TESMO_LAB_DIR"), nullptr);
    LoadMibs(MibDirectoryList(QDir::currentPath().toStdString()));
    VendorMap.clear();
    ParseVendorText(kVendors, VendorMap);
    // Every lookup goes to the lab's named and is logged there: the internal
    // resolver, no cache, no hosts file, no search list.
    SetHostsFilePath("");
    SetResolverTimeout(1);
    SetResolverRetries(2);
    ApplyDnsServerList("127.0.0.1");
    ApplyDnsSearchList(" ");
    UseFastResolver = 1;
    bDnsUseCache = 0;
    bDnsUseHostfile = 0;
    ClearNameCache();
  }
  static void TearDownTestSuite() {
    FreeMibs();
    VendorMap.clear();
  }
};

TEST_F(TablesLabTest, InterfacesJoinTheirAddressesAndVendors) {
  CJobGrid g;
  CStatusLog status;
  const TableJobOutcome outcome = RunPageJob(InterfacesTable(), g.table, LabAgent(kAgent, 161));
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(g.Titles(), QStringList({"int.", "admin", "oper", "type", "MTU", "descr.", "speed",
                                     "ip address", "mask", "phys", "Vendor"}));
  ExpectRows(g.DataRows(), kInterfaceRows);
  EXPECT_EQ(g.table.StatusLabel(), "4 entry(s)");
  EXPECT_EQ(status.Texts(),
            QStringList({"Getting interfaces variables", "Getting address variables", "Ready"}));
  // Each row is as many lines high as its interface has addresses.
  const int line = g.grid.DefaultRowHeight();
  EXPECT_EQ(g.grid.RowHeight(1), 2 * line);
  EXPECT_EQ(g.grid.RowHeight(2), 4 * line);
  EXPECT_EQ(g.grid.RowHeight(3), 2 * line);
  // Copied, all addresses and masks stay on the row's one line.
  EXPECT_TRUE(g.grid.RowsText(2, 2).contains(
      "\t010.077.040.001  010.077.041.001  2001:db8:77:40::1  fe80::2a0:c9ff:fe11:2233\t"
      "255.255.255.000  255.255.255.128  /64  /64\t"));
  EXPECT_TRUE(StopRequested());  // the job ended with EndJob
}

TEST_F(TablesLabTest, UpOnlyFiltersHideDownInterfacesAndTheirCount) {
  const struct {
    bool adminUpOnly, operUpOnly;
    QStringList shown;
  } cases[] = {
      {false, false, {"1", "2", "3", "12"}},
      {true, false, {"1", "2", "3"}},  // tabc was set down
      {false, true, {"1", "2"}},       // tabb has no carrier, tabc is down
      {true, true, {"1", "2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "admin up only " << c.adminUpOnly << ", oper up only " << c.operUpOnly);
    CJobGrid g;
    const TableJobOutcome outcome = RunPageJob(InterfacesTable(), g.table, LabAgent(kAgent, 161),
                                               {c.adminUpOnly, c.operUpOnly});
    EXPECT_EQ(outcome.rows, static_cast<int>(c.shown.size()));
    EXPECT_EQ(Column(g.DataRows(), 0), c.shown);
    EXPECT_EQ(g.table.StatusLabel(), EntryCountText(static_cast<int>(c.shown.size())));
  }
}

TEST_F(TablesLabTest, AddressesInTheAgentsOrderWithNames) {
  CJobGrid g;
  CStatusLog status;
  CQueryLog queries;
  const TableJobOutcome outcome = RunPageJob(AddressTable(), g.table, LabAgent(kAgent, 161));
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(g.Titles(),
            QStringList({"int.", "address", "name", "mask", "bcast", "reasm max size"}));
  ExpectRows(g.DataRows(), kAddressRows);
  EXPECT_EQ(g.table.StatusLabel(), "10 entry(s)");
  EXPECT_EQ(status.Texts(), QStringList({"Getting Addresses variables", "Ready"}));
  // One lookup per address, zero-padded texts read as the addresses they are.
  const std::vector<std::string> ptr = queries.PtrNames();
  const std::multiset<std::string> asked(ptr.begin(), ptr.end());
  for (const char* name : {"1.40.77.10.in-addr.arpa", "1.41.77.10.in-addr.arpa",
                           "1.42.77.10.in-addr.arpa", "1.43.77.10.in-addr.arpa"}) {
    EXPECT_EQ(asked.count(name), 1u) << name;
  }
}

TEST_F(TablesLabTest, ArpEntriesByInterfaceWithNamesAndVendors) {
  CJobGrid g;
  CStatusLog status;
  const TableJobOutcome outcome = RunPageJob(ArpTable(), g.table, LabAgent(kAgent, 161));
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(g.Titles(), QStringList({"int.", "net address", "name", "phys address", "Vendor"}));
  ExpectRows(g.DataRows(), kArpRows);
  EXPECT_EQ(g.table.StatusLabel(), "6 entry(s)");
  EXPECT_EQ(status.Texts().value(0), "Getting ARP variables");
  EXPECT_EQ(status.Texts().mid(status.Texts().size() - 2),
            QStringList({"Drawing table / Resolving names", "Ready"}));
}

TEST_F(TablesLabTest, RoutesByDestinationWithTheDefaultRouteFirst) {
  CJobGrid g;
  CStatusLog status;
  const TableJobOutcome outcome = RunPageJob(RouteTable(), g.table, LabAgent(kAgent, 161), {true});
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(g.Titles(), QStringList({"int.", "dest.", "next hop", "name", "metric", "mask", "type",
                                     "proto", "age", "info"}));
  ExpectRows(g.DataRows(), kRouteRows);
  EXPECT_EQ(g.table.StatusLabel(), "20 entry(s)");
  EXPECT_EQ(status.Texts().value(0), "Getting Route variables");
  EXPECT_EQ(status.Texts().mid(status.Texts().size() - 2),
            QStringList({"Drawing table / Resolving names", "Ready"}));
  // Menus: "dest." copies, "next hop" and "name" select.
  EXPECT_FALSE(g.table.Column(1)->isIP);
  EXPECT_TRUE(g.table.Column(2)->isIP);
  EXPECT_TRUE(g.table.Column(3)->isIP);
}

TEST_F(TablesLabTest, ResolveNameOffMakesNoLookup) {
  struct Case {
    const char* page;
    int nameColumn;
    std::function<TableJobOutcome(CTableGrid&)> run;
  };
  const Case cases[] = {
      {"addresses", 2,
       [](CTableGrid& t) { return RunPageJob(AddressTable(), t, LabAgent(kAgent, 161), {false}); }},
      {"arptable", 2,
       [](CTableGrid& t) { return RunPageJob(ArpTable(), t, LabAgent(kAgent, 161), {false}); }},
      {"routetable", 3,
       [](CTableGrid& t) { return RunPageJob(RouteTable(), t, LabAgent(kAgent, 161), {false}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    CJobGrid g;
    CQueryLog queries;
    const TableJobOutcome outcome = c.run(g.table);
    ASSERT_GT(outcome.rows, 0);
    for (const QString& name : Column(g.DataRows(), c.nameColumn)) EXPECT_EQ(name, "");
    EXPECT_EQ(TableLabQueries(queries), 0u);
  }
  // Absent from the settings, the Routing Table page's ResolveName is off and
  // the two others' on.
  EXPECT_FALSE(RouteTable().LoadFlags()[kResolveNameFlag]);
  EXPECT_TRUE(AddressTable().LoadFlags()[kResolveNameFlag]);
  EXPECT_TRUE(ArpTable().LoadFlags()[kResolveNameFlag]);
}

TEST_F(TablesLabTest, StopDuringALongWalkDrawsTheRowsFetchedSoFar) {
  // The second progress text ("Getting " and the destination of the row just
  // fetched) asks for the stop, on the job's own thread between two steps:
  // the walk must end before its next request, with exactly the rows up to
  // that destination. Meanwhile the count label counts the rows fetched at
  // the first progress text.
  QString firstAt, stoppedAt, labelWhileWalking;
  CJobGrid g;
  CStatusLog status([&](const QString& text) {
    if (!stoppedAt.isEmpty() || !text.startsWith("Getting 010.")) return;
    if (firstAt.isEmpty()) {
      firstAt = text.mid(8);
      return;
    }
    stoppedAt = text.mid(8);
    labelWhileWalking = g.table.StatusLabel();
    RequestStop();
  });
  // Rows before a route's destination, in the agent's order: 10.100.0.0/24
  // is its first route, 10.139.15.0/24 its 10,000th.
  const auto rowsUpTo = [](const QString& destination) {
    const QStringList octets = destination.split('.');
    return octets.size() == 4 ? (octets[1].toInt() - 100) * 256 + octets[2].toInt() + 1 : -1;
  };
  CQueryLog queries;
  const TableJobOutcome outcome =
      RunPageJob(RouteTable(), g.table, LabAgent(kBigAgent, 161), {true});
  ASSERT_FALSE(stoppedAt.isEmpty()) << "the walk posted no progress";
  EXPECT_TRUE(outcome.stopped);
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(labelWhileWalking, FetchedCountText(rowsUpTo(firstAt)));

  const int fetched = rowsUpTo(stoppedAt);
  ASSERT_LT(fetched, 10000);
  const Rows rows = g.DataRows();
  ASSERT_EQ(static_cast<int>(rows.size()), fetched);
  EXPECT_EQ(outcome.rows, fetched);
  EXPECT_EQ(rows.front()[1], "010.100.000.000");
  EXPECT_EQ(rows.back()[1], stoppedAt);
  EXPECT_EQ(g.table.StatusLabel(), EntryCountText(fetched));
  // Rows drawn after the stop get no names and cost no lookup.
  for (const QString& name : Column(rows, 3)) EXPECT_EQ(name, "");
  EXPECT_EQ(TableLabQueries(queries), 0u);
  EXPECT_EQ(status.Texts().mid(status.Texts().size() - 2),
            QStringList({"Drawing table / Resolving names", StoppedTableText(fetched)}));
}

// Ctrl+C three seconds into a batch walk of the 10,000 routes acts as Stop:
// the rows fetched are printed in the agent's order, the run says they are
// incomplete and ends with 130 (SIGTERM: 143).
TEST_F(TablesLabTest, SignalsStopABatchWalkWithTheRowsFetched) {
  for (const int signal : {SIGINT, SIGTERM}) {
    QTemporaryDir work;
    const BatchRun run = RunBatch({"--batch", kBigAgent, "routetable", "--port", "161"},
                                  work.filePath("config"), work.path(), {}, 60000, 3000, signal);
    EXPECT_EQ(run.exitCode, 128 + signal) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("the report is incomplete")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("the table is incomplete")) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts).mid(1);  // the title
    ASSERT_GT(lines.size(), 0);
    EXPECT_LT(lines.size(), 10000);
    EXPECT_TRUE(lines.front().contains("\t010.100.000.000\t")) << lines.front().toStdString();
  }
}

// The agent that serves only ipAddressTable, ipNetToPhysicalTable and
// inetCidrRouteTable: the pages show its IPv4 rows from those tables first,
// then the IPv6 ones, and the status line names the table read.
TEST_F(TablesLabTest, AnAgentWithOnlyTheNewerTablesGivesItsIPv4AndIPv6Rows) {
  const struct {
    const char* page;
    const TableDescription& (*table)();
    Rows rows;
    const char* tableRead;  // in the final status text; nullptr: "Ready"
  } cases[] = {
      {"addresses",
       AddressTable,
       {{"2", "010.077.044.001", kAny, "255.255.255.000", "unicast", "preferred (manual)"},
        {"1", "127.000.000.001", kAny, "255.000.000.000", "unicast", "preferred (manual)"},
        {"1", "::1", "", "/128", "unicast", "preferred (manual)"},
        {"2", "2001:db8:77:44::1", "", "/64", "unicast", "preferred (manual)"},
        {"2", "fe80::2a0:c9ff:fe55:6677", "", "/64", "unicast", "preferred (linklayer)"}},
       "ipAddressTable"},
      {"arptable",
       ArpTable,
       {{"2", "010.077.044.007", kAny, "00A0C9AABB01", "Tesmo Lab Cards"},
        {"2", "2001:db8:77:44::7", "", "525400123459", "QEMU lab NICs"}},
       "ipNetToPhysicalTable"},
      {"routetable",
       RouteTable,
       {{"2", "010.066.000.000", "010.077.044.009", "", kAny, "255.255.000.000", "remote", "local",
         kAny, ""},
        {"2", "010.077.044.000", "000.000.000.000", "", kAny, "255.255.255.000", "local", "local",
         kAny, ""},
        {"1", "::1", "::", "", kAny, "/128", "local", "local", kAny, ""},
        {"2", "2001:db8:66::", "2001:db8:77:44::9", "", kAny, "/48", "remote", "local", kAny, ""},
        {"2", "2001:db8:77:44::", "::", "", kAny, "/64", "local", "local", kAny, ""},
        {"2", "2001:db8:77:44::1", "::", "", kAny, "/128", "local", "local", kAny, ""},
        {"2", "fe80::", "::", "", kAny, "/64", "local", "local", kAny, ""},
        {"2", "fe80::2a0:c9ff:fe55:6677", "::", "", kAny, "/128", "local", "local", kAny, ""},
        {"2", "ff00::", "::", "", kAny, "/8", "local", "local", kAny, ""}},
       "inetCidrRouteTable"},
      {"interfaces",
       InterfacesTable,
       {{"1", "up", "up", kAny, kAny, "lo", kAny, "127.000.000.001\r\n::1",
         "255.000.000.000\r\n/128", "\"\"", ""},
        {"2", "up", "up", "ethernet-csmacd", "1500", "tabn", kAny,
         "010.077.044.001\r\n2001:db8:77:44::1\r\nfe80::2a0:c9ff:fe55:6677",
         "255.255.255.000\r\n/64\r\n/64", "00A0C9556677", "Tesmo Lab Cards"}},
       nullptr},
  };
  // The same agent asked over IPv4 and over IPv6 gives the same rows.
  for (const char* agent : {kNewTablesAgent, kNewTablesAgentV6}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.page) + " at " + agent);
      CJobGrid g;
      CStatusLog status;
      const TableJobOutcome outcome = RunPageJob(c.table(), g.table, LabAgent(agent, 161));
      EXPECT_TRUE(outcome.answered);
      ExpectRows(g.DataRows(), c.rows);
      const QString last = status.Texts().value(status.Texts().size() - 1);
      if (c.tableRead == nullptr) {
        EXPECT_EQ(last, "Ready");
      } else {
        EXPECT_TRUE(last.startsWith("Ready (") && last.contains(c.tableRead)) << last.toStdString();
      }
    }
  }
  // --batch takes the IPv6 literal as the host, brackets and all.
  QTemporaryDir work;
  for (const char* page : {"addresses", "arptable", "routetable"}) {
    SCOPED_TRACE(page);
    const QStringList options = {page, "--port", "161", "--timeout", "1000", "--retries", "1"};
    const BatchRun v4 = RunBatchIn(QStringList{"--batch", kNewTablesAgent} + options, work.path());
    const BatchRun v6 = RunBatchIn(
        QStringList{"--batch", QString("[%1]").arg(kNewTablesAgentV6)} + options, work.path());
    EXPECT_EQ(v6.exitCode, 0) << v6.err.toStdString();
    EXPECT_EQ(v6.out, v4.out);
    EXPECT_TRUE(v6.err.contains("Ready (read from")) << v6.err.toStdString();
  }
}

// The SNMP trace towards IPv6 destinations, asked of the table agent over
// IPv4: the route it picks is the longest prefix of its IPv6 routes that
// holds the destination. At most two hops: only 2001:db8:77:40::37, the
// next hop towards 2001:db8:97::/48, is an agent (the newer-tables one, asked
// over IPv6), which has no route there; the other next hops never answer.
TEST_F(TablesLabTest, SnmpTraceFindsTheIPv6RouteByTheLongestPrefix) {
  const struct {
    const char* destination;
    TraceEnd end;
    Rows rows;
  } cases[] = {
      {"2001:db8:97::5",
       TraceEnd::NoRoute,
       {{"1", "tables-agent", "127.0.77.39", "2001:db8:77:40::37", "", "(2) taba",
         "2001:db8:97::\n/48", "1024", "local"},
        {"2", "tables-new-agent", "2001:db8:77:40::37", "", "", "", "", "", ""}}},
      {"2001:db8:99::5",
       TraceEnd::NoResponse,
       {{"1", "tables-agent", "127.0.77.39", "2001:db8:77:40::9", "", "(2) taba",
         "2001:db8:99::\n/48", "1024", kAny},
        {"2", "", "2001:db8:77:40::9", "", "", "", "", "", ""}}},
      {"2001:db8:98:ffff::1",
       TraceEnd::NoResponse,
       {{"1", "tables-agent", "127.0.77.39", "2001:db8:77:40::20", "", "(2) taba",
         "2001:db8:98::\n/48", "1024", kAny},
        {"2", "", "2001:db8:77:40::20", "", "", "", "", "", ""}}},
      // On a connected prefix: the trace ends there.
      {"2001:db8:77:42::9",
       TraceEnd::Reached,
       {{"1", "tables-agent", "127.0.77.39", "::", "", "(3) tabb", "2001:db8:77:42::\n/64", kAny,
         kAny}}},
      // No default IPv6 route.
      {"2001:db8:5::1",
       TraceEnd::NoRoute,
       {{"1", "tables-agent", "127.0.77.39", "", "", "", "", "", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.destination);
    CJobGrid g;
    TraceOptions options;
    options.destination = c.destination;
    options.icmpMode = false;
    options.resolveNames = false;
    options.interfaceInfo = true;
    options.maxSnmpHops = 2;
    TraceOutcome outcome;
    // A short time-out for the next hops that never answer.
    RunJobHere([&] { outcome = RunTrace(g.table, options, LabAgent(kAgent, 161, 300, 0)); });
    EXPECT_EQ(outcome.end, c.end);
    ExpectRows(g.DataRows(), c.rows);
  }
}

// --batch runs the same jobs with the stored settings and prints each page's
// whole grid as its Copy text.

// SNMP versions 2c (GETBULK walks) and 3 (authPriv) give every page the rows
// version 1 gives; a wrong pass phrase is the library's authentication
// error, not a time-out; version 2c to a version-1-only community times out.
TEST_F(TablesLabTest, VersionsTwoCAndThreeGiveTheRowsOfVersionOne) {
  QTemporaryDir work;
  QDir().mkpath(work.filePath("config/tesmo"));
  QFile settings(work.filePath("config/tesmo/tesmo.ini"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Resolver]\nUseFastResolver=1\nbDnsUseCache=0\nDnsAddressList=\"127.0.0.1\"\n");
  settings.close();
  const QString config = work.filePath("config");
  const QStringList v3 = {
      "--version",       "3",           "--user",         "tesmo-v3", "--auth-pass",
      "tesmo-auth-pass", "--priv-pass", "tesmo-priv-pass"};
  const auto withoutUpTime = [](QString text) {
    return text.remove(QRegularExpression("SysUpTime : [^\n]*\n")).toStdString();
  };
  for (const char* page : {"system", "interfaces", "addresses", "routetable", "arptable"}) {
    SCOPED_TRACE(page);
    const QStringList base = {"--batch",   kAgent, page,        "--port", "161",
                              "--timeout", "1000", "--retries", "1"};
    const BatchRun one = RunBatch(base, config, work.path());
    ASSERT_EQ(one.exitCode, 0) << one.err.toStdString();
    for (const QStringList& extra : {QStringList{"--version", "2c"}, v3}) {
      const BatchRun other = RunBatch(base + extra, config, work.path());
      EXPECT_EQ(other.exitCode, 0) << extra.join(' ').toStdString() << other.err.toStdString();
      QString expected = one.out;
      if (QString(page) == "system") {
        expected.replace("SNMP retries : 1\n",
                         QString("SNMP retries : 1\nSNMP version : %1\n%2")
                             .arg(extra[1], extra[1] == "3" ? "SNMPv3 user : tesmo-v3\n" : ""));
      }
      EXPECT_EQ(withoutUpTime(other.out), withoutUpTime(expected)) << extra.join(' ').toStdString();
    }
  }
  QStringList wrong = v3;
  wrong[5] = "not-the-pass-phrase";
  const BatchRun refused = RunBatch(
      QStringList{"--batch", kAgent, "system", "--port", "161", "--timeout", "1000"} + wrong,
      config, work.path());
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_TRUE(refused.err.contains("Authentication failure")) << refused.err.toStdString();
  EXPECT_FALSE(refused.err.contains("No SNMP Response")) << refused.err.toStdString();

  const QStringList oldStyle = {"--batch", kAgent,        "system",   "--port",
                                "161",     "--community", "oldstyle", "--timeout",
                                "300",     "--retries",   "0"};
  EXPECT_EQ(RunBatch(oldStyle, config, work.path()).exitCode, 0);
  const BatchRun newer = RunBatch(oldStyle + QStringList{"--version", "2c"}, config, work.path());
  EXPECT_EQ(newer.exitCode, 2);
  EXPECT_TRUE(newer.err.contains("No SNMP Response from")) << newer.err.toStdString();
}

TEST_F(TablesLabTest, BatchPrintsEachPagesWholeGrid) {
  QTemporaryDir work;
  QFile vendors(work.filePath("vendors.txt"));
  ASSERT_TRUE(vendors.open(QIODevice::WriteOnly));
  vendors.write(kVendors);
  vendors.close();
  // The same name service as this process: lab named only.
  QDir().mkpath(work.filePath("config/tesmo"));
  QFile settings(work.filePath("config/tesmo/tesmo.ini"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write(
      "[Resolver]\nUseFastResolver=1\nbDnsUseCache=0\nbDnsUseHostfile=0\n"
      "DnsAddressList=\"127.0.0.1\"\n");
  settings.close();

  // Each page with its settings' defaults: names on the Addresses and Arp
  // pages, off on the Routing Table page.
  const struct {
    const char* page;
    std::function<TableJobOutcome(CTableGrid&)> run;
  } cases[] = {
      {"interfaces",
       [](CTableGrid& t) { return RunPageJob(InterfacesTable(), t, LabAgent(kAgent, 161)); }},
      {"addresses",
       [](CTableGrid& t) { return RunPageJob(AddressTable(), t, LabAgent(kAgent, 161)); }},
      {"routetable",
       [](CTableGrid& t) { return RunPageJob(RouteTable(), t, LabAgent(kAgent, 161)); }},
      {"arptable", [](CTableGrid& t) { return RunPageJob(ArpTable(), t, LabAgent(kAgent, 161)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    CJobGrid g;
    c.run(g.table);
    const QString expected = g.grid.RowsText(1, g.grid.Rows() - 1);
    const BatchRun run = RunBatch(
        {"--batch", kAgent, c.page, "--port", "161", "--timeout", "1000", "--retries", "1"},
        work.path() + "/config", work.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), expected.toStdString());
    EXPECT_TRUE(run.err.endsWith("Ready\n")) << run.err.toStdString();
  }

  // No agent: exit 2 and the header line alone.
  const BatchRun dead = RunBatch(
      {"--batch", "127.0.0.1", "arptable", "--port", "9", "--timeout", "200", "--retries", "0"},
      work.path() + "/config", work.path());
  EXPECT_EQ(dead.exitCode, 2);
  EXPECT_EQ(dead.out, "int.\tnet address\tname\tphys address\tVendor\t\n");
  EXPECT_TRUE(dead.err.contains("No SNMP Response from 127.0.0.1")) << dead.err.toStdString();

  const BatchRun help = RunBatch({"--help"}, work.path() + "/config", work.path());
  for (const char* page : {"interfaces", "addresses", "routetable", "arptable"}) {
    EXPECT_TRUE(help.out.contains(QString("page: ") + page)) << page;
  }
}

}  // namespace
}  // namespace tesmo
