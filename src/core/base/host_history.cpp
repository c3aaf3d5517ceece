#include "core/base/host_history.h"

#include "core/base/settings_store.h"

namespace tesmo {
namespace {
const QString kSection = QStringLiteral("LRU");
}

int CHostHistory::Capacity() {
  const int n = CSettingsStore::ReadInt(kSection, QStringLiteral("number"), 10);
  return n < 0 ? 0 : n;
}

void CHostHistory::SaveCapacity() {
  CSettingsStore::WriteInt(kSection, QStringLiteral("number"),
                           CSettingsStore::ReadInt(kSection, QStringLiteral("number"), 10));
}

QStringList CHostHistory::Load() {
  QStringList hosts;
  const int n = Capacity();
  for (int i = 0; i < n; ++i) {
    const QString host = CSettingsStore::ReadString(kSection, QString::number(i), QString());
    if (!host.isEmpty()) hosts.append(host);
  }
  return hosts;
}

void CHostHistory::Save(const QStringList& hosts) {
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
