// libFuzzer target over the generic tables' column definitions as the
// settings file holds them ("OID|title|width|align|isIP|sort"): the input is
// up to 32 definitions, one per line. Each must read back the same after
// being written out again (a title holding "%3" included), its numbers stay
// within their cap, and the table built from the columns draws no column
// wider than 1000 characters.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "tools/tables/gen_table.h"

namespace {

bool Same(const tesmo::ColumnDefinition& a, const tesmo::ColumnDefinition& b) {
  return a.oid == b.oid && a.title == b.title && a.width == b.width && a.align == b.align &&
         a.isIP == b.isIP && a.sort == b.sort;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::vector<tesmo::ColumnDefinition> columns;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (columns.size() == tesmo::kMaxCustomColumns) break;
    const tesmo::ColumnDefinition column = tesmo::ParseColumnDefinition(line);
    if (column.oid.contains(QLatin1Char('|')) || column.title.contains(QLatin1Char('|')))
      __builtin_trap();
    for (unsigned number : {column.width, column.align, column.isIP, column.sort}) {
      if (number > 999999999u) __builtin_trap();
    }
    if (!Same(tesmo::ParseColumnDefinition(tesmo::FormatColumnDefinition(column)), column))
      __builtin_trap();
    columns.push_back(column);
  }
  const tesmo::TableDescription description = tesmo::CustomTableDescription(columns);
  if (description.columns.size() != columns.size() || description.walks.size() != 1 ||
      description.walks[0].oids.size() != columns.size())
    __builtin_trap();
  for (const tesmo::CColumnInfo& info : description.columns) {
    if (info.width < 0 || info.width > 1000) __builtin_trap();
  }
  return 0;
}
