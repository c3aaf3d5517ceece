// The loaded MIB as the MIB browser shows it: an index over net-snmp's tree
// built once (the tree view reads it), and what a node declares, in the
// browser's texts.
//
// The tree is only read. It is built before any reader goes on (mib_gate.h)
// and freed after they end (mib_loader.h), so none of this needs a lock; an
// index must not outlive the tree it was built from.
#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/snmp/snmp_types.h"
#include "core/snmp/table_definitions.h"

struct tree;  // net-snmp's MIB tree node

namespace tesmo {

// Every node of the tree in one array. Siblings are in sub-identifier order
// (net-snmp links them the other way round); two modules' nodes with the same
// number stay side by side in load order.
class CMibTreeIndex {
 public:
  // The tree LoadMibs built (empty when there is none).
  void Build();
  void BuildFrom(const tree* head);

  int Count() const { return static_cast<int>(nodes.size()); }
  const tree* Node(int index) const { return nodes[static_cast<size_t>(index)].node; }
  // -1 for the nodes at the top.
  int Parent(int index) const { return nodes[static_cast<size_t>(index)].parent; }
  // Position among its siblings.
  int Row(int index) const { return nodes[static_cast<size_t>(index)].row; }
  // The children of index (-1: the nodes at the top).
  std::span<const int> Children(int index) const;
  // The index of a node, -1 when it is not in the tree.
  int IndexOf(const tree* node) const;
  // The index of the deepest node along id (see DeepestNode), or -1.
  int DeepestIndex(std::span<const uint32_t> id) const;

 private:
  struct Record {
    const tree* node;
    int parent;
    int row;
    int firstChild;  // offset into childList
    int childCount;
  };
  std::vector<Record> nodes;
  std::vector<int> childList;  // children of each node, one run per node
  std::vector<int> top;        // the nodes at the top
  std::unordered_map<const tree*, int> indexOf;
};

// What the browser shows of a node.
struct MibNodeDefinition {
  QString oidNumeric;  // ".1.3.6.1.2.1.1.1"
  QString oidText;     // ".iso.org.dod.internet.mgmt.mib-2.system.sysDescr"
  QString type;        // "octetstr", ...; "" for other type codes
  QString access;      // "readonly", ...
  QString status;      // "mandatory", ...
  // "label (value)", the node's list in reverse order.
  QStringList enums;
  QString description;  // with the clean-up of CleanDescription
  char setType = 'n';   // the SET type letter that fits the type
};

MibNodeDefinition DefinitionOf(const tree* node);

// A description as the browser shows it: a tab becomes three blanks, a
// carriage return or line feed becomes "\r\n" and swallows a carriage return
// or line feed right after it, a run of blanks becomes one blank.
QString CleanDescription(const char* text);

// A node's name in the tree: its label, or its number when it has none.
QString NodeLabel(const tree* node);

// The numeric OID of a node, ".%u" per node from the root.
QString NumericOidOf(const tree* node);

// What a typed object name names.
struct ObjectNameMatch {
  ObjectId id;  // empty when the name names nothing
  // When the name was found as a label: every node with that label, in tree
  // order, at most kMaxNameMatches; id is below the first.
  std::vector<const tree*> nodes;
};
constexpr size_t kMaxNameMatches = 16;

// A name as an administrator types it: a path that ParseObjectId reads
// (".1.3.6.1.2.1.2", "system.sysDescr.0"), else a label found anywhere in the
// tree, letter case ignored, with what follows it read below that node
// ("ifInOctets", "ifInOctets.2"). Tree order is depth first with siblings by
// sub-identifier, as the browser's tree shows them. Logs nothing.
ObjectNameMatch LookUpObjectName(std::string_view text);

// The status text of a label lookup: the full path of the node found, and
// the others that carry the same label. Empty when the name was a path.
QString NameMatchText(const ObjectNameMatch& match);

// The columns "Add to Gen" makes of a table's entry node: one per child in
// sub-identifier order, laid out by the child's type.
std::vector<ColumnDefinition> ColumnsOfEntry(const tree* entry);

// "Add to Gen": a new stored table named after the node, with its columns.
unsigned AddCustomTableOfNode(const tree* entry);

}  // namespace tesmo
