// The polling job of the chart: one sample of every entry per refresh
// period, until Stop (or, for --batch, a number of stored samples).
//
// Each poll reads the entries' targets under the chart's lock, then sends the
// echoes and SNMP requests without it, one entry after another, and stores
// the readings under the lock again (CGraphData::EndPoll). The first poll of
// every run only primes. Between polls the job sleeps 100 ms and then the
// rest of the period, in slices short enough for Stop.
#pragma once

#include <functional>

#include "core/base/job_context.h"
#include "core/icmp/ping_settings.h"
#include "tools/graph/graph_data.h"

namespace tesmo {

struct GraphPollOptions {
  PingSettings ping;  // time-out, data length and TTL of the round-trip entries
  double periodSeconds = 5;
  int samples = 0;  // stop after this many stored samples; 0: until Stop
  // After every poll, on the polling thread.
  std::function<void()> onPoll;
};

// Runs on a job's thread until the job's stop flag (or the samples asked
// for); the SNMP entries ask the job's target. Posts "Ready" at its end.
void RunGraphPolling(CGraphData& data, const JobContext& context, const GraphPollOptions& options);

// The period a run uses: 0 (or less) polls every 5 seconds.
double EffectivePeriod(double periodSeconds);

// One reading of an entry (no lock held): kind 'P' pings target (an address
// or a host name), any other kind gets the SNMP object target from the
// entry's own agent with the job's access parameters, or from the job's
// target when the entry names none. An agent that cannot be resolved gives
// a lost reading.
RawSample SampleEntry(const GraphEntryInfo& entry, const JobContext& context,
                      const GraphPollOptions& options);

// The refresh period stored in section Graph, value RefreshTime (ms): loaded
// in whole seconds, 5 when absent or negative.
double LoadGraphRefreshSeconds();
void SaveGraphRefreshSeconds(double seconds);

}  // namespace tesmo
