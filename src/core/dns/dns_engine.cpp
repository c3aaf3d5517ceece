// The DNS query engine: default server, Lookup and List.
#include "core/dns/dns_engine.h"

#include <arpa/nameser.h>
#include <resolv.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "core/dns/dns_transport.h"
#include "core/net/address_text.h"
#include "core/net/dns_message.h"
#include "core/net/name_cache.h"
#include "core/net/resolver_state.h"

namespace tesmo {

namespace {

// Query buffers: a lookup's query and a zone transfer's.
constexpr size_t kQuerySize = 1024;
constexpr size_t kTransferQuerySize = 512;
// Longest part of a name or domain joined into one query name.
constexpr int kMaxNamePart = 1025;
// How long a zone transfer may take to connect, to send its query, or to
// read one message, and the whole transfer at most: a server that doles out
// its bytes, or never ends, is left after that.
constexpr int kStreamLimitMs = 120000;
constexpr auto kListingLimit = std::chrono::minutes(10);

std::string FirstWord(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  text.remove_prefix(start);
  return std::string(text.substr(0, text.find_first_of(" \t")));
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

std::optional<uint32_t> DottedAddressOf(std::string_view text) {
  if (text.empty() || text.back() == '.' ||
      text.find_first_not_of("0123456789.") != std::string_view::npos)
    return std::nullopt;
  return ParseAddressText(text);
}

std::optional<IpAddress> Ipv6AddressOf(std::string_view text) {
  if (!LooksLikeIpv6(text)) return std::nullopt;
  std::optional<IpAddress> address = ParseIpAddress(text);
  if (!address || !address->IsV6()) return std::nullopt;
  return address;
}

CDnsEngine::CDnsEngine(CDnsOutput& out) : out(out) {}

int CDnsEngine::TypeOfMnemonic(std::string_view mnemonic, int fallback) {
  if (auto type = DnsTypeNumber(mnemonic)) return *type;
  out.Print("unknown query type: %.*s\n", static_cast<int>(mnemonic.size()), mnemonic.data());
  return fallback;
}

int CDnsEngine::ClassOfMnemonic(std::string_view mnemonic, int fallback) {
  if (auto dnsClass = DnsClassNumber(mnemonic)) return *dnsClass;
  out.Print("unknown query class: %.*s\n", static_cast<int>(mnemonic.size()), mnemonic.data());
  return fallback;
}

void CDnsEngine::ReadSettings() {
  settings = AppliedResolverConfig();
  settings.debug = settings.debug || settings.debug2;
}

std::optional<IpAddress> CDnsEngine::QueryServer() const {
  if (!defaultServer.addresses.empty()) return IpAddress::V4(defaultServer.addresses.front());
  if (!defaultServer.ipv6Addresses.empty()) return defaultServer.ipv6Addresses.front();
  if (!defaultServer.servers.empty() && !defaultServer.servers.front().addresses.empty())
    return IpAddress::V4(defaultServer.servers.front().addresses.front());
  return unnamedServer;
}

int CDnsEngine::GetAnswer(const uint8_t* query, size_t length, int type, bool addressQuery,
                          bool toServer, const IpAddress& server, DnsHostInfo& info) {
  info.Clear();
  DnsTransportOptions transport;
  transport.retransmit = static_cast<int>(settings.timeout);
  transport.retries = static_cast<int>(settings.retries);
  transport.debug = settings.debug;
  transport.debug2 = settings.debug2;
  transport.port = serverPort;
  transport.stop = stop;
  std::vector<uint8_t> answer;
  const int sent = SendDnsRequest(transport, server, query, length, answer, out, log);
  if (sent != 0) {
    if (settings.debug2) log.Out("SendRequest failed\n");
    return sent;
  }
  DnsAnswerQuery reading;
  reading.type = type;
  reading.addressQuery = addressQuery;
  reading.toServer = toServer;
  reading.hostIpv6 = type == kDnsTypeAaaa && hostIpv6Query;
  reading.flags = Flags();
  return ReadDnsAnswer(answer.data(), answer.size(), reading, info, out, log);
}

int CDnsEngine::QueryOne(const std::string& name, const std::string* domain, int type, int dnsClass,
                         const IpAddress& server, DnsHostInfo& info) {
  std::string full;
  if (domain) {
    char text[2 * kMaxNamePart + 2];
    std::snprintf(text, sizeof text, "%.*s.%.*s", kMaxNamePart, name.c_str(), kMaxNamePart,
                  domain->c_str());
    full = text;
  } else {
    full = name;
    if (!full.empty() && full.back() == '.') full.pop_back();
  }
  uint8_t query[kQuerySize];
  const int length = res_nmkquery(ResolverState(), ns_o_query, full.c_str(), dnsClass, type,
                                  nullptr, 0, nullptr, query, sizeof query);
  if (length < 0) {
    info.Clear();
    if (settings.debug) log.Out("Res_mkquery failed\n");
    return kDnsError;
  }
  const int result =
      GetAnswer(query, static_cast<size_t>(length), type, false, false, server, info);
  if (result == kDnsNonAuth && info.name.empty()) info.name = full;
  return result;
}

int CDnsEngine::LookupByName(const std::string& name, int type, int dnsClass,
                             const IpAddress& server, DnsHostInfo& info) {
  if (type == kDnsTypeA) {
    if (auto address = DottedAddressOf(name)) {
      info.Clear();
      info.name = "[" + name + "]";
      info.addresses.push_back(*address);
      return kDnsSuccess;
    }
  }

  const int dots = static_cast<int>(std::count(name.begin(), name.end(), '.'));
  if (dots == 0) {
    char alias[kDnsNameSize];
    // The library's host-alias table (the HOSTALIASES file); deprecated in
    // favour of getaddrinfo, which has no such table.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const char* found = res_hostalias(ResolverState(), name.c_str(), alias, sizeof alias);
#pragma GCC diagnostic pop
    if (found) {
      const std::string aliased = found;
      log.Out("Aliased to \"%s\"\n\n", aliased.c_str());
      return QueryOne(aliased, nullptr, type, dnsClass, server, info);
    }
  }

  bool triedAsIs = false;
  bool sawNoInfo = false;
  int result = kDnsError;
  if (dots >= kResolverDots) {
    result = QueryOne(name, nullptr, type, dnsClass, server, info);
    triedAsIs = true;
    if (result == kDnsSuccess) return result;
    sawNoInfo = result == kDnsNoInfo;
  }

  // The resolver searches, default names included: a name that does not end
  // with a dot is tried in each search domain.
  const bool endsWithDot = !name.empty() && name.back() == '.';
  if (!endsWithDot) {
    for (const auto& domain : settings.searchList) {
      result = QueryOne(name, &domain, type, dnsClass, server, info);
      if (result == kDnsSuccess || result == kDnsNoResponse) return result;
      if (result == kDnsNoInfo) {
        sawNoInfo = true;
      } else if (result != kDnsNonExistent) {
        break;
      }
    }
  }

  if (!triedAsIs) {
    result = QueryOne(name, nullptr, type, dnsClass, server, info);
    if (result == kDnsSuccess) return result;
    sawNoInfo = sawNoInfo || result == kDnsNoInfo;
  }
  return sawNoInfo ? kDnsNoInfo : result;
}

int CDnsEngine::LookupByAddress(const IpAddress& address, const IpAddress& server, bool toServer,
                                DnsHostInfo& info) {
  const std::string name = address.ReverseName();
  uint8_t query[kQuerySize];
  const int length = res_nmkquery(ResolverState(), ns_o_query, name.c_str(), ns_c_in, ns_t_ptr,
                                  nullptr, 0, nullptr, query, sizeof query);
  if (length < 0) {
    info.Clear();
    if (settings.debug) log.Out("res_mkquery() failed\n");
    return kDnsError;
  }
  const int result =
      GetAnswer(query, static_cast<size_t>(length), kDnsTypePtr, true, toServer, server, info);
  if (result == kDnsSuccess) {
    if (address.IsV4()) {
      info.addresses.assign(1, address.V4Value());
    } else {
      info.ipv6Addresses.assign(1, address);
    }
  }
  return result;
}

void CDnsEngine::FindDefaultServer() {
  ReadSettings();
  defaultServer.Clear();
  defaultServerName.clear();
  unnamedServer.reset();
  const std::vector<IpAddress>& servers =
      serverOverride.empty() ? settings.servers : serverOverride;
  std::optional<IpAddress> answering;
  for (const IpAddress& server : servers) {
    DnsHostInfo info;
    const int result = LookupByAddress(server, server, true, info);
    if (result == kDnsSuccess) {
      defaultServer = std::move(info);
      defaultServerName = defaultServer.name;
      return;
    }
    out.Print("*** Can't find server name for address %s: %s\n", server.Text().c_str(),
              DnsResultText(result));
    if (!answering && result != kDnsTimedOut && result != kDnsNoResponse) answering = server;
  }
  // A server without a name for its own address still answers queries: it
  // is asked under its address rather than leaving nothing to ask.
  if (!servers.empty()) {
    unnamedServer = answering.value_or(servers.front());
    defaultServerName = unnamedServer->Text();
    defaultServer.name = defaultServerName;
  }
}

void CDnsEngine::AddIpv6Addresses(const IpAddress& server) {
  // The name the A records were found under (the end of any alias chain);
  // asked as it is, with no search domains.
  DnsHostInfo ipv6;
  hostIpv6Query = true;
  const int result = QueryOne(hostInfo.name + ".", nullptr, kDnsTypeAaaa, queryClass, server, ipv6);
  hostIpv6Query = false;
  if (result != kDnsSuccess) return;
  hostInfo.ipv6Addresses = std::move(ipv6.ipv6Addresses);
}

int CDnsEngine::RunLookup(std::string_view text) {
  std::string name = FirstWord(text);
  hostInfoValid = false;
  ReadSettings();
  PrintHostInfo(out, "Server:", defaultServer);
  const std::optional<IpAddress> server = QueryServer();
  if (!server) return kDnsError;

  if (!name.empty() && name.front() == '\\') name.erase(0, 1);
  int result;
  std::optional<IpAddress> address;
  if (const auto dotted = DottedAddressOf(name)) {
    address = IpAddress::V4(*dotted);
  } else {
    address = Ipv6AddressOf(name);
  }
  // An address asks for its name: as a host lookup (A, and AAAA for an
  // IPv6 address), or as the PTR query of its reverse name.
  const bool hostQuery =
      queryType == kDnsTypeA || (queryType == kDnsTypeAaaa && address && address->IsV6());
  if (hostQuery && address) {
    result = LookupByAddress(*address, *server, false, hostInfo);
  } else {
    if (queryType == kDnsTypePtr && address) name = address->ReverseName() + ".";
    result = LookupByName(name, queryType, queryClass, *server, hostInfo);
    if (queryType == kDnsTypeA && askIpv6) {
      if (result == kDnsSuccess) {
        AddIpv6Addresses(*server);
      } else if (result == kDnsNoInfo) {
        // A name with IPv6 addresses only.
        DnsHostInfo ipv6;
        hostIpv6Query = true;
        const int found = LookupByName(name, kDnsTypeAaaa, queryClass, *server, ipv6);
        hostIpv6Query = false;
        if (found == kDnsSuccess) {
          hostInfo = std::move(ipv6);
          result = found;
        }
      }
    }
  }

  switch (result) {
    case kDnsSuccess:
      if (hostQuery) {
        hostInfoValid = true;
        PrintHostInfo(out, "Name:", hostInfo);
        RecordHostInfo(out, hostInfo);
      }
      break;
    case kDnsNonAuth:
      PrintHostInfo(out, "Name:", hostInfo);
      RecordHostInfo(out, hostInfo);
      break;
    case kDnsNoInfo:
      out.Print("*** No %s (%s) records available for %s\n", DnsTypeName(queryType).c_str(),
                DnsTypeMnemonic(queryType).c_str(), name.c_str());
      break;
    case kDnsTimedOut:
      out.Print("*** Request to %s timed-out\n", defaultServerName.c_str());
      break;
    default:
      out.Print("*** %s can't find %s: %s\n", defaultServerName.c_str(), name.c_str(),
                DnsResultText(result));
      break;
  }
  return result;
}

int CDnsEngine::ListZoneSteps(int type, const std::string& domain, bool& errorPrinted) {
  uint8_t query[kTransferQuerySize];
  const int length = res_nmkquery(ResolverState(), ns_o_query, domain.c_str(), queryClass,
                                  ns_t_axfr, nullptr, 0, nullptr, query, sizeof query);
  if (length < 0) {
    if (settings.debug) out.Print("*** ls: res_mkquery failed\n");
    return kDnsError;
  }
  const std::optional<IpAddress> server = QueryServer();
  if (!server) return kDnsError;

  CDnsStream stream(stop);
  const auto listingDeadline = std::chrono::steady_clock::now() + kListingLimit;
  stream.SetDeadline(listingDeadline);
  if (stream.Open(server->SocketFamily()) != CDnsStream::Status::kOk) {
    log.ErrNo("ls: socket", stream.Error());
    return kDnsError;
  }
  switch (stream.Connect(*server, serverPort, kStreamLimitMs)) {
    case CDnsStream::Status::kOk:
      break;
    case CDnsStream::Status::kRefused:
    case CDnsStream::Status::kStopped:
      return kDnsNoResponse;
    default:
      log.ErrNo("ls: connect", stream.Error() != 0 ? stream.Error() : ETIMEDOUT);
      return kDnsError;
  }
  if (stream.SendMessage(query, static_cast<size_t>(length), kStreamLimitMs) !=
      CDnsStream::Status::kOk) {
    log.ErrNo("ls: write", stream.Error() != 0 ? stream.Error() : ETIMEDOUT);
    return kDnsError;
  }

  const bool named = defaultServer.addresses.empty() && defaultServer.ipv6Addresses.empty() &&
                     !defaultServer.servers.empty();
  out.Print("[%s]\n",
            named ? defaultServer.servers.front().name.c_str() : defaultServerName.c_str());

  DnsListing listing;
  listing.type = type;
  listing.domain = domain;
  listing.debug = settings.debug;
  listing.queryClass = queryClass;

  enum class End { kNormal, kLengthFailed, kMessageFailed, kPrintFailed };
  End end = End::kNormal;
  int printResult = kDnsSuccess;
  size_t partial = 0;
  int messages = 0;
  int records = 0;
  std::string firstSoa;
  bool soaSeen = false;
  bool complete = false;
  bool full = false;
  while (!complete && !DnsStopRequested(stop)) {
    if (out.Full()) {
      // A zone larger than any list may hold, or a transfer that never ends.
      full = true;
      break;
    }
    uint8_t prefix[2];
    size_t got = 0;
    auto status = stream.Read(prefix, sizeof prefix, kStreamLimitMs, got);
    if (status == CDnsStream::Status::kStopped) break;
    if (status != CDnsStream::Status::kOk) {
      end = End::kLengthFailed;
      break;
    }
    const size_t size = static_cast<size_t>(prefix[0] << 8 | prefix[1]);
    if (size == 0) break;
    if (transferBuffer.size() < size) transferBuffer.resize(size);
    status = stream.Read(transferBuffer.data(), size, kStreamLimitMs, got);
    if (status == CDnsStream::Status::kStopped) break;
    if (status != CDnsStream::Status::kOk) {
      end = End::kMessageFailed;
      partial = got;
      break;
    }
    const CDnsMessage message(transferBuffer.data(), size);
    printResult = PrintZoneListingLines(out, message, listing);
    if (printResult != kDnsSuccess) {
      end = End::kPrintFailed;
      break;
    }
    const DnsHeader header = message.Header();
    ++messages;
    records += header.answers;

    // The transfer ends with the zone's SOA record sent a second time; an
    // SOA record of any other owner on the way is just a record.
    auto offset = message.SkipQuestions();
    DnsRecord record;
    for (uint16_t i = 0; offset && i < header.answers; ++i) {
      if (!message.NextRecord(*offset, record)) break;
      if (record.type != kDnsTypeSoa) continue;
      if (!soaSeen) {
        soaSeen = true;
        firstSoa = record.owner;
      } else if (SameName(record.owner, firstSoa)) {
        complete = true;
        break;
      }
    }
  }

  out.Print("%sReceived %d answer%s (%d record%s).\n", messages >= 50 ? "\n" : "", messages,
            messages == 1 ? "" : "s", records, records == 1 ? "" : "s");
  stream.Close();
  if (full) {
    out.WriteLast("*** ls: the listing was stopped after " +
                  std::to_string(out.Store().Appended()) + " lines, the most it shows");
    errorPrinted = true;
    return kDnsError;
  }
  if (end != End::kNormal && end != End::kPrintFailed &&
      std::chrono::steady_clock::now() >= listingDeadline) {
    out.Print("*** ls: the zone transfer was stopped after %lld minutes, the most it may take\n",
              static_cast<long long>(kListingLimit.count()));
    errorPrinted = true;
    return kDnsError;
  }
  switch (end) {
    case End::kNormal:
      return kDnsSuccess;
    case End::kLengthFailed:
      return kDnsError;
    case End::kPrintFailed:
      return printResult;
    case End::kMessageFailed: {
      // The counts of the message that was cut off; bytes that never came
      // read as zeros.
      const DnsHeader header = CDnsMessage(transferBuffer.data(), partial).Header();
      out.Print("*** ls: error receiving zone transfer:\n");
      out.Print("  result: %s, answers = %u, authority = %u, additional = %u\n",
                DnsRcodeText(header.rcode), header.answers, header.authority, header.additional);
      errorPrinted = true;
      return kDnsError;
    }
  }
  return kDnsError;
}

int CDnsEngine::ListZone(int type, std::string_view domainText) {
  ReadSettings();
  const std::string domain(domainText);
  bool errorPrinted = false;
  const int result = ListZoneSteps(type, domain, errorPrinted);
  // Every failure leaves a line in the list, so an empty or refused listing
  // is never mistaken for an empty zone.
  if (result != kDnsSuccess && !errorPrinted) {
    out.Print("*** Can't list domain %s: %s\n", domain.c_str(), DnsResultText(result));
  }
  return result;
}

int CDnsEngine::RunQuery(Query query, std::string_view name) {
  // Another user of the resolver may hold the lock across its own network
  // waits: the wait for it looks at the stop flag as often as a network wait
  // does, and a stop gives up the query.
  std::unique_lock lock(NameCacheMutex, std::defer_lock);
  while (!lock.try_lock()) {
    if (DnsStopRequested(stop)) return kDnsError;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FindDefaultServer();
  return query == Query::kLookup ? RunLookup(name) : ListZone(queryType, name);
}

}  // namespace tesmo
