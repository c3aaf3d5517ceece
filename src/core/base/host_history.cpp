#include "core/base/host_history.h"

#include <algorithm>

#include "core/base/settings_store.h"

namespace tesmo {
namespace {
const QString kSection = QStringLiteral("LRU");
}

int CHostHistory::Capacity() {
  const uint32_t n = CSettingsStore::ReadUInt(kSection, QStringLiteral("number"), 10);
  return static_cast<int>(std::min<uint32_t>(n, kMaxCapacity));
}

void CHostHistory::SaveCapacity() {
  CSettingsStore::WriteUInt(kSection, QStringLiteral("number"),
                            CSettingsStore::ReadUInt(kSection, QStringLiteral("number"), 10));
}

QStringList CHostHistory::Load() {
  // One read of the section, whatever number says.
  const std::map<QString, QString> stored = CSettingsStore::ReadStrings(kSection);
  QStringList hosts;
  const int n = Capacity();
  for (int i = 0; i < n; ++i) {
    auto it = stored.find(QString::number(i));
    if (it != stored.end() && !it->second.isEmpty()) hosts.append(it->second);
  }
  return hosts;
}

void CHostHistory::Save(const QStringList& hosts) {
  const CSettingsStore::CBatch batch;
  const int n = Capacity();
  for (int i = 0; i < n && i < hosts.size(); ++i) {
    CSettingsStore::WriteString(kSection, QString::number(i), hosts[i]);
  }
}

void CHostHistory::Touch(QStringList& hosts, const QString& host, int capacity) {
  for (qsizetype i = 0; i < hosts.size(); ++i) {
    if (hosts[i].compare(host, Qt::CaseInsensitive) == 0) {
      hosts.removeAt(i);
      break;
    }
  }
  hosts.prepend(host);
  if (capacity >= 0 && hosts.size() > capacity) hosts.removeAt(capacity);
}

}  // namespace tesmo
