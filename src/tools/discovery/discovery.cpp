// The IP discovery sweep.
#include "tools/discovery/discovery.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/base/untrusted_text.h"
#include "core/base/vendor_map.h"
#include "core/grid/grid_data.h"
#include "core/grid/table_fill.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "core/net/name_resolution.h"
#include "core/snmp/neighbour_table.h"
#include "core/snmp/service_probe.h"
#include "core/snmp/snmp_request.h"
#include "tools/discovery/sweep_set.h"

namespace tesmo {
namespace {

constexpr char kSection[] = "Discovery";

enum : int { kColNo = 0, kColAddress = 1, kColName = 2, kColStatus = 3 };

const std::array<CColumnInfo, 4> kColumns = {{
    {"no", 4, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"name", 18, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"status", 32, kAlignLeftTop, false, kSortStringNoCaseAscending},
}};

// The columns the options add, in this order after the four of every sweep.
const CColumnInfo kMacColumn = {"MAC", 12, kAlignLeftTop, false, kSortStringNoCaseAscending};
const CColumnInfo kVendorColumn = {"vendor", 20, kAlignLeftTop, false, kSortStringNoCaseAscending};
const CColumnInfo kSnmpNameColumn = {"SNMP name", 16, kAlignLeftTop, false,
                                     kSortStringNoCaseAscending};
const CColumnInfo kDescriptionColumn = {"description", 30, kAlignLeftTop, false,
                                        kSortStringNoCaseAscending};
const CColumnInfo kServicesColumn = {"open services", 20, kAlignLeftTop, false,
                                     kSortStringNoCaseAscending};

// Where the added columns stand in this sweep's grid (-1: not shown).
struct ExtraColumns {
  int mac = -1, vendor = -1, snmpName = -1, description = -1, services = -1;
};

std::vector<CColumnInfo> SweepColumns(const DiscoveryOptions& options, ExtraColumns& at) {
  std::vector<CColumnInfo> columns(kColumns.begin(), kColumns.end());
  const auto add = [&](const CColumnInfo& column, int& index) {
    index = static_cast<int>(columns.size());
    columns.push_back(column);
  };
  if (options.arpFromRouter) {
    add(kMacColumn, at.mac);
    add(kVendorColumn, at.vendor);
  }
  if (options.askSnmp) {
    add(kSnmpNameColumn, at.snmpName);
    add(kDescriptionColumn, at.description);
  }
  if (options.openServices) add(kServicesColumn, at.services);
  return columns;
}

// The SNMP pass gives each host at most this long (never more than the
// Parameters page's time-out), with this many hosts asked at once.
constexpr int kAskSnmpTimeoutMs = 1000;
constexpr size_t kAskSnmpWorkers = 16;
// The service pass: each connect waits at most this long, this many at once.
constexpr uint32_t kServiceConnectMs = 1000;
constexpr size_t kServiceWorkers = 32;

enum class HostState : uint8_t { Waiting = 0, Pinging = 1, Done = 2 };

// One address of the sweep. state and tries are guarded by the run's lock.
struct HostRecord {
  std::string address;  // dotted
  int row = 0;          // grid row, 1-based
  HostState state = HostState::Waiting;
  uint32_t tries = 0;                          // echoes that got no reply
  PingOutcome outcome = PingOutcome::NoReply;  // of the last echo
};

// What the workers share for one run.
struct Sweep {
  const DiscoveryOptions& options;
  const JobContext& context;
  const DiscoveryHooks& hooks;
  CTableGrid& table;
  std::vector<HostRecord> hosts;
  // Guards every record's state and tries and the grid writes of the
  // workers, so that a row's cells and colour change together.
  std::mutex lock;
  uint32_t reachable = 0, refused = 0, unreachable = 0;
  // Paces the progress texts of all workers (under the lock).
  CProgressThrottle progress{};

  // Every record has its verdict (read under the lock).
  bool AllDone() const {
    return reachable + refused + unreachable == static_cast<uint32_t>(hosts.size());
  }

