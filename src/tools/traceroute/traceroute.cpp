// The Traceroute page's job: the destination resolved, then the trace of its mode.
#include "tools/traceroute/traceroute.h"

#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "core/net/name_resolution.h"
#include "tools/traceroute/trace_icmp.h"
#include "tools/traceroute/trace_rounds.h"
#include "tools/traceroute/trace_snmp.h"

namespace tesmo {
namespace {

constexpr char kSection[] = "TraceRoute";

// The continuous rounds follow a trace that found its path, whole or in
// part: not one that was stopped or could not start.
bool ContinuesAfter(TraceEnd end) {
  return end != TraceEnd::NotStarted && end != TraceEnd::Stopped && end != TraceEnd::LocalError;
}

}  // namespace

TraceOptions TraceOptions::Load() {
  const QString section = QString::fromUtf8(kSection);
  TraceOptions options;
  options.resolveNames = CSettingsStore::ReadInt(section, QStringLiteral("ResolveName"), 1) != 0;
  options.interfaceInfo = CSettingsStore::ReadInt(section, QStringLiteral("InterfaceInfo"), 1) != 0;
  return options;
}

void TraceOptions::Save() const {
  const QString section = QString::fromUtf8(kSection);
  CSettingsStore::WriteInt(section, QStringLiteral("ResolveName"), resolveNames ? 1 : 0);
  CSettingsStore::WriteInt(section, QStringLiteral("InterfaceInfo"), interfaceInfo ? 1 : 0);
}

TraceOutcome RunTrace(CTableGrid& table, const TraceOptions& options, const JobContext& context,
                      const TraceHooks& hooks) {
  TraceOutcome outcome;
  const std::string address = EchoAddressOfHostText(options.destination);
  if (hooks.onDestinationAddress) hooks.onDestinationAddress(address);
  const std::optional<IpAddress> destination = ParseEchoAddress(address);
  if (!destination) {
    PostStatus("Cannot resolve destination name");
    return outcome;
  }
  // An IPv6 destination is followed through the agents' IPv6 routes.
  if (options.icmpMode)
    outcome = RunIcmpTrace(table, *destination, options, context, hooks);
  else if (destination->IsV6())
    outcome = RunSnmpTrace(table, context, *destination, options, hooks);
  else
    outcome = RunSnmpTrace(table, context, destination->V4Value(), options, hooks);
  if (options.continuous && ContinuesAfter(outcome.end)) {
    if (!RunTraceRounds(table, *destination, options, context, hooks, outcome)) {
      if (context.Stopped()) PostStatus("Stopped after %u round(s)", outcome.rounds);
      outcome.roundsEnded = true;
      return outcome;
    }
  }
  PostTraceEnd(outcome);
  return outcome;
}

void PostTraceEnd(const TraceOutcome& outcome) {
  switch (outcome.end) {
    case TraceEnd::Reached:
      PostStatus("Ready");
      break;
    case TraceEnd::Exhausted:
      PostStatus("%s not reached in %u hops", outcome.destinationAddress.c_str(), outcome.hops);
      break;
    case TraceEnd::NoRoute:
      PostStatus("No route to %s at hop %u", outcome.destinationAddress.c_str(), outcome.hops);
      break;
    case TraceEnd::BadNextHop:
      PostStatus("The route at hop %u names no next hop address", outcome.hops);
      break;
    case TraceEnd::Stopped:
      PostStatus("Stopped: %u hop(s) found, the trace is incomplete", outcome.hops);
      break;
    case TraceEnd::NotStarted:
    case TraceEnd::NoResponse:
    case TraceEnd::HopLimit:
    case TraceEnd::LocalError:
      // Their text is on the status line already.
      break;
  }
}

}  // namespace tesmo
