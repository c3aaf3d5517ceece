// The chart's polling against the ICMP lab, from its client namespace
// (lab.d/icmp.up, lab.d/mib-graph.up): the rate of an interface counter on
// the live host while the test sends it a known stream of datagrams, the
// round trip over the 20 ms link, the default period of 5 seconds, and
// --batch graph.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/base/job_runner.h"
#include "core/snmp/column_walk.h"
#include "support/batch_run.h"
#include "support/lab_agents.h"
#include "support/mib_environment.h"
#include "tools/graph/graph_poll.h"

namespace tesmo {
namespace {

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment);

constexpr const char* kLive = "10.71.2.2";  // counter agent on UDP 1161
constexpr uint16_t kCounterPort = 1161;
constexpr const char* kFar = "10.71.4.2";     // behind the 20 ms link
constexpr const char* kSilent = "10.71.3.2";  // ignores echo requests

// ifIndex of the live host's interface towards the router.
std::string LinkIndex() {
  std::vector<TableRow> rows;
  WalkColumns(LabAgent(kLive, kCounterPort), {".1.3.6.1.2.1.2.2.1.2"}, rows);
  for (const TableRow& row : rows) {
    if (row.texts[0] == "l0" && row.instance.size() == 1) return std::to_string(row.instance[0]);
  }
  return "";
}

// Sends payload-byte datagrams to the live host's discard port at a steady
// pace while it lives (at most a minute).
class CDatagramStream {
 public:
  CDatagramStream(int perSecond, int payload) {
    thread = std::thread([=, this] {
      const int fd = socket(AF_INET, SOCK_DGRAM, 0);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(9);
      inet_pton(AF_INET, kLive, &to.sin_addr);
      const std::vector<char> data(static_cast<size_t>(payload), 'x');
      const auto start = std::chrono::steady_clock::now();
      const auto gap = std::chrono::microseconds(1000000 / perSecond);
      for (int n = 0; !stop.load() && n < perSecond * 60; ++n) {
        std::this_thread::sleep_until(start + n * gap);
        sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      }
      close(fd);
    });
  }
  ~CDatagramStream() {
    stop.store(true);
    thread.join();
  }

