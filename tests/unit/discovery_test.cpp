// The sweep's claim rule over scripted echoes: whatever the number of
// workers and however they overtake each other, every host gets its ladder
// of time-outs exactly once and ends with the colour of its outcome.
#include "tools/discovery/discovery.h"

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "core/base/job_runner.h"
#include "core/base/settings_store.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_status.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "support/qt_print.h"
#include "support/status_log.h"

namespace tesmo {
namespace {

TEST(Discovery, EveryHostGetsItsTimeoutLadderOnceWhateverTheWorkers) {
  // Host i of 40 (10.9.0.1 + i): every fifth answers from its first echo,
  // every seventh from its second, every eleventh is refused by a router, the
  // rest stay silent. In the last run every host answers at once: a stored
  // pass count of 2^32 - 1 must not keep the workers walking the list.
  const std::pair<uint32_t, uint32_t> runs[] = {{1, 3}, {3, 3}, {16, 3}, {64, 3}, {4, UINT32_MAX}};
  for (const auto& [threads, rounds] : runs) {
    SCOPED_TRACE(testing::Message() << threads << " workers, " << rounds << " passes");
    const auto answersFrom = [&](uint32_t i) -> size_t {
      return rounds == UINT32_MAX || i % 5 == 0 ? 1 : i % 7 == 0 ? 2 : 0;
    };
    const auto refused = [&](uint32_t i) { return answersFrom(i) == 0 && i % 11 == 0; };
    const uint32_t first = *ParseAddressText("10.9.0.1");
    std::mutex mutex;
    std::map<uint32_t, std::vector<uint32_t>> timeouts;  // per host, in sending order
    std::mt19937 random(threads);
    DiscoveryHooks hooks;
    hooks.echo = [&](const EchoRequest& request) {
      EXPECT_EQ(request.cancel, &StopFlag);
      const uint32_t i = request.address - first;
      EchoResult r;
      r.sent = true;
      int pause = 0;
      {
        std::lock_guard lock(mutex);
        timeouts[i].push_back(request.timeoutMs);
        const bool answers = answersFrom(i) != 0 && timeouts[i].size() >= answersFrom(i);
        if (answers || refused(i)) {
          r.state = EchoState::Reply;
          r.status = answers ? kEchoSuccess : kEchoDestHostUnreachable;
          r.source = answers ? request.address : first - 1;
          r.ttl = 64;
          r.roundTripMs = 2;
        }
        pause = static_cast<int>(random() % 3);
      }
      // An echo without answer waits its time-out scaled down 100 times, with
      // jitter, so that workers overtake each other and passes overlap.
      if (r.state == EchoState::NoReply) pause += static_cast<int>(request.timeoutMs / 100);
      std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      return r;
    };
    DiscoveryOptions options;
    options.firstHost = "10.9.0.1";
    options.hostCount = 40;
    options.threads = threads;
    options.rounds = rounds;
    options.resolveNames = false;
    CGridData grid;
    CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    DiscoveryOutcome outcome;
    RunJobHere([&] { outcome = RunDiscovery(table, options, {}, hooks); });
    EXPECT_EQ(outcome.workers, std::min(threads, 40u));
    uint32_t reachable = 0, refusedHosts = 0;
    for (uint32_t i = 0; i < 40; ++i) {
      if (answersFrom(i) != 0) ++reachable;
      if (refused(i)) ++refusedHosts;
    }
    EXPECT_EQ(outcome.reachable, reachable);
    EXPECT_EQ(outcome.refused, refusedHosts);
    EXPECT_EQ(outcome.unreachable, 40 - reachable - refusedHosts);

    for (uint32_t i = 0; i < 40; ++i) {
      SCOPED_TRACE(i);
      const int row = static_cast<int>(i) + 1;
      std::vector<uint32_t> ladder = {300, 800, 1300};
      QString status = "unreachable (3 try(s), timeout 1300 ms)";
      uint32_t colour = kDiscoveryNoReplyColour;
      if (refused(i)) {
        ladder.resize(1);
        status = "dest host unreachable from 10.9.0.0";
        colour = kDiscoveryErrorColour;
      } else if (answersFrom(i) != 0) {
        ladder.resize(answersFrom(i));
        status = "reachable (2 ms ttl:64)";
        colour = kDiscoveryReachableColour;
      }
      EXPECT_EQ(timeouts[i], ladder);
      EXPECT_EQ(grid.TextAt(row, 3), status);
      EXPECT_EQ(grid.CellColourAt(row, 3), colour);
    }
  }
}

// A sweep cut down to its caps says so in its last status text.
TEST(Discovery, CapsAreSaid) {
  const struct {
    uint32_t hosts, threads;
    const char* last;
  } cases[] = {
      {3, 2, "Ready"},
      {3, 5000, "Ready: 3 threads did the work of the 5000 asked for (at most 1024 a sweep)"},
      {kMaxDiscoveryHosts + 1, 64,
       "Ready: the first 65536 of 65537 hosts were swept (at most 65536 a sweep)"},
  };
  for (const auto& c : cases) {
    DiscoveryHooks hooks;
    hooks.echo = [](const EchoRequest& request) {
      EchoResult r;
      r.sent = true;
      r.state = EchoState::Reply;
      r.source = request.address;
      return r;
    };
    DiscoveryOptions options;
    options.firstHost = "10.9.0.1";
    options.hostCount = c.hosts;
    options.threads = c.threads;
    options.resolveNames = false;
    CGridData grid;
    CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    CStatusLog status;
    RunJobHere([&] { RunDiscovery(table, options, {}, hooks); });
    EXPECT_EQ(status.Texts().last(), c.last);
  }
}

// The addresses of a sweep: IPv4 wraps modulo 2^32 as it always did; IPv6
// counts on the low 64 bits and is refused, with a sentence, when its last
// address would leave the first host's /64.
TEST(Discovery, SweepAddressesStayInTheirSlash64) {
  const struct {
    const char* first;
    uint32_t count, increment;
    std::vector<std::string> addresses;  // empty with refused
    bool refused;
  } cases[] = {
      {"10.9.0.254", 3, 1, {"10.9.0.254", "10.9.0.255", "10.9.1.0"}, false},
      {"255.255.255.254", 3, 1, {"255.255.255.254", "255.255.255.255", "0.0.0.0"}, false},
      {"2001:db8:72:10::5",
       4,
       18,
       {"2001:db8:72:10::5", "2001:db8:72:10::17", "2001:db8:72:10::29", "2001:db8:72:10::3b"},
       false},
      {"2001:db8::ffff", 2, 1, {"2001:db8::ffff", "2001:db8::1:0"}, false},
      {"2001:db8:0:1:ffff:ffff:ffff:fffe",
       2,
       1,
       {"2001:db8:0:1:ffff:ffff:ffff:fffe", "2001:db8:0:1:ffff:ffff:ffff:ffff"},
       false},
      // One step past the top of the /64, by count and by increment.
      {"2001:db8:0:1:ffff:ffff:ffff:fffe", 3, 1, {}, true},
      {"2001:db8:0:1:ffff:ffff:ffff:0", 2, 65536, {}, true},
      {"2001:db8:0:1:ffff:ffff:fffe:0",
       2,
       65536,
       {"2001:db8:0:1:ffff:ffff:fffe:0", "2001:db8:0:1:ffff:ffff:ffff:0"},
       false},
      // The largest span: 65536 hosts 2^32 - 1 apart from the bottom of a /64.
      {"2001:db8::", 65536, UINT32_MAX, {}, false},
      {"2001:db8::ffff:ffff:0:0", 65536, UINT32_MAX, {}, true},
      {"2001:db8::", 0, 1, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " count " << c.count << " by " << c.increment);
    const std::optional<IpAddress> first = ParseIpAddress(c.first);
    ASSERT_TRUE(first);
    std::vector<std::string> addresses;
    std::string error;
    EXPECT_EQ(SweepAddresses(*first, c.count, c.increment, addresses, &error), !c.refused);
    if (c.refused) {
      EXPECT_TRUE(addresses.empty());
      EXPECT_NE(error.find("/64"), std::string::npos) << error;
      continue;
    }
    EXPECT_TRUE(error.empty());
    ASSERT_EQ(addresses.size(), c.count);
    if (!c.addresses.empty()) {
      EXPECT_EQ(addresses, c.addresses);
    }
    if (c.count > 0 && c.increment == UINT32_MAX) {
      EXPECT_EQ(addresses.back(), "2001:db8::fffe:ffff:1");
    }
  }
}

// A refused range starts nothing: no echo, no row, and the status says why.
TEST(Discovery, RangeLeavingTheSlash64StartsNothing) {
  DiscoveryHooks hooks;
  std::atomic<int> echoes{0};
  hooks.echo = [&](const EchoRequest&) {
    ++echoes;
    return EchoResult{};
  };
  DiscoveryOptions options;
  options.firstHost = "2001:db8:72:10:ffff:ffff:ffff:fff0";
  options.hostCount = 17;
  options.resolveNames = false;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  CStatusLog status;
  DiscoveryOutcome outcome;
  RunJobHere([&] { outcome = RunDiscovery(table, options, {}, hooks); });
  EXPECT_FALSE(outcome.started);
  EXPECT_TRUE(outcome.badRange);
  EXPECT_EQ(echoes.load(), 0);
  EXPECT_EQ(grid.Rows(), 2);
  EXPECT_TRUE(status.Texts().last().contains("2001:db8:72:10::/64")) << status.Texts().last();
}

// The options added after the page's first ten: a file that never had them
// stays as it was while they keep their built-in values; once stored they
// come back, and going back to the built-in values is stored too.
TEST(Discovery, AddedOptionsAreStoredOnceTheyDifferFromTheirDefaults) {
  const auto fileText = [] {
    QFile file(CSettingsStore::FilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  };
  DiscoveryOptions().Save();
  for (const char* key : {"ArpFromRouter", "ArpRouter", "AskSnmp"}) {
    EXPECT_FALSE(fileText().contains(QString::fromUtf8(key))) << key;
  }
  DiscoveryOptions changed;
  changed.arpFromRouter = true;
  changed.arpRouter = "r1.chain.test";
  changed.askSnmp = true;
  const struct { DiscoveryOptions saved; } steps[] = {{changed}, {DiscoveryOptions()}};
  for (const auto& step : steps) {
    step.saved.Save();
    const DiscoveryOptions loaded = DiscoveryOptions::Load();
    EXPECT_EQ(loaded.arpFromRouter, step.saved.arpFromRouter);
    EXPECT_EQ(loaded.arpRouter, step.saved.arpRouter);
    EXPECT_EQ(loaded.askSnmp, step.saved.askSnmp);
  }
  EXPECT_TRUE(fileText().contains(QStringLiteral("ArpFromRouter=0")));
}

}  // namespace
}  // namespace tesmo
