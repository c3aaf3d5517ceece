// What the loaded MIB says of a table column.
#include "core/snmp/mib_index.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstring>

#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"

namespace tesmo {

std::optional<ColumnMibInfo> ColumnMibInfoOf(std::string_view oid) {
  ObjectId id;
  if (!ParseObjectIdQuietly(oid, id) || id.empty()) return std::nullopt;
  const tree* node = DeepestNode(id);
  // The node itself, not one above it: a column, under an entry.
  if (node == nullptr || node->subid != id.back() || node->parent == nullptr ||
      node->label == nullptr) {
    return std::nullopt;
  }
  const tree* entry = node->parent;
  const index_list* indexes = entry->indexes;
  // An entry that AUGMENTS another shares that one's INDEX.
  if (indexes == nullptr && entry->augments != nullptr) {
    const tree* augmented = find_tree_node(entry->augments, -1);
    if (augmented != nullptr) indexes = augmented->indexes;
  }
  if (indexes == nullptr) return std::nullopt;
  ColumnMibInfo info;
  info.label = node->label;
  for (const index_list* index = indexes; index != nullptr; index = index->next) {
    if (index->ilabel != nullptr) info.indexes.emplace_back(index->ilabel);
  }
  // Text: a DISPLAY-HINT of characters, or a text convention that older
  // modules (RFC1213-MIB) define without one.
  const char* convention = node->tc_index >= 0 ? get_tc_descriptor(node->tc_index) : nullptr;
  info.text = node->type == TYPE_OCTETSTR &&
              ((node->hint != nullptr && std::strchr(node->hint, 'a') != nullptr) ||
               (convention != nullptr && (std::strcmp(convention, "DisplayString") == 0 ||
                                          std::strcmp(convention, "SnmpAdminString") == 0)));
  if (info.indexes.size() == 1) {
    const tree* index = find_tree_node(info.indexes[0].c_str(), -1);
    info.integerIndex =
        index != nullptr && (index->type == TYPE_INTEGER || index->type == TYPE_INTEGER32 ||
                             index->type == TYPE_UNSIGNED32 || index->type == TYPE_GAUGE);
  }
  return info;
}

}  // namespace tesmo
