// What the loaded MIB says of a table column beyond its value: its name, the
// INDEX of its table (through AUGMENTS) and whether it holds text. Exports
// of a table to other tools name columns and indexes this way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo {

struct ColumnMibInfo {
  std::string label;                 // "ifDescr"
  std::vector<std::string> indexes;  // the table's INDEX, in order ("ifIndex")
  bool text = false;                 // an OCTET STRING with a text DISPLAY-HINT
  bool integerIndex = false;         // one index, and it is an integer
};

// The column at oid (dotted, numeric); nothing when the MIB does not know
// it as a column of a table.
std::optional<ColumnMibInfo> ColumnMibInfoOf(std::string_view oid);

}  // namespace tesmo
