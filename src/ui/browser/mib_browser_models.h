// The MIB browser's tree model: the loaded MIB as a tree (over a
// CMibTreeIndex, so the whole tree is there the moment the index is built).
#pragma once

#include <QAbstractItemModel>

#include "core/snmp/mib_nodes.h"

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

}  // namespace tesmo
