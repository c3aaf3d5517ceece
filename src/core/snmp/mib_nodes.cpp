// The MIB browser's view of the tree.
#include "core/snmp/mib_nodes.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "core/snmp/mib_gate.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"

namespace tesmo {
namespace {

// first and its next peers in sub-identifier order. net-snmp prepends each
// node it links, so for equal numbers the reversed list is load order.
std::vector<const tree*> SortedPeers(const tree* first) {
  std::vector<const tree*> peers;
  for (const tree* t = first; t != nullptr; t = t->next_peer) peers.push_back(t);
  std::reverse(peers.begin(), peers.end());
  std::stable_sort(peers.begin(), peers.end(),
                   [](const tree* a, const tree* b) { return a->subid < b->subid; });
  return peers;
}

}  // namespace

void CMibTreeIndex::Build() {
  BuildFrom(MibTreeHead());
}

void CMibTreeIndex::BuildFrom(const tree* head) {
  nodes.clear();
  childList.clear();
  top.clear();
  indexOf.clear();
  // Breadth first, so that each node's children take one run of childList.
  auto add = [&](const tree* node, int parent, int row) {
    const int index = static_cast<int>(nodes.size());
    nodes.push_back({node, parent, row, 0, 0});
    indexOf.emplace(node, index);
    return index;
  };
  int row = 0;
  for (const tree* node : SortedPeers(head)) top.push_back(add(node, -1, row++));
  for (size_t i = 0; i < nodes.size(); ++i) {
    const std::vector<const tree*> children = SortedPeers(nodes[i].node->child_list);
    nodes[i].firstChild = static_cast<int>(childList.size());
    nodes[i].childCount = static_cast<int>(children.size());
    row = 0;
    for (const tree* child : children) {
      childList.push_back(add(child, static_cast<int>(i), row++));
    }
  }
}

std::span<const int> CMibTreeIndex::Children(int index) const {
  if (index < 0) return top;
  const Record& record = nodes[static_cast<size_t>(index)];
  return std::span<const int>(childList).subspan(static_cast<size_t>(record.firstChild),
                                                 static_cast<size_t>(record.childCount));
}

int CMibTreeIndex::IndexOf(const tree* node) const {
  auto found = indexOf.find(node);
  return found == indexOf.end() ? -1 : found->second;
}

int CMibTreeIndex::DeepestIndex(std::span<const uint32_t> id) const {
  if (id.empty()) return -1;
  return IndexOf(DeepestNode(id));
}

namespace {

const char* TypeText(int type) {
  static const char* const texts[] = {"other",     "objid",       "octetstr", "integer",
                                      "netaddr",   "ipaddr",      "counter",  "gauge",
                                      "timeticks", "opaque",      "null",     "counter64",
                                      "bitstring", "nsapaddress", "uinteger"};
  return type >= 0 && type < static_cast<int>(std::size(texts)) ? texts[type] : "";
}

char SetTypeOf(int type) {
  static const char letters[] = {'n', 'o', 's', 'i', 'a', 'a', 'u', 'u',
                                 't', 'n', 'n', 'u', 'n', 'a', 'u'};
  return type >= 0 && type < static_cast<int>(std::size(letters)) ? letters[type] : 'n';
}

const char* AccessText(int access) {
  switch (access) {
    case MIB_ACCESS_READONLY:
      return "readonly";
    case MIB_ACCESS_READWRITE:
      return "readwrite";
    case MIB_ACCESS_WRITEONLY:
      return "writeonly";
    case MIB_ACCESS_NOACCESS:
      return "noaccess";
    case MIB_ACCESS_CREATE:
      return "create";
    case MIB_ACCESS_NOTIFY:
      return "notify";
    default:
      return "";
  }
}

const char* StatusText(int status) {
  switch (status) {
    case MIB_STATUS_MANDATORY:
      return "mandatory";
    case MIB_STATUS_OPTIONAL:
      return "optional";
    case MIB_STATUS_OBSOLETE:
      return "obsolete";
    case MIB_STATUS_DEPRECATED:
      return "deprecated";
    default:
      return "";
  }
}

}  // namespace

QString CleanDescription(const char* text) {
  std::string out;
  if (text == nullptr) return QString();
  for (const char* p = text; *p != 0; ++p) {
    const char c = *p;
    if (c == '\t') {
      out += "   ";
    } else if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (p[1] == '\r' || p[1] == '\n') ++p;
    } else if (c == ' ') {
      if (out.empty() || out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  return QString::fromUtf8(out);
}

QString NodeLabel(const tree* node) {
  return node->label != nullptr ? QString::fromUtf8(node->label) : QString::number(node->subid);
}

QString NumericOidOf(const tree* node) {
  QString oid;
  for (const tree* t = node; t != nullptr; t = t->parent) {
    oid.prepend(QStringLiteral(".%1").arg(t->subid));
  }
  return oid;
}

ObjectNameMatch LookUpObjectName(std::string_view text) {
  ObjectNameMatch match;
  if (ParseObjectIdQuietly(text, match.id) || text.empty() || text[0] == '.') return match;
  const size_t dot = text.find('.');
  const std::string_view label = text.substr(0, dot);
  if (label.empty() || (label[0] >= '0' && label[0] <= '9')) return match;
  // Depth first, siblings by sub-identifier: the stack holds them reversed.
  std::vector<const tree*> pending = SortedPeers(MibTreeHead());
  std::reverse(pending.begin(), pending.end());
  while (!pending.empty() && match.nodes.size() < kMaxNameMatches) {
    const tree* node = pending.back();
    pending.pop_back();
    if (node->label != nullptr && label.size() == std::strlen(node->label) &&
        strncasecmp(node->label, label.data(), label.size()) == 0) {
      match.nodes.push_back(node);
    }
    const std::vector<const tree*> children = SortedPeers(node->child_list);
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  if (match.nodes.empty()) return match;
  std::string path = NumericOidOf(match.nodes.front()).toStdString();
  if (dot != std::string_view::npos) path += text.substr(dot);
  if (!ParseObjectIdQuietly(path, match.id)) match.nodes.clear();
  return match;
}

QString NameMatchText(const ObjectNameMatch& match) {
  if (match.nodes.empty()) return QString();
  const QString first = DefinitionOf(match.nodes.front()).oidText;
  if (match.nodes.size() == 1) return first;
  QStringList others;
  for (size_t i = 1; i < match.nodes.size(); ++i) others << DefinitionOf(match.nodes[i]).oidText;
  return QStringLiteral("%1 (also %2)").arg(first, others.join(QStringLiteral(", ")));
}

MibNodeDefinition DefinitionOf(const tree* node) {
  MibNodeDefinition d;
  if (node == nullptr) return d;
  d.oidNumeric = NumericOidOf(node);
  for (const tree* t = node; t != nullptr; t = t->parent) {
    d.oidText.prepend(t->label != nullptr ? QStringLiteral(".") + QString::fromUtf8(t->label)
                                          : QStringLiteral(".%1").arg(t->subid));
  }
  d.type = QString::fromLatin1(TypeText(node->type));
  d.access = QString::fromLatin1(AccessText(node->access));
  d.status = QString::fromLatin1(StatusText(node->status));
  for (const enum_list* e = node->enums; e != nullptr; e = e->next) {
    d.enums.prepend(QStringLiteral("%1 (%2)")
                        .arg(QString::fromUtf8(e->label != nullptr ? e->label : ""))
                        .arg(e->value));
  }
  d.description = CleanDescription(node->description);
  d.setType = SetTypeOf(node->type);
  return d;
}

std::vector<ColumnDefinition> ColumnsOfEntry(const tree* entry) {
  std::vector<ColumnDefinition> columns;
  if (entry == nullptr) return columns;
  for (const tree* child : SortedPeers(entry->child_list)) {
    columns.push_back(ColumnOfMibType(
        NumericOidOf(child), QString::fromUtf8(child->label ? child->label : ""), child->type));
  }
  return columns;
}

unsigned AddCustomTableOfNode(const tree* entry) {
  return AddCustomTable(QString::fromUtf8(entry != nullptr && entry->label ? entry->label : ""),
                        ColumnsOfEntry(entry));
}

}  // namespace tesmo
