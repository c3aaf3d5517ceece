// The NSLookup result list model.
#include "ui/nslookup/dns_result_model.h"

#include <QTimer>
#include <iterator>

namespace tesmo {

CDnsResultModel::CDnsResultModel(CDnsOutput& sink, QObject* parent)
    : QAbstractListModel(parent), sink(sink) {
  // The notice comes on the writing thread: it only queues the fetch.
  sink.SetNotify([this] {
    QMetaObject::invokeMethod(this, &CDnsResultModel::FetchWhenDue, Qt::QueuedConnection);
  });
  Refresh();
}

CDnsResultModel::~CDnsResultModel() {
  sink.SetNotify({});
}

void CDnsResultModel::FetchWhenDue() {
  const qint64 since = lastFetch.isValid() ? lastFetch.elapsed() : kFetchIntervalMs;
  if (since < kFetchIntervalMs) {
    // The sink sends no further notice before the next fetch: one timer is
    // enough.
    if (!timerArmed) {
      timerArmed = true;
      QTimer::singleShot(static_cast<int>(kFetchIntervalMs - since), this, [this] {
        timerArmed = false;
        Refresh();
      });
    }
    return;
  }
  Refresh();
}

void CDnsResultModel::Refresh() {
  CDnsOutput::Update update = sink.Fetch(epoch, lines.size());
  lastFetch.restart();
  epoch = update.epoch;
  if (update.reset) {
    beginResetModel();
    lines = std::move(update.lines);
    endResetModel();
    ++batches;
    return;
  }
  if (update.lines.empty()) return;
  const int first = static_cast<int>(lines.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(update.lines.size()) - 1);
  lines.insert(lines.end(), std::make_move_iterator(update.lines.begin()),
               std::make_move_iterator(update.lines.end()));
  endInsertRows();
  ++batches;
}

int CDnsResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines.size());
}

QVariant CDnsResultModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0 ||
      static_cast<size_t>(index.row()) >= lines.size()) {
    return {};
  }
  return QString::fromStdString(lines[static_cast<size_t>(index.row())]);
}

}  // namespace tesmo
