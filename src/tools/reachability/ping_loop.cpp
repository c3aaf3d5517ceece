// The ping loop: echoes, statistics, history and the loop thread.
#include "tools/reachability/ping_loop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "core/icmp/echo_status.h"
#include "core/icmp/ping_once.h"

namespace tesmo {

std::string StatisticsLine(const PingStatistics& s, const std::string& resultLine) {
  if (s.received == 0) return resultLine;
  const char* format = "%4ums/%4ums/%4ums (%4u/%4u : %3u%% <%s>)";
  auto average = static_cast<unsigned>(s.total / s.received);
  auto percent = s.sent == 0 ? 0u : static_cast<unsigned>(uint64_t{s.received} * 100 / s.sent);
  int length = std::snprintf(nullptr, 0, format, s.min, average, s.max, s.received, s.sent, percent,
                             resultLine.c_str());
  std::string line(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  std::snprintf(line.data(), line.size(), format, s.min, average, s.max, s.received, s.sent,
                percent, resultLine.c_str());
  line.pop_back();
  return line;
}

CPingLoop::CPingLoop(EchoFunction echo) : echo(std::move(echo)) {}

CPingLoop::~CPingLoop() {
  Stop();
}

void CPingLoop::SetSettings(const PingSettings& settings) {
  packetLength.store(settings.packetLength);
  timeBetweenPing.store(settings.timeBetweenPing);
  timeout.store(settings.timeout);
  ttl.store(settings.ttl);
  mustBePinged.store(settings.mustBePinged);
}

PingSettings CPingLoop::Settings() const {
  return PingSettings{packetLength.load(), timeBetweenPing.load(), timeout.load(), ttl.load(),
                      mustBePinged.load()};
}

void CPingLoop::SetMustBePinged(bool on) {
  mustBePinged.store(on);
}

void CPingLoop::SetTargetProvider(TargetProvider provider) {
  std::lock_guard lock(targetMutex);
  targetProvider = std::move(provider);
}

void CPingLoop::SetTarget(const PingTarget& target) {
  std::lock_guard lock(targetMutex);
  fixedTarget = target;
}

bool CPingLoop::PingStep() {
  if (!mustBePinged.load()) return false;
  PingTarget target;
  {
    TargetProvider provider;
    {
      std::lock_guard lock(targetMutex);
      provider = targetProvider;
      target = fixedTarget;
    }
    if (provider) target = provider();
  }
  if (!target.valid) return false;
  PingNow(target.addressText, &stopFlag);
  return true;
}

std::string CPingLoop::PingNow(const std::string& addressText, const std::atomic<int>* cancel) {
  uint32_t limit = timeout.load();
  std::string resultLine;
  bool sent = false;
  bool success = false;
  uint32_t roundTrip = 0;
  // The parser's failure value would be the broadcast address: an address
  // text that does not parse is never sent to.
  std::optional<IpAddress> address = ParseEchoAddress(addressText);
  if (!address) {
    resultLine = kInvalidAddressText;
  } else {
    EchoRequest request;
    request.SetDestination(*address);
    request.dataLength = std::min(packetLength.load(), kMaxPacketLength);
    request.ttl = ttl.load();
    request.timeoutMs = limit;
    request.cancel = cancel;
    EchoResult result = echo(request);
    if (result.cancelled) return {};  // shutting down: no line for a cut-short echo
    sent = result.sent;
    roundTrip = result.roundTripMs;
    if (result.state == EchoState::LocalError) {
      resultLine = result.errorText;
    } else if (result.state == EchoState::Reply && result.roundTripMs < limit) {
      if (IsEchoErrorStatus(result.status)) {
        resultLine = result.from.IsV6() ? ErrorStatusText(result.status, result.from)
                                        : ErrorStatusText(result.status, result.source);
      } else {
        success = true;
        resultLine = ReachableText(result.roundTripMs, result.ttl);
      }
    } else {
      // No answer, or one at or after the time-out.
      resultLine = kUnreachableText;
    }
  }

  std::string line;
  {
    std::lock_guard lock(statisticsMutex);
    PingStatistics& s = statistics;
    if (sent) ++s.sent;
    if (success) {
      ++s.received;
      s.total += roundTrip;
      s.max = std::max(s.max, roundTrip);
      // The first success sets the minimum; later ones can only lower it, a
      // 0 ms success included.
      s.min = s.received == 1 ? roundTrip : std::min(s.min, roundTrip);
    }
    s.line = StatisticsLine(s, resultLine);
    line = s.line;
    // Appended under the statistics lock so that lines keep their order
    // against a concurrent Clear.
    history.Append(line);
  }
  return line;
}

void CPingLoop::RunEchoes(const std::string& addressText, uint32_t count,
                          const std::atomic<int>& stop) {
  for (uint32_t i = 0; i < count; ++i) {
    if (stop.load() != 0) return;
    PingNow(addressText, &stop);
    if (i + 1 < count && !Wait(timeBetweenPing.load(), stop, 50)) return;
  }
}

void CPingLoop::Clear() {
  std::lock_guard lock(statisticsMutex);
  statistics = PingStatistics{};
  history.Clear();
}

PingStatistics CPingLoop::Statistics() const {
  std::lock_guard lock(statisticsMutex);
  return statistics;
}

bool CPingLoop::Wait(uint32_t ms, const std::atomic<int>& flag, uint32_t sliceMs) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  std::unique_lock lock(waitMutex);
  while (true) {
    if (flag.load() != 0) return false;
    Clock::time_point now = Clock::now();
    if (now >= end) break;
    auto slice = std::min<Clock::duration>(end - now, std::chrono::milliseconds(sliceMs));
    wake.wait_for(lock, slice);
  }
  return flag.load() == 0;
}

void CPingLoop::Start() {
  if (thread.joinable()) return;
  stopFlag.store(0);
  thread = std::thread([this] { Run(); });
}

void CPingLoop::Stop() {
  if (!thread.joinable()) return;
  {
    std::lock_guard lock(waitMutex);
    int clear = 0;
    stopFlag.compare_exchange_strong(clear, 1);
  }
  wake.notify_all();
  // The loop clears the flag as its last act.
  thread.join();
}

void CPingLoop::Run() {
  while (true) {
    PingStep();
    // Whether or not this turn pinged, the loop waits the same interval.
    if (!Wait(timeBetweenPing.load(), stopFlag, kWaitSliceMs)) break;
  }
  stopFlag.store(0);
}

}  // namespace tesmo
