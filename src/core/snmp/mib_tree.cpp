// Reading the MIB tree.
#include "core/snmp/mib_tree.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>

#include "core/snmp/mib_gate.h"

namespace tesmo {
namespace {

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

}  // namespace

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

const tree* DeepestNode(std::span<const uint32_t> id) {
  const tree* node = nullptr;
  const tree* children = MibTreeHead();
  for (size_t i = 0; i < id.size(); ++i) {
    const tree* child = ChildAlong(children, id.subspan(i));
    if (child == nullptr) break;
    node = child;
    children = child->child_list;
  }
  return node;
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

}  // namespace tesmo
