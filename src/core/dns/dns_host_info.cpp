// The host information record: its block and reading an answer into it.
#include "core/dns/dns_host_info.h"

#include <strings.h>

#include <optional>

#include "core/dns/dns_output.h"
#include "core/dns/dns_record_data.h"
#include "core/dns/dns_records.h"
#include "core/net/address_text.h"
#include "core/net/dns_message.h"

namespace tesmo {

namespace {

// The one name of an NS or PTR record; nothing when it cannot be read.
std::optional<std::string> NameOf(const CDnsMessage& message, const DnsRecord& record) {
  auto names = std::get<DnsNamesData>(DecodeRecordData(message, record).value).names;
  return names.empty() ? std::nullopt : std::optional(std::move(names.front()));
}

// The address of an A record of four bytes (an IPv4 address); nothing for
// any other length.
std::optional<uint32_t> AddressOf(const CDnsMessage& message, const DnsRecord& record) {
  const DnsRecordData data = DecodeRecordData(message, record);
  const auto* a = std::get_if<DnsAddressData>(&data.value);
  return a && !a->protocolPort ? std::optional(a->address) : std::nullopt;
}

// The address of an AAAA record of sixteen bytes; nothing for any other
// length (a record that is no IPv6 address).
std::optional<IpAddress> Ipv6AddressOf(const CDnsMessage& message, const DnsRecord& record) {
  if (record.dataLength != 16) return std::nullopt;
  const DnsRecordData data = DecodeRecordData(message, record);
  const auto* aaaa = std::get_if<DnsIpv6Data>(&data.value);
  return aaaa ? std::optional(IpAddress::V6(aaaa->address)) : std::nullopt;
}

// first addresses on the first line, then next on each later one.
void PrintAddressTexts(CDnsOutput& out, const std::vector<std::string>& addresses, size_t first,
                       size_t next) {
  char separator = ' ';
  size_t onLine = 0;
  size_t perLine = first;
  for (size_t i = 0; i < addresses.size(); ++i) {
    out.Print("%c %s", separator, addresses[i].c_str());
    separator = ',';
    if (++onLine == perLine && i + 1 < addresses.size()) {
      out.Write("\n\t");
      onLine = 0;
      perLine = next;
      separator = ' ';
    }
  }
}

// Four addresses on the first line, five on each later one.
void PrintAddresses(CDnsOutput& out, const std::vector<uint32_t>& addresses) {
  std::vector<std::string> texts;
  for (uint32_t address : addresses) texts.push_back(FormatAddress(address));
  PrintAddressTexts(out, texts, 4, 5);
}

// IPv6 addresses are up to ten times longer: two on a line.
void PrintIpv6Addresses(CDnsOutput& out, const std::vector<IpAddress>& addresses) {
  std::vector<std::string> texts;
  for (const IpAddress& address : addresses) texts.push_back(address.Text());
  PrintAddressTexts(out, texts, 2, 2);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

DnsServerInfo* FindServer(DnsHostInfo& info, const std::string& name) {
  for (auto& server : info.servers) {
    if (SameName(server.name, name)) return &server;
  }
  return nullptr;
}

}  // namespace

void PrintNameList(CDnsOutput& out, const std::vector<std::string>& names) {
  size_t width = 10;
  char separator = ' ';
  for (const auto& name : names) {
    width += name.size() + 2;
    if (width > 75) {
      out.Write("\n\t");
      width = 10;
      separator = ' ';
    }
    out.Print("%c %s", separator, name.c_str());
    separator = ',';
  }
}

void RecordHostInfo(CDnsOutput& out, const DnsHostInfo& info) {
  for (uint32_t address : info.addresses) {
    out.Record({info.name, "A", "IN", {}, FormatAddress(address)});
  }
  for (const IpAddress& address : info.ipv6Addresses) {
    out.Record({info.name, "AAAA", "IN", {}, address.Text()});
  }
  for (const std::string& alias : info.aliases) out.Record({alias, "CNAME", "IN", {}, info.name});
}

void PrintHostInfo(CDnsOutput& out, const char* label, const DnsHostInfo& info) {
  out.Print("%-7s  %s", label, info.name.c_str());
  if (!info.addresses.empty()) {
    out.Write(info.addresses.size() >= 2 ? "\nAddresses:" : "\nAddress:");
    PrintAddresses(out, info.addresses);
  }
  if (!info.ipv6Addresses.empty()) {
    const bool several = info.ipv6Addresses.size() >= 2;
    if (info.addresses.empty()) {
      out.Write(several ? "\nAddresses:" : "\nAddress:");
    } else {
      out.Write(several ? "\nIPv6 Addresses:" : "\nIPv6 Address:");
    }
    PrintIpv6Addresses(out, info.ipv6Addresses);
  }
  if (!info.aliases.empty()) {
    out.Write("\nAliases:");
    PrintNameList(out, info.aliases);
  }
  if (!info.servers.empty()) {
    out.Write("\nServed by:\n");
    for (const auto& server : info.servers) {
      out.Print("- %s\n\t", server.name.c_str());
      PrintAddresses(out, server.addresses);
      out.Write("\n\t");
      PrintNameList(out, server.domains);
      out.Write("\n");
    }
  }
  out.Write("\n\n");
}

int ReadDnsAnswer(const uint8_t* answer, size_t size, const DnsAnswerQuery& query,
                  DnsHostInfo& info, CDnsOutput& out, CDnsLog& log) {
  info.Clear();
  const CDnsMessage message(answer, size);
  // Shorter than a header: nothing in it can be trusted.
  if (size < kDnsHeaderSize) return kDnsError;
  const DnsHeader header = message.Header();
  if (header.rcode != 0) return header.rcode;
  if (header.answers == 0 && header.authority == 0 && header.additional == 0) return kDnsNoInfo;
  auto offset = message.SkipQuestions();
  if (!offset) return kDnsError;

  if (header.answers > 0 && !query.toServer && !header.authoritative) {
    log.Out("Non-authoritative answer:\n");
  }

  // A host lookup: by name for IPv4 (A) or IPv6 (AAAA) addresses, or by
  // address for the name.
  const bool hostIpv6 = query.type == kDnsTypeAaaa && query.hostIpv6;
  const bool hostByName = query.type == kDnsTypeA || hostIpv6;
  const bool readsHost = hostByName || (query.addressQuery && query.type == kDnsTypePtr);
  // Prints count records from *offset on, a Resource record line each.
  const auto printRecords = [&](unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
      auto after = PrintResourceRecord(out, message, *offset, query.flags);
      if (!after) return false;
      *offset = *after;
    }
    return true;
  };
  bool answersPrinted = false;
  DnsRecord record;
  if (readsHost) {
    bool found = false;
    bool haveAddress = false;
    int addressClass = 0;
    // The first address record names the host and fixes the class: later
    // ones of another class are passed over, and each list holds at most
    // kMaxAddresses.
    const auto admit = [&](const DnsRecord& address, size_t listed) {
      if (!haveAddress) {
        info.name = address.owner;
        addressClass = address.dnsClass;
        haveAddress = true;
      } else if (address.dnsClass != addressClass) {
        return false;
      }
      if (listed >= DnsHostInfo::kMaxAddresses) {
        log.Out("MAXADDRS exceeded: skipping address\n");
        return false;
      }
      return true;
    };
    for (uint16_t i = 0; i < header.answers; ++i) {
      if (!message.NextRecord(*offset, record)) return kDnsError;
      if (record.type == kDnsTypeCname) {
        if (info.aliases.size() < DnsHostInfo::kMaxAliases) info.aliases.push_back(record.owner);
      } else if (record.type == kDnsTypePtr && query.type == kDnsTypePtr) {
        auto target = NameOf(message, record);
        if (!target) return kDnsError;
        info.name = *target;
        found = true;
        break;
      } else if (record.type == kDnsTypeA) {
        // Only four-byte addresses fit the record; anything else is not an
        // IPv4 address and is passed over.
        const auto address = AddressOf(message, record);
        if (!address) continue;
        if (!admit(record, info.addresses.size())) continue;
        info.addresses.push_back(*address);
        found = true;
      } else if (record.type == kDnsTypeAaaa && hostIpv6) {
        // Only sixteen-byte records are IPv6 addresses; others are passed
        // over, and said so in the log.
        const auto address = Ipv6AddressOf(message, record);
        if (!address) {
          log.Out("AAAA record of %zu bytes (not 16): skipping it\n", record.dataLength);
          continue;
        }
        if (!admit(record, info.ipv6Addresses.size())) continue;
        info.ipv6Addresses.push_back(*address);
        found = true;
      }
    }
    if (found) return kDnsSuccess;
  } else {
    if (!printRecords(header.answers)) return kDnsError;
    answersPrinted = header.answers > 0;
    // An authoritative answer without records says the name has none of
    // this type; its authority section (the zone's SOA record) is shown as
    // for any other answer, then the caller says what is missing.
    if (header.answers == 0 && header.authoritative) {
      if (!printRecords(header.authority + header.additional)) return kDnsError;
      return kDnsNoInfo;
    }
  }

