// The Routing Table page's table.
#include "tools/tables/table_pages.h"

namespace tesmo {
namespace {

// Fields of a route row record, in walk order (the next hop, column 7 of the
// table, is asked after the type, column 8).
enum : int {
  kDest = 0,
  kIfIndex = 1,
  kMetric = 2,
  kType = 3,
  kNextHop = 4,
  kProto = 5,
  kAge = 6,
  kMask = 7,
  kInfo = 8
};

}  // namespace

const TableDescription& RouteTable() {
  static const TableDescription description = {
      .section = "RouteTable",
      .gridId = 1005,
      .flags = {{"ResolveName", "ResolveName", 1049, false}},
      .walks = {{"Getting Route variables",
                 {".1.3.6.1.2.1.4.21.1.1", ".1.3.6.1.2.1.4.21.1.2", ".1.3.6.1.2.1.4.21.1.3",
                  ".1.3.6.1.2.1.4.21.1.8", ".1.3.6.1.2.1.4.21.1.7", ".1.3.6.1.2.1.4.21.1.9",
                  ".1.3.6.1.2.1.4.21.1.10", ".1.3.6.1.2.1.4.21.1.11", ".1.3.6.1.2.1.4.21.1.13"},
                 kDest}},
      .drawStatus = "Drawing table / Resolving names",
      .columns =
          {
              {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
              {"dest.", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"next hop", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"metric", 6, kAlignRightTop, false, kSortNumericAscending},
              {"mask", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"type", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"proto", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"age", 5, kAlignRightTop, false, kSortNumericAscending},
              {"info", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
          },
      .build =
          [](const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
            for (const TableRow& record : records[0]) {
              const std::vector<std::string>& t = record.texts;
              fill.AddRow({CellText(t[kIfIndex]), CellText(t[kDest]), CellText(t[kNextHop]),
                           NameCell(flags[kResolveNameFlag], t[kNextHop]), CellText(t[kMetric]),
                           CellText(t[kMask]), CellText(t[kType]), CellText(t[kProto]),
                           CellText(t[kAge]), CellText(t[kInfo])});
            }
          },
      .sortColumn = 1,
      .sortCode = kSortStringNoCaseAscending,
  };
  return description;
}

}  // namespace tesmo
