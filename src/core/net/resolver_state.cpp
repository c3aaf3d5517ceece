// The internal resolver's state record and the settings that feed it.
#include "core/net/resolver_state.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <resolv.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

namespace tesmo {

namespace {

// Bounds on what reaches the library: a mistyped huge time-out or retry count
// would overflow its millisecond arithmetic or hold the name-cache lock for
// days. An hour per try and a hundred tries are far beyond any real use.
constexpr uint32_t kMaxTimeout = 3600;
constexpr uint32_t kMaxRetries = 100;

// The longest default-domain text taken from the search list.
constexpr size_t kMaxSearchText = 255;

// Option bits of the record, written out so the intent is readable.
constexpr unsigned long kSetUpOptions =
    RES_INIT | RES_RECURSE | RES_DEFNAMES | RES_STAYOPEN | RES_DNSRCH;
constexpr unsigned long kDebug2Option = 0x80000000ul;

// The record itself and the settings it holds; only touched under
// NameCacheMutex.
struct __res_state state;
// The addresses of the record's servers as the library reads them for an
// IPv6 server (a slot whose short IPv4 address has family 0), and where it
// keeps its copy of an IPv4 server's address. The record points at these for
// good, so the library never allocates its own and never frees them.
sockaddr_in6 serverAddresses[MAXNS];
bool stateSetUp = false;
uint64_t appliedGeneration = 0;
ResolverConfig applied;

// The settings as written; guarded by configMutex, which is held only for
// copies, never across a query.
std::mutex configMutex;
ResolverConfig config;
uint64_t configGeneration = 1;

std::once_flag setUpOnce;

void SetUpState() {
  std::memset(&state, 0, sizeof state);
  state.retrans = 2;
  state.retry = 2;
  state.options = kSetUpOptions;
  // Slot 1 holds 0.0.0.0:53 until a list is applied; with the count at 0 no
  // query is sent.
  state.nsaddr_list[0].sin_family = AF_INET;
  state.nsaddr_list[0].sin_port = htons(kNameServerPort);
  state.nsaddr_list[0].sin_addr.s_addr = htonl(INADDR_ANY);
  state.nscount = 0;
  state.id = static_cast<unsigned short>(time(nullptr) ^ getpid());
  state.ndots = kResolverDots;
  // The library keeps its TCP socket here and closes it after a failed
  // query; a zero-filled record would make it close descriptor 0 (standard
  // input, or whatever holds it). -1 is "no socket", as its own set-up says.
  state._vcsock = -1;
  for (int i = 0; i < MAXNS; ++i) state._u._ext.nsaddrs[i] = &serverAddresses[i];
  stateSetUp = true;
}

// Closes the datagram sockets the library keeps open to the servers (it keeps
// them while the record stays open) and drops its copy of the server list.
// Its stream socket checks its peer before each use and is left alone.
void CloseLibrarySockets() {
  for (int i = 0; i < state._u._ext.nscount && i < MAXNS; ++i) {
    int& socket = state._u._ext.nssocks[i];
    if (socket >= 0) close(socket);
    socket = -1;
  }
  state._u._ext.nscount = 0;
}

// Copies config into the record, and what the record took into applied.
// Caller holds NameCacheMutex and configMutex.
void WriteState(const ResolverConfig& from) {
  applied = from;
  applied.timeout = std::min(from.timeout, kMaxTimeout);
  applied.retries = std::min(from.retries, kMaxRetries);
  state.retrans = static_cast<int>(applied.timeout);
  state.retry = static_cast<int>(applied.retries);
  state.options =
      kSetUpOptions | (from.debug ? RES_DEBUG : 0ul) | (from.debug2 ? kDebug2Option : 0ul);

  // The library compares only the IPv4 slots with its copy when it sends, so
  // it would keep talking to an IPv6 server that is no longer listed: the
  // sockets it kept open are closed here, and its copy is taken anew.
  CloseLibrarySockets();
  int count = 0;
  for (const IpAddress& server : from.servers) {
    if (count == kMaxNameServers) break;
    auto& slot = state.nsaddr_list[count];
    std::memset(&slot, 0, sizeof slot);
    if (server.IsV4()) {
      slot.sin_family = AF_INET;
      slot.sin_port = htons(kNameServerPort);
      slot.sin_addr.s_addr = htonl(server.V4Value());
    } else {
      // The library's own layout for a server longer than the short slot:
      // the slot's family 0, the address in the extension.
      socklen_t length = 0;
      const sockaddr_storage address = server.ToSockaddr(kNameServerPort, &length);
      std::memset(&serverAddresses[count], 0, sizeof serverAddresses[count]);
      std::memcpy(&serverAddresses[count], &address,
                  std::min<size_t>(length, sizeof serverAddresses[count]));
    }
    ++count;
  }
  state.nscount = count;
  applied.servers.resize(static_cast<size_t>(count));

  // The search domains live in defdname one after another, each ended by its
  // NUL, with dnsrch pointing at them: the layout the library builds itself.
  std::memset(state.defdname, 0, sizeof state.defdname);
  std::fill(std::begin(state.dnsrch), std::end(state.dnsrch), nullptr);
  size_t offset = 0;
  int domains = 0;
  for (const auto& domain : from.searchList) {
    if (domains == kMaxSearchDomains || offset + domain.size() + 1 > sizeof state.defdname) break;
    std::memcpy(state.defdname + offset, domain.data(), domain.size());
    state.dnsrch[domains++] = state.defdname + offset;
    offset += domain.size() + 1;
  }
  applied.searchList.resize(static_cast<size_t>(domains));
}

}  // namespace

void SetUpResolver() {
  std::call_once(setUpOnce, [] {
    // The record belongs to NameCacheMutex's users; set-up runs before any of
    // them (start-up) or from ResolverState() under that lock.
    SetUpState();
  });
}

struct __res_state* ResolverState() {
  SetUpResolver();
  std::lock_guard guard(configMutex);
  if (appliedGeneration != configGeneration) {
    WriteState(config);
    appliedGeneration = configGeneration;
  }
  return &state;
}

ResolverConfig AppliedResolverConfig() {
  ResolverState();
  return applied;
}

ResolverConfig CurrentResolverConfig() {
  std::lock_guard guard(configMutex);
  return config;
}

void SetResolverTimeout(uint32_t seconds) {
  std::lock_guard guard(configMutex);
  config.timeout = seconds;
  ++configGeneration;
}

void SetResolverRetries(uint32_t count) {
  std::lock_guard guard(configMutex);
  config.retries = count;
  ++configGeneration;
}

void SetResolverDebug(bool debug, bool debug2) {
  std::lock_guard guard(configMutex);
  config.debug = debug;
  config.debug2 = debug2;
  ++configGeneration;
}

namespace {

// One server of the list at position: its address and where its text ends.
struct ListedServer {
  IpAddress address;
  size_t end = 0;
};

// The servers of a list text in order, with where each one's text stands.
std::vector<std::pair<ListedServer, size_t>> ReadServerList(const std::string& text) {
  std::vector<std::pair<ListedServer, size_t>> servers;
  size_t position = 0;
  while (position < text.size() && text[position] != '\n') {
    const size_t separator = text.find_first_of(" \t\n", position);
    const size_t end = separator == std::string::npos ? text.size() : separator;
    // inet_aton reads up to the first white space and ignores the rest.
    in_addr address{};
    if (inet_aton(text.c_str() + position, &address) != 0) {
      servers.push_back({{IpAddress::V4(ntohl(address.s_addr)), end}, position});
    } else {
      const std::string_view word(text.data() + position, end - position);
      if (!LooksLikeIpv6(word)) break;
      const std::optional<IpAddress> ipv6 = ParseIpAddress(word);
      if (!ipv6 || !ipv6->IsV6()) break;
      servers.push_back({{*ipv6, end}, position});
    }
    if (servers.size() == kMaxNameServers) break;
    // One separator only: a second blank is no address and ends the list.
    if (separator == std::string::npos) break;
    position = separator + 1;
  }
  return servers;
}

}  // namespace

std::vector<IpAddress> ParseDnsServerList(const std::string& text) {
  std::vector<IpAddress> servers;
  for (const auto& [server, position] : ReadServerList(text)) servers.push_back(server.address);
  return servers;
}

std::string StoredDnsServerListText(const std::string& text) {
  std::string stored;
  size_t copied = 0;
  for (const auto& [server, position] : ReadServerList(text)) {
    if (!server.address.IsV6()) continue;
    stored.append(text, copied, position - copied);
    stored += server.address.Text();
    copied = server.end;
  }
  stored.append(text, copied, std::string::npos);
  return stored;
}

std::vector<std::string> ParseDnsSearchList(const std::string& text) {
  std::vector<std::string> domains;
  std::string_view rest(text);
  rest = rest.substr(0, std::min(rest.size(), kMaxSearchText));
  // A line end ends the text: what follows it is not part of the list.
  rest = rest.substr(0, std::min(rest.size(), rest.find_first_of("\r\n")));
  while (domains.size() < kMaxSearchDomains) {
    size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) break;
    rest.remove_prefix(start);
    size_t end = std::min(rest.size(), rest.find_first_of(" \t"));
    domains.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end);
  }
  return domains;
}

void ApplyDnsServerList(const std::string& text) {
  std::vector<IpAddress> servers = ParseDnsServerList(text);
  std::lock_guard guard(configMutex);
  config.servers = std::move(servers);
  ++configGeneration;
}

void ApplyDnsSearchList(const std::string& text) {
  if (text.empty() || text.front() == '\n') return;
  std::vector<std::string> domains = ParseDnsSearchList(text);
  std::lock_guard guard(configMutex);
  config.defaultDomain = domains.empty() ? std::string() : domains.front();
  config.searchList = std::move(domains);
  ++configGeneration;
}

}  // namespace tesmo
