// The echo service, the ping loop and the service test against the lab's
// routed namespaces (tests/lab/lab.d/icmp.up). Runs in the client namespace,
// once as root (raw sockets, and ping sockets by choice) and once as an
// unprivileged user (ping sockets only).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/base/job_control.h"
#include "core/base/job_runner.h"
#include "core/icmp/echo_socket.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "support/batch_run.h"
#include "support/lab_agents.h"
#include "tools/reachability/ping_loop.h"
#include "tools/reachability/reachability_services.h"

namespace tesmo {
namespace {

using Clock = std::chrono::steady_clock;

// The lab's addresses (see icmp.up).
constexpr const char* kClient = "10.71.1.2";
constexpr const char* kRouter = "10.71.1.1";
constexpr const char* kLive = "10.71.2.2";
constexpr const char* kSilent = "10.71.3.2";
constexpr const char* kFar = "10.71.4.2";          // behind the 20 ms link
constexpr const char* kUnreachable = "10.71.9.9";  // route of type unreachable
constexpr const char* kBlackhole = "10.71.8.5";    // dropped without a word

// The same hosts over IPv6.
constexpr const char* kRouter6 = "2001:db8:71:1::1";
constexpr const char* kLive6 = "2001:db8:71:2::2";
constexpr const char* kSilent6 = "2001:db8:71:3::2";
constexpr const char* kFar6 = "2001:db8:71:4::2";
constexpr const char* kNoRoute6 = "2001:db8:71:9::9";     // route of type unreachable
constexpr const char* kProhibited6 = "2001:db8:71:a::5";  // route of type prohibit
constexpr const char* kBlackhole6 = "2001:db8:71:8::5";   // dropped without a word

uint32_t Address(const char* text) {
  return *ParseAddressText(text);
}

// The capture on the router: "source id seq ttl length hex-of-first-256-bytes".
std::string CapturedEcho(uint16_t identifier, uint16_t sequence) {
  QString path = qEnvironmentVariable("TESMO_LAB_DIR") + "/icmp-capture.txt";
  QString prefix = QString("%1 %2 %3 ").arg(kClient).arg(identifier).arg(sequence);
  Clock::time_point giveUp = Clock::now() + std::chrono::seconds(3);
  while (Clock::now() < giveUp) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix.toUtf8())) return line.toStdString();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

std::string PatternHex(size_t length) {
  std::vector<uint8_t> data(length);
  FillEchoPattern(data.data(), length);
  return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<int>(length))
      .toHex()
      .toStdString();
}

class EchoLab : public ::testing::TestWithParam<EchoSocketChoice> {
 protected:
  void SetUp() override {
    if (GetParam() == EchoSocketChoice::PingOnly && geteuid() != 0) {
      GTEST_SKIP() << "unprivileged: every echo uses a ping socket already";
    }
    SetEchoSocketChoice(GetParam());
  }
  void TearDown() override { SetEchoSocketChoice(EchoSocketChoice::Automatic); }

  struct Ping {
    PingOutcome outcome;
    uint32_t roundTrip = 0;
    std::string text, source;
  };
  static Ping Once(const char* address, uint32_t timeout = 1000, uint32_t length = 56,
                   uint32_t ttl = 64) {
    Ping p;
    p.outcome = PingOnce(address, p.roundTrip, timeout, length, ttl, p.text, p.source);
    return p;
  }
};

TEST_P(EchoLab, UsesTheSocketKindThePrivilegesAllow) {
  EchoSocketKind expected = GetParam() == EchoSocketChoice::Automatic && geteuid() == 0
                                ? EchoSocketKind::Raw
                                : EchoSocketKind::Ping;
  EXPECT_EQ(ProbeEchoSocket(), expected);
  EXPECT_EQ(ProbeEchoSocket(true), expected);
}

