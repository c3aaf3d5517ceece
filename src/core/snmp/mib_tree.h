// Reading the MIB tree that LoadMibs built: the node along an object
// identifier and what it declares about its values.
//
// The tree is only read here. It is built before any reader goes on (a load
// beside the window holds them up, see mib_gate.h) and freed after they end,
// so these functions need no lock; the request layer calls them under
// SnmpMutex anyway.
#pragma once

#include <span>
#include <string_view>

#include "core/snmp/snmp_types.h"

struct tree;  // net-snmp's MIB tree node

namespace tesmo {

// The peer of first (and its next peers) numbered id[0], or null. Two modules
// may define different nodes under the same number (RFC1158-MIB's childless
// ipRoutingTable beside RFC1213-MIB's ipRouteTable, both { ip 21 }): then the
// one whose subtree knows more of the rest of id is taken, so that the
// columns below are found.
const tree* ChildAlong(const tree* first, std::span<const uint32_t> id);

// The peer of first (and its next peers) with that label, letter case ignored.
const tree* ChildWithLabel(const tree* first, std::string_view label);

// The deepest node along id, or null when not even the first sub-identifier
// is known.
const tree* DeepestNode(std::span<const uint32_t> id);

// The declared syntax, enumeration, hint and units of the deepest MIB node
// along an object identifier.
SnmpNodeSyntax SyntaxOfObject(std::span<const uint32_t> name);

}  // namespace tesmo
