// The list model of result lines.
#include "ui/widgets/line_list_model.h"

#include <QSize>
#include <QTimer>

namespace tesmo {

CLineListModel::CLineListModel(CLineStore& store, QObject* parent)
    : QAbstractListModel(parent), store(store) {
  // The notice comes on the appending thread: it only queues the refresh.
  store.SetNotify([this] {
    QMetaObject::invokeMethod(this, &CLineListModel::RefreshWhenDue, Qt::QueuedConnection);
  });
  Refresh();
}

CLineListModel::~CLineListModel() {
  store.SetNotify({});
}

void CLineListModel::RefreshWhenDue() {
  const qint64 since = lastRefresh.isValid() ? lastRefresh.elapsed() : kRefreshMs;
  if (since < kRefreshMs) {
    // The store sends no further notice before the next Fetch: one timer is
    // enough.
    if (!timerArmed) {
      timerArmed = true;
      QTimer::singleShot(static_cast<int>(kRefreshMs - since), this, [this] {
        timerArmed = false;
        Refresh();
      });
    }
    return;
  }
  Refresh();
}

void CLineListModel::Refresh() {
  CLineStore::Update update = store.Fetch(epoch, taken, static_cast<size_t>(shown.size()));
  lastRefresh.restart();
  epoch = update.epoch;
  taken = update.taken;
  const qsizetype wasLongest = longest;
  QStringList added;
  added.reserve(static_cast<qsizetype>(update.lines.size()));
  for (const std::string& line : update.lines) {
    added.append(QString::fromStdString(line));
    longest = std::max(longest, added.back().size());
  }
  if (update.reset) {
    beginResetModel();
    shown = std::move(added);
    longest = 0;
    for (const QString& line : shown) longest = std::max(longest, line.size());
    endResetModel();
  } else {
    if (update.dropFront == 0 && added.isEmpty()) return;
    if (update.dropFront > 0) {
      const int last = static_cast<int>(update.dropFront) - 1;
      beginRemoveRows(QModelIndex(), 0, last);
      shown.remove(0, static_cast<qsizetype>(update.dropFront));
      endRemoveRows();
    }
    if (!added.isEmpty()) {
      const int first = static_cast<int>(shown.size());
      beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
      shown += added;
      endInsertRows();
    }
    if (characterWidth > 0 && longest > wasLongest) {
      // Every row is as wide as the longest: the view lays the rows out again.
      emit layoutAboutToBeChanged();
      emit layoutChanged();
    }
  }
  ++batches;
  emit Refreshed();
}

void CLineListModel::SetUniformWidth(int pixels, int height) {
  characterWidth = pixels;
  rowHeight = height;
}

int CLineListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown.size());
}

QVariant CLineListModel::data(const QModelIndex& item, int role) const {
  if (!item.isValid() || item.row() < 0 || item.row() >= shown.size()) return {};
  if (role == Qt::DisplayRole) return shown[item.row()];
  if (role == Qt::SizeHintRole && characterWidth > 0) {
    return QSize(static_cast<int>(longest) * characterWidth, rowHeight);
  }
  return {};
}

}  // namespace tesmo