 private:
  std::atomic<bool> stop{false};
  std::thread thread;
};

TEST(GraphLab, CounterRateAndRoundTripEveryFiveSeconds) {
  const std::string index = LinkIndex();
  ASSERT_FALSE(index.empty());
  CGraphData data;
  data.AddEntry({kGraphSnmp, ".1.3.6.1.2.1.2.2.1.10." + index, "ifInOctets"});
  data.AddEntry({kGraphRoundTrip, kFar, "ping far"});

  // 200 datagrams of 1000 bytes a second; on the wire each is 1042 bytes
  // (UDP, IP and Ethernet headers).
  constexpr double kExpectedRate = 200 * 1042;
  CDatagramStream stream(200, 1000);
  GraphPollOptions options;
  options.periodSeconds = 0;  // the default period
  options.samples = 2;
  int polls = 0;
  options.onPoll = [&] { ++polls; };
  RunJobHere([&] { RunGraphPolling(data, LabAgent(kLive, kCounterPort), options); });

  const GraphSamples samples = data.Samples();
  EXPECT_EQ(polls, 3);  // one priming poll, two stored samples
  ASSERT_EQ(samples.times.size(), 2u);
  const int64_t apart = samples.times[1] - samples.times[0];
  EXPECT_GE(apart, 4);  // stamps are whole seconds
  EXPECT_LE(apart, 6);
  for (double rate : samples.values[0]) {
    EXPECT_GT(rate, 0.9 * kExpectedRate);
    EXPECT_LT(rate, 1.1 * kExpectedRate);
  }
  for (double roundTrip : samples.values[1]) {
    EXPECT_GE(roundTrip, 19);
    EXPECT_LE(roundTrip, 60);  // a busy machine delays frames in the relay
  }
  EXPECT_LE(std::min(samples.values[1][0], samples.values[1][1]), 22);
  EXPECT_EQ(samples.answered, (std::vector<int>{3, 3}));
}

TEST(GraphLab, BatchPrintsOneLinePerSample) {
  QTemporaryDir work;
  const BatchRun run = RunBatchIn(
      {"--batch", kLive, "graph", "--port", "1161", "--samples", "3", "--period", "0.2", "--entry",
       "P:" + QString(kFar), "--entry", "S:interfaces.ifTable.ifEntry.ifMtu.1"},
      work.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
  EXPECT_EQ(lines[0], "time\t10.71.4.2\tinterfaces.ifTable.ifEntry.ifMtu.1");
  const QRegularExpression sample(R"(^\d\d:\d\d:\d\d\t\d+\.000000\t65536\.000000$)");
  for (int i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(sample.match(lines[i]).hasMatch()) << lines[i].toStdString();
  }

  // An agent that never answers: the lines still come, every cell empty,
  // and the run fails.
  const BatchRun dead =
      RunBatchIn({"--batch", kLive, "graph", "--port", "1163", "--timeout", "200", "--retries", "0",
                  "--samples", "1", "--period", "0.1", "--entry", "S:system.sysUpTime.0"},
                 work.path());
  EXPECT_EQ(dead.exitCode, 2);
  EXPECT_TRUE(QRegularExpression(R"(\n\d\d:\d\d:\d\d\t\n$)").match(dead.out).hasMatch())
      << dead.out.toStdString();
  EXPECT_TRUE(dead.err.contains("No SNMP Response from 10.71.2.2")) << dead.err.toStdString();

  // Under 2c an object the agent lacks answers as an exception value: no
  // sample, as under version 1.
  const BatchRun missing =
      RunBatchIn({"--batch", kLive, "graph", "--port", "1161", "--version", "2c", "--samples", "1",
                  "--period", "0.1", "--entry", "S:.1.3.6.1.2.1.1.99.0"},
                 work.path());
  EXPECT_EQ(missing.exitCode, 2) << missing.out.toStdString();

  const BatchRun usage = RunBatchIn({"--batch", kLive, "graph", "--samples", "2"}, work.path());
  EXPECT_EQ(usage.exitCode, 64);
}

// A round-trip entry of an IPv6 address: the 20 ms link to the far host over
// ICMPv6, and a silent IPv6 host whose samples are lost.
TEST(GraphLab, BatchRoundTripsOfIpv6Addresses) {
  QTemporaryDir work;
  const BatchRun run =
      RunBatchIn({"--batch", kLive, "graph", "--samples", "3", "--period", "0.2", "--timeout",
                  "300", "--entry", "P:2001:db8:71:4::2", "--entry", "P:2001:db8:71:3::2"},
                 work.path());
  EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();  // the silent host lost its samples
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
  EXPECT_EQ(lines[0], "time\t2001:db8:71:4::2\t2001:db8:71:3::2");
  const QRegularExpression sample(R"(^\d\d:\d\d:\d\d\t(\d+)\.000000\t$)");
  for (int i = 1; i < lines.size(); ++i) {
    const QRegularExpressionMatch m = sample.match(lines[i]);
    ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
    EXPECT_GE(m.captured(1).toInt(), 19) << lines[i].toStdString();
  }
}

// A host that ignores echoes, and an SNMP entry naming its agent: the run is
// against the far host, which has no agent, and the entry asks the live
// host's agent with the run's parameters.
TEST(GraphLab, BatchLeavesLostSamplesEmptyAndAsksTheEntrysAgent) {
  QTemporaryDir work;
  const QString entryAgent = QString(kLive) + "/interfaces.ifTable.ifEntry.ifMtu.1";
  const BatchRun run =
      RunBatchIn({"--batch", kFar, "graph", "--port", "1161", "--samples", "2", "--period", "0.2",
                  "--entry", "P:" + QString(kSilent), "--entry", "S:" + entryAgent},
                 work.path());
  EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
  EXPECT_EQ(lines[0], "time\t" + QString(kSilent) + "\t" + entryAgent);
  const QRegularExpression sample(R"(^\d\d:\d\d:\d\d\t\t65536\.000000$)");
  for (int i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(sample.match(lines[i]).hasMatch()) << lines[i].toStdString();
  }

  const BatchRun noHost = RunBatchIn(
      {"--batch", kFar, "graph", "--samples", "1", "--entry", "S:/ifMtu.1"}, work.path());
  EXPECT_EQ(noHost.exitCode, 64);
}

}  // namespace
}  // namespace tesmo
