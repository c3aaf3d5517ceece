// The sweep and both traces against the chain lab (lab.d/chain.up): real
// routers with their agents, a delayed link, silent and live hosts and a name
// server that logs what it is asked. Runs in the lab's client namespace.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_socket.h"
#include "core/net/address_text.h"
#include "core/net/resolver_state.h"
#include "core/snmp/snmp_names.h"
#include "core/snmp/snmp_request.h"
#include "support/batch_run.h"
#include "support/lab_agents.h"
#include "support/mib_environment.h"
#include "support/qt_print.h"
#include "support/query_log.h"
#include "support/status_log.h"
#include "tools/discovery/discovery.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {
namespace {

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment);

const std::set<int> kLiveHosts = {5, 17, 33, 60, 99, 128, 150, 201, 230, 254};
constexpr uint32_t kLateHost = 200;  // silent until the test lets it answer

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
  return {};
}

// GET requests the agent has received (snmpInGetRequests), this one included.
long GetRequests(const char* address) {
  std::array<SnmpVarRequest, 1> request;
  request[0].objectId = ".1.3.6.1.2.1.11.15.0";
  int status = 0;
  if (SnmpGet(request, status, LabAgent(address, 161)) != kSnmpResponse || status != 0) return -1;
  return std::stol(request[0].result);
}

struct CJobGrid {
  CJobGrid() { table.ResetGrid(&grid, 2, 2); }
  QStringList Row(int r) const {
    QStringList cells;
    for (int c = 0; c < grid.Cols(); ++c) cells << grid.TextAt(r, c);
    return cells;
  }
  CGridData grid;
  CTableGrid table;
};

// The real echo, with the time-out of every request recorded per address;
// after runs on the sending thread once the answer is in.
struct CEchoLog {
  EchoFunction Function(std::function<void(const EchoRequest&)> after = {}) {
    return [this, after](const EchoRequest& request) {
      const EchoResult result = SendEcho(request);
      {
        std::lock_guard lock(mutex);
        sent[request.address & 0xFFFF].push_back(request.timeoutMs);
        ++count;
      }
      if (after) after(request);
      return result;
    };
  }
  std::mutex mutex;
  std::map<uint32_t, std::vector<uint32_t>> sent;  // by the address's last two bytes
  int count = 0;
};

class ChainLab : public ::testing::Test {
 protected:
  // Names from the chain's named only.
  static void SetUpTestSuite() { ApplyDnsServerList("127.0.0.1"); }
  void SetUp() override { SetTimeExceededFilter(""); }
  void TearDown() override { SetTimeExceededFilter(""); }
};

