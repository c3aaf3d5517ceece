// The ping loop's logic over a scripted echo layer: statistics line, the
// minimum, average and maximum, the time-out boundary, capped data, address
// texts that do not parse, the 2,500-line history, Clear, and the loop thread
// with no pause and with a long pause cut short by Stop.
#include "tools/reachability/ping_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

namespace tesmo {
namespace {

EchoResult Success(uint32_t ms, uint8_t ttl = 64) {
  EchoResult r;
  r.state = EchoState::Reply;
  r.status = 0;
  r.source = 0x0A000002;
  r.ttl = ttl;
  r.sent = true;
  r.roundTripMs = ms;
  return r;
}

EchoResult Silence(uint32_t ms = 1000) {
  EchoResult r;
  r.state = EchoState::NoReply;
  r.sent = true;
  r.roundTripMs = ms;
  return r;
}

EchoResult Error(uint32_t status, uint32_t source, uint32_t ms = 2) {
  EchoResult r = Success(ms, 250);
  r.status = status;
  r.source = source;
  return r;
}

// Plays a script of answers in order (then repeats the last), recording the
// requests. Safe to use from the loop thread.
class CScript {
 public:
  explicit CScript(std::deque<EchoResult> answers) : answers(std::move(answers)) {}
  EchoFunction Function() {
    return [this](const EchoRequest& request) {
      std::lock_guard lock(mutex);
      requests.push_back(request);
      EchoResult r = answers.front();
      if (answers.size() > 1) answers.pop_front();
      return r;
    };
  }
  std::vector<EchoRequest> Requests() {
    std::lock_guard lock(mutex);
    return requests;
  }

 private:
  std::mutex mutex;
  std::deque<EchoResult> answers;
  std::vector<EchoRequest> requests;
};

PingSettings Pinging(uint32_t pause = 1000) {
  PingSettings s;
  s.mustBePinged = true;
  s.timeBetweenPing = pause;
  return s;
}

TEST(PingLoop, StatisticsLines) {
  struct Case {
    const char* name;
    std::deque<EchoResult> answers;
    std::vector<std::string> lines;
  } cases[] = {
      {"first success after two failures",
       {Silence(), Silence(), Success(12)},
       {"unreachable", "unreachable",
        "  12ms/  12ms/  12ms (   1/   3 :  33% <reachable (12 ms ttl:64)>)"}},
      {"failures after a success keep the statistics",
       {Success(7), Silence(), Error(11013, 0x0A000001)},
       {"   7ms/   7ms/   7ms (   1/   1 : 100% <reachable (7 ms ttl:64)>)",
        "   7ms/   7ms/   7ms (   1/   2 :  50% <unreachable>)",
        "   7ms/   7ms/   7ms (   1/   3 :  33% <ttl expired in transit from 10.0.0.1>)"}},
      {"a reply at exactly the time-out is no success",
       {Success(1000), Success(999), Error(11003, 0x0A000001, 1000)},
       {"unreachable", " 999ms/ 999ms/ 999ms (   1/   2 :  50% <reachable (999 ms ttl:64)>)",
        " 999ms/ 999ms/ 999ms (   1/   3 :  33% <unreachable>)"}},
      {"min, average (integer division) and max; a 0 ms success stays the minimum",
       {Success(0), Success(5), Success(3), Success(8)},
       {"   0ms/   0ms/   0ms (   1/   1 : 100% <reachable (0 ms ttl:64)>)",
        "   0ms/   2ms/   5ms (   2/   2 : 100% <reachable (5 ms ttl:64)>)",
        "   0ms/   2ms/   5ms (   3/   3 : 100% <reachable (3 ms ttl:64)>)",
        "   0ms/   4ms/   8ms (   4/   4 : 100% <reachable (8 ms ttl:64)>)"}},
      {"a lower success lowers the minimum, a higher one does not",
       {Success(9), Success(4), Success(6)},
       {"   9ms/   9ms/   9ms (   1/   1 : 100% <reachable (9 ms ttl:64)>)",
        "   4ms/   6ms/   9ms (   2/   2 : 100% <reachable (4 ms ttl:64)>)",
        "   4ms/   6ms/   9ms (   3/   3 : 100% <reachable (6 ms ttl:64)>)"}},
      {"a status above the table is a success",
       {Success(2), Error(11050, 0x0A000002, 3)},
       {"   2ms/   2ms/   2ms (   1/   1 : 100% <reachable (2 ms ttl:64)>)",
        "   2ms/   2ms/   3ms (   2/   2 : 100% <reachable (3 ms ttl:250)>)"}},
      {"a status with a text is no success",
       {Error(11002, 0xC0A80001)},
       {"dest net unreachable from 192.168.0.1"}},
  };
  for (Case& c : cases) {
    CScript script(c.answers);
    CPingLoop loop(script.Function());
    loop.SetSettings(Pinging());
    loop.SetTarget({true, "10.0.0.2"});
    for (size_t i = 0; i < c.lines.size(); ++i) {
      ASSERT_TRUE(loop.PingStep()) << c.name;
      EXPECT_EQ(loop.Statistics().line, c.lines[i]) << c.name << ", echo " << i + 1;
    }
    EXPECT_EQ(loop.History().Lines(), c.lines) << c.name;
  }
}

TEST(PingLoop, SendsWhatTheSettingsSay) {
  CScript script({Success(1)});
  CPingLoop loop(script.Function());
  PingSettings s = Pinging();
  s.packetLength = 70000;
  s.ttl = 300;
  s.timeout = 1234;
  loop.SetSettings(s);
  loop.SetTarget({true, "10.0.0.2"});
  loop.PingStep();
  s.packetLength = 0;
  loop.SetSettings(s);
  loop.PingStep();
  std::vector<EchoRequest> requests = script.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].dataLength, 65536u);  // capped
  EXPECT_EQ(requests[0].ttl, 300u);           // the echo layer keeps the low 8 bits
  EXPECT_EQ(requests[0].timeoutMs, 1234u);
  EXPECT_EQ(requests[0].address, 0x0A000002u);
  EXPECT_EQ(requests[1].dataLength, 0u);
}

