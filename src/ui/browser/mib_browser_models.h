// The MIB browser's item models: the loaded MIB as a tree (over a
// CMibTreeIndex, so the whole tree is there the moment the index is built),
// and the walk's result lines as a list that catches up with CResultLines.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QStringList>

#include "core/snmp/mib_nodes.h"
#include "tools/browser/mib_walk.h"

namespace tesmo {

class CMibTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit CMibTreeModel(const CMibTreeIndex& index, QObject* parent = nullptr);

  // The index was (re)built.
  void Refresh();
  // The item of node index n of the CMibTreeIndex (n < 0: none).
  QModelIndex ItemOf(int n) const;
  // The CMibTreeIndex position of an item, -1 for none.
  static int NodeOf(const QModelIndex& item);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const CMibTreeIndex& nodes;
};

class CResultListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit CResultListModel(CResultLines& lines, QObject* parent = nullptr);

  // Takes the lines added since the last call, or all of them after a
  // Clear (UI thread).
  void Sync();
  // Every row is as wide as the longest line times this many pixels (a
  // character's average width in the list's font).
  void SetCharacterWidth(int pixels, int rowHeight);
  const QStringList& Lines() const { return shown; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  CResultLines& lines;
  QStringList shown;
  uint64_t shownGeneration = 0;
  qsizetype longest = 0;
  int characterWidth = 8;
  int rowHeight = 16;
};

}  // namespace tesmo
