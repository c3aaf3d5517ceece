// The host history of the Parameters page: most recent first, at most N
// entries, stored as LRU values "0", "1", ... with LRU number as N.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tesmo {

class CHostHistory {
 public:
  // The history never holds more than this, whatever LRU number says.
  static constexpr uint32_t kMaxCapacity = 100;
  // LRU number with its default 10, at most kMaxCapacity.
  static int Capacity();
  // Writes LRU number back with its current value (so "Set as default" stores it).
  static void SaveCapacity();
  // The stored values 0 .. N-1, empty ones skipped.
  static QStringList Load();
  // Writes entries 0 .. min(N, size) - 1; values beyond are left as they are.
  static void Save(const QStringList& hosts);
  // host goes to the top (an entry equal to it, ignoring case, is removed
  // first); the entry at position capacity, if any, falls off.
  static void Touch(QStringList& hosts, const QString& host, int capacity);
};

}  // namespace tesmo