  bool Stopped() const { return context.Stopped(); }
};

// The count label of the sweep's grid.
QString AnsweredText(uint32_t answered, uint32_t hosts) {
  return QStringLiteral("%1 of %2 hosts answered").arg(answered).arg(hosts);
}

uint32_t TimeoutFor(const DiscoveryOptions& options, uint32_t tries) {
  const uint64_t timeout =
      uint64_t{options.initialTimeoutMs} + uint64_t{options.timeoutIncrementMs} * uint64_t{tries};
  return static_cast<uint32_t>(std::min<uint64_t>(timeout, UINT32_MAX));
}

// Claims record i for a worker in pass p: it must be waiting and have failed
// no more than p times. Returns whether it was claimed and its tries.
bool Claim(Sweep& sweep, HostRecord& host, uint32_t pass, uint32_t& tries) {
  std::lock_guard guard(sweep.lock);
  if (host.state != HostState::Waiting || host.tries > pass) return false;
  host.state = HostState::Pinging;
  tries = host.tries;
  return true;
}

// Pings one claimed record and writes its row. Returns false when the stop
// flag cut the echo short.
bool PingClaimed(Sweep& sweep, HostRecord& host, uint32_t tries) {
  const DiscoveryOptions& options = sweep.options;
  const EchoFunction& echo = sweep.hooks.echo ? sweep.hooks.echo : EchoFunction(SendEcho);
  CGridData* grid = sweep.table.Grid();
  const uint32_t timeout = TimeoutFor(options, tries);
  bool cancelled = false;
  // Every echo may be cut short by the stop flag: a 1300 ms wait must not
  // hold up a Stop.
  const EchoFunction cancellable = [&](const EchoRequest& request) {
    EchoRequest withCancel = request;
    withCancel.cancel = sweep.context.stop;
    EchoResult result = echo(withCancel);
    cancelled = result.cancelled;
    return result;
  };
  uint32_t roundTrip = 0;
  std::string text, source;
  const PingOutcome outcome = PingOnce(cancellable, host.address, roundTrip, timeout,
                                       options.pingSize, options.ttl, text, source);
  if (cancelled) {
    // No verdict: the echo did not get its time. The row keeps its last text.
    std::lock_guard guard(sweep.lock);
    host.state = HostState::Waiting;
    return false;
  }
  std::string name;
  const bool resolve = options.resolveNames && !sweep.Stopped();
  if (resolve) name = ResolveAddressToName(host.address);

  std::lock_guard guard(sweep.lock);
  host.outcome = outcome;
  uint32_t colour = kDiscoveryReachableColour;
  switch (outcome) {
    case PingOutcome::NoReply: {
      host.tries = tries + 1;
      char line[64];
      std::snprintf(line, sizeof line, " (%u try(s), timeout %u ms)", host.tries, timeout);
      text += line;
      colour = kDiscoveryNoReplyColour;
      host.state = host.tries < options.rounds ? HostState::Waiting : HostState::Done;
      if (host.state == HostState::Done) ++sweep.unreachable;
      break;
    }
    case PingOutcome::ErrorStatus:
      colour = kDiscoveryErrorColour;
      host.state = HostState::Done;
      ++sweep.refused;
      break;
    case PingOutcome::Reachable:
      host.state = HostState::Done;
      ++sweep.reachable;
      break;
  }
  if (grid != nullptr) {
    grid->SetTextAt(host.row, kColStatus, QString::fromStdString(text));
    grid->SetCellColourAt(host.row, kColStatus, colour);
    if (resolve) grid->SetTextAt(host.row, kColName, QString::fromStdString(name));
  }
  // A sweep of a /24 takes most of a minute: it says how far it is.
  if (sweep.progress.Due()) {
    const auto total = static_cast<uint32_t>(sweep.hosts.size());
    PostProgressText(QStringLiteral("Pinging hosts: %1 of %2 done, %3 answered")
                         .arg(sweep.reachable + sweep.refused + sweep.unreachable)
                         .arg(total)
                         .arg(sweep.reachable));
    sweep.table.SetStatusLabel(AnsweredText(sweep.reachable, total));
  }
  return true;
}

// The ARP pass: the router's neighbours fill "MAC" and "vendor" of every row
// they list, and a row whose host did not answer says the router knows it.
// Returns the rows filled; a router that cannot be read leaves *failure.
uint32_t ReadRouterHardware(Sweep& sweep, const ExtraColumns& at, QString& failure) {
  const std::string& named = sweep.options.arpRouter;
  const std::string router =
      named.empty() ? sweep.context.target.address : EchoAddressOfHostText(named);
  if (router.empty()) {
    failure = named.empty() ? QStringLiteral("Hardware addresses from router: no router address")
                            : QStringLiteral("Hardware addresses from router: cannot resolve %1")
                                  .arg(QString::fromStdString(EscapeUntrusted(named)));
    return 0;
  }
  PostStatusText(QStringLiteral("Reading the ARP table of %1").arg(QString::fromStdString(router)));
  SnmpTarget target = sweep.context.target;
  target.address = router;
  target.stop = sweep.context.stop;
  const NeighbourTable neighbours = ReadNeighbourTable(target);
  if (!neighbours.answered && !neighbours.stopped) failure = CStatusChannel::Instance().Text();
  std::map<std::string, const std::string*> byAddress;
  for (const Neighbour& n : neighbours.neighbours)
    byAddress.emplace(n.address.Text(), &n.physAddress);
  CGridData* grid = sweep.table.Grid();
  uint32_t known = 0;
  for (const HostRecord& host : sweep.hosts) {
    const auto found = byAddress.find(host.address);
    if (found == byAddress.end()) continue;
    ++known;
    if (grid == nullptr) continue;
    const std::string& phys = *found->second;
    grid->SetTextAt(host.row, at.mac, QString::fromStdString(phys));
    grid->SetTextAt(host.row, at.vendor, QString::fromStdString(VendorOf(phys)));
    if (host.outcome == PingOutcome::NoReply && host.state == HostState::Done) {
      grid->SetTextAt(host.row, kColStatus, QString::fromUtf8(kSilentKnownToRouter));
    }
  }
  return known;
}

// The hosts that answered their echo.
std::vector<const HostRecord*> LiveHosts(const Sweep& sweep) {
  std::vector<const HostRecord*> live;
  for (const HostRecord& host : sweep.hosts) {
    if (host.state == HostState::Done && host.outcome == PingOutcome::Reachable)
      live.push_back(&host);
  }
  return live;
}

// Runs work on up to wanted threads of its own (on this one when the system
// gives none) and waits for them.
void RunWorkers(size_t wanted, const std::function<void()>& work) {
  std::vector<std::thread> workers;
  for (size_t i = 0; i < wanted; ++i) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  if (workers.empty()) work();
  for (std::thread& worker : workers) worker.join();
}

// The first line of a value text: up to a line break, raw or as the escape
// the request layer writes for one.
std::string FirstLine(const std::string& text) {
  size_t end = text.find_first_of("\r\n");
  for (const char* escape : {"\\010", "\\013"}) end = std::min(end, text.find(escape));
  return end == std::string::npos ? text : text.substr(0, end);
}

// The SNMP pass: every host that answered its echo is asked sysName,
// sysDescr and sysObjectID in one GET with a short time-out and no retry, by
// a few workers side by side; a host without an agent leaves its cells empty.
void AskHostsOverSnmp(Sweep& sweep, const ExtraColumns& at) {
  const std::vector<const HostRecord*> live = LiveHosts(sweep);
  if (live.empty()) return;
  PostStatus("Asking %zu host(s) over SNMP", live.size());
  SnmpTarget base = sweep.context.target;
  base.timeoutMs = std::min(base.timeoutMs, kAskSnmpTimeoutMs);
  base.retries = 0;
  base.stop = sweep.context.stop;
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < live.size() && !sweep.Stopped(); i = next++) {
      SnmpTarget target = base;
      target.address = live[i]->address;
      std::array<SnmpVarRequest, 3> request;
      request[0].objectId = ".1.3.6.1.2.1.1.5.0";  // sysName
      request[1].objectId = ".1.3.6.1.2.1.1.1.0";  // sysDescr
      request[2].objectId = ".1.3.6.1.2.1.1.2.0";  // sysObjectID
      int status = 0;
      if (SnmpGetQuiet(request, status, target) != kSnmpResponse || status != kSnmpNoError)
        continue;
      // An empty string's text form is "\"\"": an empty cell here.
      for (SnmpVarRequest& answer : request) {
        if (answer.result == "\"\"") answer.result.clear();
      }
      std::string description = FirstLine(request[1].result);
      if (!request[2].result.empty()) {
        description += description.empty() ? "" : " ";
        description += "(" + request[2].result + ")";
      }
      CGridData* grid = sweep.table.Grid();
      if (grid == nullptr) continue;
      std::lock_guard guard(sweep.lock);
      grid->SetTextAt(live[i]->row, at.snmpName, QString::fromStdString(request[0].result));
      grid->SetTextAt(live[i]->row, at.description, QString::fromStdString(description));
    }
  };
  RunWorkers(std::min<size_t>(live.size(), kAskSnmpWorkers), work);
}

