// The SNMP trace.
#include "tools/traceroute/trace_snmp.h"

#include <array>
#include <map>
#include <optional>

#include "core/base/status_channel.h"
#include "core/grid/grid_data.h"
#include "core/grid/table_fill.h"
#include "core/net/address_text.h"
#include "core/net/name_resolution.h"
#include "core/snmp/column_walk.h"
#include "core/snmp/inet_index.h"
#include "core/snmp/snmp_request.h"
#include "tools/traceroute/trace_rounds.h"

namespace tesmo {
namespace {

enum : int {
  kColNo = 0,
  kColSysName = 1,
  kColAgent = 2,
  kColNextHop = 3,
  kColInput = 4,
  kColOutput = 5,
  kColRoute = 6,
  kColMetric = 7,
  kColProto = 8,
  kColumnCount
};

const std::array<CColumnInfo, kColumnCount> kColumns = {{
    {"nb.", 3, kAlignRightTop, false, kSortNumericAscending},
    {"SysName", 11, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"ip / name", 15, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"Next Hop", 15, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"input int", 15, kAlignLeftTop, false, kSortNumericAscending},
    {"output int", 15, kAlignLeftTop, false, kSortNumericAscending},
    {"route", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"mt", 4, kAlignRightTop, false, kSortNumericAscending},
    {"prot", 6, kAlignLeftTop, false, kSortStringNoCaseAscending},
}};

// Address cells hold the address, then the name.
constexpr int kRowLines = 2;

constexpr char kSysNameOid[] = ".1.3.6.1.2.1.1.5.0";

// The route objects asked for each index tried, in this order, as
// ".1.3.6.1.2.1.4.21.1" + column + index.
enum : int {
  kRouteDest = 0,
  kRouteIfIndex,
  kRouteNextHop,
  kRouteType,
  kRouteMask,
  kRouteMetric1,
  kRouteProto,
  kRouteObjectCount
};
constexpr std::array<const char*, kRouteObjectCount> kRouteColumns = {".1.",  ".2.", ".7.", ".8.",
                                                                      ".11.", ".3.", ".9."};

// ipAdEntAddr and ipAdEntIfIndex; ifIndex and ifDescr.
const std::vector<std::string> kAddressColumns = {".1.3.6.1.2.1.4.20.1.1", ".1.3.6.1.2.1.4.20.1.2"};
const std::vector<std::string> kInterfaceColumns = {".1.3.6.1.2.1.2.2.1.1", ".1.3.6.1.2.1.2.2.1.2"};
// ipAddressIfIndex, for an agent asked at an IPv6 address.
const std::vector<std::string> kIpAddressColumns = {".1.3.6.1.2.1.4.34.1.3"};

// inetCidrRouteTable's IPv6 routes (destination type 2 begins the index):
// interface index, type, protocol and first metric, in the order of
// kInetRouteIfIndex...
const std::vector<std::string> kInetRouteColumns = {
    ".1.3.6.1.2.1.4.24.7.1.7.2", ".1.3.6.1.2.1.4.24.7.1.8.2", ".1.3.6.1.2.1.4.24.7.1.9.2",
    ".1.3.6.1.2.1.4.24.7.1.12.2"};
enum : int { kInetRouteIfIndex = 0, kInetRouteType, kInetRouteProto, kInetRouteMetric1 };

// The route an agent uses, as its ipRouteTable texts.
struct FoundRoute {
  std::array<std::string, kRouteObjectCount> texts;
};

enum class SearchEnd { Found, NoRoute, Failed, Stopped };

class CSnmpTrace {
 public:
  CSnmpTrace(CTableGrid& table, const JobContext& context, const IpAddress& destination,
             const TraceOptions& options)
      : table(table),
        grid(table.Grid()),
        context(context),
        destination(destination),
        options(options) {}

  TraceOutcome Run(const IpAddress& firstAgent);
  bool Interfaces(const IpAddress& agent, std::string& input, std::string& output);

