// The ICMP trace.
#include "tools/traceroute/trace_icmp.h"

#include <array>
#include <optional>

#include "core/base/status_channel.h"
#include "core/grid/table_fill.h"
#include "core/icmp/echo_status.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"
#include "core/net/name_resolution.h"
#include "tools/traceroute/trace_rounds.h"

namespace tesmo {
namespace {

const std::array<CColumnInfo, 6> kColumns = {{
    {"nb.", 3, kAlignRightTop, false, kSortNumericAscending},
    {"hop", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"time0", 8, kAlignRightTop, false, kSortNumericAscending},
    {"time1", 8, kAlignRightTop, false, kSortNumericAscending},
    {"time2", 8, kAlignRightTop, false, kSortNumericAscending},
}};

// What a hop without any answer shows as its address.
constexpr char kNoHopAddress[] = "<-->";

// Probes per hop, and their data length and time-out.
constexpr int kProbes = 3;
constexpr uint32_t kProbeData = 64;
constexpr uint32_t kProbeTimeoutMs = 1000;

}  // namespace

TraceOutcome RunIcmpTrace(CTableGrid& table, const IpAddress& destination,
                          const TraceOptions& options, const JobContext& context,
                          const TraceHooks& hooks) {
  TraceOutcome outcome;
  outcome.destinationAddress =
      destination.IsV6() ? destination.Text() : FormatAddress(destination.V4Value());
  auto stopped = [&] { return context.Stopped(); };
  const EchoFunction echo = hooks.echo ? hooks.echo : EchoFunction(SendEcho);
  if (options.continuous) {
    PrepareTable(table, WithRoundColumns(kColumns, options));
  } else {
    PrepareTable(table, kColumns);
  }

  for (unsigned hop = 1; hop <= kIcmpTraceHops; ++hop) {
    PostProgressText(QStringLiteral("Tracing to %1: probing hop %2")
                         .arg(QString::fromStdString(outcome.destinationAddress))
                         .arg(hop));
    std::string hopAddress = kNoHopAddress;
    std::array<std::string, kProbes> times;
    bool reached = false;
    for (int probe = 0; probe < kProbes; ++probe) {
      if (stopped()) {
        outcome.end = TraceEnd::Stopped;
        return outcome;
      }
      EchoRequest request;
      request.dataLength = kProbeData;
      request.ttl = hop;
      request.timeoutMs = kProbeTimeoutMs;
      request.cancel = context.stop;
      request.SetDestination(destination);
      const EchoResult result = echo(request);
      if (result.cancelled) {
        outcome.end = TraceEnd::Stopped;
        return outcome;
      }
      if (result.state == EchoState::LocalError) {
        PostStatusText(QString::fromStdString(result.errorText));
        outcome.end = TraceEnd::LocalError;
        return outcome;
      }
      std::optional<uint32_t> status;
      if (result.state == EchoState::Reply) status = result.status;
      times[probe] = EchoShortCode(status, result.roundTripMs);
      // A probe that learns nothing keeps what the hop's earlier probes
      // learned: a router that answers two probes of three is still named.
      if (status == kEchoSuccess) {
        hopAddress = outcome.destinationAddress;
        reached = true;
      } else if (status == kEchoTtlExpiredTransit) {
        hopAddress = EchoSourceText(result);
      }
    }
    if (stopped()) {
      outcome.end = TraceEnd::Stopped;
      return outcome;
    }
    QString name;
    if (options.resolveNames && hopAddress != kNoHopAddress && !stopped()) {
      name = QString::fromStdString(ResolveAddressToName(hopAddress));
    }
    table.InsertRowTexts(static_cast<int>(hop),
                         {QString::number(hop), QString::fromStdString(hopAddress), name,
                          QString::fromStdString(times[0]), QString::fromStdString(times[1]),
                          QString::fromStdString(times[2])});
    outcome.hops = hop;
    outcome.path.push_back({});
    if (hopAddress != kNoHopAddress) outcome.path.back().address = hopAddress;
    if (reached) {
      outcome.end = TraceEnd::Reached;
      return outcome;
    }
  }
  outcome.end = TraceEnd::Exhausted;
  return outcome;
}

}  // namespace tesmo