// The service pass: every TCP service of the list against every host that
// answered, a bounded connect each, by a pool of workers over the pairs; the
// row lists the services that accepted, in the list's order.
void FindOpenServices(Sweep& sweep, const ExtraColumns& at) {
  const std::vector<const HostRecord*> live = LiveHosts(sweep);
  std::vector<const ReachabilityService*> services;
  for (const ReachabilityService& service : kReachabilityServices) {
    if (!service.snmp) services.push_back(&service);
  }
  if (live.empty() || services.empty()) return;
  PostStatus("Testing %zu service(s) on %zu host(s)", services.size(), live.size());
  const size_t pairs = live.size() * services.size();
  std::vector<uint8_t> open(pairs, 0);  // by host, then service
  std::atomic<size_t> next{0};
  RunWorkers(std::min(pairs, kServiceWorkers), [&] {
    for (size_t i = next++; i < pairs && !sweep.Stopped(); i = next++) {
      const HostRecord& host = *live[i / services.size()];
      const std::optional<IpAddress> address = ParseEchoAddress(host.address);
      if (!address) continue;
      const ProbeResult result = ConnectBounded(*address, services[i % services.size()]->port,
                                                kServiceConnectMs, *sweep.context.stop);
      open[i] = result == ProbeResult::Answered ? 1 : 0;
    }
  });
  CGridData* grid = sweep.table.Grid();
  if (grid == nullptr) return;
  std::lock_guard guard(sweep.lock);
  for (size_t h = 0; h < live.size(); ++h) {
    QStringList names;
    for (size_t s = 0; s < services.size(); ++s) {
      if (open[h * services.size() + s] != 0) names << QString::fromUtf8(services[s]->name);
    }
    grid->SetTextAt(live[h]->row, at.services, names.join(QStringLiteral(", ")));
  }
}

