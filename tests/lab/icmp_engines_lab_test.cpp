// The sweep and both traces against the chain lab (lab.d/chain.up): real
// routers, agents, a delayed link and a name server that logs what it is
// asked. Runs in the lab's client namespace.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "core/base/job_control.h"
#include "core/grid/grid_data.h"
#include "core/icmp/discovery.h"
#include "core/icmp/traceroute.h"
#include "core/net/address_text.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/snmp_request.h"
#include "support/qt_print.h"
#include "support/query_log.h"
#include "support/status_log.h"

namespace tesmo {
namespace {

using Clock = std::chrono::steady_clock;
using Rows = std::vector<QStringList>;

const std::set<int> kLiveHosts = {5, 17, 33, 60, 99, 128, 150, 201, 230, 254};
constexpr int kLateHost = 200;  // silent until a test lets it answer

std::string LabDir() {
  return std::getenv("TESMO_LAB_DIR");
}
std::string Netns(const char* suffix) {
  return std::string(std::getenv("TESMO_LAB_NETNS")) + "-" + suffix;
}

// How the relay between r1 and r2 treats r2's time-exceeded messages.
void SetTimeExceededFilter(const char* mode) {
  std::ofstream(LabDir() + "/chain-drop", std::ios::trunc) << mode << "\n";
}

void SetLateHostAnswering(bool on) {
  const std::string command = "ip netns exec " + Netns("chlate") +
                              " sysctl -q -w net.ipv4.icmp_echo_ignore_all=" + (on ? "0" : "1");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// "(index) name" of a router's link, as the harness recorded it.
QString Interface(const std::string& router, const std::string& link) {
  std::ifstream file(LabDir() + "/chain-ifindex");
  for (std::string r, name, index; file >> r >> name >> index;) {
    if (r == router && name == link) return QString::fromStdString("(" + index + ") " + name);
  }
  return "no " + QString::fromStdString(router + " " + link);
}

SnmpTarget Router(const char* address) {
  SnmpTarget target;
  target.address = address;
  target.timeoutMs = 1000;
  target.retries = 1;
  return target;
}

// GET requests the agent has received (snmpInGetRequests). The reading is a
// GET itself and counts.
long GetRequests(const char* address) {
  std::array<SnmpVarRequest, 1> request;
  request[0].objectId = ".1.3.6.1.2.1.11.15.0";
  int status = 0;
  if (SnmpGet(request, status, Router(address)) != kSnmpResponse || status != 0) return -1;
  return std::stol(request[0].result);
}

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
  CGridData grid;
  CTableGrid table;
};

// The real echo, with every request it sends recorded.
class CEchoLog {
 public:
  EchoFunction Function(std::function<void(const EchoRequest&, const EchoResult&)> after = {}) {
    return [this, after](const EchoRequest& request) {
      {
        std::lock_guard lock(mutex);
        sent[request.address].push_back(request.timeoutMs);
        ++started;
      }
      EchoResult result = SendEcho(request);
      {
        std::lock_guard lock(mutex);
        cancelled += result.cancelled;
      }
      if (after) after(request, result);
      return result;
    };
  }
  std::vector<uint32_t> TimeoutsTo(const std::string& address) {
    std::lock_guard lock(mutex);
    return sent[*ParseAddressText(address)];
  }
  int Started() {
    std::lock_guard lock(mutex);
    return started;
  }
  int Cancelled() {
    std::lock_guard lock(mutex);
    return cancelled;
  }

 private:
  std::mutex mutex;
  std::map<uint32_t, std::vector<uint32_t>> sent;
  int started = 0, cancelled = 0;
};

const QStringList kSweepTexts = {"Building host list", "Drawing table", "Pinging hosts", "Ready"};

class ChainLab : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("TESMO_LAB_DIR"), nullptr);
    LoadMibs(MibDirectoryList(QDir::currentPath().toStdString()));
    // Every lookup goes to the chain lab's named and is logged there.
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
  static void TearDownTestSuite() { FreeMibs(); }
  void SetUp() override {
    SetTimeExceededFilter("");
    BeginJob();
  }
  void TearDown() override {
    EndJob();
    SetTimeExceededFilter("");
  }
};

