// The table jobs without an agent: how walks end, the ARP page's address
// form, the route columns' MIB nodes, the pages' settings flags, and every
// job against an agent that never answers.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <mutex>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/grid/grid_data.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/snmp_request.h"
#include "core/snmp/value_text.h"
#include "support/fake_agent.h"
#include "support/mib_environment.h"
#include "support/silent_peer.h"
#include "support/status_log.h"
#include "support/table_jobs.h"
#include "tools/tables/gen_table.h"

namespace tesmo {
namespace {

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment);

TEST(TableJob, NetworkAddressTextsBecomeTheAddressForm) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"0A:4D:28:07", "010.077.040.007"},
      {"00:00:00:00", "000.000.000.000"},
      {"FF:FF:FF:FF", "255.255.255.255"},
      // Anything else is left as the agent's text.
      {"0a:4d:28:07", "0a:4d:28:07"},        // not the request layer's hex
      {"0A:4D:28", "0A:4D:28"},              // three bytes
      {"0A:4D:28:07:01", "0A:4D:28:07:01"},  // five bytes
      {"0A-4D-28-07", "0A-4D-28-07"},
      {"010.077.040.007", "010.077.040.007"},  // an IpAddress value already
      {"## NA ##", "## NA ##"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NetAddressText(c.in), c.out) << c.in;
}

TEST(TableJob, WalkEndings) {
  const struct {
    int result, status;
    bool stopped, normal;
  } cases[] = {
      {kSnmpResponse, EndOfSubtree, false, true},     // left the table
      {kSnmpResponse, kSnmpNoSuchName, false, true},  // ran past the agent's MIB
      {kSnmpResponse, 5, false, false},               // genErr
      {kSnmpResponse, 1, false, false},               // tooBig
      {kSnmpTimeout, 0, false, false},
      {kSnmpFailure, 0, false, false},
      {kSnmpResponse, 0, true, true},  // Stop
  };
  for (const auto& c : cases) {
    ColumnWalkResult walk;
    walk.result = c.result;
    walk.status = c.status;
    walk.stopped = c.stopped;
    EXPECT_EQ(WalkEndedNormally(walk), c.normal) << c.result << "/" << c.status;
    TableJobOutcome outcome;
    NoteWalk(outcome, walk);
    EXPECT_EQ(outcome.answered, c.normal);
    EXPECT_EQ(outcome.stopped, c.stopped);
  }
}

// RFC1158-MIB's childless ipRoutingTable shares { ip 21 } with RFC1213-MIB's
// ipRouteTable: the route columns must still render by their own nodes.
TEST(TableJob, RouteColumnsRenderByTheirMibNodes) {
  auto name = [](std::vector<uint32_t> column) {
    ObjectId id = {1, 3, 6, 1, 2, 1, 4, 21, 1};
    id.insert(id.end(), column.begin(), column.end());
    for (uint32_t part : {10u, 0u, 0u, 0u}) id.push_back(part);
    return id;
  };
  SnmpValue integer;
  integer.type = kTagInteger;
  integer.integer = 4;
  EXPECT_EQ(FormatSnmpValue(name({8}), integer), "indirect");
  integer.integer = 2;
  EXPECT_EQ(FormatSnmpValue(name({9}), integer), "local");
  integer.integer = 99;  // no label
  EXPECT_EQ(FormatSnmpValue(name({8}), integer), "99");
  const ObjectId type = {1, 3, 6, 1, 2, 1, 4, 21, 1, 8};
  EXPECT_TRUE(FormatObjectId(type).ends_with("ipRouteEntry.ipRouteType")) << FormatObjectId(type);
}

