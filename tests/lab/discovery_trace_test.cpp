// The sweep and both traces against the chain lab (lab.d/chain.up): real
// routers with their agents, a delayed link, silent and live hosts and a name
// server that logs what it is asked. Runs in the lab's client namespace.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/icmp/discovery.h"
#include "core/icmp/traceroute.h"
#include "core/net/address_text.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "core/snmp/snmp_request.h"
#include "support/mib_environment.h"
#include "support/qt_print.h"
#include "support/query_log.h"
#include "support/status_log.h"

namespace tesmo {
namespace {

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment);

using Rows = std::vector<QStringList>;

const std::set<int> kLiveHosts = {5, 17, 33, 60, 99, 128, 150, 201, 230, 254};
constexpr int kLateHost = 200;  // silent until the test lets it answer

std::string LabFile(const char* name) {
  return std::string(std::getenv("TESMO_LAB_DIR")) + "/" + name;
}

// How the relay between r1 and r2 treats r2's time-exceeded messages.
void SetTimeExceededFilter(const char* mode) {
  std::ofstream(LabFile("chain-drop"), std::ios::trunc) << mode << "\n";
}

void SetLateHostAnswering(bool on) {
  const std::string command =
      "ip netns exec " + std::string(std::getenv("TESMO_LAB_NETNS")) +
      "-chlate sysctl -q -w net.ipv4.icmp_echo_ignore_all=" + (on ? "0" : "1");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// "(index) name" of a router's link, as the harness recorded it.
QString Interface(const std::string& router, const std::string& link) {
  std::ifstream file(LabFile("chain-ifindex"));
  for (std::string r, name, index; file >> r >> name >> index;) {
    if (r == router && name == link) return QString::fromStdString("(" + index + ") " + name);
  }
  return QString::fromStdString("no " + router + " " + link);
}

SnmpTarget Router(const char* address) {
  SnmpTarget target;
  target.address = address;
  target.timeoutMs = 1000;
  target.retries = 1;
  return target;
}

// GET requests the agent has received (snmpInGetRequests), this one included.
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

// The real echo, with the time-out of every request recorded per address;
// after runs on the sending thread once the answer is in.
class CEchoLog {
 public:
  EchoFunction Function(std::function<void(const EchoRequest&)> after = {}) {
    return [this, after](const EchoRequest& request) {
      EchoResult result = SendEcho(request);
      {
        std::lock_guard lock(mutex);
        sent[request.address].push_back(request.timeoutMs);
      }
      if (after) after(request);
      return result;
    };
  }
  std::vector<uint32_t> TimeoutsTo(const std::string& address) {
    std::lock_guard lock(mutex);
    return sent[*ParseAddressText(address)];
  }
  size_t Count() {
    std::lock_guard lock(mutex);
    size_t count = 0;
    for (const auto& [address, timeouts] : sent) count += timeouts.size();
    return count;
  }

 private:
  std::mutex mutex;
  std::map<uint32_t, std::vector<uint32_t>> sent;
};

const QStringList kSweepTexts = {"Building host list", "Drawing table", "Pinging hosts", "Ready"};

class ChainLab : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Every lookup goes to the chain lab's named, uncached, and is logged there.
    SetHostsFilePath("");
    SetResolverTimeout(1);
    SetResolverRetries(2);
    ApplyDnsServerList("127.0.0.1");
    ApplyDnsSearchList(" ");
    UseFastResolver = 1;
    bDnsUseCache = 0;
    bDnsUseHostfile = 0;
  }
  void SetUp() override { SetTimeExceededFilter(""); }
  void TearDown() override { SetTimeExceededFilter(""); }
};

