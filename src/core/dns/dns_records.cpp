// Tables and plain texts of the DNS engine.
#include "core/dns/dns_records.h"

#include <strings.h>

#include <cstdio>

namespace tesmo {

namespace {

constexpr DnsSymbol kTypes[] = {
    {1, "A", "address"},
    {2, "NS", "name server"},
    {3, "MD", "mail destination (deprecated)"},
    {4, "MF", "mail forwarder (deprecated)"},
    {5, "CNAME", "canonical name"},
    {6, "SOA", "start of authority"},
    {7, "MB", "mailbox"},
    {8, "MG", "mail group member"},
    {9, "MR", "mail rename"},
    {10, "NULL", "null"},
    {11, "WKS", "well-known service (deprecated)"},
    {12, "PTR", "domain name pointer"},
    {13, "HINFO", "host information"},
    {14, "MINFO", "mailbox information"},
    {15, "MX", "mail exchanger"},
    {16, "TXT", "text"},
    {17, "RP", "responsible person"},
    {18, "AFSDB", "DCE or AFS server"},
    {19, "X25", "X25 address"},
    {20, "ISDN", "ISDN address"},
    {21, "RT", "router"},
    {22, "NSAP", "nsap address"},
    {23, "NSAP_PTR", "domain name pointer"},
    {24, "SIG", "signature"},
    {25, "KEY", "key"},
    {26, "PX", "mapping information"},
    {27, "GPOS", "geographical position (withdrawn)"},
    {28, "AAAA", "IPv6 address"},
    {29, "LOC", "location"},
    {30, "NXT", "next valid name (unimplemented)"},
    {31, "EID", "endpoint identifier (unimplemented)"},
    {32, "NIMLOC", "NIMROD locator (unimplemented)"},
    {33, "SRV", "server selection"},
    {34, "ATMA", "ATM address (unimplemented)"},
    {251, "IXFR", "incremental zone transfer"},
    {252, "AXFR", "zone transfer"},
    {253, "MAILB", "mailbox-related data (deprecated)"},
    {254, "MAILA", "mail agent (deprecated)"},
    {100, "UINFO", "user information (nonstandard)"},
    {101, "UID", "user ID (nonstandard)"},
    {102, "GID", "group ID (nonstandard)"},
    {35, "NAPTR", "URN Naming Authority"},
    {255, "ANY", "\"any\""},
};

constexpr DnsSymbol kClasses[] = {
    {1, "IN", nullptr},     {3, "CHAOS", nullptr}, {4, "HS", nullptr},
    {4, "HESIOD", nullptr}, {255, "ANY", nullptr},
};

constexpr const char* kOpcodes[16] = {
    "QUERY", "IQUERY",  "CQUERYM", "CQUERYU",  "NOTIFY",  "5",        "6",        "7",
    "8",     "UPDATEA", "UPDATED", "UPDATEDA", "UPDATEM", "UPDATEMA", "ZONEINIT", "ZONEREF",
};

constexpr const char* kRcodes[16] = {
    "NOERROR", "FORMERR", "SERVFAIL", "NXDOMAIN", "NOTIMP", "REFUSED", "6",  "7",
    "8",       "9",       "10",       "11",       "12",     "13",      "14", "NOCHANGE",
};

const DnsSymbol* FindNumber(std::span<const DnsSymbol> table, int number) {
  for (const auto& symbol : table) {
    if (symbol.number == number) return &symbol;
  }
  return nullptr;
}

std::optional<int> FindMnemonic(std::span<const DnsSymbol> table, std::string_view mnemonic) {
  for (const auto& symbol : table) {
    if (std::string_view(symbol.mnemonic).size() == mnemonic.size() &&
        strncasecmp(symbol.mnemonic, mnemonic.data(), mnemonic.size()) == 0)
      return symbol.number;
  }
  return std::nullopt;
}

}  // namespace

const char* DnsResultText(int code) {
  switch (code) {
    case kDnsSuccess:
      return "Success";
    case kDnsFormatError:
      return "Format error";
    case kDnsServerFailed:
      return "Server failed";
    case kDnsNonExistent:
      return "Non-existent host/domain";
    case kDnsNotImplemented:
      return "Not implemented";
    case kDnsRefused:
      return "Query refused";
    case kDnsTimedOut:
      return "Timed out";
    case kDnsNoInfo:
      return "No information";
    case kDnsError:
      return "Unspecified error";
    case kDnsNonAuth:
      return "Non-authoritative answer";
    case kDnsNoResponse:
      return "No response from server";
    default:
      return "BAD ERROR VALUE";
  }
}

std::span<const DnsSymbol> DnsTypeTable() {
  return kTypes;
}

std::span<const DnsSymbol> DnsClassTable() {
  return kClasses;
}

std::string DnsTypeMnemonic(int type) {
  const DnsSymbol* symbol = FindNumber(kTypes, type);
  return symbol ? symbol->mnemonic : std::to_string(type);
}

std::string DnsClassMnemonic(int dnsClass) {
  const DnsSymbol* symbol = FindNumber(kClasses, dnsClass);
  return symbol ? symbol->mnemonic : std::to_string(dnsClass);
}

std::string DnsTypeName(int type) {
  const DnsSymbol* symbol = FindNumber(kTypes, type);
  return symbol ? symbol->name : std::to_string(type);
}

std::optional<int> DnsTypeNumber(std::string_view mnemonic) {
  return FindMnemonic(kTypes, mnemonic);
}

std::optional<int> DnsClassNumber(std::string_view mnemonic) {
  return FindMnemonic(kClasses, mnemonic);
}

const char* DnsOpcodeText(int opcode) {
  return kOpcodes[opcode & 0xF];
}

const char* DnsRcodeText(int rcode) {
  return kRcodes[rcode & 0xF];
}

std::string DnsTimeText(uint32_t seconds) {
  if (seconds == 0) return "0 secs";
  struct Part {
    uint32_t size;
    const char* unit;
  };
  constexpr Part kParts[] = {{86400, "day"}, {3600, "hour"}, {60, "min"}, {1, "sec"}};
  std::string text;
  for (const auto& part : kParts) {
    const uint32_t count = seconds / part.size;
    seconds %= part.size;
    if (count == 0) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(count) + ' ' + part.unit + (count == 1 ? "" : "s");
  }
  return text;
}

}  // namespace tesmo
