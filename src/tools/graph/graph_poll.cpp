// The chart's polling job.
#include "tools/graph/graph_poll.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/icmp/ping_once.h"
#include "core/net/name_resolution.h"
#include "core/snmp/snmp_request.h"
#include "core/snmp/snmp_types.h"

namespace tesmo {
namespace {

using Clock = std::chrono::steady_clock;

int64_t TickMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// Sleeps until deadline in slices that notice Stop within 50 ms.
void SleepUntil(const JobContext& context, Clock::time_point deadline) {
  while (!context.Stopped()) {
    const auto now = Clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(
        std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(50)));
  }
}

RawSample RoundTrip(const std::string& target, const PingSettings& ping,
                    const std::atomic<int>* stop) {
  RawSample sample;
  const std::string address = EchoAddressOfHostText(target);
  uint32_t roundTripMs = 0;
  std::string resultText, sourceText;
  // The echo gives up as soon as Stop is pressed.
  const EchoFunction echo = [stop](const EchoRequest& request) {
    EchoRequest cancellable = request;
    cancellable.cancel = stop;
    return SendEcho(cancellable);
  };
  if (!address.empty() && PingOnce(echo, address, roundTripMs, ping.timeout, ping.packetLength,
                                   ping.ttl, resultText, sourceText) == PingOutcome::Reachable) {
    sample.ok = true;
    sample.value = roundTripMs;
  }
  sample.tickMs = TickMs();
  return sample;
}

RawSample SnmpReading(const std::string& target, const SnmpTarget& agent) {
  RawSample sample;
  sample.agent = agent.address;
  SnmpVarRequest request;
  request.objectId = target;
  int status = 0;
  const int result = SnmpGet(std::span<SnmpVarRequest>(&request, 1), status, agent);
  sample.tickMs = TickMs();
  if (result != kSnmpResponse || status != kSnmpNoError) return sample;
  sample.ok = true;
  sample.value = NumberOfValue(request.result, request.valueType);
  sample.counter32 = request.valueType == kTagCounter;
  sample.counter64 = request.valueType == kTagCounter64;
  return sample;
}

// The job's target with the entry's own agent in place of its host: the
// same community, time-out, retries, port, version and stop flag. The host
// is looked up here, on the polling thread (the name cache answers again
// within a run); an empty address when it cannot be resolved. An agent of
// either family will do (IPv4 first): the session speaks UDP/IPv6 as well.
SnmpTarget AgentTarget(const std::string& agent, const SnmpTarget& jobTarget) {
  SnmpTarget target = jobTarget;
  target.address = AddressOfHostText(agent, AddressFamilyChoice::kEither);
  return target;
}

}  // namespace

double EffectivePeriod(double periodSeconds) {
  return periodSeconds > 0 && std::isfinite(periodSeconds) ? periodSeconds : 5.0;
}

RawSample SampleEntry(const GraphEntryInfo& entry, const JobContext& context,
                      const GraphPollOptions& options) {
  if (entry.kind == kGraphRoundTrip) return RoundTrip(entry.target, options.ping, context.stop);
  if (entry.agent.empty()) return SnmpReading(entry.target, context.target);
  const SnmpTarget agent = AgentTarget(entry.agent, context.target);
  if (agent.address.empty()) {
    // Lost, like an agent that does not answer.
    RawSample lost;
    lost.agent = entry.agent;
    lost.tickMs = TickMs();
    return lost;
  }
  return SnmpReading(entry.target, agent);
}

void RunGraphPolling(CGraphData& data, const JobContext& context, const GraphPollOptions& options) {
  data.Unprime();
  const double period = EffectivePeriod(options.periodSeconds);
  // At most a day between polls: a longer period would only overflow.
  const auto periodTime =
      std::chrono::milliseconds(static_cast<int64_t>(std::min(period, 86400.0) * 1000.0));
  int stored = 0;
  while (!context.Stopped()) {
    const auto t0 = Clock::now();
    const int64_t stamp = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    const GraphPoll poll = data.BeginPoll();
    std::vector<RawSample> samples;
    samples.reserve(poll.items.size());
    for (const GraphPoll::Item& item : poll.items) {
      if (context.Stopped()) break;
      samples.push_back(SampleEntry(item.info, context, options));
    }
    // A poll that Stop cut short stores nothing.
    if (context.Stopped()) break;
    if (data.EndPoll(poll, samples, stamp, period)) ++stored;
    // The status line says the chart is live, not "Ready".
    PostProgressText(QStringLiteral("Polling %1 entry(s) every %2 s: %3 sample(s)")
                         .arg(poll.items.size())
                         .arg(period)
                         .arg(stored));
    if (options.onPoll) options.onPoll();
    if (options.samples > 0 && stored >= options.samples) break;
    SleepUntil(context, Clock::now() + std::chrono::milliseconds(100));
    SleepUntil(context, t0 + periodTime);
  }
  PostStatus("Ready");
}

double LoadGraphRefreshSeconds() {
  const int ms =
      CSettingsStore::ReadInt(QStringLiteral("Graph"), QStringLiteral("RefreshTime"), 5000);
  // Whole seconds, as stored periods always were read.
  return ms < 0 ? 5.0 : static_cast<double>(ms / 1000);
}

void SaveGraphRefreshSeconds(double seconds) {
  const double ms = std::clamp(seconds * 1000.0, 0.0, static_cast<double>(INT_MAX));
  CSettingsStore::WriteInt(QStringLiteral("Graph"), QStringLiteral("RefreshTime"),
                           std::isfinite(ms) ? static_cast<int>(ms) : 5000);
}

}  // namespace tesmo