TEST_F(ChainLab, SweepOfASlash24FindsExactlyTheLiveHostsInThreePasses) {
  SetLateHostAnswering(false);
  CEchoLog echoes;
  CJobGrid g;
  std::atomic<bool> sortMenuDuringRun{false};
  std::atomic<int> lateEchoes{0};
  DiscoveryHooks hooks;
  hooks.echo = echoes.Function([&](const EchoRequest& request, const EchoResult&) {
    if (g.table.SortMenuEnabled()) sortMenuDuringRun = true;
    // The late host answers from its second echo on.
    if (request.address == *ParseAddressText("10.72.10.200") && ++lateEchoes == 1) {
      SetLateHostAnswering(true);
    }
  });
  DiscoveryOptions options;
  options.firstHost = "10.72.10.1";
  options.hostCount = 254;
  options.threads = 254;
  CStatusLog status;
  const DiscoveryOutcome outcome = RunDiscovery(g.table, options, hooks);
  SetLateHostAnswering(false);

  EXPECT_EQ(status.Texts(), kSweepTexts);
  EXPECT_FALSE(sortMenuDuringRun);
  EXPECT_TRUE(g.table.SortMenuEnabled());
  EXPECT_EQ(outcome.reachable, kLiveHosts.size() + 1);
  EXPECT_EQ(outcome.unreachable, 254 - kLiveHosts.size() - 1);
  const Rows rows = g.DataRows();
  ASSERT_EQ(rows.size(), 254u);
  const QRegularExpression reachable(R"(^reachable \(\d+ ms ttl:63\)$)");
  int echoCount = 0;
  for (int h = 1; h <= 254; ++h) {
    SCOPED_TRACE(h);
    const std::string address = "10.72.10." + std::to_string(h);
    const QStringList& row = rows[h - 1];
    EXPECT_EQ(row[0], QString::number(h));
    EXPECT_EQ(row[1].toStdString(), address);
    const std::vector<uint32_t> timeouts = echoes.TimeoutsTo(address);
    echoCount += static_cast<int>(timeouts.size());
    if (kLiveHosts.count(h) || h == kLateHost) {
      EXPECT_TRUE(reachable.match(row[3]).hasMatch()) << row[3].toStdString();
      EXPECT_EQ(g.grid.CellColourAt(h, 3), kDiscoveryReachableColour);
      // Never pinged again after the answer.
      const std::vector<uint32_t> expected =
          h == kLateHost ? std::vector<uint32_t>{300, 800} : std::vector<uint32_t>{300};
      EXPECT_EQ(timeouts, expected);
      EXPECT_EQ(row[2].toStdString(),
                h == kLateHost ? "" : "live-" + std::to_string(h) + ".chain.test");
    } else {
      EXPECT_EQ(row[3], "unreachable (3 try(s), timeout 1300 ms)");
      EXPECT_EQ(g.grid.CellColourAt(h, 3), kDiscoveryNoReplyColour);
      EXPECT_EQ(timeouts, (std::vector<uint32_t>{300, 800, 1300}));
      EXPECT_EQ(row[2], "");
    }
  }
  EXPECT_EQ(echoCount, echoes.Started());
  // Addresses and names open the Select menu, the status its Copy menu.
  for (int c = 0; c < 4; ++c) EXPECT_EQ(g.table.Column(c)->isIP, c < 3) << c;
}

TEST_F(ChainLab, SweepBuildsItsListFromTheInputs) {
  const std::map<char, uint32_t> colour = {{'B', kDiscoveryErrorColour},
                                           {'G', kDiscoveryReachableColour},
                                           {'R', kDiscoveryNoReplyColour}};
  const QStringList unresolved = {"Building host list", "Cannot resolve first host"};
  const struct Case {
    const char* what;
    const char* firstHost;
    uint32_t count, increment, threads;
    QString addresses;    // of the rows, in order
    std::string colours;  // of their status cells, B, G or R; "" none pinged
    QStringList texts;    // status line
  } cases[] = {
      // clang-format off
      // r3 has no route to 10.72.0.0/24; the two others are r1's addresses.
      {"increment 256", "10.72.0.1", 3, 256, 3, "10.72.0.1 10.72.1.1 10.72.2.1", "BGG", kSweepTexts},
      {"first host by name", "sweep-start.chain.test", 3, 1, 10,
       "10.72.10.1 10.72.10.2 10.72.10.3", "RRR", kSweepTexts},
      {"no hosts", "10.72.10.5", 0, 1, 10, "", "", kSweepTexts},
      {"no threads", "10.72.10.5", 3, 1, 0, "10.72.10.5 10.72.10.6 10.72.10.7", "", kSweepTexts},
      {"unknown first host", "no-such-host.chain.test", 3, 1, 10, "", "", unresolved},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CEchoLog echoes;
    CJobGrid g;
    g.grid.SetTextAt(1, 1, "earlier run");
    DiscoveryHooks hooks;
    hooks.echo = echoes.Function();
    DiscoveryOptions options;
    options.firstHost = c.firstHost;
    options.hostCount = c.count;
    options.addressIncrement = c.increment;
    options.threads = c.threads;
    options.rounds = 1;
    options.initialTimeoutMs = 100;
    options.resolveNames = false;
    CStatusLog status;
    CQueryLog queries("chain-named-query.log");
    const DiscoveryOutcome outcome = RunDiscovery(g.table, options, hooks);
    EXPECT_EQ(status.Texts(), c.texts);
    EXPECT_EQ(queries.Count(std::string(c.firstHost) + " A"),
              ParseAddressText(c.firstHost) ? 0 : 1);
    if (!outcome.started) {
      EXPECT_EQ(g.grid.TextAt(1, 1), "earlier run");  // nothing started, nothing drawn
      EXPECT_EQ(echoes.Started(), 0);
      continue;
    }
    const Rows rows = g.DataRows();
    const QStringList addresses = c.addresses.split(' ', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), static_cast<size_t>(addresses.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
      EXPECT_EQ(rows[r][1], addresses[static_cast<qsizetype>(r)]);
      const uint32_t expected = c.colours.empty() ? CGridData::kNoColour : colour.at(c.colours[r]);
      EXPECT_EQ(g.grid.CellColourAt(static_cast<int>(r) + 1, 3), expected) << rows[r][3];
      if (c.colours.empty()) {
        EXPECT_EQ(rows[r][3], "");
      }
    }
    EXPECT_EQ(echoes.Started(), c.colours.empty() ? 0 : static_cast<int>(c.colours.size()));
  }
}