TEST_F(ChainLab, SweepOfASlash24FindsExactlyTheLiveHostsWithEachEchoCounted) {
  SetLateHostAnswering(false);
  CEchoLog echoes;
  CJobGrid g;
  std::atomic<bool> sortMenuDuringRun{false};
  std::atomic<int> lateEchoes{0};
  DiscoveryHooks hooks;
  hooks.echo = echoes.Function([&](const EchoRequest& request) {
    if (g.table.SortMenuEnabled()) sortMenuDuringRun = true;
    // The late host answers from the second pass on.
    if (request.address == *ParseAddressText("10.72.10.200") && ++lateEchoes == 1) {
      SetLateHostAnswering(true);
    }
  });
  DiscoveryOptions options;
  options.firstHost = "10.72.10.1";
  options.hostCount = 254;
  options.threads = 254;
  CStatusLog status;
  RunJobHere([&] { RunDiscovery(g.table, options, hooks); });
  SetLateHostAnswering(false);

  EXPECT_EQ(status.Texts(), kSweepTexts);
  EXPECT_FALSE(sortMenuDuringRun);
  EXPECT_TRUE(g.table.SortMenuEnabled());
  const Rows rows = g.DataRows();
  ASSERT_EQ(rows.size(), 254u);
  const QRegularExpression reachable(R"(^reachable \(\d+ ms ttl:63\)$)");
  for (int h = 1; h <= 254; ++h) {
    SCOPED_TRACE(h);
    const std::string address = "10.72.10." + std::to_string(h);
    const QStringList& row = rows[h - 1];
    EXPECT_EQ(row[0], QString::number(h));
    EXPECT_EQ(row[1].toStdString(), address);
    const std::vector<uint32_t> timeouts = echoes.TimeoutsTo(address);
    if (kLiveHosts.count(h) || h == kLateHost) {
      EXPECT_TRUE(reachable.match(row[3]).hasMatch()) << row[3];
      EXPECT_EQ(g.grid.CellColourAt(h, 3), kDiscoveryReachableColour);
      // Never pinged again after the answer.
      const std::vector<uint32_t> ladder = {300, 800};
      EXPECT_EQ(timeouts,
                std::vector<uint32_t>(ladder.begin(), ladder.begin() + (h == kLateHost ? 2 : 1)));
      EXPECT_EQ(row[2].toStdString(),
                h == kLateHost ? "" : "live-" + std::to_string(h) + ".chain.test");
    } else {
      EXPECT_EQ(row[3], "unreachable (3 try(s), timeout 1300 ms)");
      EXPECT_EQ(g.grid.CellColourAt(h, 3), kDiscoveryNoReplyColour);
      EXPECT_EQ(timeouts, (std::vector<uint32_t>{300, 800, 1300}));
    }
  }
}

TEST_F(ChainLab, SweepBuildsItsListFromTheInputs) {
  const std::map<char, uint32_t> colour = {{'B', kDiscoveryErrorColour},
                                           {'G', kDiscoveryReachableColour},
                                           {'R', kDiscoveryNoReplyColour},
                                           {'-', CGridData::kNoColour}};
  const struct Case {
    const char* firstHost;
    uint32_t count, increment, threads;
    const char* addresses;  // of the rows, in order
    const char* colours;    // of their status cells
    QStringList texts;      // status line
  } cases[] = {
      // r3 has no route to 10.72.0.0/24; the two others are r1's addresses.
      {"10.72.0.1", 3, 256, 3, "10.72.0.1 10.72.1.1 10.72.2.1", "BGG", kSweepTexts},
      {"sweep-start.chain.test", 3, 1, 10, "10.72.10.1 10.72.10.2 10.72.10.3", "RRR", kSweepTexts},
      {"10.72.10.5", 0, 1, 10, "", "", kSweepTexts},
      {"10.72.10.5", 3, 1, 0, "10.72.10.5 10.72.10.6 10.72.10.7", "---", kSweepTexts},
      {"no-such-host.chain.test",
       3,
       1,
       10,
       "",
       "",
       {"Building host list", "Cannot resolve first host"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firstHost);
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
    RunJobHere([&] { RunDiscovery(g.table, options, hooks); });
    EXPECT_EQ(status.Texts(), c.texts);
    // A name is resolved once; the rows hold addresses.
    EXPECT_EQ(queries.Count(std::string(c.firstHost) + " A"),
              ParseAddressText(c.firstHost) ? 0 : 1);
    const QStringList addresses = QString(c.addresses).split(' ', Qt::SkipEmptyParts);
    if (c.texts.last() != "Ready") {
      EXPECT_EQ(g.grid.TextAt(1, 1), "earlier run");  // nothing drawn
    } else {
      const Rows rows = g.DataRows();
      ASSERT_EQ(rows.size(), static_cast<size_t>(addresses.size()));
      for (size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r][1], addresses[static_cast<qsizetype>(r)]);
        EXPECT_EQ(g.grid.CellColourAt(static_cast<int>(r) + 1, 3), colour.at(c.colours[r]))
            << rows[r][3];
      }
    }
    EXPECT_EQ(echoes.Count(), QString(c.colours).remove('-').size());
  }
}