TEST(PingLoop, SendsOnlyWhileTickedAndTargetValid) {
  CScript script({Success(1)});
  CPingLoop loop(script.Function());
  loop.SetTarget({true, "10.0.0.2"});
  EXPECT_FALSE(loop.PingStep());  // MustBePinged is clear by default
  loop.SetMustBePinged(true);
  loop.SetTarget({false, "10.0.0.2"});
  EXPECT_FALSE(loop.PingStep());
  EXPECT_TRUE(script.Requests().empty());
  EXPECT_EQ(loop.Statistics().line, "<--->");
  EXPECT_EQ(loop.History().Count(), 0u);
}

TEST(PingLoop, AddressTextThatDoesNotParseIsNeverSentTo) {
  CScript script({Success(3)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging());
  loop.SetTarget({true, "10.0.0.2"});
  loop.PingStep();
  for (const char* text : {"255.255.255.255", "10.0.0.999", "", "router.lab"}) {
    loop.SetTarget({true, text});
    loop.PingStep();
    EXPECT_EQ(loop.Statistics().line, "   3ms/   3ms/   3ms (   1/   1 : 100% <invalid address>)")
        << text;
  }
  EXPECT_EQ(script.Requests().size(), 1u);
  EXPECT_EQ(loop.Statistics().sent, 1u);
}

TEST(PingLoop, EchoesThatCannotBeSentSayWhyAndCountNothing) {
  EchoResult refused;
  refused.state = EchoState::LocalError;
  refused.errorText = kIcmpNotPermittedText;
  CScript script({refused});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging());
  loop.SetTarget({true, "10.0.0.2"});
  loop.PingStep();
  EXPECT_EQ(loop.Statistics().line, kIcmpNotPermittedText);
  EXPECT_EQ(loop.Statistics().sent, 0u);
}

TEST(PingLoop, TargetIsAskedForAtEveryEcho) {
  CScript script({Success(1)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging());
  int turn = 0;
  loop.SetTargetProvider([&turn] {
    return PingTarget{true, ++turn == 1 ? "10.0.0.1" : "10.0.0.9"};
  });
  loop.PingStep();
  loop.PingStep();
  std::vector<EchoRequest> requests = script.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].address, 0x0A000001u);
  EXPECT_EQ(requests[1].address, 0x0A000009u);
  EXPECT_EQ(loop.Statistics().received, 2u);  // statistics go on across targets
}

