// The one list model of result lines: it follows a CLineStore that a job
// thread fills (see core/lines/line_store.h) and takes what it lacks in one
// batch on the UI thread, at most every kRefreshMs. The NSLookup results,
// the MIB walk's results and the ping history are each one of these.
#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdint>

#include "core/lines/line_store.h"

namespace tesmo {

class CLineListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  static constexpr int kRefreshMs = 40;

  // Follows store, which must outlive the model.
  explicit CLineListModel(CLineStore& store, QObject* parent = nullptr);
  ~CLineListModel() override;

  // Takes what the store holds now (UI thread).
  void Refresh();
  // The lines shown.
  const QStringList& Lines() const { return shown; }
  // Batches taken from the store so far: inserts, drops and resets.
  int Batches() const { return batches; }
  // Every row as wide as the longest line shown, at this many pixels a
  // character (a horizontal scroll bar for lines wider than the list).
  void SetUniformWidth(int characterWidth, int rowHeight);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 signals:
  // After each batch taken, once the view knows of it.
  void Refreshed();

 private:
  // Queued from the store's notice; waits out the interval since the last batch.
  void RefreshWhenDue();

  CLineStore& store;
  QStringList shown;
  uint64_t epoch = 0;
  uint64_t taken = 0;
  int batches = 0;
  bool timerArmed = false;
  QElapsedTimer lastRefresh;
  qsizetype longest = 0;
  int characterWidth = 0;  // 0: rows as wide as the view draws them
  int rowHeight = 16;
};

}  // namespace tesmo
