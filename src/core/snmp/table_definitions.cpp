// The generic tables' column definitions in the settings store.
#include "core/snmp/table_definitions.h"

#include <algorithm>

#include "core/base/first_run.h"
#include "core/base/settings_store.h"

namespace tesmo {
namespace {

// The leading decimal digits, held below a billion (a damaged value never wraps).
unsigned LeadingNumber(const QString& text) {
  unsigned value = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
    value = std::min(value * 10 + static_cast<unsigned>(c.unicode() - '0'), 999999999u);
  }
  return value;
}

// Table numbers are read until the first empty Name; this many at most,
// whatever a damaged file holds.
constexpr unsigned kMaxCustomTables = 100000;

}  // namespace

ColumnDefinition ParseColumnDefinition(const QString& text) {
  const QStringList fields = text.split(QLatin1Char('|'));
  ColumnDefinition column;
  column.oid = fields.value(0);
  if (fields.size() > 1) column.title = fields[1];
  unsigned* numbers[] = {&column.width, &column.align, &column.isIP, &column.sort};
  for (qsizetype i = 0; i < 4 && i + 2 < fields.size(); ++i) {
    *numbers[i] = LeadingNumber(fields[i + 2]);
  }
  return column;
}

QString FormatColumnDefinition(const ColumnDefinition& column) {
  // All six in one pass: a title holding "%3" must stay as it is, not take
  // the place of a number filled in after it.
  return QStringLiteral("%1|%2|%3|%4|%5|%6")
      .arg(column.oid, column.title, QString::number(column.width), QString::number(column.align),
           QString::number(column.isIP), QString::number(column.sort));
}

QString CustomTableSection(unsigned table) {
  return QStringLiteral("GenTable\\CustomTables\\%1").arg(table);
}

QStringList CustomTableNames() {
  QStringList names;
  for (unsigned n = 0; n < kMaxCustomTables; ++n) {
    QString name =
        CSettingsStore::ReadString(CustomTableSection(n), QStringLiteral("Name"), QString());
    // A store without table 0 (a read-only run before any window started)
    // still has the table first run would have written.
    if (name.isEmpty() && n == 0) name = FirstRunCustomTable().name;
    if (name.isEmpty()) break;
    names << name;
  }
  return names;
}

QStringList CustomColumnTexts(unsigned table) {
  if (table == 0 &&
      CSettingsStore::ReadString(CustomTableSection(0), QStringLiteral("Name"), QString())
          .isEmpty()) {
    return FirstRunCustomTable().columns;
  }
  QStringList texts;
  for (int j = 0; j < kMaxCustomColumns; ++j) {
    const QString text =
        CSettingsStore::ReadString(CustomTableSection(table), QString::number(j), QString());
    if (text.isEmpty()) break;
    texts << text;
  }
  return texts;
}

std::vector<ColumnDefinition> CustomTableColumns(unsigned table) {
  std::vector<ColumnDefinition> columns;
  for (const QString& text : CustomColumnTexts(table)) {
    columns.push_back(ParseColumnDefinition(text));
  }
  return columns;
}

void WriteCustomColumn(unsigned table, unsigned column, const ColumnDefinition& definition) {
  CSettingsStore::WriteString(CustomTableSection(table), QString::number(column),
                              FormatColumnDefinition(definition));
}

ColumnDefinition ColumnOfMibType(const QString& oid, const QString& label, int type) {
  ColumnDefinition column;
  column.oid = oid;
  column.title = label;
  struct Layout {
    unsigned width, align, isIP, sort;
  };
  Layout layout{10, 6, 0, 3};
  switch (type) {
    case 0:  // other
    case 1:  // OBJECT IDENTIFIER
      layout = {9, 0, 0, 5};
      break;
    case 2:   // OCTET STRING
    case 4:   // NetworkAddress
    case 12:  // BITS
    case 13:  // NsapAddress
      layout = {12, 0, 0, 5};
      break;
    case 3:   // INTEGER
    case 6:   // Counter
    case 11:  // Counter64
    case 14:  // UInteger32
      layout = {9, 6, 0, 3};
      break;
    case 5:  // IpAddress
      layout = {12, 0, 1, 5};
      break;
    case 7:  // Gauge
      layout = {6, 6, 0, 3};
      break;
    case 8:  // TimeTicks
      layout = {10, 6, 0, 5};
      break;
    case 9:  // Opaque
      layout = {10, 0, 0, 5};
      break;
    case 10:  // NULL
      layout = {2, 0, 0, 5};
      break;
    default:
      break;
  }
  column.width = layout.width;
  column.align = layout.align;
  column.isIP = layout.isIP;
  column.sort = layout.sort;
  return column;
}

unsigned AddCustomTable(const QString& name, const std::vector<ColumnDefinition>& columns) {
  unsigned n = 0;
  while (n < kMaxCustomTables &&
         !CSettingsStore::ReadString(CustomTableSection(n), QStringLiteral("Name"), QString())
              .isEmpty()) {
    ++n;
  }
  CSettingsStore::WriteString(CustomTableSection(n), QStringLiteral("Name"), name);
  for (size_t j = 0; j < columns.size(); ++j) {
    WriteCustomColumn(n, static_cast<unsigned>(j), columns[j]);
  }
  emit CCustomTables::Instance().Changed();
  return n;
}

CCustomTables& CCustomTables::Instance() {
  static CCustomTables instance;
  return instance;
}

}  // namespace tesmo