 private:
  bool Stopped() const { return context.Stopped(); }
  void Set(int row, int col, const std::string& text) {
    if (grid != nullptr) grid->SetTextAt(row, col, QString::fromStdString(text));
  }
  SnmpTarget AgentTarget(const IpAddress& agent) const {
    SnmpTarget target = context.target;
    target.address = agent.Text();
    return target;
  }
  // An address, then a line feed and its name when names are wanted.
  std::string AddressCell(const std::string& address) const {
    if (!options.resolveNames) return address;
    return address + "\n" + (Stopped() ? std::string() : ResolveAddressToName(address));
  }
  // The ipAdEntIfIndex of the agent's own address; "" when it has none.
  std::string InputInterface(const SnmpTarget& target, const IpAddress& agent);
  SearchEnd SearchRoute(const SnmpTarget& target, FoundRoute& route);
  SearchEnd SearchRouteV6(const SnmpTarget& target, FoundRoute& route);
  // "(index) ifDescr" for the two interface indexes, from the agent's ifTable.
  void FillInterfaces(int row, const SnmpTarget& target, const std::string& input,
                      const std::string& output);

  CTableGrid& table;
  CGridData* grid;
  const JobContext& context;
  const IpAddress destination;
  const TraceOptions& options;
};

bool CSnmpTrace::Interfaces(const IpAddress& agent, std::string& input, std::string& output) {
  const SnmpTarget target = AgentTarget(agent);
  input = InputInterface(target, agent);
  FoundRoute route;
  if (Stopped() || SearchRoute(target, route) != SearchEnd::Found) return false;
  output = route.texts[kRouteIfIndex];
  return !input.empty() && !output.empty();
}

std::string CSnmpTrace::InputInterface(const SnmpTarget& target, const IpAddress& agent) {
  PostStatus("Getting address variables");
  std::vector<TableRow> rows;
  if (agent.IsV6()) {
    WalkColumns(target, kIpAddressColumns, rows);
    for (const TableRow& row : rows) {
      InetIndexAddress address;
      if (ParseIpAddressIndex(row.instance, address, nullptr) && address.address == agent)
        return row.texts[0];
    }
    return {};
  }
  WalkColumns(target, kAddressColumns, rows);
  for (const TableRow& row : rows) {
    if (ParseAddressText(row.texts[0]) == agent.V4Value()) return row.texts[1];
  }
  return {};
}

SearchEnd CSnmpTrace::SearchRouteV6(const SnmpTarget& target, FoundRoute& route) {
  std::vector<TableRow> rows;
  const ColumnWalkResult walk = WalkColumns(target, kInetRouteColumns, rows);
  if (walk.stopped) return SearchEnd::Stopped;
  if (walk.result != kSnmpResponse) return SearchEnd::Failed;
  // Rows whose index cannot be read are no candidates.
  std::vector<PrefixRoute> candidates;
  std::vector<InetCidrRouteIndex> indexes;
  std::vector<const TableRow*> owners;
  for (const TableRow& row : rows) {
    ObjectId index = {kInetIpv6};
    index.insert(index.end(), row.instance.begin(), row.instance.end());
    InetCidrRouteIndex parsed;
    if (!ParseInetCidrRouteIndex(index, parsed, nullptr)) continue;
    candidates.push_back({parsed.destination.address, parsed.prefixLength});
    indexes.push_back(parsed);
    owners.push_back(&row);
  }
  const std::optional<size_t> best = LongestPrefixMatch(candidates, destination);
  if (!best) return SearchEnd::NoRoute;
  const InetCidrRouteIndex& index = indexes[*best];
  const std::vector<std::string>& t = owners[*best]->texts;
  route.texts[kRouteDest] = index.destination.Text();
  route.texts[kRouteMask] = PrefixMaskText(index.destination.address, index.prefixLength);
  route.texts[kRouteNextHop] = index.nextHop.Text();
  route.texts[kRouteIfIndex] = t[kInetRouteIfIndex];
  route.texts[kRouteType] = InetRouteTypeText(t[kInetRouteType]);
  route.texts[kRouteProto] = RouteProtocolText(t[kInetRouteProto]);
  route.texts[kRouteMetric1] = t[kInetRouteMetric1];
  return SearchEnd::Found;
}

SearchEnd CSnmpTrace::SearchRoute(const SnmpTarget& target, FoundRoute& route) {
  if (destination.IsV6()) return SearchRouteV6(target, route);
  for (const uint32_t index : RouteSearchIndexes(destination.V4Value())) {
    if (Stopped()) return SearchEnd::Stopped;
    const std::string indexText = FormatAddress(index);
    std::array<SnmpVarRequest, kRouteObjectCount> requests;
    for (int k = 0; k < kRouteObjectCount; ++k) {
      requests[k].objectId = std::string(".1.3.6.1.2.1.4.21.1") + kRouteColumns[k] + indexText;
    }
    int status = 0;
    const int result = SnmpGet(requests, status, target);
    if (result == kSnmpStopped) return SearchEnd::Stopped;
    if (result != kSnmpResponse) return SearchEnd::Failed;
    if (status == kSnmpNoError) {
      for (int k = 0; k < kRouteObjectCount; ++k) route.texts[k] = requests[k].result;
      return SearchEnd::Found;
    }
    // No entry at this index (the request layer has said so): a shorter prefix.
  }
  return SearchEnd::NoRoute;
}

void CSnmpTrace::FillInterfaces(int row, const SnmpTarget& target, const std::string& input,
                                const std::string& output) {
  PostStatus("Getting interfaces variables");
  std::vector<TableRow> rows;
  WalkColumns(target, kInterfaceColumns, rows);
  for (const TableRow& entry : rows) {
    const std::string text = "(" + entry.texts[0] + ") " + entry.texts[1];
    if (entry.texts[0] == output) Set(row, kColOutput, text);
    if (entry.texts[0] == input) Set(row, kColInput, text);
  }
}

TraceOutcome CSnmpTrace::Run(const IpAddress& firstAgent) {
  TraceOutcome outcome;
  outcome.destinationAddress = destination.Text();
  if (options.continuous) {
    PrepareTable(table, WithRoundColumns(kColumns, options));
  } else {
    PrepareTable(table, kColumns);
  }
  // First hop of every agent seen, for the routing-loop note.
  std::map<IpAddress, unsigned> seen;
  IpAddress agent = firstAgent;
  for (unsigned hop = 1;; ++hop) {
    if (options.maxSnmpHops != 0 && hop > options.maxSnmpHops) {
      PostStatus("Trace ended after %u hops", options.maxSnmpHops);
      outcome.end = TraceEnd::HopLimit;
      return outcome;
    }
    const int row = static_cast<int>(hop);
    const SnmpTarget target = AgentTarget(agent);
    QStringList cells;
    for (int c = 0; c < kColumnCount; ++c) cells << QString();
    cells[kColNo] = QString::number(hop);
    cells[kColAgent] = QString::fromStdString(AddressCell(target.address));
    table.InsertRowTexts(row, cells, kRowLines);
    outcome.hops = hop;
    outcome.path.push_back({});
    outcome.path.back().address = target.address;
    std::optional<unsigned> earlier;
    if (auto found = seen.find(agent); found != seen.end()) {
      earlier = found->second;
    } else {
      seen.emplace(agent, hop);
    }

    PostStatus("Getting SysName");
    std::array<SnmpVarRequest, 1> sysName;
    sysName[0].objectId = kSysNameOid;
    int status = 0;
    const int result = SnmpGet(sysName, status, target);
    if (result != kSnmpResponse && result != kSnmpStopped) {
      PostStatus("No SNMP response");
      outcome.end = TraceEnd::NoResponse;
      return outcome;
    }
    if (result == kSnmpStopped || Stopped()) {
      outcome.end = TraceEnd::Stopped;
      return outcome;
    }
    // An error answer leaves the name empty; the route may still be there.
    Set(row, kColSysName, status == kSnmpNoError ? sysName[0].result : std::string());

    std::string input;
    // The continuous trace polls the hop's interfaces, so it needs them too.
    if (options.interfaceInfo || options.continuous) input = InputInterface(target, agent);
    if (Stopped()) {
      outcome.end = TraceEnd::Stopped;
      return outcome;
    }

    PostStatus("Getting route informations");
    FoundRoute route;
    const SearchEnd search = SearchRoute(target, route);
    std::string loopNote;
    if (earlier) loopNote = "(loop: as hop " + std::to_string(*earlier) + ")";
    if (search == SearchEnd::Failed) {
      PostStatus("No SNMP response");
      outcome.end = TraceEnd::NoResponse;
      return outcome;
    }
    if (search == SearchEnd::Stopped) {
      outcome.end = TraceEnd::Stopped;
      return outcome;
    }
    if (search == SearchEnd::NoRoute) {
      if (!loopNote.empty()) Set(row, kColRoute, loopNote);
      outcome.end = TraceEnd::NoRoute;
      return outcome;
    }

    const auto& t = route.texts;
    std::string routeCell = t[kRouteDest] + "\n" + t[kRouteMask];
    if (!loopNote.empty()) routeCell += " " + loopNote;
    Set(row, kColRoute, routeCell);
    Set(row, kColMetric, t[kRouteMetric1]);
    Set(row, kColProto, t[kRouteProto]);
    // An IPv6 route's next hop is "::" when it has none (a connected route).
    std::optional<IpAddress> nextHop = ParseIpAddress(t[kRouteNextHop]);
    if (nextHop && nextHop->IsV6() && nextHop->V6Bytes() == std::array<uint8_t, 16>{})
      nextHop.reset();
    const std::string nextHopText = nextHop ? nextHop->Text() : t[kRouteNextHop];
    Set(row, kColNextHop, AddressCell(nextHopText));

    if (options.interfaceInfo) FillInterfaces(row, target, input, t[kRouteIfIndex]);
    outcome.path.back().input.ifIndex = input;
    outcome.path.back().output.ifIndex = t[kRouteIfIndex];

    // ipRouteType direct(3); inetCidrRouteType local(3), a connected route.
    const bool connected =
        destination.IsV6() ? t[kRouteType] == "local" : t[kRouteType] == "direct";
    const bool last = connected || t[kRouteType] == "3" || nextHop == destination;
    PostProgressText(QStringLiteral("Following the routes to %1: %2 hop(s) found")
                         .arg(QString::fromStdString(outcome.destinationAddress))
                         .arg(hop));
    if (last) {
      outcome.end = TraceEnd::Reached;
      return outcome;
    }
    if (!nextHop) {
      // Nowhere to go on: the agent's route names no address.
      outcome.end = TraceEnd::BadNextHop;
      return outcome;
    }
    if (Stopped()) {
      outcome.end = TraceEnd::Stopped;
      return outcome;
    }
    agent = *nextHop;
  }
}

}  // namespace

std::vector<uint32_t> RouteSearchIndexes(uint32_t destination) {
  std::vector<uint32_t> indexes;
  uint32_t mask = 0xFFFFFFFFu;
  uint32_t net = destination;
  indexes.push_back(net);
  while (net != 0) {
    // Drop the lowest set bit of the mask while that leaves the index as it is.
    do {
      mask &= mask - 1;
    } while (mask != 0 && (destination & mask) == net);
    net = destination & mask;
    indexes.push_back(net);
  }
  return indexes;
}

bool PrefixHolds(const IpAddress& network, uint32_t length, const IpAddress& address) {
  if (network.family() != address.family() || network.IsNull()) return false;
  if (network.IsV4()) {
    if (length > 32) return false;
    const uint32_t mask = length == 0 ? 0 : ~uint32_t{0} << (32 - length);
    return (network.V4Value() & mask) == (address.V4Value() & mask);
  }
  if (length > 128) return false;
  const std::array<uint8_t, 16>& a = network.V6Bytes();
  const std::array<uint8_t, 16>& b = address.V6Bytes();
  const uint32_t whole = length / 8;
  for (uint32_t i = 0; i < whole; ++i) {
    if (a[i] != b[i]) return false;
  }
  const uint32_t rest = length % 8;
  if (rest == 0) return true;
  const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - rest));
  return (a[whole] & mask) == (b[whole] & mask);
}

