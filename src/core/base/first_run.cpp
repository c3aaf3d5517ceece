#include "core/base/first_run.h"

#include "core/base/settings_store.h"

namespace tesmo {

void WriteFirstRunDefaults() {
  const CSettingsStore::CBatch batch;
  if (CSettingsStore::ReadString(QString(), QStringLiteral("FixedFontName"), QString()).isEmpty()) {
    CSettingsStore::WriteString(QString(), QStringLiteral("FixedFontName"),
                                QStringLiteral("Lucida Console"));
    CSettingsStore::WriteInt(QString(), QStringLiteral("FixedFontSize"), 10);
  }
  const QString table = QStringLiteral("GenTable\\CustomTables\\0");
  if (CSettingsStore::ReadString(table, QStringLiteral("Name"), QString()).isEmpty()) {
    const FirstRunTable& defaults = FirstRunCustomTable();
    CSettingsStore::WriteString(table, QStringLiteral("Name"), defaults.name);
    for (qsizetype i = 0; i < defaults.columns.size(); ++i) {
      CSettingsStore::WriteString(table, QString::number(i), defaults.columns[i]);
    }
  }
}

const FirstRunTable& FirstRunCustomTable() {
  static const FirstRunTable table = {
      QStringLiteral("ipNetToMediaTable (.1.3.6.1.2.1.4.22)"),
      {QStringLiteral(".1.3.6.1.2.1.4.22.1.1|Int.|4|6|0|3"),
       QStringLiteral(".1.3.6.1.2.1.4.22.1.2|Phys. Address|12|0|0|5"),
       QStringLiteral(".1.3.6.1.2.1.4.22.1.3|Net. Address|12|0|1|5"),
       QStringLiteral(".1.3.6.1.2.1.4.22.1.4|Type|8|0|0|5")}};
  return table;
}

void WriteStartupMarker() {
  CSettingsStore::WriteInt(QStringLiteral("Initialization"), QStringLiteral("OCX"), 1);
}

}  // namespace tesmo
