// The sweep's claim rule and the route search order, and what the ICMP trace
// does where no echo can be sent: the interleavings of many workers and the
// failures that a lab cannot produce on demand.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "core/grid/grid_data.h"
#include "core/icmp/discovery.h"
#include "core/icmp/echo_status.h"
#include "core/icmp/trace_icmp.h"
#include "core/icmp/trace_snmp.h"
#include "core/net/address_text.h"
#include "support/qt_print.h"
#include "support/status_log.h"

namespace tesmo {
namespace {

uint32_t A(const char* text) {
  return *ParseAddressText(text);
}

EchoResult Reply(uint32_t status, uint32_t source, uint32_t roundTripMs = 1) {
  EchoResult r;
  r.state = EchoState::Reply;
  r.sent = true;
  r.status = status;
  r.source = source;
  r.ttl = 64;
  r.roundTripMs = roundTripMs;
  return r;
}

EchoResult NoReply(uint32_t waitedMs) {
  EchoResult r;
  r.sent = true;
  r.roundTripMs = waitedMs;
  return r;
}

// How a scripted host answers the sweep.
enum class Host { Live, Silent, Late, Refused };

struct GridRows {
  CGridData grid;
  CTableGrid table;
  GridRows() { table.ResetGrid(&grid, 2, 2); }
};

TEST(DiscoveryClaimRule, EveryHostGetsItsTimeoutLadderOnceWhateverTheWorkers) {
  // 40 hosts: every fifth answers, every seventh answers from its second
  // echo on, every eleventh is refused by a router, the rest stay silent.
  std::map<uint32_t, Host> hosts;
  const uint32_t first = A("10.9.0.1");
  for (uint32_t i = 0; i < 40; ++i) {
    Host h = i % 5 == 0    ? Host::Live
             : i % 7 == 0  ? Host::Late
             : i % 11 == 0 ? Host::Refused
                           : Host::Silent;
    hosts[first + i] = h;
  }
  const std::map<Host, std::vector<uint32_t>> ladder = {{Host::Live, {300}},
                                                        {Host::Silent, {300, 800, 1300}},
                                                        {Host::Late, {300, 800}},
                                                        {Host::Refused, {300}}};

  for (const uint32_t threads : {1u, 3u, 16u, 40u, 64u}) {
    SCOPED_TRACE(testing::Message() << threads << " workers");
    std::mutex mutex;
    std::map<uint32_t, std::vector<uint32_t>> timeouts;  // per address, in sending order
    std::mt19937 random(threads);
    std::atomic<int> stop{0};
    DiscoveryHooks hooks;
    hooks.stop = &stop;
    hooks.echo = [&](const EchoRequest& request) {
      EXPECT_EQ(request.cancel, &stop);
      int pause = 0;
      size_t sent = 0;
      {
        std::lock_guard lock(mutex);
        timeouts[request.address].push_back(request.timeoutMs);
        sent = timeouts[request.address].size();
        pause = static_cast<int>(random() % 3);
      }
      // An echo without reply waits its time-out (scaled down 100 times),
      // with jitter, so that workers overtake each other and passes overlap.
      const Host h = hosts.at(request.address);
      const bool waits = h == Host::Silent || (h == Host::Late && sent < 2);
      std::this_thread::sleep_for(
          std::chrono::milliseconds(pause + (waits ? request.timeoutMs / 100 : 0)));
      switch (h) {
        case Host::Live:
          return Reply(kEchoSuccess, request.address, 2);
        case Host::Late:
          return sent >= 2 ? Reply(kEchoSuccess, request.address, 2) : NoReply(request.timeoutMs);
        case Host::Refused:
          return Reply(kEchoDestHostUnreachable, A("10.9.9.9"));
        case Host::Silent:
          break;
      }
      return NoReply(request.timeoutMs);
    };
    DiscoveryOptions options;
    options.firstHost = "10.9.0.1";
    options.hostCount = 40;
    options.threads = threads;
    options.resolveNames = false;
    GridRows g;
    const DiscoveryOutcome outcome = RunDiscovery(g.table, options, hooks);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.workers, std::min(threads, 40u));
    EXPECT_EQ(outcome.reachable + outcome.refused + outcome.unreachable, 40u);

    for (uint32_t i = 0; i < 40; ++i) {
      const Host h = hosts[first + i];
      EXPECT_EQ(timeouts[first + i], ladder.at(h)) << FormatAddress(first + i);
      const int row = static_cast<int>(i) + 1;
      const QString status = g.grid.TextAt(row, 3);
      const uint32_t colour = g.grid.CellColourAt(row, 3);
      switch (h) {
        case Host::Live:
        case Host::Late:
          EXPECT_EQ(status, "reachable (2 ms ttl:64)");
          EXPECT_EQ(colour, kDiscoveryReachableColour);
          break;
        case Host::Refused:
          EXPECT_EQ(status, "dest host unreachable from 10.9.9.9");
          EXPECT_EQ(colour, kDiscoveryErrorColour);
          break;
        case Host::Silent:
          EXPECT_EQ(status, "unreachable (3 try(s), timeout 1300 ms)");
          EXPECT_EQ(colour, kDiscoveryNoReplyColour);
          break;
      }
    }
  }
}

TEST(DiscoveryClaimRule, WorkersEndOnceEveryHostHasItsVerdict) {
  // A stored pass count of 2^32 - 1 must not keep the workers walking a
  // list in which every host has answered.
  std::atomic<int> echoes{0}, stop{0};
  DiscoveryHooks hooks;
  hooks.stop = &stop;
  hooks.echo = [&](const EchoRequest& request) {
    ++echoes;
    return Reply(kEchoSuccess, request.address);
  };
  DiscoveryOptions options;
  options.firstHost = "10.9.0.1";
  options.hostCount = 20;
  options.threads = 4;
  options.rounds = UINT32_MAX;
  options.resolveNames = false;
  GridRows g;
  EXPECT_EQ(RunDiscovery(g.table, options, hooks).reachable, 20u);
  EXPECT_EQ(echoes, 20);
}

TEST(RouteSearch, IndexesShortenTheMaskAndSkipRepeatedNets) {
  const struct {
    const char* destination;
    std::vector<const char*> indexes;
  } cases[] = {
      {"10.1.2.3",
       {"10.1.2.3", "10.1.2.2", "10.1.2.0", "10.1.0.0", "10.0.0.0", "8.0.0.0", "0.0.0.0"}},
      {"10.1.0.0", {"10.1.0.0", "10.0.0.0", "8.0.0.0", "0.0.0.0"}},
      {"192.168.1.255",
       {"192.168.1.255", "192.168.1.254", "192.168.1.252", "192.168.1.248", "192.168.1.240",
        "192.168.1.224", "192.168.1.192", "192.168.1.128", "192.168.1.0", "192.168.0.0",
        "192.160.0.0", "192.128.0.0", "192.0.0.0", "128.0.0.0", "0.0.0.0"}},
      {"128.0.0.1", {"128.0.0.1", "128.0.0.0", "0.0.0.0"}},
      {"0.0.0.0", {"0.0.0.0"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> actual, expected(c.indexes.begin(), c.indexes.end());
    for (uint32_t index : RouteSearchIndexes(A(c.destination)))
      actual.push_back(FormatAddress(index));
    EXPECT_EQ(actual, expected) << c.destination;
  }
}

TEST(IcmpTrace, AMachineThatCannotSendEchoesSaysWhyAndDrawsNoRow) {
  int probes = 0;
  TraceHooks hooks;
  hooks.echo = [&](const EchoRequest&) {
    ++probes;
    EchoResult r;
    r.state = EchoState::LocalError;
    r.errorText = kIcmpNotPermittedText;
    return r;
  };
  std::atomic<int> stop{0};
  hooks.stop = &stop;
  CStatusLog status;
  GridRows g;
  const TraceOutcome outcome = RunIcmpTrace(g.table, A("10.5.5.5"), TraceOptions{}, hooks);
  EXPECT_EQ(outcome.end, TraceEnd::LocalError);
  EXPECT_EQ(probes, 1);
  EXPECT_EQ(g.grid.Rows(), 1);
  EXPECT_EQ(status.Texts(), QStringList{kIcmpNotPermittedText});
}

}  // namespace
}  // namespace tesmo
