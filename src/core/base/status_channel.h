// The status channel: any thread posts a text for the status line.
//
// PostStatus formats into a bounded buffer (at most 1023 characters, longer
// texts are cut), keeps it as the current status text and signals the
// listeners; the main window listens through a queued connection, --batch
// writes the text to standard error.
#pragma once

#include <QObject>
#include <QString>
#include <cstdarg>

namespace tesmo {

class CStatusChannel : public QObject {
  Q_OBJECT
 public:
  static CStatusChannel& Instance();
  // The last text posted.
  QString Text() const;
  void SetText(const QString& text);
  void SetProgressText(const QString& text);

 signals:
  // Emitted on the posting thread after the text changed.
  void Posted(const QString& text);
  // Emitted instead of Posted for a running job's progress text.
  void ProgressPosted(const QString& text);

 private:
  CStatusChannel() = default;
};

// Longest status text kept; callers format object identifiers and host names
// of any length into it.
constexpr int kMaxStatusText = 1023;

void PostStatus(const char* format, ...) __attribute__((format(printf, 1, 2)));
void PostStatusV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// Same as PostStatus for a ready-made text (also cut to kMaxStatusText).
void PostStatusText(const QString& text);
// How far a running job has got ("Getting Route variables: 1200 row(s)
// fetched"): the status line shows it as any other text, --batch leaves it off
// standard error, whose lines say what happened rather than how far it got.
void PostProgressText(const QString& text);

}  // namespace tesmo