TEST_F(ChainLab, SweepOfASlash24FindsExactlyTheLiveHostsWithEachEchoCounted) {
  SetLateHostAnswering(false);
  CEchoLog echoes;
  CJobGrid g;
  std::atomic<bool> sortMenuDuringRun{false};
  DiscoveryHooks hooks;
  hooks.echo = echoes.Function([&](const EchoRequest& request) {
    if (g.table.SortMenuEnabled()) sortMenuDuringRun = true;
    // The late host answers from the second pass on.
    if ((request.address & 0xFF) == kLateHost) SetLateHostAnswering(true);
  });
  DiscoveryOptions options;
  options.firstHost = "10.72.10.1";
  options.hostCount = 254;
  options.threads = 254;
  CStatusLog status;
  RunJobHere([&] { RunDiscovery(g.table, options, {}, hooks); });
  SetLateHostAnswering(false);

  // Progress ("Pinging hosts: 37 of 254 done, 5 answered") comes between,
  // paced by the clock; the steps and the end are fixed.
  QStringList steps = status.Texts();
  const QRegularExpression progress(R"(^Pinging hosts: \d+ of 254 done, \d+ answered$)");
  steps.removeIf([&](const QString& text) { return progress.match(text).hasMatch(); });
  EXPECT_EQ(steps, QStringList({"Building host list", "Drawing table", "Pinging hosts", "Ready"}));
  EXPECT_EQ(g.table.StatusLabel(), QString("%1 of 254 hosts answered").arg(kLiveHosts.size() + 1));
  EXPECT_FALSE(sortMenuDuringRun);
  EXPECT_TRUE(g.table.SortMenuEnabled());
  ASSERT_EQ(g.grid.Rows(), 255);
  const QRegularExpression reachable(R"(^reachable \(\d+ ms ttl:63\)$)");
  for (int h = 1; h <= 254; ++h) {
    SCOPED_TRACE(h);
    const QStringList row = g.Row(h);
    EXPECT_EQ(row.mid(0, 2), QStringList({QString::number(h), QString("10.72.10.%1").arg(h)}));
    const std::vector<uint32_t>& timeouts = echoes.sent[(10u << 8) + h];
    if (kLiveHosts.count(h) || h == kLateHost) {
      EXPECT_TRUE(reachable.match(row[3]).hasMatch()) << row[3];
      EXPECT_EQ(g.grid.CellColourAt(h, 3), kDiscoveryReachableColour);
      // Never pinged again after the answer.
      EXPECT_EQ(timeouts.size(), h == kLateHost ? 2u : 1u);
      EXPECT_EQ(row[2], h == kLateHost ? QString() : QString("live-%1.chain.test").arg(h));
    } else {
      EXPECT_EQ(row[3], "unreachable (3 try(s), timeout 1300 ms)");
      EXPECT_EQ(g.grid.CellColourAt(h, 3), kDiscoveryNoReplyColour);
      EXPECT_EQ(timeouts, (std::vector<uint32_t>{300, 800, 1300}));
    }
  }
}

TEST_F(ChainLab, IcmpTraceListsTheRoutersAndTheFarHost) {
  const QRegularExpression time(R"(^\d+ ms $)");
  // r2's time-exceeded messages: all, none, the first two of each hop (whose
  // address then stays); the probes of hop 2 that answer.
  const std::pair<const char*, const char*> filters[] = {
      {"", "yyy"}, {"drop", "nnn"}, {"pass 2", "yyn"}};
  for (const auto& [filter, answered] : filters) {
    SCOPED_TRACE(std::string("filter '") + filter + "'");
    SetTimeExceededFilter(filter);
    CJobGrid g;
    TraceOptions options;
    options.destination = "far.chain.test";
    std::string shown;
    TraceHooks hooks;
    hooks.onDestinationAddress = [&](const std::string& address) { shown = address; };
    RunJobHere([&] { EXPECT_EQ(RunTrace(g.table, options, {}, hooks).end, TraceEnd::Reached); });
    EXPECT_EQ(shown, "10.72.4.2");
    ASSERT_EQ(g.grid.Rows(), 5);
    const bool named2 = answered[0] == 'y';
    const QStringList hops[] = {{"1", "10.72.1.1", "r1.chain.test"},
                                {"2", named2 ? "10.72.2.2" : "<-->", named2 ? "r2.chain.test" : ""},
                                {"3", "10.72.3.2", "r3.chain.test"},
                                {"4", "10.72.4.2", "far.chain.test"}};
    for (int h = 1; h <= 4; ++h) {
      const QStringList row = g.Row(h);
      EXPECT_EQ(row.mid(0, 3), hops[h - 1]);
      for (int k = 0; k < 3; ++k) {
        const bool answers = h != 2 || answered[k] == 'y';
        EXPECT_EQ(time.match(row[3 + k]).hasMatch(), answers) << row[3 + k];
        if (!answers) {
          EXPECT_EQ(row[3 + k], "t-o");
        }
      }
    }
    // 20 ms there and back: a busy relay delays frames, never speeds them
    // up, so the fastest probe tells.
    int fastest = INT32_MAX;
    for (int k = 3; k < 6; ++k)
      fastest = std::min(fastest, g.grid.TextAt(4, k).split(' ')[0].toInt());
    // Whole milliseconds, cut not rounded, on a machine others share: the
    // bound leaves room for a busy moment and still tells 20 ms from 40.
    EXPECT_GE(fastest, 20);
    EXPECT_LE(fastest, 30);
  }
}