// Echoes over ICMPv6 and what comes back: the reply with its hop limit, the
// router's hop-limit and unreachable errors with their texts, silence.
TEST_P(EchoLab, Ipv6EchoesAndTheirAnswers) {
  const std::string fromRouter = std::string(" from ") + kRouter6;
  const struct {
    const char* address;
    uint32_t length, hopLimit, timeout;
    PingOutcome outcome;
    std::string text;  // "" for a reachable text with hop limit 63
    std::string source;
  } cases[] = {
      {kLive6, 56, 64, 1000, PingOutcome::Reachable, "", kLive6},
      // Fragmented on the way out and on the way back.
      {kLive6, 5000, 64, 2000, PingOutcome::Reachable, "", kLive6},
      {kFar6, 56, 1, 1000, PingOutcome::ErrorStatus, "ttl expired in transit" + fromRouter,
       kRouter6},
      {kFar6, 56, 257, 1000, PingOutcome::ErrorStatus, "ttl expired in transit" + fromRouter,
       kRouter6},
      {kNoRoute6, 56, 64, 1200, PingOutcome::ErrorStatus, "dest net unreachable" + fromRouter,
       kRouter6},
      {kProhibited6, 56, 64, 1200, PingOutcome::ErrorStatus, "dest admin prohibited" + fromRouter,
       kRouter6},
      {kSilent6, 56, 64, 300, PingOutcome::NoReply, "unreachable", ""},
      {kBlackhole6, 56, 64, 300, PingOutcome::NoReply, "unreachable", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.address << " length " << c.length << " hop limit " << c.hopLimit);
    Ping p;
    // A router's errors are rate limited per source: a few tries for those.
    for (int attempt = 0; attempt < 3; ++attempt) {
      p = Once(c.address, c.timeout, c.length, c.hopLimit);
      if (p.outcome == c.outcome) break;
    }
    EXPECT_EQ(p.outcome, c.outcome) << p.text;
    EXPECT_EQ(p.text, c.text.empty() ? ReachableText(p.roundTrip, 63) : c.text);
    EXPECT_EQ(p.source, c.source);
    if (c.outcome == PingOutcome::NoReply) {
      EXPECT_GE(p.roundTrip, c.timeout);
      EXPECT_LT(p.roundTrip, c.timeout + 700);
    }
  }
}

// An ICMPv6 echo waiting for an answer that never comes gives up within
// 50 ms of its cancel flag.
TEST_P(EchoLab, CancelEndsAnIpv6EchoQuickly) {
  std::atomic<int> cancel{0};
  EchoRequest request(0, 56, 64, 5000, &cancel);
  request.SetDestination(*ParseIpAddress(kBlackhole6));
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    cancel.store(1);
  });
  const EchoResult result = SendEcho(request);
  canceller.join();
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.state, EchoState::NoReply);
  EXPECT_GE(result.roundTripMs, 150u);
  EXPECT_LT(result.roundTripMs, 350u);
}

// The ping loop's statistics over IPv6, the far host's 20 ms link included.
TEST_P(EchoLab, PingLoopOverIpv6) {
  CPingLoop loop;
  PingSettings settings;
  settings.timeBetweenPing = 0;
  loop.SetSettings(settings);
  std::atomic<int> stop{0};
  loop.RunEchoes(kFar6, 4, stop);
  const PingStatistics s = loop.Statistics();
  EXPECT_EQ(s.sent, 4u);
  EXPECT_EQ(s.received, 4u);
  EXPECT_GE(s.min, 19u);
  QRegularExpression shape(
      R"(^ {0,3}\d+ms/ {0,3}\d+ms/ {0,3}\d+ms \(   4/   4 : 100% <reachable \(\d+ ms ttl:63\)>\)$)");
  EXPECT_TRUE(shape.match(QString::fromStdString(s.line)).hasMatch()) << s.line;
  loop.RunEchoes(kSilent6, 1, stop);
  EXPECT_EQ(loop.Statistics().sent, 5u);
  EXPECT_EQ(loop.Statistics().received, 4u);
}

TEST_P(EchoLab, LiveHostIsReachable) {
  Ping p = Once(kLive);
  EXPECT_EQ(p.outcome, PingOutcome::Reachable) << p.text;
  EXPECT_EQ(p.text, ReachableText(p.roundTrip, 63));  // one router on the way back
  EXPECT_EQ(p.source, kLive);
  EXPECT_LT(p.roundTrip, 1000u);
}