TEST(PingLoop, HistoryKeepsTheNewest2500Lines) {
  // Distinct lines: errors from a different source each time.
  std::deque<EchoResult> answers;
  for (uint32_t i = 0; i < 2600; ++i) answers.push_back(Error(11003, 0x0A000000 + i));
  CScript script(answers);
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging());
  loop.SetTarget({true, "10.0.0.2"});
  for (int i = 0; i < 2600; ++i) loop.PingStep();
  std::vector<std::string> lines = loop.History().Lines();
  ASSERT_EQ(lines.size(), 2500u);
  EXPECT_EQ(lines.front(), "dest host unreachable from 10.0.0.100");
  EXPECT_EQ(lines.back(), "dest host unreachable from 10.0.10.39");  // 0x0A000000 + 2599
  EXPECT_EQ(loop.Statistics().sent, 2600u);
}

TEST(PingLoop, ClearResetsStatisticsAndHistory) {
  CScript script({Success(4)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging());
  loop.SetTarget({true, "10.0.0.2"});
  loop.PingStep();
  loop.PingStep();
  loop.Clear();
  PingStatistics s = loop.Statistics();
  EXPECT_EQ(s.line, "<--->");
  EXPECT_EQ(s.sent + s.received + s.min + s.max + s.total, 0u);
  EXPECT_EQ(loop.History().Count(), 0u);
  loop.PingStep();
  EXPECT_EQ(loop.Statistics().line,
            "   4ms/   4ms/   4ms (   1/   1 : 100% <reachable (4 ms ttl:64)>)");
}

TEST(PingLoop, ThreadWithoutPauseSendsBackToBack) {
  CScript script({Success(0)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging(0));
  loop.SetTarget({true, "127.0.0.1"});
  loop.Start();
  EXPECT_TRUE(loop.Running());
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (loop.Statistics().sent < 200 && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  loop.Stop();
  EXPECT_FALSE(loop.Running());
  PingStatistics s = loop.Statistics();
  // With a 1000 ms pause this would take minutes; without one it is at once.
  EXPECT_GE(s.sent, 200u);
  EXPECT_EQ(s.received, s.sent);
  const std::vector<std::string> history = loop.History().Lines();
  EXPECT_EQ(history.size(), std::min<size_t>(s.sent, CPingLoop::kHistoryLines));
  EXPECT_EQ(history.back(), s.line);
}

TEST(PingLoop, StopCutsTheWaitShortAndTheLoopCanStartAgain) {
  CScript script({Success(1)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging(60000));
  loop.SetTarget({true, "10.0.0.2"});
  for (int round = 0; round < 2; ++round) {
    loop.Start();
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (loop.Statistics().sent < static_cast<uint32_t>(round + 1) &&
           std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    auto before = std::chrono::steady_clock::now();
    loop.Stop();
    auto took = std::chrono::steady_clock::now() - before;
    // The loop is in its 60 s wait; the handshake ends it long before.
    EXPECT_LT(took, std::chrono::seconds(2)) << "round " << round;
    EXPECT_EQ(loop.Statistics().sent, static_cast<uint32_t>(round + 1));
  }
}

TEST(PingLoop, IdleLoopStillWaitsItsInterval) {
  CScript script({Success(1)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging(20));
  loop.SetMustBePinged(false);
  loop.SetTarget({true, "10.0.0.2"});
  loop.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  loop.SetMustBePinged(true);
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (loop.Statistics().sent < 2 && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  loop.Stop();
  EXPECT_GE(loop.Statistics().sent, 2u);
}

TEST(PingLoop, RunEchoesCountsAndStops) {
  CScript script({Success(2)});
  CPingLoop loop(script.Function());
  loop.SetSettings(Pinging(0));
  std::atomic<int> stop{0};
  loop.RunEchoes("10.0.0.2", 4, stop);
  EXPECT_EQ(loop.Statistics().sent, 4u);
  stop = 1;
  loop.RunEchoes("10.0.0.2", 4, stop);
  EXPECT_EQ(loop.Statistics().sent, 4u);
}

}  // namespace
}  // namespace tesmo
