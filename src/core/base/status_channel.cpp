// The status channel.
#include "core/base/status_channel.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace tesmo {
namespace {
std::mutex textMutex;
QString currentText;
}  // namespace

CStatusChannel& CStatusChannel::Instance() {
  static CStatusChannel* channel = new CStatusChannel;  // lives to the end of the process
  return *channel;
}

QString CStatusChannel::Text() const {
  std::lock_guard lock(textMutex);
  return currentText;
}

void CStatusChannel::SetText(const QString& text) {
  QString cut = text.left(kMaxStatusText);
  {
    std::lock_guard lock(textMutex);
    currentText = cut;
  }
  emit Posted(cut);
}

void CStatusChannel::SetProgressText(const QString& text) {
  QString cut = text.left(kMaxStatusText);
  {
    std::lock_guard lock(textMutex);
    currentText = cut;
  }
  emit ProgressPosted(cut);
}

void PostStatusV(const char* format, va_list args) {
  char buffer[kMaxStatusText + 1];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  CStatusChannel::Instance().SetText(QString::fromUtf8(buffer));
}

void PostStatus(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PostStatusV(format, args);
  va_end(args);
}

void PostStatusText(const QString& text) {
  CStatusChannel::Instance().SetText(text);
}

void PostProgressText(const QString& text) {
  CStatusChannel::Instance().SetProgressText(text);
}

}  // namespace tesmo