TEST_F(ChainLab, StopEndsEveryWorkerAtItsNextRecord) {
  CEchoLog echoes;
  CJobGrid g;
  std::atomic<int> stop{0};
  DiscoveryHooks hooks;
  hooks.stop = &stop;
  hooks.echo = echoes.Function();
  DiscoveryOptions options;
  options.firstHost = "10.72.10.100";
  options.hostCount = 40;
  options.threads = 8;
  options.initialTimeoutMs = 5000;
  CStatusLog status;
  DiscoveryOutcome outcome;
  std::thread run([&] { outcome = RunDiscovery(g.table, options, hooks); });
  const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(5);
  while (echoes.Started() < 8 && Clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  stop = 1;
  run.join();
  // Every echo in flight was cut short, none started after the stop.
  EXPECT_EQ(echoes.Started(), 8);
  EXPECT_EQ(echoes.Cancelled(), 8);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(status.Texts(), kSweepTexts);
  EXPECT_TRUE(g.table.SortMenuEnabled());
  // An echo cut short gives no verdict.
  for (const QStringList& row : g.DataRows()) EXPECT_EQ(row[3], "") << row[1].toStdString();
}

TEST_F(ChainLab, SweepBatchPrintsTheGridAndTellsWhetherAnythingAnswered) {
  const struct {
    const char* firstHost;
    uint32_t count;
    int exitCode;
    qsizetype lines;                                   // title line included
  } cases[] = {{"10.72.10.4", 3, kEngineAnswered, 4},  // .5 is live
               {"10.72.10.6", 2, kEngineNoAnswer, 3},
               {"no-such-host.chain.test", 3, kEngineUnresolved, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.firstHost);
    DiscoveryOptions options;
    options.firstHost = c.firstHost;
    options.hostCount = c.count;
    options.rounds = 1;
    options.initialTimeoutMs = 100;
    const EngineReport report = RunDiscoveryBatch(options);
    EXPECT_EQ(report.exitCode, c.exitCode);
    const QStringList lines = report.copyText.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), c.lines) << report.copyText.toStdString();
    if (c.exitCode == kEngineAnswered) {
      EXPECT_EQ(lines[0], "no\taddress\tname\tstatus\t");
      EXPECT_TRUE(lines[2].startsWith("2\t10.72.10.5\tlive-5.chain.test\treachable ("))
          << lines[2].toStdString();
    }
  }
}