TEST_F(ChainLab, IcmpTraceListsTheRoutersAndTheFarHost) {
  const QRegularExpression time(R"(^\d+ ms $)");
  const struct {
    const char* filter;  // r2's time-exceeded messages
    const char* hop2;
    const char* name2;
    const char* answered2;  // per probe of hop 2
  } cases[] = {
      {"", "10.72.2.2", "r2.chain.test", "yyy"},
      {"drop", "<-->", "", "nnn"},
      // The address the first two probes learned stays.
      {"pass 2", "10.72.2.2", "r2.chain.test", "yyn"},
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
    TraceOutcome outcome;
    RunJobHere([&] { outcome = RunTrace(g.table, options, SnmpTarget{}, hooks); });
    EXPECT_EQ(shown, "10.72.4.2");
    EXPECT_EQ(outcome.end, TraceEnd::Reached);
    const Rows rows = g.DataRows();
    ASSERT_EQ(rows.size(), 4u);
    const std::pair<const char*, const char*> hops[] = {{"10.72.1.1", "r1.chain.test"},
                                                        {c.hop2, c.name2},
                                                        {"10.72.3.2", "r3.chain.test"},
                                                        {"10.72.4.2", "far.chain.test"}};
    for (size_t h = 0; h < 4; ++h) {
      EXPECT_EQ(rows[h].mid(0, 3),
                QStringList({QString::number(h + 1), hops[h].first, hops[h].second}));
      for (int k = 0; k < 3; ++k) {
        if (h != 1 || c.answered2[k] == 'y') {
          EXPECT_TRUE(time.match(rows[h][3 + k]).hasMatch()) << rows[h][3 + k];
        } else {
          EXPECT_EQ(rows[h][3 + k], "t-o");
        }
      }
    }
    // 20 ms there and back: a busy relay delays frames, never speeds them up,
    // so the fastest probe tells.
    int fastest = INT32_MAX;
    for (int k = 3; k < 6; ++k) fastest = std::min(fastest, rows[3][k].split(' ')[0].toInt());
    EXPECT_GE(fastest, 20);
    EXPECT_LE(fastest, 21);
  }
}

