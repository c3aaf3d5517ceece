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

CResultListModel::CResultListModel(CResultLines& lines, QObject* parent)
    : QAbstractListModel(parent), lines(lines) {}

void CResultListModel::Sync() {
  uint64_t generation = 0;
  QStringList added = lines.LinesFrom(shown.size(), &generation);
  const qsizetype widest = lines.LongestLine();
  if (generation != shownGeneration) {
    beginResetModel();
    shown = lines.LinesFrom(0, &generation);
    shownGeneration = generation;
    longest = widest;
    endResetModel();
    return;
  }
  if (!added.isEmpty()) {
    const int first = static_cast<int>(shown.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    shown += added;
    endInsertRows();
  }
  if (widest > longest) {
    // Every row is as wide as the longest: the view lays the rows out again.
    longest = widest;
    emit layoutAboutToBeChanged();
    emit layoutChanged();
  }
}

void CResultListModel::SetCharacterWidth(int pixels, int height) {
  characterWidth = pixels;
  rowHeight = height;
}

int CResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown.size());
}

QVariant CResultListModel::data(const QModelIndex& item, int role) const {
  if (!item.isValid() || item.row() >= shown.size()) return {};
  if (role == Qt::DisplayRole) return shown[item.row()];
  if (role == Qt::SizeHintRole) {
    return QSize(static_cast<int>(longest) * characterWidth, rowHeight);
  }
  return {};
}

}  // namespace tesmo
