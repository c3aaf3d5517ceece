// The continuous trace.
#include "tools/traceroute/trace_rounds.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>

#include "core/base/status_channel.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_status.h"
#include "core/icmp/ping_once.h"
#include "core/snmp/snmp_request.h"
#include "tools/traceroute/trace_snmp.h"

namespace tesmo {
namespace {

// The statistics of the ICMP rounds, in this order.
enum : int {
  kStatSent = 0,
  kStatLoss,
  kStatLast,
  kStatAverage,
  kStatBest,
  kStatWorst,
  kStatDev,
  kStatCount
};
const std::array<CColumnInfo, kStatCount> kStatColumns = {{
    {"sent", 5, kAlignRightTop, false, kSortNumericAscending},
    {"loss %", 6, kAlignRightTop, false, kSortNumericAscending},
    {"last", 7, kAlignRightTop, false, kSortNumericAscending},
    {"avg", 7, kAlignRightTop, false, kSortNumericAscending},
    {"best", 7, kAlignRightTop, false, kSortNumericAscending},
    {"worst", 7, kAlignRightTop, false, kSortNumericAscending},
    {"stdev", 7, kAlignRightTop, false, kSortNumericAscending},
}};

// The health of an interface: its name and three rates; input, then output.
enum : int {
  kHealthName = 0,
  kHealthErrors,
  kHealthDiscards,
  kHealthUtilisation,
  kHealthPerInterface
};
const std::array<CColumnInfo, 2 * kHealthPerInterface> kHealthColumns = {{
    {"in int", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"in err/s", 8, kAlignRightTop, false, kSortNumericAscending},
    {"in disc/s", 8, kAlignRightTop, false, kSortNumericAscending},
    {"in util %", 8, kAlignRightTop, false, kSortNumericAscending},
    {"out int", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"out err/s", 8, kAlignRightTop, false, kSortNumericAscending},
    {"out disc/s", 8, kAlignRightTop, false, kSortNumericAscending},
    {"out util %", 8, kAlignRightTop, false, kSortNumericAscending},
}};

// A rate above zero, 0x00BBGGRR.
constexpr uint32_t kAboveZeroColour = 0x0000C0;  // red
constexpr uint32_t kPlainColour = 0x000000;      // the view keeps it readable

// The probe of a round: one echo per hop, as the trace's.
constexpr uint32_t kProbeData = 64;
constexpr uint32_t kProbeTimeoutMs = 1000;
// How often the wait between rounds looks at the stop flag.
constexpr auto kStopCheck = std::chrono::milliseconds(10);

bool HasStatistics(const TraceOptions& options) {
  return options.icmpMode;
}
bool HasHealth(const TraceOptions& options) {
  return !options.icmpMode || options.askRouters;
}

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::optional<uint64_t> CounterValue(const std::string& text) {
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// ifTable and ifXTable columns, + "." + ifIndex.
constexpr char kIfTable[] = ".1.3.6.1.2.1.2.2.1.";
constexpr char kIfXTable[] = ".1.3.6.1.2.1.31.1.1.1.";
enum : int {
  kIfSpeed = 0,
  kIfInOctets,
  kIfInDiscards,
  kIfInErrors,
  kIfOutOctets,
  kIfOutDiscards,
  kIfOutErrors,
  kIfDescr,
  kIfObjects
};
constexpr std::array<const char*, kIfObjects> kIfColumns = {"5.",  "10.", "13.", "14.",
                                                            "16.", "19.", "20.", "2."};
enum : int { kIfHcInOctets = 0, kIfHcOutOctets, kIfHighSpeed, kIfHcObjects };
constexpr std::array<const char*, kIfHcObjects> kIfHcColumns = {"6.", "10.", "15."};

// One poll of an interface's counters at its agent; the 64-bit octet counters
// and ifHighSpeed when the agent has them (and had them at the first poll).
// Fills the interface's name at the first poll.
std::optional<InterfaceCounters> PollInterface(const SnmpTarget& target, HopInterface& link) {
  const bool first = !link.lastPoll.has_value();
  std::vector<SnmpVarRequest> requests(first ? kIfObjects : kIfDescr);
  for (size_t k = 0; k < requests.size(); ++k)
    requests[k].objectId = std::string(kIfTable) + kIfColumns[k] + link.ifIndex;
  int status = 0;
  if (SnmpGet(requests, status, target) != kSnmpResponse || status != kSnmpNoError)
    return std::nullopt;
  InterfaceCounters counters;
  std::array<uint64_t, kIfDescr> values{};
  for (int k = 0; k < kIfDescr; ++k) {
    const std::optional<uint64_t> value = CounterValue(requests[k].result);
    if (!value) return std::nullopt;
    values[k] = *value;
  }
  counters.speedBitsPerSecond = values[kIfSpeed];
  counters.inOctets = values[kIfInOctets];
  counters.inDiscards = values[kIfInDiscards];
  counters.inErrors = values[kIfInErrors];
  counters.outOctets = values[kIfOutOctets];
  counters.outDiscards = values[kIfOutDiscards];
  counters.outErrors = values[kIfOutErrors];
  if (first) link.name = "(" + link.ifIndex + ") " + requests[kIfDescr].result;
  // SNMPv1 carries no 64-bit counters: the 32-bit ones serve, and the agent
  // is not asked for what it cannot send.
  if (target.version != SnmpVersion::kV1 && (first || link.lastPoll->highCapacity)) {
    std::array<SnmpVarRequest, kIfHcObjects> wide;
    for (int k = 0; k < kIfHcObjects; ++k)
      wide[k].objectId = std::string(kIfXTable) + kIfHcColumns[k] + link.ifIndex;
    status = 0;
    if (SnmpGet(wide, status, target) == kSnmpResponse && status == kSnmpNoError) {
      const auto in = CounterValue(wide[kIfHcInOctets].result);
      const auto out = CounterValue(wide[kIfHcOutOctets].result);
      const auto high = CounterValue(wide[kIfHighSpeed].result);
      if (in && out && high) {
        counters.highCapacity = true;
        counters.inOctets = *in;
        counters.outOctets = *out;
        if (*high > 0) counters.speedBitsPerSecond = *high * 1000000;
      }
    }
    // An interface read with 64-bit counters before stays with them: a lost
    // answer is a missed poll, not a fall back to counters that wrap.
    if (!first && !counters.highCapacity) return std::nullopt;
  }
  counters.atSeconds = NowSeconds();
  return counters;
}

class CRounds {
 public:
  CRounds(CTableGrid& table, int traceColumns, const IpAddress& destination,
          const TraceOptions& options, const JobContext& context, const TraceHooks& hooks,
          TraceOutcome& outcome)
      : table(table),
        grid(table.Grid()),
        statColumn(traceColumns),
        healthColumn(traceColumns + (HasStatistics(options) ? kStatCount : 0)),
        destination(destination),
        options(options),
        context(context),
        echo(hooks.echo ? hooks.echo : EchoFunction(SendEcho)),
        outcome(outcome) {}

  bool Run();

 private:
  bool Stopped() const { return context.Stopped(); }
  void Set(int row, int col, const std::string& text) {
    if (grid != nullptr) grid->SetTextAt(row, col, QString::fromStdString(text));
  }
  // A rate cell: red above zero; one that was red and is back to zero
  // takes the plain text colour.
  void SetRate(int row, int col, std::optional<double> rate) {
    Set(row, col, OneDecimalText(rate));
    if (grid == nullptr) return;
    if (rate && *rate > 0) {
      grid->SetCellColourAt(row, col, kAboveZeroColour);
    } else if (grid->CellColourAt(row, col) == kAboveZeroColour) {
      grid->SetCellColourAt(row, col, kPlainColour);
    }
  }
  SnmpTarget AgentTarget(const std::string& address) const {
    SnmpTarget target = context.target;
    target.address = address;
    return target;
  }
  void FindInterfaces();
  // Polls every known interface; false at the stop flag.
  bool PollHealth();
  // One round's probes into the statistics; false at the stop flag or a
  // local error.
  bool ProbeRound();
  void ShowHop(size_t index);

  CTableGrid& table;
  CGridData* grid;
  const int statColumn;
  const int healthColumn;
  const IpAddress destination;
  const TraceOptions& options;
  const JobContext& context;
  const EchoFunction echo;
  TraceOutcome& outcome;
};

void CRounds::FindInterfaces() {
  // In SNMP mode the trace found them.
  if (!options.icmpMode) {
    for (TraceHop& hop : outcome.path)
      hop.agentAnswers = !hop.input.ifIndex.empty() || !hop.output.ifIndex.empty();
    return;
  }
  for (TraceHop& hop : outcome.path) {
    if (Stopped()) return;
    const std::optional<IpAddress> agent = ParseIpAddress(hop.address);
    if (!agent) continue;
    PostProgressText(QStringLiteral("Asking the router at %1 for its interfaces")
                         .arg(QString::fromStdString(hop.address)));
    std::string input, output;
    AgentInterfaces(context, *agent, destination, input, output);
    hop.input.ifIndex = input;
    hop.output.ifIndex = output;
    hop.agentAnswers = !input.empty() || !output.empty();
  }
}

bool CRounds::PollHealth() {
  for (TraceHop& hop : outcome.path) {
    if (!hop.agentAnswers) continue;
    const SnmpTarget target = AgentTarget(hop.address);
    for (HopInterface* link : {&hop.input, &hop.output}) {
      if (Stopped()) return false;
      if (link->ifIndex.empty()) continue;
      const std::optional<InterfaceCounters> now = PollInterface(target, *link);
      if (!now) {
        // No answer this time: the next rate spans the gap.
        continue;
      }
      if (link->lastPoll) link->rates = RatesBetween(*link->lastPoll, *now);
      link->lastPoll = now;
    }
  }
  return !Stopped();
}

bool CRounds::ProbeRound() {
  const std::vector<RoundProbe> probes = ProbeEveryHop(
      echo, destination, static_cast<unsigned>(outcome.path.size()), kProbeTimeoutMs, context.stop);
  for (const RoundProbe& probe : probes) {
    if (probe.cancelled || Stopped()) return false;
    if (!probe.localError.empty()) {
      PostStatusText(QString::fromStdString(probe.localError));
      return false;
    }
  }
  for (size_t i = 0; i < probes.size(); ++i)
    outcome.path[i].stats.Add(probes[i].roundTripMs, probes[i].from);
  return true;
}

void CRounds::ShowHop(size_t index) {
  const TraceHop& hop = outcome.path[index];
  const int row = static_cast<int>(index) + 1;
  if (HasStatistics(options)) {
    const HopStats& s = hop.stats;
    // Every address the hop answered from, one a line.
    const std::vector<std::string>& addresses = s.Addresses();
    if (!addresses.empty()) {
      std::string cell;
      for (const std::string& address : addresses) cell += (cell.empty() ? "" : "\n") + address;
      if (grid != nullptr && grid->TextAt(row, 1) != QString::fromStdString(cell)) {
        Set(row, 1, cell);
        grid->SetRowHeight(row, static_cast<int>(addresses.size()) * grid->DefaultRowHeight());
      }
    }
    Set(row, statColumn + kStatSent, std::to_string(s.Sent()));
    Set(row, statColumn + kStatLoss, OneDecimalText(s.LossPercent()));
    Set(row, statColumn + kStatLast, OneDecimalText(s.LastMs()));
    Set(row, statColumn + kStatAverage, OneDecimalText(s.AverageMs()));
    Set(row, statColumn + kStatBest, OneDecimalText(s.BestMs()));
    Set(row, statColumn + kStatWorst, OneDecimalText(s.WorstMs()));
    Set(row, statColumn + kStatDev, OneDecimalText(s.StdDevMs()));
  }
  if (HasHealth(options)) {
    int col = healthColumn;
    for (const HopInterface* link : {&hop.input, &hop.output}) {
      Set(row, col + kHealthName, link->name);
      std::optional<double> errors, discards, utilisation;
      if (link->rates) {
        errors = link->rates->errorsPerSecond;
        discards = link->rates->discardsPerSecond;
        utilisation = link->rates->utilisationPercent;
      }
      SetRate(row, col + kHealthErrors, errors);
      SetRate(row, col + kHealthDiscards, discards);
      SetRate(row, col + kHealthUtilisation, utilisation);
      col += kHealthPerInterface;
    }
  }
}

bool CRounds::Run() {
  // The rows stay where the rounds write them.
  const bool sortMenu = table.SortMenuEnabled();
  table.SetSortMenuEnabled(false);
  struct Restore {
    CTableGrid& table;
    bool on;
    ~Restore() { table.SetSortMenuEnabled(on); }
  } restore{table, sortMenu};

  if (options.icmpMode)
    for (TraceHop& hop : outcome.path)
      if (!hop.address.empty()) hop.stats.AddAddress(hop.address);
  if (HasHealth(options)) {
    FindInterfaces();
    // The first counters: the first round's rates are over its period.
    if (!PollHealth()) return false;
  }
  const auto interval = std::chrono::milliseconds(options.intervalMs);
  // Rounds start an interval apart (at once when one ran longer); the first
  // waits one too when it needs a period since the first counters.
  auto next = std::chrono::steady_clock::now();
  if (HasHealth(options)) next += interval;
  for (unsigned round = 1; options.rounds == 0 || round <= options.rounds; ++round) {
    while (std::chrono::steady_clock::now() < next) {
      if (Stopped()) return false;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          kStopCheck, next - std::chrono::steady_clock::now()));
    }
    next = std::max(next + interval, std::chrono::steady_clock::now());
    if (Stopped()) return false;
    if (HasStatistics(options) && !ProbeRound()) return false;
    if (HasHealth(options) && !PollHealth()) return false;
    // One refresh of the view per round, the rows as they are.
    if (grid != nullptr) grid->SetRedraw(false);
    for (size_t i = 0; i < outcome.path.size(); ++i) ShowHop(i);
    if (grid != nullptr) grid->SetRedraw(true);
    outcome.rounds = round;
    PostProgressText(QStringLiteral("Tracing to %1: round %2")
                         .arg(QString::fromStdString(outcome.destinationAddress))
                         .arg(round));
  }
  return true;
}

}  // namespace

