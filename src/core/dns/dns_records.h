// The DNS engine's tables and plain texts: result codes, record types and
// classes with their mnemonics and names, header texts and time texts.
// Everything here is constant data or pure formatting, safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tesmo {

// Result codes of lookups and listings: 1 to 5 are the response codes of the
// server's answer, the negative ones the engine's own outcomes.
enum DnsResult : int {
  kDnsSuccess = 0,
  kDnsFormatError = 1,
  kDnsServerFailed = 2,
  kDnsNonExistent = 3,
  kDnsNotImplemented = 4,
  kDnsRefused = 5,
  kDnsTimedOut = -1,    // datagrams came, but none answered the query
  kDnsNoInfo = -2,      // the name has no records of the type asked for
  kDnsError = -3,       // the query could not be made, sent or read
  kDnsNonAuth = -4,     // the answer only names servers that know the name
  kDnsNoResponse = -5,  // no server sent anything
};

// "Success", "Format error", ... and "BAD ERROR VALUE" for any other code.
const char* DnsResultText(int code);

// Record type numbers the engine treats specially.
enum DnsType : int {
  kDnsTypeA = 1,
  kDnsTypeNs = 2,
  kDnsTypeMd = 3,
  kDnsTypeMf = 4,
  kDnsTypeCname = 5,
  kDnsTypeSoa = 6,
  kDnsTypeMb = 7,
  kDnsTypeMg = 8,
  kDnsTypeMr = 9,
  kDnsTypeNull = 10,
  kDnsTypeWks = 11,
  kDnsTypePtr = 12,
  kDnsTypeHinfo = 13,
  kDnsTypeMinfo = 14,
  kDnsTypeMx = 15,
  kDnsTypeTxt = 16,
  kDnsTypeRp = 17,
  kDnsTypeAfsdb = 18,
  kDnsTypeX25 = 19,
  kDnsTypeIsdn = 20,
  kDnsTypeRt = 21,
  kDnsTypeNsap = 22,
  kDnsTypeNsapPtr = 23,
  kDnsTypePx = 26,
  kDnsTypeAaaa = 28,
  kDnsTypeLoc = 29,
  kDnsTypeSrv = 33,
  kDnsTypeNaptr = 35,
  kDnsTypeUinfo = 100,
  kDnsTypeUid = 101,
  kDnsTypeGid = 102,
  kDnsTypeAxfr = 252,
  kDnsTypeAny = 255,
};

enum DnsClass : int {
  kDnsClassIn = 1,
  kDnsClassChaos = 3,
  kDnsClassHs = 4,
  kDnsClassAny = 255,
};

struct DnsSymbol {
  int number;
  const char* mnemonic;
  const char* name;  // human-readable name (types only)
};

// The record types in the order the NSLookup page lists them (43 entries).
std::span<const DnsSymbol> DnsTypeTable();
// The classes in the order the page lists them (HS and HESIOD are both 4).
std::span<const DnsSymbol> DnsClassTable();

// Number to mnemonic; the decimal number when it is not in the table.
std::string DnsTypeMnemonic(int type);
std::string DnsClassMnemonic(int dnsClass);
// Number to the human-readable name; the decimal number when not in the table.
std::string DnsTypeName(int type);
// Mnemonic to number, without regard to case; nothing when unknown.
std::optional<int> DnsTypeNumber(std::string_view mnemonic);
std::optional<int> DnsClassNumber(std::string_view mnemonic);

// Header texts of the debug dump, for codes 0 to 15 (only the low 4 bits count).
const char* DnsOpcodeText(int opcode);
const char* DnsRcodeText(int rcode);

// "1 day 2 hours 3 mins 4 secs" with the zero parts left out; "0 secs" for 0.
std::string DnsTimeText(uint32_t seconds);

}  // namespace tesmo
