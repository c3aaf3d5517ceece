// The SNMP values and object identifiers as the text forms and the request
// layer pass them around.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

struct enum_list;  // net-snmp's enumeration list of a MIB node

namespace tesmo {

// Longest object identifier the program handles, in sub-identifiers.
constexpr size_t kMaxObjectIdLength = 128;

using ObjectId = std::vector<uint32_t>;

// ASN.1 / SMI type tags of values.
enum : uint8_t {
  kTagInteger = 0x02,
  kTagBitString = 0x03,
  kTagOctetString = 0x04,
  kTagNull = 0x05,
  kTagObjectId = 0x06,
  kTagIpAddress = 0x40,
  kTagCounter = 0x41,
  kTagGauge = 0x42,
  kTagTimeTicks = 0x43,
  kTagOpaque = 0x44,
  kTagNsapAddress = 0x45,
  kTagCounter64 = 0x46,
  kTagUInteger32 = 0x47,
  // Values an Opaque wraps, as the SNMP library hands them out.
  kTagOpaqueCounter64 = 0x76,
  kTagOpaqueFloat = 0x78,
  kTagOpaqueDouble = 0x79,
  kTagOpaqueInteger64 = 0x7A,
  kTagOpaqueUnsigned64 = 0x7B,
  // SNMPv2 exception values.
  kTagNoSuchObject = 0x80,
  kTagNoSuchInstance = 0x81,
  kTagEndOfMibView = 0x82,
};

// One returned value. Which fields count depends on the tag: integer for
// INTEGER, Counter, Gauge, TimeTicks and UInteger32; counter64 for Counter64
// and the opaque 64-bit types; real for the opaque float and double; objectId
// for OBJECT IDENTIFIER. bytes is always the value's raw content (octet
// strings, addresses, Opaque, bit strings), empty where there is none.
struct SnmpValue {
  uint8_t type = 0;
  int64_t integer = 0;
  uint64_t counter64 = 0;
  double real = 0;
  std::string_view bytes;
  std::span<const uint32_t> objectId;
};

// Declared syntax of a MIB node, as far as printing is concerned.
enum class SnmpSyntax {
  kOther,  // no syntax of its own (non-leaf nodes): print by the value's tag
  kObjectId,
  kOctetString,
  kInteger,
  kNetAddress,
  kIpAddress,
  kCounter,
  kGauge,
  kTimeTicks,
  kOpaque,
  kNull,
  kCounter64,
  kBitString,
  kNsapAddress,
  kUInteger,
};

// What a MIB node tells the value printer.
struct SnmpNodeSyntax {
  SnmpSyntax syntax = SnmpSyntax::kOther;
  const enum_list* enums = nullptr;  // labels of an enumerated integer
  const char* hint = nullptr;        // DISPLAY-HINT, or null
  const char* units = nullptr;       // UNITS, or null
};

}  // namespace tesmo