std::vector<CColumnInfo> WithRoundColumns(std::span<const CColumnInfo> traceColumns,
                                          const TraceOptions& options) {
  std::vector<CColumnInfo> columns(traceColumns.begin(), traceColumns.end());
  if (HasStatistics(options))
    columns.insert(columns.end(), kStatColumns.begin(), kStatColumns.end());
  if (HasHealth(options))
    columns.insert(columns.end(), kHealthColumns.begin(), kHealthColumns.end());
  return columns;
}

std::vector<RoundProbe> ProbeEveryHop(const EchoFunction& echo, const IpAddress& destination,
                                      unsigned hops, uint32_t timeoutMs,
                                      const std::atomic<int>* cancel) {
  std::vector<RoundProbe> probes(hops);
  const auto probe = [&](unsigned i) {
    EchoRequest request;
    request.dataLength = kProbeData;
    request.ttl = i + 1;
    request.timeoutMs = timeoutMs;
    request.cancel = cancel;
    request.SetDestination(destination);
    const EchoResult result = echo(request);
    RoundProbe& out = probes[i];
    out.cancelled = result.cancelled;
    if (result.state == EchoState::LocalError) out.localError = result.errorText;
    if (result.state != EchoState::Reply) return;
    out.from = EchoSourceText(result);
    out.roundTripMs = static_cast<double>(result.roundTripUs) / 1000.0;
  };
  std::vector<std::thread> threads;
  threads.reserve(hops);
  for (unsigned i = 0; i < hops; ++i) {
    try {
      threads.emplace_back(probe, i);
    } catch (const std::system_error&) {
      // No thread to be had: this hop's echo on this one.
      probe(i);
    }
  }
  for (std::thread& thread : threads) thread.join();
  return probes;
}

bool RunTraceRounds(CTableGrid& table, const IpAddress& destination, const TraceOptions& options,
                    const JobContext& context, const TraceHooks& hooks, TraceOutcome& outcome) {
  if (!options.continuous || outcome.path.empty() || table.Grid() == nullptr) return true;
  // The trace's own columns come first.
  const int traceColumns =
      table.Grid()->Cols() - static_cast<int>(WithRoundColumns({}, options).size());
  if (traceColumns < 2) return true;
  return CRounds(table, traceColumns, destination, options, context, hooks, outcome).Run();
}

}  // namespace tesmo
