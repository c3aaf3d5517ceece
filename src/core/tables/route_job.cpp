// The Routing Table page's job.
#include "core/tables/route_job.h"

#include <array>

#include "core/app/job_control.h"
#include "core/app/status_channel.h"
#include "core/tables/table_fill.h"

namespace tesmo {
namespace {

constexpr char kSection[] = "RouteTable";

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

const std::vector<std::string> kRouteOids = {
    ".1.3.6.1.2.1.4.21.1.1",  ".1.3.6.1.2.1.4.21.1.2",  ".1.3.6.1.2.1.4.21.1.3",
    ".1.3.6.1.2.1.4.21.1.8",  ".1.3.6.1.2.1.4.21.1.7",  ".1.3.6.1.2.1.4.21.1.9",
    ".1.3.6.1.2.1.4.21.1.10", ".1.3.6.1.2.1.4.21.1.11", ".1.3.6.1.2.1.4.21.1.13"};

const std::array<CColumnInfo, 10> kColumns = {{
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
}};

}  // namespace

RouteJobOptions RouteJobOptions::Load() {
  RouteJobOptions options;
  options.resolveNames = ReadPageFlag(kSection, "ResolveName", false);
  return options;
}

void RouteJobOptions::Save() const {
  WritePageFlag(kSection, "ResolveName", resolveNames);
}

TableJobOutcome RunRouteJob(CTableGrid& table, const SnmpTarget& target,
                            const RouteJobOptions& options) {
  BeginJob();
  TableJobOutcome outcome;
  PrepareTable(table, kColumns);
  PostStatus("Getting Route variables");
  std::vector<TableRow> records;
  NoteWalk(outcome, WalkColumns(target, kRouteOids, records, JobWalkOptions(kDest)));

  CTableFill fill(table);
  PostStatus("Drawing table / Resolving names");
  for (const TableRow& record : records) {
    const std::vector<std::string>& t = record.texts;
    fill.AddRow({CellText(t[kIfIndex]), CellText(t[kDest]), CellText(t[kNextHop]),
                 NameCell(options.resolveNames, t[kNextHop]), CellText(t[kMetric]),
                 CellText(t[kMask]), CellText(t[kType]), CellText(t[kProto]), CellText(t[kAge]),
                 CellText(t[kInfo])});
  }
  outcome.rows = fill.Count();
  records.clear();
  FinishTable(table, outcome.rows, 1, kSortStringNoCaseAscending);
  EndJob();
  return outcome;
}

int RunRouteBatch(BatchContext& context) {
  const RouteJobOptions options = RouteJobOptions::Load();
  return RunTableBatch(context, [&](CTableGrid& table, const SnmpTarget& target) {
    return RunRouteJob(table, target, options);
  });
}

}  // namespace tesmo