TEST_F(ChainLab, IcmpTraceListsTheRoutersAndTheFarHost) {
  const QString time = QStringLiteral(R"(^\d+ ms $)");
  const struct {
    const char* filter;  // r2's time-exceeded messages
    const char* hop2;
    const char* name2;
    std::vector<bool> answered2;  // per probe of hop 2
  } cases[] = {
      {"", "10.72.2.2", "r2.chain.test", {true, true, true}},
      {"drop", "<-->", "", {false, false, false}},
      {"pass 2", "10.72.2.2", "r2.chain.test", {true, true, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("filter '") + c.filter + "'");
    SetTimeExceededFilter(c.filter);
    CJobGrid g;
    TraceOptions options;
    options.destination = "far.chain.test";
    std::string shown;
    TraceHooks hooks;
    hooks.onDestinationAddress = [&](const std::string& address) { shown = address; };
    const TraceOutcome outcome = RunTrace(g.table, options, SnmpTarget{}, hooks);
    EXPECT_EQ(shown, "10.72.4.2");
    EXPECT_EQ(outcome.end, TraceEnd::Reached);
    const Rows rows = g.DataRows();
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::pair<const char*, const char*>> hops = {{"10.72.1.1", "r1.chain.test"},
                                                                   {c.hop2, c.name2},
                                                                   {"10.72.3.2", "r3.chain.test"},
                                                                   {"10.72.4.2", "far.chain.test"}};
    for (size_t h = 0; h < hops.size(); ++h) {
      SCOPED_TRACE(h + 1);
      EXPECT_EQ(rows[h][0], QString::number(h + 1));
      EXPECT_EQ(rows[h][1].toStdString(), hops[h].first);
      EXPECT_EQ(rows[h][2].toStdString(), hops[h].second);
      for (int k = 0; k < 3; ++k) {
        const bool answered = h != 1 || c.answered2[k];
        if (answered) {
          EXPECT_TRUE(QRegularExpression(time).match(rows[h][3 + k]).hasMatch())
              << rows[h][3 + k].toStdString();
        } else {
          EXPECT_EQ(rows[h][3 + k], "t-o");
        }
      }
    }
    // The delayed link: 20 ms there and back. A busy machine delays frames in
    // the relay, never speeds one up, so the fastest probe tells.
    int fastest = INT32_MAX;
    for (int k = 3; k < 6; ++k) fastest = std::min(fastest, rows[3][k].split(' ')[0].toInt());
    EXPECT_GE(fastest, 20);
    EXPECT_LE(fastest, 21);
  }
}

const Rows& ExpectedSnmpRows() {
  static const Rows rows = {
      {"1", "chain-r1", "10.72.1.1\nr1.chain.test", "10.72.2.2\nr2.chain.test",
       Interface("r1", "r1c"), Interface("r1", "r1n"), "010.072.004.000\n255.255.255.000", "1",
       "local"},
      {"2", "chain-r2", "10.72.2.2\nr2.chain.test", "10.72.3.2\nr3.chain.test",
       Interface("r2", "r2p"), Interface("r2", "r2n"), "010.072.000.000\n255.255.000.000", "1",
       "local"},
      {"3", "chain-r3", "10.72.3.2\nr3.chain.test", "0.0.0.0\n", Interface("r3", "r3p"),
       Interface("r3", "r3f"), "010.072.004.000\n255.255.255.000", "0", "local"},
  };
  return rows;
}

TEST_F(ChainLab, SnmpTraceFollowsTheRoutersRoutesToTheDirectOne) {
  CJobGrid g;
  TraceOptions options;
  options.destination = "10.72.4.2";
  options.icmpMode = false;
  CStatusLog status;
  const TraceOutcome outcome = RunTrace(g.table, options, Router("10.72.1.1"));
  EXPECT_EQ(outcome.end, TraceEnd::Reached);
  EXPECT_EQ(g.DataRows(), ExpectedSnmpRows());
  const int line = g.grid.DefaultRowHeight();
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(g.grid.RowHeight(r), 2 * line);
  // The request layer adds its own text for every index without a route.
  QStringList texts = status.Texts();
  texts.removeIf([](const QString& text) { return text.startsWith("Error in packet: "); });
  EXPECT_EQ(texts.mid(0, 5),
            QStringList({"Getting SysName", "Getting address variables",
                         "Getting route informations", "Getting interfaces variables", "Ready"}));

  // --batch: the agent by name, the same rows on one line each.
  options.destination = "far.chain.test";
  SnmpTarget agent = Router("r1.chain.test");
  const EngineReport report = RunTraceBatch(options, agent);
  EXPECT_EQ(report.exitCode, kEngineAnswered);
  const QStringList lines = report.copyText.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0],
            "nb.\tSysName\tip / name\tNext Hop\tinput int\toutput int\troute\tmt\tprot\t");
  EXPECT_TRUE(lines[3].startsWith("3\tchain-r3\t10.72.3.2 r3.chain.test\t0.0.0.0 \t"))
      << lines[3].toStdString();
}