// The ICMPv6 trace names every router in order and ends at the far host's
// echo reply, over raw and ping sockets alike. The relay's time-exceeded
// filter reads IPv4 only: with it dropping, r2 still answers over IPv6.
TEST_F(ChainLab, IcmpTraceOverIpv6ListsEveryRouterInOrder) {
  const QRegularExpression time(R"(^\d+ ms $)");
  const struct {
    EchoSocketChoice sockets;
    const char* filter;
  } cases[] = {{EchoSocketChoice::Automatic, ""},
               {EchoSocketChoice::Automatic, "drop"},
               {EchoSocketChoice::PingOnly, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << EchoSocketKindName(c.sockets == EchoSocketChoice::PingOnly
                                                              ? EchoSocketKind::Ping
                                                              : ProbeEchoSocket(true))
                                    << " sockets, filter '" << c.filter << "'");
    SetEchoSocketChoice(c.sockets);
    SetTimeExceededFilter(c.filter);
    CJobGrid g;
    TraceOptions options;
    options.destination = "2001:DB8:72:4:0::2";
    options.resolveNames = false;
    std::string shown;
    TraceHooks hooks;
    hooks.onDestinationAddress = [&](const std::string& address) { shown = address; };
    TraceOutcome outcome;
    RunJobHere([&] { outcome = RunTrace(g.table, options, {}, hooks); });
    SetEchoSocketChoice(EchoSocketChoice::Automatic);
    EXPECT_EQ(outcome.end, TraceEnd::Reached);
    EXPECT_EQ(outcome.destinationAddress, "2001:db8:72:4::2");
    EXPECT_EQ(shown, "2001:db8:72:4::2");
    ASSERT_EQ(g.grid.Rows(), 5);
    const char* const hops[] = {"2001:db8:72:1::1", "2001:db8:72:2::2", "2001:db8:72:3::2",
                                "2001:db8:72:4::2"};
    for (int h = 1; h <= 4; ++h) {
      const QStringList row = g.Row(h);
      EXPECT_EQ(row.mid(0, 3), QStringList({QString::number(h), hops[h - 1], ""}));
      for (int k = 3; k < 6; ++k) EXPECT_TRUE(time.match(row[k]).hasMatch()) << row[k];
    }
    int fastest = INT32_MAX;
    for (int k = 3; k < 6; ++k)
      fastest = std::min(fastest, g.grid.TextAt(4, k).split(' ')[0].toInt());
    EXPECT_GE(fastest, 20);
    EXPECT_LE(fastest, 30);
  }
}