void Worker(Sweep& sweep) {
  const uint32_t rounds = sweep.options.rounds;
  for (uint32_t pass = 0; pass < rounds; ++pass) {
    {
      // Nothing left to ping: the remaining passes would only walk the list
      // (a stored pass count may be as large as 2^32 - 1).
      std::lock_guard guard(sweep.lock);
      if (sweep.AllDone()) return;
    }
    for (HostRecord& host : sweep.hosts) {
      uint32_t tries = 0;
      const bool claimed = Claim(sweep, host, pass, tries);
      if (sweep.Stopped()) {
        if (claimed) {
          std::lock_guard guard(sweep.lock);
          host.state = HostState::Waiting;
        }
        return;
      }
      if (claimed && !PingClaimed(sweep, host, tries)) return;
      if (sweep.Stopped()) return;
    }
  }
}

}  // namespace

DiscoveryOptions DiscoveryOptions::Load() {
  const QString section = QString::fromUtf8(kSection);
  DiscoveryOptions options;
  auto read = [&](const char* name, uint32_t& value) {
    value = CSettingsStore::ReadUInt(section, QString::fromUtf8(name), value);
  };
  uint32_t resolveNames = options.resolveNames ? 1 : 0;
  read("ResolveName", resolveNames);
  options.resolveNames = resolveNames != 0;
  read("PingFindInitialTimeout", options.initialTimeoutMs);
  read("PingFindRounds", options.rounds);
  read("PingFindPingSize", options.pingSize);
  read("PingFindTimeoutIncrement", options.timeoutIncrementMs);
  read("PingFindTTL", options.ttl);
  read("PingFindNbThreads", options.threads);
  read("AddressIncrement", options.addressIncrement);
  uint32_t arp = 0, ask = 0, services = 0;
  read("ArpFromRouter", arp);
  read("AskSnmp", ask);
  read("OpenServices", services);
  options.openServices = services != 0;
  options.arpFromRouter = arp != 0;
  options.askSnmp = ask != 0;
  options.arpRouter = CSettingsStore::ReadString(section, QStringLiteral("ArpRouter"), QString())
                          .trimmed()
                          .toStdString();
  return options;
}