  if (!header.authoritative && !hostByName && (header.authority > 0 || header.additional > 0)) {
    if (answersPrinted) log.Out("\n");
    log.Out("Authoritative answers can be found from:\n");
  }

  if (!hostByName) {
    // The authority and additional records follow each other: all printed.
    if (!printRecords(header.authority + header.additional)) return kDnsError;
    if (query.addressQuery) return kDnsNoInfo;
    return kDnsSuccess;
  }

  // Authority section: the servers of the name's zone.
  for (uint16_t i = 0; i < header.authority; ++i) {
    if (!message.NextRecord(*offset, record)) return kDnsError;
    if (record.type != kDnsTypeNs) continue;
    auto serverName = NameOf(message, record);
    if (!serverName) return kDnsError;
    DnsServerInfo* server = FindServer(info, *serverName);
    if (!server) {
      if (info.servers.size() >= DnsHostInfo::kMaxServers) continue;
      info.servers.push_back(DnsServerInfo{*serverName, {}, {}});
      server = &info.servers.back();
    }
    if (server->domains.size() < DnsHostInfo::kMaxDomains) server->domains.push_back(record.owner);
  }

  // Additional section: the addresses of those servers.
  for (uint16_t i = 0; i < header.additional; ++i) {
    if (!message.NextRecord(*offset, record)) return kDnsError;
    if (record.type != kDnsTypeA) continue;
    const auto address = AddressOf(message, record);
    DnsServerInfo* server = FindServer(info, record.owner);
    if (address && server && server->addresses.size() < DnsHostInfo::kMaxAddresses) {
      server->addresses.push_back(*address);
    }
  }

  // The answer names the servers that know the name; without any, the
  // name simply has no address.
  return info.servers.empty() ? kDnsNoInfo : kDnsNonAuth;
}

}  // namespace tesmo
