// The program's own text forms of object identifiers and values.
#include "core/snmp/snmp_text.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tesmo {
namespace {

// ---- the MIB tree -------------------------------------------------------

// How many leading sub-identifiers of id the tree below the peers first
// knows, following at every level the peer that knows most.
size_t KnownDepth(const tree* first, std::span<const uint32_t> id) {
  if (id.empty()) return 0;
  size_t best = 0;
  for (const tree* node = first; node != nullptr; node = node->next_peer) {
    if (node->subid == id[0]) {
      best = std::max(best, 1 + KnownDepth(node->child_list, id.subspan(1)));
    }
  }
  return best;
}

// The peer numbered id[0]. Two modules may define different nodes under the
// same number (RFC1158-MIB's childless ipRoutingTable beside RFC1213-MIB's
// ipRouteTable, both { ip 21 }): then the one whose subtree knows more of the
// rest of id is taken, so that the columns below are found.
const tree* ChildAlong(const tree* first, std::span<const uint32_t> id) {
  const tree* found = nullptr;
  size_t foundDepth = 0;
  bool several = false;
  for (const tree* node = first; node != nullptr; node = node->next_peer) {
    if (node->subid != id[0]) continue;
    if (found == nullptr) {
      found = node;
      continue;
    }
    if (!several) {
      several = true;
      foundDepth = KnownDepth(found->child_list, id.subspan(1));
    }
    const size_t depth = KnownDepth(node->child_list, id.subspan(1));
    if (depth > foundDepth) {
      found = node;
      foundDepth = depth;
    }
  }
  return found;
}

bool SameLabelIgnoringCase(const char* label, std::string_view component) {
  if (label == nullptr) return false;
  size_t i = 0;
  for (; i < component.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(label[i]);
    if (a == 0) return false;
    unsigned char b = static_cast<unsigned char>(component[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return label[i] == 0;
}

const tree* ChildWithLabel(const tree* first, std::string_view label) {
  for (const tree* node = first; node != nullptr; node = node->next_peer) {
    if (SameLabelIgnoringCase(node->label, label)) return node;
  }
  return nullptr;
}

// The deepest node along id, or null when not even the first sub-identifier
// is known.
const tree* DeepestNode(std::span<const uint32_t> id) {
  const tree* node = nullptr;
  const tree* children = get_tree_head();
  for (size_t i = 0; i < id.size(); ++i) {
    const tree* child = ChildAlong(children, id.subspan(i));
    if (child == nullptr) break;
    node = child;
    children = child->child_list;
  }
  return node;
}

// The numeric prefix that relative identifiers are read under and that
// printed identifiers lose: PREFIX from the environment, else .1.3.6.1.2.1.
const std::string& NumericPrefix() {
  static const std::string prefix = [] {
    const char* env = std::getenv("PREFIX");
    std::string text = env != nullptr ? env : ".1.3.6.1.2.1";
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
  }();
  return prefix;
}

void Log(const char* format, std::string_view argument = {}) {
  std::fprintf(stderr, format, std::string(argument).c_str());
}

// ---- small printers -----------------------------------------------------

void AppendUnsigned(std::string& out, uint64_t value, int base = 10) {
  char buffer[72];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value, base).ptr;
  out.append(buffer, end);
}

void AppendSigned(std::string& out, int64_t value) {
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out.append(buffer, end);
}

// Unsigned decimal, zero-filled to width digits.
void AppendPadded(std::string& out, uint64_t value, size_t width) {
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  size_t digits = static_cast<size_t>(end - buffer);
  if (digits < width) out.append(width - digits, '0');
  out.append(buffer, end);
}

constexpr char kUpperHex[] = "0123456789ABCDEF";

// Two upper-case hex digits per byte; a line feed after each complete block
// of 16 bytes.
void AppendHexBlock(std::string& out, std::string_view bytes) {
  out.reserve(out.size() + bytes.size() * 2 + bytes.size() / 16);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    out.push_back(kUpperHex[c >> 4]);
    out.push_back(kUpperHex[c & 15]);
    if ((i + 1) % 16 == 0) out.push_back('\n');
  }
}

bool IsPrintable(unsigned char c) {
  return c >= 0x20 && c <= 0x7E;
}
bool IsWhiteSpace(unsigned char c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

// An octet string without display hint: the text itself when every byte is
// printable or white space (white space other than the blank shows as "."),
// the hex block form otherwise.
void AppendPlainOctets(std::string& out, std::string_view bytes) {
  bool text = std::all_of(bytes.begin(), bytes.end(), [](char c) {
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

// ---- display hints ------------------------------------------------------

// Longest decimal-point shift an integer hint may ask for; more makes no
// number anyone can read and would only inflate the text.
constexpr size_t kMaxHintShift = 40;

// Integer display hint: "d", "x", "o" or "b", "d" optionally followed by
// "-n" for a decimal point n digits from the right. An unknown conversion
// leaves the plain decimal value.
void AppendHintedInteger(std::string& out, int64_t value, std::string_view hint) {
  char conversion = hint.empty() ? 'd' : hint[0];
  size_t shift = 0;
  if (hint.size() > 1 && hint[1] == '-') {
    for (size_t i = 2; i < hint.size() && hint[i] >= '0' && hint[i] <= '9'; ++i) {
      shift = std::min(kMaxHintShift, shift * 10 + static_cast<size_t>(hint[i] - '0'));
    }
  }
  std::string digits;
  bool negative = false;
  switch (conversion) {
    case 'x':
      AppendUnsigned(digits, static_cast<uint64_t>(value), 16);
      break;
    case 'o':
      AppendUnsigned(digits, static_cast<uint64_t>(value), 8);
      break;
    case 'b':
      AppendUnsigned(digits, static_cast<uint64_t>(value), 2);
      break;
    default:
      negative = value < 0;
      AppendUnsigned(digits,
                     negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
      break;
  }
  if (negative) out.push_back('-');
  if (shift == 0) {
    out += digits;
  } else if (digits.size() <= shift) {
    out.push_back('.');
    out.append(shift - digits.size(), '0');
    out += digits;
  } else {
    out.append(digits, 0, digits.size() - shift);
    out.push_back('.');
    out.append(digits, digits.size() - shift, shift);
  }
}

struct OctetSpec {
  bool repeat = false;
  size_t length = 1;
  char format = 'a';
  int separator = -1;
  int terminator = -1;
};

// Longest item length a hint may give; items never take more than the data.
constexpr size_t kMaxItemLength = 1 << 20;

bool IsDelimiter(std::string_view hint, size_t pos) {
  if (pos >= hint.size()) return false;
  char c = hint[pos];
  // A format letter directly followed by d, o or x starts the next
  // specification rather than naming a separator.
  return !(c >= '0' && c <= '9') && c != '*' && c != 'd' && c != 'o' && c != 'x';
}

// Reads one specification at pos. False for an unknown format letter.
bool ReadOctetSpec(std::string_view hint, size_t& pos, OctetSpec& spec) {
  spec = OctetSpec{};
  if (pos < hint.size() && hint[pos] == '*') {
    spec.repeat = true;
    ++pos;
  }
  size_t length = 0;
  while (pos < hint.size() && hint[pos] >= '0' && hint[pos] <= '9') {
    length = std::min(kMaxItemLength, length * 10 + static_cast<size_t>(hint[pos] - '0'));
    ++pos;
  }
  spec.length = length == 0 ? 1 : length;
  if (pos >= hint.size()) return false;
  spec.format = hint[pos++];
  if (std::strchr("adoxt", spec.format) == nullptr || spec.format == 0) return false;
  if (IsDelimiter(hint, pos)) spec.separator = static_cast<unsigned char>(hint[pos++]);
  if (spec.repeat && IsDelimiter(hint, pos)) {
    spec.terminator = static_cast<unsigned char>(hint[pos++]);
  }
  return true;
}

// The octet display hint of a textual convention ("1x:", "255a", "2d-1d-1d,
// 1d:1d:1d.1d,1a1d:1d"...). False when the hint names an unknown format.
bool AppendHintedOctets(std::string& out, std::string_view bytes, std::string_view hint) {
  size_t start = out.size();
  size_t pos = 0;
  size_t i = 0;
  OctetSpec spec;
  bool haveSpec = false;
  while (i < bytes.size()) {
    if (pos < hint.size()) {
      if (!ReadOctetSpec(hint, pos, spec)) {
        out.resize(start);
        return false;
      }
      haveSpec = true;
    } else if (!haveSpec) {
      out.resize(start);
      return false;
    }
    // Once the hint is used up its last specification applies again.
    size_t count = 1;
    if (spec.repeat) count = static_cast<unsigned char>(bytes[i++]);
    for (size_t r = 0; r < count && i < bytes.size(); ++r) {
      size_t n = std::min(spec.length, bytes.size() - i);
      std::string_view item = bytes.substr(i, n);
      i += n;
      if (spec.format == 'a' || spec.format == 't') {
        out.append(item);
      } else {
        uint64_t number = 0;
        for (char c : item) number = (number << 8) | static_cast<unsigned char>(c);
        if (spec.format == 'd') {
          AppendSigned(out, static_cast<int64_t>(number));
        } else {
          AppendUnsigned(out, number, spec.format == 'o' ? 8 : 16);
        }
      }
      if (spec.separator >= 0 && i < bytes.size()) out.push_back(static_cast<char>(spec.separator));
    }
    if (spec.repeat && spec.terminator >= 0 && i < bytes.size()) {
      out.push_back(static_cast<char>(spec.terminator));
    }
  }
  return true;
}

void AppendUnits(std::string& out, const char* units) {
  if (units != nullptr && units[0] != 0) {
    out.push_back(' ');
    out += units;
  }
}

// ---- renderers ----------------------------------------------------------

void AppendObjectId(std::string& out, std::span<const uint32_t> id);

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

SnmpSyntax SyntaxOfType(int type) {
  switch (type) {
    case TYPE_OBJID:
      return SnmpSyntax::kObjectId;
    case TYPE_OCTETSTR:
      return SnmpSyntax::kOctetString;
    case TYPE_INTEGER:
    case TYPE_INTEGER32:
      return SnmpSyntax::kInteger;
    case TYPE_NETADDR:
      return SnmpSyntax::kNetAddress;
    case TYPE_IPADDR:
      return SnmpSyntax::kIpAddress;
    case TYPE_COUNTER:
      return SnmpSyntax::kCounter;
    case TYPE_GAUGE:
    case TYPE_UNSIGNED32:
      return SnmpSyntax::kGauge;
    case TYPE_TIMETICKS:
      return SnmpSyntax::kTimeTicks;
    case TYPE_OPAQUE:
      return SnmpSyntax::kOpaque;
    case TYPE_NULL:
      return SnmpSyntax::kNull;
    case TYPE_COUNTER64:
      return SnmpSyntax::kCounter64;
    case TYPE_BITSTRING:
      return SnmpSyntax::kBitString;
    case TYPE_NSAPADDRESS:
      return SnmpSyntax::kNsapAddress;
    case TYPE_UINTEGER:
      return SnmpSyntax::kUInteger;
    default:
      return SnmpSyntax::kOther;
  }
}

// The name-prefix table, longest match first in this order; the numeric
// prefix first.
struct NamePrefix {
  const char* text;
  size_t length;
};
constexpr NamePrefix kNamePrefixes[] = {
    {".iso.org.dod.internet.mgmt.mib-2", sizeof(".iso.org.dod.internet.mgmt.mib-2") - 1},
    {".iso.org.dod.internet.experimental", sizeof(".iso.org.dod.internet.experimental") - 1},
    {".iso.org.dod.internet.private", sizeof(".iso.org.dod.internet.private") - 1},
    {".iso.org.dod.internet.snmpParties", sizeof(".iso.org.dod.internet.snmpParties") - 1},
    {".iso.org.dod.internet.snmpSecrets", sizeof(".iso.org.dod.internet.snmpSecrets") - 1},
};

// Length of the prefix to drop (with the dot after it), or 0.
size_t PrefixToDrop(std::string_view text) {
  auto matches = [&](std::string_view prefix) {
    return text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix &&
           text[prefix.size()] == '.';
  };
  const std::string& numeric = NumericPrefix();
  if (!numeric.empty() && matches(numeric)) return numeric.size() + 1;
  for (const NamePrefix& prefix : kNamePrefixes) {
    if (matches(std::string_view(prefix.text, prefix.length))) return prefix.length + 1;
  }
  return 0;
}

void AppendObjectId(std::string& out, std::span<const uint32_t> id) {
  std::string full;
  full.reserve(16 * id.size());
  const tree* children = get_tree_head();
  for (size_t i = 0; i < id.size(); ++i) {
    const uint32_t subid = id[i];
    const tree* child = children != nullptr ? ChildAlong(children, id.subspan(i)) : nullptr;
    full.push_back('.');
    if (child == nullptr) {
      children = nullptr;
      AppendUnsigned(full, subid);
      continue;
    }
    if (child->label == nullptr || std::strncmp(child->label, "anonymous#", 10) == 0) {
      AppendUnsigned(full, subid);
    } else {
      full += child->label;
    }
    children = child->child_list;
  }
  size_t drop = PrefixToDrop(full);
  out.append(full, drop, std::string::npos);
}

}  // namespace

bool ParseObjectId(std::string_view text, ObjectId& result, size_t maxLength) {
  if (text.empty() || text == ".") return false;
  const tree* head = get_tree_head();
  if (head == nullptr) {
    // Without a tree no label can be read; the tree is loaded at start-up,
    // so this only happens when that failed.
    Log("Mib not initialized.  Exiting.\n");
    return false;
  }
  std::string relative;
  if (text[0] == '.') {
    text.remove_prefix(1);
  } else {
    const std::string& prefix = NumericPrefix();
    relative.reserve(prefix.size() + 1 + text.size());
    relative.append(prefix, prefix.empty() || prefix[0] != '.' ? 0 : 1, std::string::npos);
    relative.push_back('.');
    relative.append(text);
    text = relative;
  }

  ObjectId id;
  id.reserve(16);
  const tree* children = head;
  bool known = true;  // still on a node of the tree
  size_t start = 0;
  while (true) {
    size_t dot = text.find('.', start);
    std::string_view component =
        text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (id.size() >= maxLength) {
      Log("object identifier too long\n");
      return false;
    }
    bool numeric = !component.empty() && std::all_of(component.begin(), component.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (numeric) {
      uint32_t value = 0;
      auto [end, error] =
          std::from_chars(component.data(), component.data() + component.size(), value);
      if (error != std::errc() || end != component.data() + component.size()) {
        Log("sub-identifier not found: %s\n", component);
        return false;
      }
      id.push_back(value);
      const tree* child =
          known ? ChildAlong(children, std::span<const uint32_t>(&value, 1)) : nullptr;
      if (child != nullptr) {
        children = child->child_list;
      } else {
        known = false;
        children = nullptr;
      }
    } else {
      const tree* child = known ? ChildWithLabel(children, component) : nullptr;
      if (child == nullptr) {
        Log("sub-identifier not found: %s\n", component);
        return false;
      }
      id.push_back(static_cast<uint32_t>(child->subid));
      children = child->child_list;
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  result = std::move(id);
  return true;
}

std::string FormatObjectId(std::span<const uint32_t> id) {
  std::string out;
  AppendObjectId(out, id);
  return out;
}

SnmpNodeSyntax SyntaxOfObject(std::span<const uint32_t> name) {
  SnmpNodeSyntax syntax;
  const tree* node = DeepestNode(name);
  if (node == nullptr) return syntax;
  syntax.syntax = SyntaxOfType(node->type);
  if (syntax.syntax == SnmpSyntax::kOther) return syntax;
  syntax.enums = node->enums;
  syntax.hint = node->hint;
  syntax.units = node->units;
  return syntax;
}

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
