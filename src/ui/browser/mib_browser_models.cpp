// The MIB browser's item models.
#include "ui/browser/mib_browser_models.h"

#include <QSize>

namespace tesmo {

CMibTreeModel::CMibTreeModel(const CMibTreeIndex& index, QObject* parent)
    : QAbstractItemModel(parent), nodes(index) {}

void CMibTreeModel::Refresh() {
  beginResetModel();
  endResetModel();
}

// An item's internal id is its node's position in the index.
QModelIndex CMibTreeModel::ItemOf(int n) const {
  if (n < 0 || n >= nodes.Count()) return {};
  return createIndex(nodes.Row(n), 0, static_cast<quintptr>(n));
}

int CMibTreeModel::NodeOf(const QModelIndex& item) {
  return item.isValid() ? static_cast<int>(item.internalId()) : -1;
}

QModelIndex CMibTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const std::span<const int> children = nodes.Children(NodeOf(parent));
  if (static_cast<size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[static_cast<size_t>(row)]));
}

QModelIndex CMibTreeModel::parent(const QModelIndex& child) const {
  const int n = NodeOf(child);
  return n < 0 ? QModelIndex() : ItemOf(nodes.Parent(n));
}

int CMibTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(nodes.Children(NodeOf(parent)).size());
}

int CMibTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant CMibTreeModel::data(const QModelIndex& item, int role) const {
  const int n = NodeOf(item);
  if (n < 0 || role != Qt::DisplayRole) return {};
  return NodeLabel(nodes.Node(n));
}

}  // namespace tesmo
