// GoogleTest prints QString as its UTF-16 bytes; these print the text, so a
// failed comparison of cells or status texts reads as what the user sees.
// Include it before any test code.
#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

// For the messages streamed into a failed check.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
  return out << text.toStdString();
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{';
  for (qsizetype i = 0; i < texts.size(); ++i) {
    if (i > 0) *out << ", ";
    PrintTo(texts[i], out);
  }
  *out << '}';
}
