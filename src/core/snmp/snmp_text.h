// The program's own text forms of SNMP object identifiers and values.
//
// Object identifiers are parsed from and printed with the labels of the MIB
// tree that LoadMibs built; values are printed by the declared syntax of the
// deepest MIB node along their name (enumeration labels, display hints, units),
// or by their own type tag where the MIB says nothing. These texts are what
// every page shows, compares, sorts and looks up, so they are fixed forms:
// for example an IpAddress always prints as 010.000.000.001 and a hardware
// address without a display hint as contiguous upper-case hex.
//
// The tree is only read here. It is built before any thread starts and freed
// after they end, so these functions need no lock; the request layer calls
// them under SnmpMutex anyway.
#pragma once

#include <cstdint>
#include <span>
#include <string>
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

// Parses a dotted object identifier. A leading "." makes it absolute;
// otherwise it is read below the numeric prefix (.1.3.6.1.2.1, or the PREFIX
// environment variable), so "system.sysDescr.0" names .1.3.6.1.2.1.1.1.0.
// Each component is a number or a label of the MIB tree (letter case
// ignored). Unknown labels and identifiers longer than maxLength fail with a
// line in the log (standard error); result is untouched on failure.
bool ParseObjectId(std::string_view text, ObjectId& result, size_t maxLength = kMaxObjectIdLength);

// Labels along the MIB tree, numbers from the first unknown sub-identifier
// on, with the usual prefixes (mib-2, experimental, private, ...) removed:
// .1.3.6.1.2.1.1.1.0 gives system.sysDescr.0, .1.3.6.1.4.1.9 enterprises.9.
std::string FormatObjectId(std::span<const uint32_t> id);

// The declared syntax, enumeration, hint and units of the deepest MIB node
// along an object identifier.
SnmpNodeSyntax SyntaxOfObject(std::span<const uint32_t> name);

// The value text of a variable named name: by the syntax of its MIB node.
std::string FormatSnmpValue(std::span<const uint32_t> name, const SnmpValue& value);

// The value text under a given node syntax (FormatSnmpValue without the tree
// look-up).
std::string FormatSnmpValueAs(const SnmpNodeSyntax& syntax, const SnmpValue& value);

// The text of an SNMP error status, as shown after "Error in packet: ".
const char* SnmpErrorStatusText(long status);

}  // namespace tesmo