TEST_F(ChainLab, SnmpTraceFollowsTheRoutesAndSearchesEachPrefixOnce) {
  CJobGrid g;
  TraceOptions options;
  options.destination = "10.72.4.2";
  options.icmpMode = false;
  CStatusLog status;
  RunJobHere(
      [&] { EXPECT_EQ(RunTrace(g.table, options, Router("10.72.1.1")).end, TraceEnd::Reached); });
  const Rows expected = {
      {"1", "chain-r1", "10.72.1.1\nr1.chain.test", "10.72.2.2\nr2.chain.test",
       Interface("r1", "r1c"), Interface("r1", "r1n"), "010.072.004.000\n255.255.255.000", "1",
       "local"},
      {"2", "chain-r2", "10.72.2.2\nr2.chain.test", "10.72.3.2\nr3.chain.test",
       Interface("r2", "r2p"), Interface("r2", "r2n"), "010.072.000.000\n255.255.000.000", "1",
       "local"},
      {"3", "chain-r3", "10.72.3.2\nr3.chain.test", "0.0.0.0\n", Interface("r3", "r3p"),
       Interface("r3", "r3f"), "010.072.004.000\n255.255.255.000", "0", "local"},
  };
  EXPECT_EQ(g.DataRows(), expected);
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(g.grid.RowHeight(r), 2 * g.grid.DefaultRowHeight());
  // The request layer adds its own text for every index without a route.
  QStringList texts = status.Texts();
  texts.removeIf([](const QString& text) { return text.startsWith("Error in packet: "); });
  EXPECT_EQ(texts.mid(0, 5),
            QStringList({"Getting SysName", "Getting address variables",
                         "Getting route informations", "Getting interfaces variables", "Ready"}));

  // 10.1.2.3: r1 holds 10.1.0.0/16 (4 indexes tried), r2 only its default
  // route (7: 10.1.2.3 .2 .0, 10.1.0.0, 10.0.0.0, 8.0.0.0, 0.0.0.0), r3
  // nothing (7, then the trace ends). Each agent also gets its sysName GET.
  const std::pair<const char*, long> agents[] = {
      {"10.72.1.1", 1 + 4}, {"10.72.2.2", 1 + 7}, {"10.72.3.2", 1 + 7}};
  std::vector<long> before;
  for (const auto& [agent, gets] : agents) before.push_back(GetRequests(agent));
  CJobGrid search;
  options.destination = "10.1.2.3";
  options.resolveNames = options.interfaceInfo = false;
  RunJobHere([&] {
    EXPECT_EQ(RunTrace(search.table, options, Router("10.72.1.1")).end, TraceEnd::NoRoute);
  });
  for (size_t i = 0; i < std::size(agents); ++i) {
    EXPECT_EQ(GetRequests(agents[i].first) - before[i] - 1, agents[i].second) << agents[i].first;
  }
  const Rows rows = search.DataRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][6], "010.001.000.000\n255.255.000.000");
  EXPECT_EQ(rows[1][6], "000.000.000.000\n000.000.000.000");
  EXPECT_EQ(rows[2], QStringList({"3", "chain-r3", "10.72.3.2", "", "", "", "", "", ""}));
}

// --batch runs of the program itself: exit code, status texts and the grid's
// Copy text.
TEST_F(ChainLab, BatchCommandsPrintTheGrid) {
  const struct {
    QStringList args;
    int exitCode;
    qsizetype lines;  // title line included
    QString line;     // one line that must be among them
  } cases[] = {
      {{"10.72.10.4", "pingfind", "--count", "3", "--rounds", "1", "--timeout", "200"},
       0,
       4,
       "2\t10.72.10.5\tlive-5.chain.test\treachable ("},
      {{"10.72.10.6", "pingfind", "--count", "2", "--rounds", "2", "--timeout", "100",
        "--timeout-increment", "50"},
       2,
       3,
       "1\t10.72.10.6\t\tunreachable (2 try(s), timeout 150 ms)\t"},
      {{"r1.chain.test", "traceroute", "--dest", "far.chain.test"},
       0,
       5,
       "4\t10.72.4.2\tfar.chain.test\t"},
      {{"r1.chain.test", "traceroute", "--dest", "no-such-host.chain.test"}, 1, 0, ""},
      // r1's default route leads to r2, whose route to 10.99.0.0/16 leads
      // back: from hop 4 on every agent was seen before.
      {{"10.72.1.1", "traceroute", "--snmp", "--dest", "10.99.1.1"},
       2,
       31,
       "30\tchain-r2\t10.72.2.2 r2.chain.test\t10.72.2.1 r1-east.chain.test\t"},
  };
  QTemporaryDir settings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", settings.path());
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("TESMO_BINARY"), QStringList{"--batch"} + c.args);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), c.exitCode);
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(lines.size(), c.lines) << lines.join('\n') << err;
    if (!c.line.isEmpty()) {
      EXPECT_TRUE(
          lines.filter(QRegularExpression("^" + QRegularExpression::escape(c.line))).size() == 1)
          << lines.join('\n');
    }
    if (c.args.contains("--snmp")) {
      EXPECT_TRUE(err.endsWith("Trace ended after 30 hops\n")) << err;
      EXPECT_TRUE(lines[4].contains("(loop: as hop 2)")) << lines[4];
      EXPECT_FALSE(lines[3].contains("loop")) << lines[3];
    }
  }
}

}  // namespace
}  // namespace tesmo