TEST_F(ChainLab, RouteSearchAsksEachShorterPrefixOnce) {
  // r1 holds 10.1.0.0/16 and a default route, r2 a default route, r3 neither:
  // 10.1.2.3, 10.1.2.2, 10.1.2.0, 10.1.0.0 at r1; on down to 0.0.0.0 at r2
  // and r3. Each agent also gets the GET of its sysName.
  const std::vector<std::pair<const char*, long>> agents = {
      {"10.72.1.1", 1 + 4}, {"10.72.2.2", 1 + 7}, {"10.72.3.2", 1 + 7}};
  std::vector<long> before;
  for (const auto& [agent, gets] : agents) before.push_back(GetRequests(agent));
  CJobGrid g;
  TraceOptions options;
  options.destination = "10.1.2.3";
  options.icmpMode = false;
  options.resolveNames = false;
  options.interfaceInfo = false;
  const TraceOutcome outcome = RunTrace(g.table, options, Router("10.72.1.1"));
  for (size_t i = 0; i < agents.size(); ++i) {
    // The reading after counts itself.
    EXPECT_EQ(GetRequests(agents[i].first) - before[i] - 1, agents[i].second) << agents[i].first;
  }
  EXPECT_EQ(outcome.end, TraceEnd::NoRoute);
  const Rows rows = g.DataRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][6], "010.001.000.000\n255.255.000.000");
  EXPECT_EQ(rows[1][6], "000.000.000.000\n000.000.000.000");
  EXPECT_EQ(rows[2], QStringList({"3", "chain-r3", "10.72.3.2", "", "", "", "", "", ""}));
}

TEST_F(ChainLab, SnmpBatchEndsARoutingLoopAfterThirtyHops) {
  // r1's default route leads to r2, whose route to 10.99.0.0/16 leads back.
  TraceOptions options;
  options.destination = "10.99.1.1";
  options.icmpMode = false;
  options.resolveNames = false;
  options.interfaceInfo = false;
  CStatusLog status;
  const EngineReport report = RunTraceBatch(options, Router("10.72.1.1"));
  EXPECT_EQ(report.exitCode, kEngineNoAnswer);
  const QStringList lines = report.copyText.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 1 + 30);
  EXPECT_EQ(status.Texts().last(), "Trace ended after 30 hops");
  // The loop runs between r2 (10.72.2.2) and r1's address on their link
  // (10.72.2.1); from hop 4 on every agent was seen before.
  for (int hop = 1; hop <= 30; ++hop) {
    const QStringList cells = lines[hop].split('\t');
    const char* agent = hop == 1 ? "10.72.1.1" : hop % 2 ? "10.72.2.1" : "10.72.2.2";
    EXPECT_EQ(cells[2], agent) << hop;
    if (hop <= 3) {
      EXPECT_FALSE(cells[6].contains("loop")) << cells[6].toStdString();
    } else {
      EXPECT_TRUE(cells[6].endsWith(QString(" (loop: as hop %1)").arg(hop % 2 ? 3 : 2)))
          << hop << ": " << cells[6].toStdString();
    }
  }
}

TEST_F(ChainLab, StopEndsEitherTraceAtItsNextCheck) {
  // ICMP: stopped while the second hop's first probe waits on the silent
  // host; SNMP: stopped when the second agent's route search begins.
  for (const bool icmp : {true, false}) {
    SCOPED_TRACE(icmp ? "ICMP" : "SNMP");
    std::atomic<int> stop{0};
    CEchoLog echoes;
    TraceHooks hooks;
    hooks.stop = &stop;
    hooks.echo = echoes.Function();
    int routeSearches = 0;
    CStatusLog status([&](const QString& text) {
      if (text == "Getting route informations" && ++routeSearches == 2) stop = 1;
    });
    CJobGrid g;
    TraceOptions options;
    options.icmpMode = icmp;
    options.destination = icmp ? "10.72.10.50" : "10.72.4.2";
    TraceOutcome outcome;
    std::thread run([&] { outcome = RunTrace(g.table, options, Router("10.72.1.1"), hooks); });
    if (icmp) {
      const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(5);
      while (echoes.Started() < 4 && Clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      stop = 1;
    }
    run.join();
    EXPECT_EQ(outcome.end, TraceEnd::Stopped);
    const Rows rows = g.DataRows();
    if (icmp) {
      EXPECT_EQ(echoes.Started(), 4);
      EXPECT_EQ(echoes.Cancelled(), 1);
      ASSERT_EQ(rows.size(), 1u);
      EXPECT_EQ(rows[0][1], "10.72.1.1");
    } else {
      ASSERT_EQ(rows.size(), 2u);
      EXPECT_EQ(rows[1][1], "chain-r2");
      EXPECT_EQ(rows[1][6], "");  // no route asked for
    }
  }
}

}  // namespace
}  // namespace tesmo
