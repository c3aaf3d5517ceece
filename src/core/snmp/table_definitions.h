// Generic tables: any SNMP table the user has defined, kept in the settings
// store as named lists of column definitions. The Gen. Table tool walks them;
// the MIB browser's "Add to Gen" adds one.
//
// Table n is the section "GenTable\CustomTables\n": its value Name (an empty
// or absent Name ends the list of tables) and one value per column, "0" to
// "31" (an empty or absent value ends the columns), each a definition
// "OID|title|width|align|isIP|sort".
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace tesmo {

// Columns read per table.
constexpr int kMaxCustomColumns = 32;

struct ColumnDefinition {
  QString oid;  // dotted with a leading dot: the column walked
  QString title;
  unsigned width = 10;  // characters
  unsigned align = 6;   // alignment code
  unsigned isIP = 0;    // 1: the column holds addresses
  unsigned sort = 3;    // sort code
};

// Splits at "|"; fields missing at the end keep the defaults above. An empty
// field stays in its place ("oid||9|6|0|3" has an empty title and width 9).
// Numbers are their leading decimal digits (none reads 0).
ColumnDefinition ParseColumnDefinition(const QString& text);
// "%s|%s|%u|%u|%u|%u".
QString FormatColumnDefinition(const ColumnDefinition& column);

QString CustomTableSection(unsigned table);
// The names of tables 0, 1, ... up to the first empty Name.
QStringList CustomTableNames();
// The stored definition texts of a table's columns, up to the first empty one.
QStringList CustomColumnTexts(unsigned table);
std::vector<ColumnDefinition> CustomTableColumns(unsigned table);
void WriteCustomColumn(unsigned table, unsigned column, const ColumnDefinition& definition);

// The width, alignment, address flag and sort code of a column by the MIB
// type number of its object (net-snmp's TYPE_ codes).
ColumnDefinition ColumnOfMibType(const QString& oid, const QString& label, int type);

// Writes a new table named name, with these columns, into the first table
// number whose Name is empty, and tells CCustomTables' listeners. Column
// values of that number beyond the new columns stay as they were.
unsigned AddCustomTable(const QString& name, const std::vector<ColumnDefinition>& columns);

// Announces changes of the stored tables made elsewhere in the program.
class CCustomTables : public QObject {
  Q_OBJECT
 public:
  static CCustomTables& Instance();
 signals:
  void Changed();

 private:
  CCustomTables() = default;
};

}  // namespace tesmo