// A sweep of IPv6 addresses 18 apart from 2001:db8:72:10::5: ::5 and ::17 are
// live hosts and answer their first echo; ::29 and ::3b are silent and get
// every pass, with the growing time-out.
TEST_F(ChainLab, SweepOfIpv6AddressesFindsTheLiveOnes) {
  std::mutex mutex;
  std::map<std::string, std::vector<uint32_t>> sent;
  DiscoveryHooks hooks;
  hooks.echo = [&](const EchoRequest& request) {
    {
      std::lock_guard lock(mutex);
      sent[request.Destination().Text()].push_back(request.timeoutMs);
    }
    return SendEcho(request);
  };
  DiscoveryOptions options;
  options.firstHost = "2001:db8:72:10::5";
  options.hostCount = 4;
  options.addressIncrement = 18;
  options.threads = 4;
  options.rounds = 2;
  options.initialTimeoutMs = 200;
  options.timeoutIncrementMs = 100;
  options.resolveNames = false;
  CJobGrid g;
  CStatusLog status;
  DiscoveryOutcome outcome;
  RunJobHere([&] { outcome = RunDiscovery(g.table, options, {}, hooks); });
  EXPECT_EQ(status.Texts().last(), "Ready");
  EXPECT_EQ(outcome.firstAddress, "2001:db8:72:10::5");
  EXPECT_EQ(outcome.reachable, 2u);
  EXPECT_EQ(outcome.unreachable, 2u);
  ASSERT_EQ(g.grid.Rows(), 5);
  const QRegularExpression reachable(R"(^reachable \(\d+ ms ttl:63\)$)");
  const struct {
    const char* address;
    bool live;
  } rows[] = {{"2001:db8:72:10::5", true},
              {"2001:db8:72:10::17", true},
              {"2001:db8:72:10::29", false},
              {"2001:db8:72:10::3b", false}};
  for (int r = 1; r <= 4; ++r) {
    const auto& row = rows[r - 1];
    SCOPED_TRACE(row.address);
    EXPECT_EQ(g.grid.TextAt(r, 1), row.address);
    const QString text = g.grid.TextAt(r, 3);
    if (row.live) {
      EXPECT_TRUE(reachable.match(text).hasMatch()) << text;
      EXPECT_EQ(sent[row.address], std::vector<uint32_t>({200}));
    } else {
      EXPECT_EQ(text, "unreachable (2 try(s), timeout 300 ms)");
      EXPECT_EQ(sent[row.address], std::vector<uint32_t>({200, 300}));
    }
  }
  EXPECT_EQ(sent.size(), 4u);
}

TEST_F(ChainLab, SnmpTraceFollowsTheRoutesAndSearchesEachPrefixOnce) {
  // Under 2c a route the agent lacks is an exception value in the answer,
  // not an error: the search goes on to the shorter prefixes all the same.
  for (const SnmpVersion version : {SnmpVersion::kV2c, SnmpVersion::kV1}) {
    SCOPED_TRACE(SnmpVersionText(version));
    CJobGrid g;
    TraceOptions options;
    options.destination = "10.72.4.2";
    options.icmpMode = false;
    CStatusLog status;
    SnmpTarget first = LabAgent("10.72.1.1", 161);
    first.version = version;
    RunJobHere([&] { EXPECT_EQ(RunTrace(g.table, options, first).end, TraceEnd::Reached); });
    const QStringList expected[] = {
        {"1", "chain-r1", "10.72.1.1\nr1.chain.test", "10.72.2.2\nr2.chain.test",
         Interface("r1", "r1c"), Interface("r1", "r1n"), "010.072.004.000\n255.255.255.000", "1",
         "local"},
        {"2", "chain-r2", "10.72.2.2\nr2.chain.test", "10.72.3.2\nr3.chain.test",
         Interface("r2", "r2p"), Interface("r2", "r2n"), "010.072.000.000\n255.255.000.000", "1",
         "local"},
        {"3", "chain-r3", "10.72.3.2\nr3.chain.test", "0.0.0.0\n", Interface("r3", "r3p"),
         Interface("r3", "r3f"), "010.072.004.000\n255.255.255.000", "0", "local"},
    };
    ASSERT_EQ(g.grid.Rows(), 4);
    for (int r = 1; r <= 3; ++r) {
      EXPECT_EQ(g.Row(r), expected[r - 1]);
      EXPECT_EQ(g.grid.RowHeight(r), 2 * g.grid.DefaultRowHeight());
    }
    // The request layer adds its own text for every index without a route.
    QStringList texts = status.Texts().mid(0, 6);
    texts.removeIf([](const QString& text) { return text.startsWith("Error in packet: "); });
    EXPECT_EQ(texts, QStringList({"Getting SysName", "Getting address variables",
                                  "Getting route informations", "Getting interfaces variables",
                                  "Following the routes to 10.72.4.2: 1 hop(s) found"}));
    EXPECT_EQ(status.Texts().back(), "Ready");
  }
  TraceOptions options;
  options.icmpMode = false;

  // 10.1.2.3: r1 holds 10.1.0.0/16 (4 indexes tried), r2 only its default
  // route (7), r3 nothing (7, then the trace ends); each agent also gets
  // the GET of its sysName.
  const std::pair<const char*, long> agents[] = {
      {"10.72.1.1", 5}, {"10.72.2.2", 8}, {"10.72.3.2", 8}};
  std::vector<long> before;
  for (const auto& [agent, gets] : agents) before.push_back(GetRequests(agent));
  CJobGrid search;
  options.destination = "10.1.2.3";
  options.resolveNames = options.interfaceInfo = false;
  RunJobHere([&] {
    EXPECT_EQ(RunTrace(search.table, options, LabAgent("10.72.1.1", 161)).end, TraceEnd::NoRoute);
  });
  for (size_t i = 0; i < std::size(agents); ++i) {
    EXPECT_EQ(GetRequests(agents[i].first) - before[i] - 1, agents[i].second) << agents[i].first;
  }
  ASSERT_EQ(search.grid.Rows(), 4);
  EXPECT_EQ(search.grid.TextAt(1, 6), "010.001.000.000\n255.255.000.000");
  EXPECT_EQ(search.grid.TextAt(2, 6), "000.000.000.000\n000.000.000.000");
  EXPECT_EQ(search.Row(3), QStringList({"3", "chain-r3", "10.72.3.2", "", "", "", "", "", ""}));
}

