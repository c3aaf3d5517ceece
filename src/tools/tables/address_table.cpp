// The Addresses page's table.
#include "tools/tables/table_pages.h"

namespace tesmo {

const std::vector<std::string>& AddressTableOids() {
  static const std::vector<std::string> oids = {".1.3.6.1.2.1.4.20.1.1", ".1.3.6.1.2.1.4.20.1.2",
                                                ".1.3.6.1.2.1.4.20.1.3", ".1.3.6.1.2.1.4.20.1.4",
                                                ".1.3.6.1.2.1.4.20.1.5"};
  return oids;
}

const TableDescription& AddressTable() {
  static const TableDescription description = {
      .section = "AddrTable",
      .gridId = 1009,
      .flags = {{"ResolveName", "ResolveName", 1049, true}},
      .walks = {{"Getting Addresses variables", AddressTableOids()}},
      .columns =
          {
              {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
              {"address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"mask", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"bcast", 10, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"reasm max size", 10, kAlignLeftTop, false, kSortStringNoCaseAscending},
          },
      // One row per address in the agent's order (by address), no final sort.
      .build =
          [](const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
            for (const TableRow& record : records[0]) {
              const std::vector<std::string>& t = record.texts;
              fill.AddRow({CellText(t[kAddrIfIndex]), CellText(t[kAddrAddress]),
                           NameCell(flags[kResolveNameFlag], t[kAddrAddress]),
                           CellText(t[kAddrMask]), CellText(t[kAddrBcast]),
                           CellText(t[kAddrReasm])});
            }
          },
  };
  return description;
}

}  // namespace tesmo
