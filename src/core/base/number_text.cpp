#include "core/base/number_text.h"

namespace tesmo {

bool ParseUnsignedText(const QString& text, uint32_t* value) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return false;
  for (QChar c : t) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  bool ok = false;
  const qulonglong v = t.toULongLong(&ok);
  if (!ok || v > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

}  // namespace tesmo