TEST_P(EchoLab, SilentHostIsUnreachableAfterTheTimeOut) {
  Ping p = Once(kSilent, 300);
  EXPECT_EQ(p.outcome, PingOutcome::NoReply);
  EXPECT_EQ(p.text, "unreachable");
  EXPECT_EQ(p.source, "");
  EXPECT_GE(p.roundTrip, 300u);
  EXPECT_LT(p.roundTrip, 1000u);
}

TEST_P(EchoLab, TtlExpiresAtTheRouter) {
  Ping p = Once(kFar, 1000, 56, 1);
  EXPECT_EQ(p.outcome, PingOutcome::ErrorStatus);
  EXPECT_EQ(p.text, std::string("ttl expired in transit from ") + kRouter);
  EXPECT_EQ(p.source, kRouter);
  // TTL 257 is sent as 1 too.
  p = Once(kFar, 1000, 56, 257);
  EXPECT_EQ(p.text, std::string("ttl expired in transit from ") + kRouter);
}

TEST_P(EchoLab, UnreachableRouteIsReportedByTheRouter) {
  // The kernel lets a router send "unreachable" about once a second to one
  // source, so give it a few tries.
  Ping p;
  for (int attempt = 0; attempt < 4; ++attempt) {
    p = Once(kUnreachable, 1200);
    if (p.outcome != PingOutcome::NoReply) break;
  }
  EXPECT_EQ(p.outcome, PingOutcome::ErrorStatus);
  EXPECT_EQ(p.text, std::string("dest host unreachable from ") + kRouter);
}

TEST_P(EchoLab, RoundTripOverTheDelayedLinkMatchesPing) {
  Once(kFar);  // neighbours resolved before anything is timed
  QProcess ping;
  ping.start("ping", {"-n", "-q", "-c", "5", "-i", "0.2", kFar});
  ASSERT_TRUE(ping.waitForFinished(10000));
  QString out = QString::fromUtf8(ping.readAllStandardOutput());
  QRegularExpressionMatch m = QRegularExpression(R"(= ([0-9.]+)/([0-9.]+)/([0-9.]+)/)").match(out);
  ASSERT_TRUE(m.hasMatch()) << out.toStdString();
  double pingMin = m.captured(1).toDouble();
  // The minimum of a few more echoes than ping sent: a busy machine delays
  // some frames in the relay, never speeds one up.
  uint32_t ourMin = UINT32_MAX;
  for (int i = 0; i < 10; ++i) {
    Ping p = Once(kFar);
    ASSERT_EQ(p.outcome, PingOutcome::Reachable) << p.text;
    ourMin = std::min(ourMin, p.roundTrip);
  }
  EXPECT_GE(pingMin, 19.0);  // the link is there at all
  // Ours are whole milliseconds, cut rather than rounded (20.99 ms reads 20),
  // and the least of ten may beat ping's least of five by a little jitter.
  EXPECT_GE(ourMin, pingMin - 2.0) << out.toStdString();
  EXPECT_LE(ourMin, pingMin + 1.0) << out.toStdString();
}

TEST_P(EchoLab, DataPatternAndTtlAtTheReceivingEnd) {
  struct Case {
    uint32_t length, ttl, wireTtl;
  } cases[] = {{27, 300, 44}, {0, 1, 1}, {1000, 64, 64}, {kMaxEchoData, 128, 128}};
  for (const Case& c : cases) {
    EchoResult r = SendEcho(EchoRequest{Address(kRouter), c.length, c.ttl, 2000, nullptr});
    ASSERT_EQ(r.state, EchoState::Reply) << c.length << ": " << r.errorText;
    EXPECT_EQ(r.status, 0u);
    std::string line = CapturedEcho(r.identifier, r.sequence);
    ASSERT_FALSE(line.empty()) << "no capture of echo " << r.identifier << "/" << r.sequence;
    std::string expected = std::to_string(c.wireTtl) + " " + std::to_string(c.length) + " " +
                           PatternHex(std::min<size_t>(c.length, 256));
    EXPECT_TRUE(
        QString::fromStdString(line).trimmed().endsWith(QString::fromStdString(expected).trimmed()))
        << line << "\nexpected to end with " << expected;
  }
}