void DiscoveryOptions::Save() const {
  const QString section = QString::fromUtf8(kSection);
  auto write = [&](const char* name, uint32_t value) {
    CSettingsStore::WriteUInt(section, QString::fromUtf8(name), value);
  };
  write("ResolveName", resolveNames ? 1 : 0);
  write("PingFindInitialTimeout", initialTimeoutMs);
  write("PingFindRounds", rounds);
  write("PingFindPingSize", pingSize);
  write("PingFindTimeoutIncrement", timeoutIncrementMs);
  write("PingFindTTL", ttl);
  write("PingFindNbThreads", threads);
  write("AddressIncrement", addressIncrement);
  // The later options leave a file that never had them as it was while they
  // keep their built-in values.
  // A value is stored when two different defaults read the same.
  const auto storedNumber = [&](const char* name) {
    const QString key = QString::fromUtf8(name);
    return CSettingsStore::ReadUInt(section, key, 0) == CSettingsStore::ReadUInt(section, key, 1);
  };
  if (arpFromRouter || storedNumber("ArpFromRouter")) write("ArpFromRouter", arpFromRouter ? 1 : 0);
  if (askSnmp || storedNumber("AskSnmp")) write("AskSnmp", askSnmp ? 1 : 0);
  if (openServices || storedNumber("OpenServices")) write("OpenServices", openServices ? 1 : 0);
  const QString routerKey = QStringLiteral("ArpRouter");
  if (!arpRouter.empty() ||
      CSettingsStore::ReadString(section, routerKey, QStringLiteral("-")) ==
          CSettingsStore::ReadString(section, routerKey, QStringLiteral("+"))) {
    CSettingsStore::WriteString(section, routerKey, QString::fromStdString(arpRouter));
  }
}

bool SweepAddresses(const IpAddress& first, uint32_t count, uint32_t increment,
                    std::vector<std::string>& addresses, std::string* error) {
  addresses.clear();
  if (!first.IsV6()) {
    addresses.reserve(count);
    // Host byte order, modulo 2^32.
    for (uint32_t i = 0; i < count; ++i) {
      addresses.push_back(FormatAddress(first.V4Value() + increment * i));
    }
    return true;
  }
  const std::array<uint8_t, 16>& bytes = first.V6Bytes();
  uint64_t low = 0;
  for (size_t i = 8; i < 16; ++i) low = low << 8 | bytes[i];
  // The last address is low + (count - 1) * increment; it must not pass the
  // top of the /64 (2^64 - 1). Both factors are below 2^32, so the product
  // fits in 64 bits.
  const uint64_t span = count == 0 ? 0 : uint64_t{count - 1} * uint64_t{increment};
  if (span > UINT64_MAX - low) {
    if (error != nullptr) {
      std::array<uint8_t, 16> top = bytes;
      for (size_t i = 8; i < 16; ++i) top[i] = 0xFF;
      std::array<uint8_t, 16> prefix = bytes;
      for (size_t i = 8; i < 16; ++i) prefix[i] = 0;
      char text[256];
      std::snprintf(text, sizeof text,
                    "An IPv6 sweep stays within one /64: %u hosts from %s, %u apart, would go "
                    "past %s (the end of %s/64)",
                    count, first.Text().c_str(), increment, IpAddress::V6(top).Text().c_str(),
                    IpAddress::V6(prefix).Text().c_str());
      *error = text;
    }
    return false;
  }
  addresses.reserve(count);
  std::array<uint8_t, 16> next = bytes;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t value = low + uint64_t{increment} * i;
    for (size_t b = 16; b-- > 8;) {
      next[b] = static_cast<uint8_t>(value);
      value >>= 8;
    }
    addresses.push_back(IpAddress::V6(next, first.ScopeId()).Text());
  }
  return true;
}

