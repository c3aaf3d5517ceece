// The text forms of values.
#include "core/snmp/value_text.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/snmp/display_hint.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/text_append.h"

namespace tesmo {
namespace {

bool IsPrintable(unsigned char c) {
  return c >= 0x20 && c <= 0x7E;
}
bool IsWhiteSpace(unsigned char c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

// An octet string without display hint: the text itself when every byte is
// printable or white space, a single NUL at the end included (white space
// other than the blank shows as "."), the hex block form otherwise.
void AppendPlainOctets(std::string& out, std::string_view bytes) {
  // Many agents end their strings with one NUL byte, as C keeps them: it
  // counts like the other non-printable white space.
  const std::string_view body =
      !bytes.empty() && bytes.back() == '\0' ? bytes.substr(0, bytes.size() - 1) : bytes;
  bool text = std::all_of(body.begin(), body.end(), [](char c) {
    return IsPrintable(static_cast<unsigned char>(c)) ||
           IsWhiteSpace(static_cast<unsigned char>(c));
  });
  if (!text) {
    AppendHexBlock(out, bytes);
    return;
  }
  out.reserve(out.size() + bytes.size());
  for (char c : bytes) out.push_back(IsPrintable(static_cast<unsigned char>(c)) ? c : '.');
}

void AppendTimeTicks(std::string& out, uint32_t ticks) {
  AppendUnsigned(out, ticks / 8640000);
  out.push_back(':');
  AppendUnsigned(out, ticks / 360000 % 24);
  out.push_back(':');
  AppendPadded(out, ticks / 6000 % 60, 2);
  out.push_back(':');
  AppendPadded(out, ticks / 100 % 60, 2);
  out.push_back('.');
  AppendPadded(out, ticks % 100, 2);
}

void AppendIpAddress(std::string& out, std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out.push_back('.');
    AppendPadded(out, static_cast<unsigned char>(bytes[i]), 3);
  }
}

void AppendReal(std::string& out, double value) {
  char buffer[400];  // %f of the largest double has 309 integer digits
  int n = std::snprintf(buffer, sizeof buffer, " %f", value);
  if (n > 0) out.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

const char* EnumLabel(const enum_list* enums, int64_t value) {
  for (const enum_list* e = enums; e != nullptr; e = e->next) {
    if (e->value == value) return e->label;
  }
  return nullptr;
}

uint32_t Low32(int64_t value) {
  return static_cast<uint32_t>(static_cast<uint64_t>(value));
}

void AppendUnits(std::string& out, const char* units) {
  if (units != nullptr && units[0] != 0) {
    out.push_back(' ');
    out += units;
  }
}

bool IsOpaque64(uint8_t tag) {
  return tag == kTagOpaqueCounter64 || tag == kTagOpaqueInteger64 || tag == kTagOpaqueUnsigned64;
}

void AppendCounter64(std::string& out, const SnmpValue& value) {
  if (value.type == kTagOpaqueInteger64) {
    AppendSigned(out, static_cast<int64_t>(value.counter64));
  } else {
    AppendUnsigned(out, value.counter64);
  }
}

void AppendOpaque(std::string& out, const SnmpValue& value) {
  switch (value.type) {
    case kTagOpaqueFloat:
    case kTagOpaqueDouble:
      AppendReal(out, value.real);
      break;
    case kTagOpaqueCounter64:
    case kTagOpaqueInteger64:
    case kTagOpaqueUnsigned64:
      AppendCounter64(out, value);
      break;
    default:
      AppendHexBlock(out, value.bytes);
      break;
  }
}

// Printing by the value's own tag: no enumeration, hint or units.
void AppendByTag(std::string& out, const SnmpValue& value) {
  switch (value.type) {
    case kTagInteger:
      AppendSigned(out, value.integer);
      break;
    case kTagOctetString:
      if (value.bytes.empty()) {
        out += "\"\"";
      } else {
        AppendPlainOctets(out, value.bytes);
      }
      break;
    case kTagNull:
      out += "NULL";
      break;
    case kTagObjectId:
      AppendObjectId(out, value.objectId);
      break;
    case kTagIpAddress:
      AppendIpAddress(out, value.bytes);
      break;
    case kTagCounter:
    case kTagGauge:
    case kTagUInteger32:
      AppendUnsigned(out, Low32(value.integer));
      break;
    case kTagTimeTicks:
      AppendTimeTicks(out, Low32(value.integer));
      break;
    case kTagOpaque:
    case kTagOpaqueFloat:
    case kTagOpaqueDouble:
      AppendOpaque(out, value);
      break;
    case kTagCounter64:
    case kTagOpaqueCounter64:
    case kTagOpaqueInteger64:
    case kTagOpaqueUnsigned64:
      AppendCounter64(out, value);
      break;
    case kTagBitString:
    case kTagNsapAddress:
      AppendHexBlock(out, value.bytes);
      break;
    case kTagNoSuchObject:
      out += "No Such Object available on this agent";
      break;
    case kTagNoSuchInstance:
      out += "No Such Instance currently exists";
      break;
    case kTagEndOfMibView:
      out += "No more variables left in this MIB View";
      break;
    default:
      out += "Variable has bad type";
      break;
  }
}

// Writes the wrong-type text and the by-tag form when the tag is not one the
// syntax expects; true when it did.
bool WrongType(std::string& out, bool expected, const char* text, const SnmpValue& value) {
  if (expected) return false;
  out += text;
  AppendByTag(out, value);
  return true;
}

void AppendBySyntax(std::string& out, const SnmpNodeSyntax& node, const SnmpValue& value) {
  const uint8_t tag = value.type;
  switch (node.syntax) {
    case SnmpSyntax::kOther:
      AppendByTag(out, value);
      return;
    case SnmpSyntax::kInteger:
      if (WrongType(out, tag == kTagInteger, "Wrong Type (should be INTEGER): ", value)) return;
      if (const char* label = EnumLabel(node.enums, value.integer)) {
        out += label;
      } else if (node.hint != nullptr && node.hint[0] != 0) {
        AppendHintedInteger(out, value.integer, node.hint);
      } else {
        AppendSigned(out, value.integer);
      }
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kUInteger:
      if (WrongType(out, tag == kTagUInteger32, "Wrong Type (should be UInteger32): ", value)) {
        return;
      }
      if (const char* label = EnumLabel(node.enums, Low32(value.integer))) {
        out += label;
      } else {
        AppendUnsigned(out, Low32(value.integer));
      }
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kCounter:
      if (WrongType(out, tag == kTagCounter, "Wrong Type (should be Counter): ", value)) return;
      AppendUnsigned(out, Low32(value.integer));
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kGauge:
      if (WrongType(out, tag == kTagGauge, "Wrong Type (should be Gauge): ", value)) return;
      AppendUnsigned(out, Low32(value.integer));
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kTimeTicks:
      if (WrongType(out, tag == kTagTimeTicks, "Wrong Type (should be Timeticks): ", value)) return;
      AppendTimeTicks(out, Low32(value.integer));
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kIpAddress:
      if (WrongType(out, tag == kTagIpAddress, "Wrong Type (should be Ipaddress): ", value)) return;
      AppendIpAddress(out, value.bytes);
      return;
    case SnmpSyntax::kNetAddress:
      for (size_t i = 0; i < value.bytes.size(); ++i) {
        if (i > 0) out.push_back(':');
        unsigned char c = static_cast<unsigned char>(value.bytes[i]);
        out.push_back(kUpperHex[c >> 4]);
        out.push_back(kUpperHex[c & 15]);
      }
      return;
    case SnmpSyntax::kObjectId:
      if (WrongType(out, tag == kTagObjectId,
                    "Wrong Type (should be OBJECT IDENTIFIER): ", value)) {
        return;
      }
      AppendObjectId(out, value.objectId);
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kOctetString:
      if (WrongType(out, tag == kTagOctetString, "Wrong Type (should be OCTET STRING): ", value)) {
        return;
      }
      if (value.bytes.empty()) {
        out += "\"\"";
        return;
      }
      if (node.hint != nullptr && node.hint[0] != 0) {
        if (!AppendHintedOctets(out, value.bytes, node.hint)) {
          out += "(Bad hint ignored: ";
          out += node.hint;
          out += ") ";
          AppendPlainOctets(out, value.bytes);
        }
      } else {
        AppendPlainOctets(out, value.bytes);
      }
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kBitString:
      if (WrongType(out, tag == kTagBitString || tag == kTagOctetString,
                    "Wrong Type (should be BIT STRING): ", value)) {
        return;
      }
      AppendHexBlock(out, value.bytes);
      return;
    case SnmpSyntax::kOpaque:
      if (WrongType(out,
                    tag == kTagOpaque || tag == kTagOpaqueFloat || tag == kTagOpaqueDouble ||
                        IsOpaque64(tag),
                    "Wrong Type (should be Opaque): ", value)) {
        return;
      }
      AppendOpaque(out, value);
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kCounter64:
      if (WrongType(out, tag == kTagCounter64 || IsOpaque64(tag),
                    "Wrong Type (should be Counter64): ", value)) {
        return;
      }
      AppendCounter64(out, value);
      AppendUnits(out, node.units);
      return;
    case SnmpSyntax::kNsapAddress:
      if (WrongType(out, tag == kTagNsapAddress, "Wrong Type (should be NsapAddress): ", value)) {
        return;
      }
      AppendHexBlock(out, value.bytes);
      return;
    case SnmpSyntax::kNull:
      if (WrongType(out, tag == kTagNull, "Wrong Type (should be NULL): ", value)) return;
      out += "NULL";
      return;
  }
  AppendByTag(out, value);
}

}  // namespace

std::string FormatSnmpValueAs(const SnmpNodeSyntax& syntax, const SnmpValue& value) {
  std::string out;
  switch (value.type) {
    case kTagNoSuchObject:
    case kTagNoSuchInstance:
    case kTagEndOfMibView:
      AppendByTag(out, value);
      return out;
    default:
      AppendBySyntax(out, syntax, value);
      return out;
  }
}

std::string FormatSnmpValue(std::span<const uint32_t> name, const SnmpValue& value) {
  if (value.type >= kTagNoSuchObject && value.type <= kTagEndOfMibView) {
    return FormatSnmpValueAs(SnmpNodeSyntax{}, value);
  }
  return FormatSnmpValueAs(SyntaxOfObject(name), value);
}

const char* SnmpErrorStatusText(long status) {
  static const char* const kTexts[] = {
      "(noError) No Error",
      "(tooBig) Response message would have been too large.",
      "(noSuchName) There is no such variable name in this MIB.",
      "(badValue) The value given has the wrong type or length.",
      "(readOnly) The two parties used do not have access to use the specified SNMP PDU.",
      "(genError) A general failure occured",
      "noAccess",
      "wrongType",
      "wrongLength",
      "wrongEncoding",
      "wrongValue",
      "noCreation",
      "inconsistentValue",
      "resourceUnavailable",
      "commitFailed",
      "undoFailed",
      "authorizationError",
      "notWritable",
      "inconsistentName",
  };
  if (status < 0 || status >= static_cast<long>(std::size(kTexts))) return "Unknown Error";
  return kTexts[status];
}

}  // namespace tesmo