TEST(TableJob, PageSettingsFlags) {
  struct Case {
    const char* section;
    const char* value;
    std::function<bool()> load;
    bool builtIn;
  };
  const Case cases[] = {
      {"Interfaces", "AdminUpOnly", [] { return InterfacesTable().LoadFlags()[0]; }, false},
      {"Interfaces", "OperUpOnly", [] { return InterfacesTable().LoadFlags()[1]; }, false},
      {"AddrTable", "ResolveName", [] { return AddressTable().LoadFlags()[0]; }, true},
      {"ArpTable", "ResolveName", [] { return ArpTable().LoadFlags()[0]; }, true},
      {"RouteTable", "ResolveName", [] { return RouteTable().LoadFlags()[0]; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.value);
    EXPECT_EQ(c.load(), c.builtIn);  // absent
    CSettingsStore::WriteString(c.section, c.value, "yes");
    EXPECT_EQ(c.load(), c.builtIn);  // not an integer: the default
    CSettingsStore::WriteInt(c.section, c.value, 7);
    EXPECT_TRUE(c.load());  // any number but 0 ticks the box
    CSettingsStore::WriteInt(c.section, c.value, 0);
    EXPECT_FALSE(c.load());
  }
  InterfacesTable().SaveFlags({true, false});
  EXPECT_EQ(CSettingsStore::ReadInt("Interfaces", "AdminUpOnly", -1), 1);
  EXPECT_EQ(CSettingsStore::ReadInt("Interfaces", "OperUpOnly", -1), 0);
  RouteTable().SaveFlags({true});
  EXPECT_EQ(CSettingsStore::ReadInt("RouteTable", "ResolveName", -1), 1);
}

TEST(TableJob, AgentThatNeverAnswersGivesTheHeaderZeroEntriesAndKeepsTheError) {
  CSilentPeer silent;
  SnmpTarget target;
  target.address = "127.0.0.1";
  target.port = silent.port;
  target.timeoutMs = 50;
  target.retries = 0;
  const struct {
    const char* page;
    std::function<TableJobOutcome(CTableGrid&)> run;
    int columns;
  } cases[] = {
      {"interfaces", [&](CTableGrid& t) { return RunPageJob(InterfacesTable(), t, target); }, 11},
      {"addresses", [&](CTableGrid& t) { return RunPageJob(AddressTable(), t, target); }, 6},
      {"arptable", [&](CTableGrid& t) { return RunPageJob(ArpTable(), t, target); }, 5},
      {"routetable", [&](CTableGrid& t) { return RunPageJob(RouteTable(), t, target); }, 10},
      {"gentable",
       [&](CTableGrid& t) {
         const TableDescription d =
             CustomTableDescription({ParseColumnDefinition(".1.3.6.1.2.1.2.2.1.2|descr|10|6|0|3"),
                                     ParseColumnDefinition(".1.3.6.1.2.1.2.2.1.3|type|10|6|0|3")});
         return RunPageJob(d, t, target);
       },
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    std::mutex mutex;
    QStringList posted;
    auto connection = QObject::connect(
        &CStatusChannel::Instance(), &CStatusChannel::Posted, &CStatusChannel::Instance(),
        [&](const QString& text) {
          std::lock_guard lock(mutex);
          posted << text;
        },
        Qt::DirectConnection);
    CGridData grid;
    CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    const TableJobOutcome outcome = c.run(table);
    QObject::disconnect(connection);
    EXPECT_FALSE(outcome.answered);
    EXPECT_EQ(outcome.rows, 0);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.Cols(), c.columns);
    EXPECT_EQ(table.StatusLabel(), "0 entry(s)");
    ASSERT_FALSE(posted.isEmpty());
    EXPECT_TRUE(posted.contains("No SNMP Response from 127.0.0.1"))
        << posted.join('|').toStdString();
    // The error stays in the status line when the job has ended.
    EXPECT_EQ(posted.back(), "No SNMP Response from 127.0.0.1");
    EXPECT_TRUE(StopRequested());  // EndJob was called
  }
}

// An agent that serves ipNetToMediaTable but not atTable: the Arp page walks
// the newer table the same way and says so.
TEST(TableJob, ArpFallsBackToTheNewerTable) {
  using namespace fake;
  const ObjectId entry = {1, 3, 6, 1, 2, 1, 4, 22, 1};
  std::map<ObjectId, std::string> objects;
  const ObjectId index = {2, 10, 77, 40, 7};
  objects[Join(Join(entry, {1}), index)] = Integer(2);
  objects[Join(Join(entry, {2}), index)] = Tlv(0x04, std::string("\x00\xa0\xc9\xaa\xbb\xcc", 6));
  objects[Join(Join(entry, {3}), index)] = Tlv(0x40, std::string("\x0a\x4d\x28\x07", 4));
  objects[Join(Join(entry, {4}), index)] = Integer(4);
  FakeAgent agent(TableAgent(objects));
  CStatusLog status;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TableJobOutcome outcome = RunPageJob(ArpTable(), table, agent.Target(), {false});
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(grid.RowsText(1, grid.Rows() - 1).toStdString(),
            "int.\tnet address\tname\tphys address\tVendor\t\n"
            "2\t010.077.040.007\t\t00A0C9AABBCC\t\t\n");
  EXPECT_TRUE(status.Texts().contains("No atTable on the agent: getting ipNetToMediaTable"))
      << status.Texts().join('|').toStdString();
  EXPECT_EQ(status.Texts().back(), "Ready");
}

// An agent that serves only the newer tables, with indexes of every kind: a
// well-formed IPv4 and IPv6 one, and malformed ones (a byte above 255, an
// address cut short, a wrong length for the type). Each page shows the good
// rows (IPv4 first), shows every malformed one with the reason in its address
// cell, and says which table it read.
TEST(TableJob, NewerTablesShowMalformedIndexesAsRows) {
  using namespace fake;
  const ObjectId v4 = {1, 4, 10, 77, 44, 1};
  const ObjectId v6 = {2, 16, 32, 1, 13, 184, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  const std::vector<ObjectId> bad = {
      {1, 4, 10, 300, 0, 1}, {2, 16, 32, 1, 13, 184}, {1, 16, 10, 77, 44, 2}};
  const ObjectId policy = {2, 0, 0};
  const struct {
    const char* page;
    std::function<const TableDescription&()> table;
    ObjectId column;  // the first column walked
    // The whole index of a row of address index, and the value of column.
    std::function<ObjectId(const ObjectId&)> index;
    std::string value;
    // The address cells, in the page's order ("bad" for a malformed index).
    std::vector<std::string> addresses;
    const char* tableRead;
  } cases[] = {
      {"addresses",
       AddressTable,
       {1, 3, 6, 1, 2, 1, 4, 34, 1, 3},
       [](const ObjectId& address) { return address; },
       Integer(2),
       // The agent's order.
       {"010.077.044.001", "bad", "bad", "bad", "2001:db8::1"},
       "ipAddressTable"},
      {"arptable",
       ArpTable,
       {1, 3, 6, 1, 2, 1, 4, 35, 1, 4},
       [](const ObjectId& address) { return Join({2}, address); },
       Tlv(0x04, std::string("\x00\xa0\xc9\xaa\xbb\xcc", 6)),
       // IPv4 rows, by interface (a malformed row has none), then IPv6.
       {"bad", "bad", "bad", "010.077.044.001", "2001:db8::1"},
       "ipNetToPhysicalTable"},
      {"routetable",
       RouteTable,
       {1, 3, 6, 1, 2, 1, 4, 24, 7, 1, 7},
       [&](const ObjectId& address) {
         const uint32_t length = address[0] == 2 ? 64 : 24;
         return Join(Join(Join(address, {length}), policy), address);
       },
       Integer(2),
       // IPv4 rows by destination, then IPv6.
       {"bad", "bad", "bad", "010.077.044.001", "2001:db8::1"},
       "inetCidrRouteTable"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    std::map<ObjectId, std::string> objects;
    for (const ObjectId& address : {v4, v6, bad[0], bad[1], bad[2]}) {
      objects[Join(c.column, c.index(address))] = c.value;
    }
    FakeAgent agent(TableAgent(objects));
    CStatusLog status;
    CGridData grid;
    CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    const TableJobOutcome outcome = RunPageJob(c.table(), table, agent.Target(), {false});
    EXPECT_TRUE(outcome.answered);
    ASSERT_EQ(grid.Rows() - 1, static_cast<int>(c.addresses.size()));
    for (int r = 1; r < grid.Rows(); ++r) {
      const std::string cell = grid.TextAt(r, 1).toStdString();
      if (c.addresses[r - 1] == "bad") {
        EXPECT_TRUE(cell.starts_with("(unreadable index: ")) << "row " << r << ": " << cell;
      } else {
        EXPECT_EQ(cell, c.addresses[r - 1]) << "row " << r;
      }
    }
    EXPECT_TRUE(status.Texts().back().startsWith("Ready (read from "))
        << status.Texts().back().toStdString();
    EXPECT_TRUE(status.Texts().back().contains(c.tableRead)) << status.Texts().back().toStdString();
  }
}

// An agent with neither ipRouteTable nor inetCidrRouteTable but
// ipCidrRouteTable: the Routing Table page reads its routes in the columns of
// ipRouteTable, sorted by destination, and says which table it read.
TEST(TableJob, RoutesFallBackToIpCidrRouteTable) {
  using namespace fake;
  const ObjectId entry = {1, 3, 6, 1, 2, 1, 4, 24, 4, 1};
  const auto address = [](uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return Tlv(0x40, std::string{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                 static_cast<char>(d)});
  };
  std::map<ObjectId, std::string> objects;
  // 10.9.0.0/16 via 10.77.40.9 on interface 2, then the default route via
  // 10.77.40.254: the agent's order is by index, the page's by destination.
  const struct {
    ObjectId index;
    std::string dest, mask, nextHop;
  } routes[] = {
      {{10, 9, 0, 0, 255, 255, 0, 0, 0, 10, 77, 40, 9},
       address(10, 9, 0, 0),
       address(255, 255, 0, 0),
       address(10, 77, 40, 9)},
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 77, 40, 254},
       address(0, 0, 0, 0),
       address(0, 0, 0, 0),
       address(10, 77, 40, 254)},
  };
  for (const auto& route : routes) {
    objects[Join(Join(entry, {1}), route.index)] = route.dest;
    objects[Join(Join(entry, {2}), route.index)] = route.mask;
    objects[Join(Join(entry, {4}), route.index)] = route.nextHop;
    objects[Join(Join(entry, {5}), route.index)] = Integer(2);
    objects[Join(Join(entry, {6}), route.index)] = Integer(4);
    objects[Join(Join(entry, {11}), route.index)] = Integer(1);
  }
  FakeAgent agent(TableAgent(objects));
  CStatusLog status;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TableJobOutcome outcome = RunPageJob(RouteTable(), table, agent.Target(), {false});
  EXPECT_TRUE(outcome.answered);
  ASSERT_EQ(grid.Rows(), 3);
  const QStringList first = {"2", "000.000.000.000", "010.077.040.254", "", "1", "000.000.000.000"};
  const QStringList second = {"2", "010.009.000.000", "010.077.040.009", "",
                              "1", "255.255.000.000"};
  for (int c = 0; c < first.size(); ++c) {
    EXPECT_EQ(grid.TextAt(1, c), first[c]) << "column " << c;
    EXPECT_EQ(grid.TextAt(2, c), second[c]) << "column " << c;
  }
  EXPECT_TRUE(status.Texts().back().startsWith("Ready (read from ipCidrRouteTable"))
      << status.Texts().back().toStdString();
}

}  // namespace
}  // namespace tesmo