std::optional<size_t> LongestPrefixMatch(std::span<const PrefixRoute> routes,
                                         const IpAddress& destination) {
  std::optional<size_t> best;
  for (size_t i = 0; i < routes.size(); ++i) {
    const PrefixRoute& route = routes[i];
    if (!PrefixHolds(route.destination, route.prefixLength, destination)) continue;
    if (!best || route.prefixLength > routes[*best].prefixLength) best = i;
  }
  return best;
}

TraceOutcome RunSnmpTrace(CTableGrid& table, const JobContext& context, uint32_t destination,
                          const TraceOptions& options, const TraceHooks& hooks) {
  return RunSnmpTrace(table, context, IpAddress::V4(destination), options, hooks);
}

TraceOutcome RunSnmpTrace(CTableGrid& table, const JobContext& context,
                          const IpAddress& destination, const TraceOptions& options,
                          const TraceHooks&) {
  const std::optional<IpAddress> first = ParseIpAddress(context.target.address);
  if (!first) {
    TraceOutcome outcome;
    outcome.destinationAddress = destination.Text();
    return outcome;
  }
  return CSnmpTrace(table, context, destination, options).Run(*first);
}

bool AgentInterfaces(const JobContext& context, const IpAddress& agent,
                     const IpAddress& destination, std::string& input, std::string& output) {
  // The trace's own search, on a table it never writes.
  CTableGrid unused;
  const TraceOptions options;
  return CSnmpTrace(unused, context, destination, options).Interfaces(agent, input, output);
}

}  // namespace tesmo
