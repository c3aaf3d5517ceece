// The NSLookup result list: a list model that follows the DNS engine's output
// sink.
//
// The query thread prints into the sink; the sink tells the model (on that
// thread) that lines arrived, and the model takes every line it lacks in one
// batch on the UI thread, at most every kFetchIntervalMs. A listing of 100,000
// records so reaches the view as a few large inserts, and the window stays
// responsive while it runs.
#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <cstdint>
#include <string>
#include <vector>

#include "core/dns/dns_output.h"

namespace tesmo {

class CDnsResultModel : public QAbstractListModel {
  Q_OBJECT
 public:
  static constexpr int kFetchIntervalMs = 40;

  // Follows sink, which must outlive the model.
  explicit CDnsResultModel(CDnsOutput& sink, QObject* parent = nullptr);
  ~CDnsResultModel() override;

  // Takes what the sink holds now (UI thread).
  void Refresh();
  const std::vector<std::string>& Lines() const { return lines; }
  // Batches taken from the sink so far: inserts and resets.
  int Batches() const { return batches; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  // Queued from the sink's notice; waits out the interval since the last batch.
  void FetchWhenDue();

  CDnsOutput& sink;
  std::vector<std::string> lines;
  uint64_t epoch = 0;
  int batches = 0;
  bool timerArmed = false;
  QElapsedTimer lastFetch;
};

}  // namespace tesmo
