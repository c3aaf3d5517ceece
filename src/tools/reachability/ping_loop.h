// The ping loop of the Reachability page: one thread for the life of the
// program that sends an echo to the current target every PingTimeBetweenPing
// ms while MustBePinged is set, and keeps running statistics and a history of
// result lines.
//
// The page owns one CPingLoop: it pushes the settings in (SetSettings,
// SetMustBePinged), hands over where the target comes from
// (SetTargetProvider), learns of each new line through the line callback
// (called on the loop thread: post it on to the GUI thread) and reads
// Statistics() and History() from any thread. --batch drives the same object
// without a thread through RunEchoes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/icmp/echo_socket.h"
#include "core/icmp/ping_settings.h"
#include "core/lines/line_store.h"

namespace tesmo {

// Where the loop sends: the Parameters page's address text while it holds a
// resolved target.
struct PingTarget {
  bool valid = false;
  std::string addressText;
};

struct PingStatistics {
  uint32_t min = 0;  // ms, of the successes
  uint32_t max = 0;
  uint32_t sent = 0;
  uint32_t received = 0;
  uint64_t total = 0;          // ms, sum of the successes
  std::string line = "<--->";  // the current result line
};

// "%4ums/%4ums/%4ums (%4u/%4u : %3u%% <%s>)": min, average, max, received,
// sent, per cent received, then resultLine; resultLine alone while nothing was
// received.
std::string StatisticsLine(const PingStatistics& statistics, const std::string& resultLine);

class CPingLoop {
 public:
  // Echo data is capped at this many bytes before it goes to the echo layer.
  static constexpr uint32_t kMaxPacketLength = 65536;
  // The wait between echoes sleeps at most this long before it looks at the
  // stop flag again.
  static constexpr uint32_t kWaitSliceMs = 300;
  static constexpr size_t kHistoryLines = 2500;

  explicit CPingLoop(EchoFunction echo = SendEcho);
  ~CPingLoop();
  CPingLoop(const CPingLoop&) = delete;
  CPingLoop& operator=(const CPingLoop&) = delete;

  // Settings are read afresh for every echo; any thread may change them.
  void SetSettings(const PingSettings& settings);
  PingSettings Settings() const;
  void SetMustBePinged(bool on);

  using TargetProvider = std::function<PingTarget()>;
  // Asked before every echo, on the loop thread. Without a provider the loop
  // uses the target of the last SetTarget.
  void SetTargetProvider(TargetProvider provider);
  void SetTarget(const PingTarget& target);

  // Starts the thread; Stop sets the loop's stop flag and returns once the
  // loop has cleared it again on its way out. Stop is quick: the wait between
  // echoes and the echo itself both end early on it.
  void Start();
  void Stop();
  bool Running() const { return thread.joinable(); }

  // One turn of the loop without its wait: when a target is valid and
  // MustBePinged is set, one echo and its line. Returns whether it pinged.
  bool PingStep();
  // One echo to addressText whatever MustBePinged says; returns the line shown.
  // An address text that does not parse sends nothing: "invalid address".
  std::string PingNow(const std::string& addressText, const std::atomic<int>* cancel = nullptr);
  // count echoes with PingTimeBetweenPing between them, in the caller's
  // thread; ends early once stop is non-zero (looked at every 50 ms).
  void RunEchoes(const std::string& addressText, uint32_t count, const std::atomic<int>& stop);

  // "Clear": statistics to zero, result line "<--->", history emptied.
  void Clear();
  PingStatistics Statistics() const;
  // The history list: newest line last, at most kHistoryLines (the oldest go).
  CLineStore& History() { return history; }
  const CLineStore& History() const { return history; }

 private:
  void Run();
  // Waits ms in slices of at most sliceMs, looking at flag before each; false
  // when flag was set.
  bool Wait(uint32_t ms, const std::atomic<int>& flag, uint32_t sliceMs);

  EchoFunction echo;
  std::atomic<uint32_t> packetLength{50};
  std::atomic<uint32_t> timeBetweenPing{1000};
  std::atomic<uint32_t> timeout{1000};
  std::atomic<uint32_t> ttl{64};
  std::atomic<bool> mustBePinged{false};

  mutable std::mutex targetMutex;
  TargetProvider targetProvider;
  PingTarget fixedTarget;

  mutable std::mutex statisticsMutex;
  PingStatistics statistics;
  CLineStore history{kHistoryLines, CLineStore::Overflow::kDropOldest};

  // The loop's own stop flag: set by Stop, cleared by the loop as it ends.
  std::atomic<int> stopFlag{0};
  std::mutex waitMutex;
  std::condition_variable wake;
  std::thread thread;
};

}  // namespace tesmo
