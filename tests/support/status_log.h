// Every text posted to the status line while a CStatusLog lives, in order,
// from any thread. onPost runs on the posting thread for each text (a test
// may request a stop there, between two steps of the job).
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <mutex>

#include "core/app/status_channel.h"

namespace tesmo {

class CStatusLog {
 public:
  explicit CStatusLog(std::function<void(const QString&)> onPost = {}) {
    connection = QObject::connect(
        &CStatusChannel::Instance(), &CStatusChannel::Posted, &CStatusChannel::Instance(),
        [this, onPost = std::move(onPost)](const QString& text) {
          {
            std::lock_guard lock(mutex);
            texts << text;
          }
          if (onPost) onPost(text);
        },
        Qt::DirectConnection);
  }
  ~CStatusLog() { QObject::disconnect(connection); }
  CStatusLog(const CStatusLog&) = delete;
  CStatusLog& operator=(const CStatusLog&) = delete;

  QStringList Texts() {
    std::lock_guard lock(mutex);
    return texts;
  }

 private:
  QMetaObject::Connection connection;
  std::mutex mutex;
  QStringList texts;
};

}  // namespace tesmo
