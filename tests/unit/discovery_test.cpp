// The sweep's claim rule over scripted echoes: whatever the number of
// workers and however they overtake each other, every host gets its ladder
// of time-outs exactly once and ends with the colour of its outcome.
#include "core/icmp/discovery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_status.h"
#include "core/net/address_text.h"
#include "support/qt_print.h"

namespace tesmo {
namespace {

// How a scripted host answers: from which echo on (0: never), and whether a
// router refuses it instead.
struct Host {
  size_t answersFrom;
  bool refused;
};

EchoResult Answer(const EchoRequest& request, const Host& host, size_t echoNumber) {
  EchoResult r;
  r.sent = true;
  if (host.refused) {
    r.state = EchoState::Reply;
    r.status = kEchoDestHostUnreachable;
    r.source = *ParseAddressText("10.9.9.9");
  } else if (host.answersFrom != 0 && echoNumber >= host.answersFrom) {
    r.state = EchoState::Reply;
    r.status = kEchoSuccess;
    r.source = request.address;
    r.ttl = 64;
    r.roundTripMs = 2;
  }
  return r;
}

TEST(Discovery, EveryHostGetsItsTimeoutLadderOnceWhateverTheWorkers) {
  // 40 hosts: every fifth answers, every seventh from its second echo on,
  // every eleventh is refused by a router, the rest stay silent.
  const uint32_t first = *ParseAddressText("10.9.0.1");
  std::map<uint32_t, Host> hosts;
  for (uint32_t i = 0; i < 40; ++i) {
    hosts[first + i] = {i % 5 == 0   ? 1u
                        : i % 7 == 0 ? 2u
                                     : 0u,
                        i % 5 != 0 && i % 7 != 0 && i % 11 == 0};
  }
  // Threads, passes; a stored pass count of 2^32 - 1 must not keep the
  // workers walking a list whose hosts all have their verdict.
  const std::pair<uint32_t, uint32_t> runs[] = {{1, 3}, {3, 3}, {16, 3}, {64, 3}, {4, UINT32_MAX}};
  for (const auto& [threads, rounds] : runs) {
    SCOPED_TRACE(testing::Message() << threads << " workers, " << rounds << " passes");
    const bool allAnswer = rounds == UINT32_MAX;
    std::mutex mutex;
    std::map<uint32_t, std::vector<uint32_t>> timeouts;  // per address, in sending order
    std::mt19937 random(threads);
    DiscoveryHooks hooks;
    hooks.echo = [&](const EchoRequest& request) {
      EXPECT_EQ(request.cancel, &StopFlag);
      const Host host = allAnswer ? Host{1, false} : hosts.at(request.address);
      size_t number = 0;
      int pause = 0;
      {
        std::lock_guard lock(mutex);
        timeouts[request.address].push_back(request.timeoutMs);
        number = timeouts[request.address].size();
        pause = static_cast<int>(random() % 3);
      }
      // An echo without answer waits its time-out scaled down 100 times, with
      // jitter, so that workers overtake each other and passes overlap.
      const EchoResult result = Answer(request, host, number);
      const bool waits = result.state == EchoState::NoReply;
      std::this_thread::sleep_for(
          std::chrono::milliseconds(pause + (waits ? request.timeoutMs / 100 : 0)));
      return result;
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
    RunJobHere([&] { outcome = RunDiscovery(table, options, hooks); });
    EXPECT_EQ(outcome.workers, std::min(threads, 40u));

    for (uint32_t i = 0; i < 40; ++i) {
      SCOPED_TRACE(FormatAddress(first + i));
      const Host host = allAnswer ? Host{1, false} : hosts[first + i];
      const int row = static_cast<int>(i) + 1;
      const QString status = grid.TextAt(row, 3);
      const uint32_t colour = grid.CellColourAt(row, 3);
      std::vector<uint32_t> ladder = {300, 800, 1300};
      if (host.refused) {
        ladder.resize(1);
        EXPECT_EQ(status, "dest host unreachable from 10.9.9.9");
        EXPECT_EQ(colour, kDiscoveryErrorColour);
      } else if (host.answersFrom != 0) {
        ladder.resize(host.answersFrom);
        EXPECT_EQ(status, "reachable (2 ms ttl:64)");
        EXPECT_EQ(colour, kDiscoveryReachableColour);
      } else {
        EXPECT_EQ(status, "unreachable (3 try(s), timeout 1300 ms)");
        EXPECT_EQ(colour, kDiscoveryNoReplyColour);
      }
      EXPECT_EQ(timeouts[first + i], ladder);
    }
  }
}

}  // namespace
}  // namespace tesmo
