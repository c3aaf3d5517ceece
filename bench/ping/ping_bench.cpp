// Prints what an echo costs beyond its round trip, and how fast the ping loop
// sends with no pause between echoes.
//
//   ping_bench [ADDRESS [SECONDS]]     (default 127.0.0.1, 2 s)
//
// Run it as root or with cap_net_raw for raw sockets, or where
// net.ipv4.ping_group_range admits you for ping sockets.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/icmp/echo_socket.h"
#include "core/icmp/ping_once.h"
#include "tools/reachability/ping_loop.h"

using namespace tesmo;
using Clock = std::chrono::steady_clock;

namespace {

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  size_t i =
      std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
  return values[i];
}

void MeasureOverhead(const std::string& address, EchoSocketChoice choice) {
  SetEchoSocketChoice(choice);
  EchoSocketKind kind = ProbeEchoSocket();
  if (kind == EchoSocketKind::None) {
    std::printf("%-5s sockets: not permitted\n",
                choice == EchoSocketChoice::Automatic ? "auto" : "ping");
    return;
  }
  uint64_t roundTripUs = 0;
  EchoFunction timed = [&roundTripUs](const EchoRequest& request) {
    EchoResult result = SendEcho(request);
    roundTripUs = result.roundTripUs;
    return result;
  };
  constexpr int kEchoes = 3000;
  std::vector<double> overhead, roundTrip;
  int failures = 0;
  for (int i = 0; i < kEchoes; ++i) {
    uint32_t ms = 0;
    std::string text, source;
    Clock::time_point start = Clock::now();
    PingOutcome outcome = PingOnce(timed, address, ms, 1000, 56, 64, text, source);
    auto wall = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (outcome != PingOutcome::Reachable) {
      if (++failures == 1) std::printf("  echo failed: %s\n", text.c_str());
      continue;
    }
    overhead.push_back(wall - static_cast<double>(roundTripUs));
    roundTrip.push_back(static_cast<double>(roundTripUs));
  }
  if (overhead.empty()) return;
  std::printf("%s socket, %zu echoes of 56 bytes to %s:\n", EchoSocketKindName(kind),
              overhead.size(), address.c_str());
  std::printf(
      "  PingOnce overhead beyond the round trip: median %.1f us, p90 %.1f us, p99 %.1f us\n",
      Percentile(overhead, 0.5), Percentile(overhead, 0.9), Percentile(overhead, 0.99));
  std::printf("  round trip itself:                       median %.1f us\n",
              Percentile(roundTrip, 0.5));
}

void MeasureLoopRate(const std::string& address, double seconds) {
  SetEchoSocketChoice(EchoSocketChoice::Automatic);
  CPingLoop loop;
  PingSettings settings;
  settings.timeBetweenPing = 0;
  settings.mustBePinged = true;
  loop.SetSettings(settings);
  loop.SetTarget({true, address});
  Clock::time_point start = Clock::now();
  loop.Start();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  loop.Stop();
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  PingStatistics s = loop.Statistics();
  std::printf(
      "ping loop, PingTimeBetweenPing 0, %.1f s: %u echoes sent, %u answered, %.0f echoes/s\n",
      elapsed, s.sent, s.received, s.sent / elapsed);
  std::printf("  last line: %s\n", s.line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string address = argc > 1 ? argv[1] : "127.0.0.1";
  double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;
  MeasureOverhead(address, EchoSocketChoice::Automatic);
  MeasureOverhead(address, EchoSocketChoice::PingOnly);
  MeasureLoopRate(address, seconds);
  return 0;
}
