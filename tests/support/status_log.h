// Every text posted to the status channel while the log lives, in order;
// onPost runs on the posting thread for each.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/status_channel.h"

namespace tesmo {

class CStatusLog {
 public:
  // Progress texts are logged with the others, in posting order.
  explicit CStatusLog(std::function<void(const QString&)> onPost = {}) {
    auto log = [this, onPost = std::move(onPost)](const QString& text) {
      {
        std::lock_guard lock(mutex);
        texts << text;
      }
      if (onPost) onPost(text);
    };
    CStatusChannel* channel = &CStatusChannel::Instance();
    posted = QObject::connect(channel, &CStatusChannel::Posted, channel, log, Qt::DirectConnection);
    progress = QObject::connect(channel, &CStatusChannel::ProgressPosted, channel, log,
                                Qt::DirectConnection);
  }
  ~CStatusLog() {
    QObject::disconnect(posted);
    QObject::disconnect(progress);
  }
  CStatusLog(const CStatusLog&) = delete;
  CStatusLog& operator=(const CStatusLog&) = delete;

  QStringList Texts() {
    std::lock_guard lock(mutex);
    return texts;
  }
  std::vector<std::string> StdTexts() {
    std::vector<std::string> result;
    for (const QString& text : Texts()) result.push_back(text.toStdString());
    return result;
  }

 private:
  QMetaObject::Connection posted;
  QMetaObject::Connection progress;
  std::mutex mutex;
  QStringList texts;
};

}  // namespace tesmo