TEST_P(EchoLab, TooMuchDataIsRefusedWithoutSending) {
  Ping p = Once(kLive, 1000, 65536);
  EXPECT_EQ(p.outcome, PingOutcome::NoReply);
  EXPECT_EQ(p.text, kEchoTooLongText);
  // The largest echo that fits crosses the router in fragments and comes back.
  p = Once(kLive, 3000, kMaxEchoData);
  EXPECT_EQ(p.outcome, PingOutcome::Reachable) << p.text;
}

TEST_P(EchoLab, TenThreadsGetTheirOwnAnswers) {
  struct Job {
    std::string address;
    uint32_t ttl, timeout;
    PingOutcome outcome;
    std::string text;  // expected; "" for any "reachable" text
    std::string source;
  };
  std::vector<Job> jobs;
  for (int i = 2; i <= 8; ++i) {
    std::string a = "10.71.2." + std::to_string(i);
    jobs.push_back({a, 64, 2000, PingOutcome::Reachable, "", a});
  }
  jobs.push_back({kFar, 64, 2000, PingOutcome::Reachable, "", kFar});
  jobs.push_back({kSilent, 64, 400, PingOutcome::NoReply, "unreachable", ""});
  jobs.push_back({"10.71.2.9", 1, 2000, PingOutcome::ErrorStatus,
                  std::string("ttl expired in transit from ") + kRouter, kRouter});

  std::vector<std::vector<std::string>> failures(jobs.size());
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (size_t j = 0; j < jobs.size(); ++j) {
    threads.emplace_back([&, j] {
      const Job& job = jobs[j];
      ready.fetch_add(1);
      while (ready.load() < static_cast<int>(jobs.size())) std::this_thread::yield();
      for (int round = 0; round < 5; ++round) {
        uint32_t roundTrip = 0;
        std::string text, source;
        PingOutcome outcome =
            PingOnce(job.address, roundTrip, job.timeout, 1400, job.ttl, text, source);
        bool ok = outcome == job.outcome && source == job.source &&
                  (job.text.empty() ? text.starts_with("reachable (") : text == job.text);
        if (!ok) failures[j].push_back(text + " / " + source);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (size_t j = 0; j < jobs.size(); ++j) {
    EXPECT_TRUE(failures[j].empty()) << jobs[j].address << ": " << failures[j].front();
  }
}

TEST_P(EchoLab, PingLoopAgainstTheLiveHost) {
  CPingLoop loop;
  PingSettings settings;
  settings.timeBetweenPing = 0;
  settings.mustBePinged = true;
  loop.SetSettings(settings);
  std::atomic<int> stop{0};
  loop.RunEchoes(kLive, 5, stop);
  PingStatistics s = loop.Statistics();
  EXPECT_EQ(s.sent, 5u);
  EXPECT_EQ(s.received, 5u);
  QRegularExpression shape(
      R"(^ {0,3}\d+ms/ {0,3}\d+ms/ {0,3}\d+ms \(   5/   5 : 100% <reachable \(\d+ ms ttl:63\)>\)$)");
  EXPECT_TRUE(shape.match(QString::fromStdString(s.line)).hasMatch()) << s.line;

  // The thread, pinging the far host with a short pause, then an address
  // text that does not parse.
  loop.Clear();
  settings.timeBetweenPing = 50;
  loop.SetSettings(settings);
  loop.SetTarget({true, kFar});
  loop.Start();
  Clock::time_point giveUp = Clock::now() + std::chrono::seconds(10);
  while (loop.Statistics().received < 3 && Clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  loop.SetTarget({true, "10.71.4.300"});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  loop.Stop();
  s = loop.Statistics();
  EXPECT_GE(s.received, 3u);
  EXPECT_GE(s.min, 19u);
  EXPECT_TRUE(s.line.ends_with("<invalid address>)")) << s.line;
}

// An echo the network refuses to carry ("No route to host" from the sending
// machine) is shown with its reason and counted as sent and lost.
TEST_P(EchoLab, AnEchoTheNetworkRefusesCountsAsLost) {
  CPingLoop loop;
  PingSettings settings;
  settings.timeBetweenPing = 0;
  loop.SetSettings(settings);
  std::atomic<int> stop{0};
  loop.RunEchoes("10.71.7.1", 2, stop);
  const PingStatistics s = loop.Statistics();
  EXPECT_EQ(s.sent, 2u);
  EXPECT_EQ(s.received, 0u);
  EXPECT_TRUE(s.line.starts_with("cannot send the echo: ")) << s.line;
}

INSTANTIATE_TEST_SUITE_P(Sockets, EchoLab,
                         ::testing::Values(EchoSocketChoice::Automatic, EchoSocketChoice::PingOnly),
                         [](const auto& info) {
                           return info.param == EchoSocketChoice::Automatic ? "Automatic"
                                                                            : "PingOnly";
                         });

// The batch report of an IPv6 host: the echoes' statistics and the TCP rows.
TEST(BatchLab, ReachabilityReportOfAnIpv6Host) {
  QTemporaryDir config;
  const BatchRun run = RunBatch(
      {"--batch", kLive6, "reachability", "--pings", "2", "--timeout", "300", "--retries", "0"},
      config.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(
      run.out.startsWith("Reachability parameters\n-----------------------\nFTP : not "
                         "reachable\nHTTP : OK\n"))
      << run.out.toStdString();
  EXPECT_TRUE(run.out.contains("\nTcp Echo : not reachable\nTelnet : OK\n"));
  QRegularExpression second(R"(\(   2/   2 : 100% <reachable \(\d+ ms ttl:63\)>\)\n$)");
  EXPECT_TRUE(second.match(run.out).hasMatch()) << run.out.toStdString();
}

TEST(BatchLab, ReachabilityReportOfTheLiveHost) {
  QTemporaryDir config;
  QProcess tesmo;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", config.path());
  tesmo.setProcessEnvironment(environment);
  tesmo.setWorkingDirectory(config.path());
  tesmo.start(qEnvironmentVariable("TESMO_BINARY"),
              {"--batch", kLive, "reachability", "--pings", "2", "--community", "meadow",
               "--timeout", "500", "--retries", "1"});
  ASSERT_TRUE(tesmo.waitForFinished(30000));
  QString report = QString::fromUtf8(tesmo.readAllStandardOutput());
  EXPECT_EQ(tesmo.exitCode(), 0) << report.toStdString();
  EXPECT_TRUE(
      report.startsWith("Reachability parameters\n-----------------------\nFTP : not "
                        "reachable\nHTTP : OK\n"))
      << report.toStdString();
  EXPECT_TRUE(report.contains("\nSNMP : OK\nTcp Echo : not reachable\nTelnet : OK\n"));
  QRegularExpression second(R"(\(   2/   2 : 100% <reachable \(\d+ ms ttl:63\)>\)\n$)");
  EXPECT_TRUE(second.match(report).hasMatch()) << report.toStdString();
}

// Run by CTest as nobody in a namespace whose ping_group_range admits no one.
TEST(IcmpNotPermitted, SaysHowToAllowIt) {
  if (qEnvironmentVariableIsEmpty("TESMO_ICMP_FORBIDDEN")) {
    GTEST_SKIP() << "only where ICMP sockets are forbidden";
  }
  EXPECT_EQ(ProbeEchoSocket(), EchoSocketKind::None);
  uint32_t roundTrip = 0;
  std::string text, source;
  EXPECT_EQ(PingOnce("127.0.0.1", roundTrip, 500, 56, 64, text, source), PingOutcome::NoReply);
  EXPECT_EQ(text, kIcmpNotPermittedText);
  EXPECT_NE(text.find("setcap cap_net_raw+ep"), std::string::npos);
  EXPECT_NE(text.find("net.ipv4.ping_group_range"), std::string::npos);

  CPingLoop loop;
  std::atomic<int> stop{0};
  loop.RunEchoes("127.0.0.1", 1, stop);
  EXPECT_EQ(loop.Statistics().line, kIcmpNotPermittedText);
  EXPECT_EQ(loop.Statistics().sent, 0u);
}

// The service checks' target: the lab's live host, answered at UDP 161.
SnmpTarget ServiceTarget(const char* address, const char* community, int timeoutMs, int retries,
                         const std::atomic<int>* stop) {
  SnmpTarget target = LabAgent(address, 161, timeoutMs, retries);
  target.readCommunity = community;
  target.stop = stop;
  return target;
}

TEST(ServiceLab, ExactlyTheListeningServicesAreOk) {
  std::atomic<int> stop{0};
  ServiceTestOptions options{ServiceTarget(kLive, "meadow", 500, 1, &stop)};
  CServiceResults results;
  std::vector<int> order;
  TestServices(options, results, [&order](int row, ServiceState) { order.push_back(row); });
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  for (int row = 0; row < kServiceCount; ++row) {
    const ReachabilityService& s = kReachabilityServices[static_cast<size_t>(row)];
    bool listening = s.port == 80 || s.port == 23 || s.snmp;
    EXPECT_EQ(results.Get(row), listening ? ServiceState::Ok : ServiceState::NotReachable)
        << s.name;
  }
  // A community the agent does not know gets no answer at all.
  EXPECT_EQ(SnmpProbe(ServiceTarget(kLive, "wrong", 200, 0, &stop)), ProbeResult::NoAnswer);
}

// The TCP rows connect over IPv6 to an IPv6 target: the live host listens on
// 80 and 23 there too and refuses the rest.
TEST(ServiceLab, TcpServicesOverIpv6) {
  std::atomic<int> stop{0};
  ServiceTestOptions options{ServiceTarget(kLive6, "meadow", 300, 0, &stop)};
  CServiceResults results;
  TestServices(options, results);
  for (int row = 0; row < kServiceCount; ++row) {
    const ReachabilityService& s = kReachabilityServices[static_cast<size_t>(row)];
    if (s.snmp) continue;  // UDP over IPv6 is the SNMP session's
    const bool listening = s.port == 80 || s.port == 23;
    const ServiceOutcome outcome = results.Outcome(row);
    EXPECT_EQ(outcome.state, listening ? ServiceState::Ok : ServiceState::NotReachable) << s.name;
    EXPECT_EQ(outcome.refused, !listening) << s.name;
  }
  const IpAddress blackhole = *ParseIpAddress(kBlackhole6);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(ConnectBounded(blackhole, 80, 300, stop), ProbeResult::NoAnswer);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
}

TEST(ServiceLab, StopInTheMiddleEndsTheTestQuickly) {
  CServiceResults results;
  std::atomic<bool> firstRowDone{false};
  std::thread job([&] {
    RunJobHere([&] {
      ServiceTestOptions options{ServiceTarget(kBlackhole, "meadow", 2000, 3, &StopFlag), 1000};
      TestServices(options, results, [&](int, ServiceState) { firstRowDone = true; });
    });
  });
  Clock::time_point giveUp = Clock::now() + std::chrono::seconds(5);
  while (!firstRowDone && Clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well into the second row
  Clock::time_point stopAt = Clock::now();
  RequestStop();
  job.join();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stopAt);
  EXPECT_LT(took.count(), 200);
  EXPECT_EQ(results.Get(0), ServiceState::NotReachable);  // FTP: bounded connect gave up
  for (int row = 1; row < kServiceCount; ++row) EXPECT_EQ(results.Get(row), ServiceState::Untested);
  EXPECT_EQ(StopFlag.load(), 1);

  // The SNMP row honours a stop too.
  std::atomic<int> stop{0};
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = 1;
  });
  Clock::time_point start = Clock::now();
  EXPECT_EQ(SnmpProbe(ServiceTarget(kBlackhole, "meadow", 2000, 3, &stop)), ProbeResult::Stopped);
  stopper.join();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
}

}  // namespace
}  // namespace tesmo