DiscoveryOutcome RunDiscovery(CTableGrid& table, const DiscoveryOptions& options,
                              const JobContext& context, const DiscoveryHooks& hooks) {
  DiscoveryOutcome outcome;
  PostStatus("Building host list");
  std::vector<std::string> addresses;
  const bool set = IsSweepSet(options.firstHost);
  if (set) {
    // A block, range, list or file: the count and increment do not apply.
    // A list of many names stops at the next name once Stop was asked for.
    SweepSetResult expanded =
        ExpandSweepSet(options.firstHost, kMaxDiscoveryHosts,
                       [&context](const std::string& name) -> std::optional<IpAddress> {
                         if (context.Stopped()) return std::nullopt;
                         return ParseEchoAddress(EchoAddressOfHostText(name));
                       });
    if (!expanded.ok && context.Stopped()) {
      PostStatus("Stopped while building the host list: nothing was swept");
      outcome.stopped = true;
      return outcome;
    }
    if (!expanded.ok) {
      PostStatusText(QString::fromStdString(expanded.error));
      outcome.badRange = !expanded.unresolved;
      return outcome;
    }
    addresses = std::move(expanded.addresses);
    outcome.firstAddress = addresses.front();
  } else {
    // A name is resolved once, here; the rows hold addresses.
    const std::optional<IpAddress> first =
        ParseEchoAddress(EchoAddressOfHostText(options.firstHost));
    if (!first) {
      // Sweeping from the parser's failure value would ping 255.255.255.255,
      // 0.0.0.0, 0.0.0.1 ...: nothing of what the user meant.
      PostStatus("Cannot resolve first host");
      return outcome;
    }
    std::string rangeError;
    if (!SweepAddresses(*first, std::min(options.hostCount, kMaxDiscoveryHosts),
                        options.addressIncrement, addresses, &rangeError)) {
      PostStatusText(QString::fromStdString(rangeError));
      outcome.badRange = true;
      return outcome;
    }
    outcome.firstAddress = first->Text();
  }
  const auto count = static_cast<uint32_t>(addresses.size());
  outcome.started = true;
  ExtraColumns at;
  const std::vector<CColumnInfo> columns = SweepColumns(options, at);
  PrepareTable(table, columns);

  Sweep sweep{options, context, hooks, table, {}, {}};
  sweep.hosts.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    HostRecord host;
    host.address = std::move(addresses[i]);
    host.row = static_cast<int>(i) + 1;
    sweep.hosts.push_back(std::move(host));
  }

  CGridData* grid = table.Grid();
  if (grid != nullptr) grid->SetRedraw(false);
  PostStatus("Drawing table");
  for (const HostRecord& host : sweep.hosts) {
    QStringList cells = {QString::number(host.row), QString::fromStdString(host.address), QString(),
                         QString()};
    while (cells.size() < static_cast<qsizetype>(columns.size())) cells << QString();
    table.InsertRowTexts(host.row, cells);
  }
  if (grid != nullptr) grid->SetRedraw(true);
  outcome.hosts = count;

  table.SetSortMenuEnabled(false);
  PostStatus("Pinging hosts");
  const uint32_t wanted = std::min({count, options.threads, kMaxDiscoveryThreads});
  std::vector<std::thread> workers;
  workers.reserve(wanted);
  for (uint32_t i = 0; i < wanted; ++i) {
    try {
      workers.emplace_back(Worker, std::ref(sweep));
    } catch (const std::system_error&) {
      break;  // the system gives no more threads: the ones running share the list
    }
  }
  outcome.workers = static_cast<uint32_t>(workers.size());
  for (std::thread& worker : workers) worker.join();

  // The passes of the added columns, on the pings' verdicts.
  QString failure;
  if (options.arpFromRouter && !sweep.Stopped()) {
    outcome.knownToRouter = ReadRouterHardware(sweep, at, failure);
  }
  if (options.askSnmp && !sweep.Stopped()) AskHostsOverSnmp(sweep, at);
  if (options.openServices && !sweep.Stopped()) FindOpenServices(sweep, at);

  table.SetSortMenuEnabled(true);
  table.SetStatusLabel(AnsweredText(sweep.reachable, count));
  outcome.reachable = sweep.reachable;
  outcome.refused = sweep.refused;
  outcome.unreachable = sweep.unreachable;
  outcome.stopped = sweep.Stopped();
  sweep.hosts.clear();
  // A sweep cut short by Stop, or cut down to its caps, says so where it ends.
  if (outcome.stopped) {
    PostStatus("Stopped: %u of %u hosts pinged, %u answered, the sweep is incomplete",
               sweep.reachable + sweep.refused + sweep.unreachable, count, sweep.reachable);
  } else if (!set && options.hostCount > kMaxDiscoveryHosts) {
    PostStatus("Ready: the first %u of %u hosts were swept (at most %u a sweep)", count,
               options.hostCount, kMaxDiscoveryHosts);
  } else if (options.threads > kMaxDiscoveryThreads) {
    PostStatus("Ready: %u threads did the work of the %u asked for (at most %u a sweep)",
               outcome.workers, options.threads, kMaxDiscoveryThreads);
  } else if (!failure.isEmpty()) {
    // A pass that failed keeps the request layer's words, as a table does.
    PostStatusText(failure);
  } else {
    PostStatus("Ready");
  }
  return outcome;
}

}  // namespace tesmo