// The program's own --batch runs: exit code, the grid's Copy text and the
// last status text. The sweeps take their list from the inputs: increment
// 256, a first host by name (resolved once), no hosts, no workers.
TEST_F(ChainLab, BatchCommandsPrintTheGrid) {
  const QString title = "no\taddress\tname\tstatus\t\n";
  const struct {
    QString args;
    int exitCode;
    QString output;  // a pattern; the SNMP trace's: its first five lines
    QString lastStatus;
  } cases[] = {
      // r3 has no route to 10.72.0.0/24 (its "dest net unreachable" is rate
      // limited); the two others are r1's addresses.
      {"10.72.0.1 pingfind --count 3 --increment 256 --threads 3 --rounds 1", 0,
       title + "1\t10.72.0.1\t\t(dest net unreachable from 10.72.3.2|unreachable \\(1 try.*)\t\n"
               "2\t10.72.1.1\tr1.chain.test\treachable \\(\\d+ ms ttl:64\\)\t\n"
               "3\t10.72.2.1\tr1-east.chain.test\treachable \\(\\d+ ms ttl:64\\)\t\n",
       "Ready"},
      {"sweep-start.chain.test pingfind --count 2 --rounds 2 --timeout 100 --timeout-increment 50",
       2,
       title + "1\t10.72.10.1\t\tunreachable \\(2 try\\(s\\), timeout 150 ms\\)\t\n"
               "2\t10.72.10.2\t\tunreachable \\(2 try\\(s\\), timeout 150 ms\\)\t\n",
       "Ready"},
      {"10.72.10.5 pingfind --count 0", 2, title, "Ready"},
      {"10.72.10.5 pingfind --count 2 --threads 0", 2,
       title + "1\t10.72.10.5\t\t\t\n2\t10.72.10.6\t\t\t\n", "Ready"},
      {"r1.chain.test traceroute --dest no-such.chain.test", 1, "",
       "Cannot resolve destination name"},
      // r1's default route leads to r2, whose route to 10.99.0.0/16 leads
      // back: from hop 4 on each agent was seen before.
      {"10.72.1.1 traceroute --snmp --dest 10.99.1.1", 2,
       "nb.*\n1\tchain-r1\t.*\n2\tchain-r2\t.*\n3\tchain-r1\t10.72.2.1 "
       "r1-east.chain.test\t(?!.*loop).*\n"
       "4\tchain-r2\t10.72.2.2 r2.chain.test\t10.72.2.1 r1-east.chain.test\t.* \\(loop: as hop "
       "2\\)\t.*\n",
       "Trace ended after 30 hops"},
  };
  QTemporaryDir settings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.toStdString());
    CQueryLog queries("chain-named-query.log");
    const BatchRun run = RunBatch(("--batch " + c.args).split(' '), settings.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts).last(), c.lastStatus);
    QString output = run.out;
    if (c.args.contains("--snmp")) {
      EXPECT_EQ(output.count('\n'), 31);
      output = output.section('\n', 0, 4) + '\n';
    }
    EXPECT_TRUE(
        QRegularExpression(QRegularExpression::anchoredPattern(c.output)).match(output).hasMatch())
        << output;
    EXPECT_EQ(queries.Count("sweep-start.chain.test A"), c.args.startsWith("sweep-start") ? 1 : 0);
  }
}

// The same batch commands with an IPv6 HOST: the sweep, its /64 rule, the
// ICMPv6 trace and the reachability report (ping statistics and the far
// host's IPv6-only listener on TCP 80).
TEST_F(ChainLab, BatchCommandsTakeAnIpv6Host) {
  const QString title = "no\taddress\tname\tstatus\t\n";
  const QString time = "\\d+ ms ";
  const struct {
    QString args;
    int exitCode;
    QString output;      // a pattern
    QString lastStatus;  // a pattern
  } cases[] = {
      {"2001:db8:72:10::5 pingfind --count 3 --increment 18 --rounds 1 --timeout 200", 0,
       title + "1\t2001:db8:72:10::5\t[^\t]*\treachable \\(\\d+ ms ttl:63\\)\t\n"
               "2\t2001:db8:72:10::17\t[^\t]*\treachable \\(\\d+ ms ttl:63\\)\t\n"
               "3\t2001:db8:72:10::29\t[^\t]*\tunreachable \\(1 try\\(s\\), timeout 200 ms\\)\t\n",
       "Ready"},
      {"2001:db8:72:10:ffff:ffff:ffff:fffe pingfind --count 3", 64, "",
       ".* within one /64: .*2001:db8:72:10::/64\\)"},
      {"2001:db8:72:1::1 traceroute --dest 2001:db8:72:4::2", 0,
       "nb\\.\thop\tname\ttime0\ttime1\ttime2\t\n"
       "1\t2001:db8:72:1::1\t[^\t]*\t" +
           time + "\t" + time + "\t" + time +
           "\t\n"
           "2\t2001:db8:72:2::2\t[^\t]*\t" +
           time + "\t" + time + "\t" + time +
           "\t\n"
           "3\t2001:db8:72:3::2\t[^\t]*\t" +
           time + "\t" + time + "\t" + time +
           "\t\n"
           "4\t2001:db8:72:4::2\t[^\t]*\t" +
           time + "\t" + time + "\t" + time + "\t\n",
       "Ready"},
      {"2001:db8:72:4::2 reachability --pings 2 --timeout 300 --retries 0", 0,
       "Reachability parameters\n-----------------------\nFTP : not reachable\nHTTP : OK\n"
       "(.*\n){8}\nping results\n------------\n"
       ".*<reachable \\(\\d+ ms ttl:61\\)>\\)\n"
       " {0,3}\\d+ms/ {0,3}\\d+ms/ {0,3}\\d+ms \\(   2/   2 : 100% <reachable \\(\\d+ ms "
       "ttl:61\\)>\\)\n",
       "Ready"},
  };
  QTemporaryDir settings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.toStdString());
    const BatchRun run = RunBatch(("--batch " + c.args).split(' '), settings.path());
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    const QStringList err = run.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(err.isEmpty());
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(c.lastStatus))
                    .match(err.last())
                    .hasMatch())
        << err.last().toStdString();
    EXPECT_TRUE(
        QRegularExpression(QRegularExpression::anchoredPattern(c.output)).match(run.out).hasMatch())
        << run.out.toStdString();
  }
}

}  // namespace
}  // namespace tesmo
