// The Addresses page's job.
#include "core/tables/address_job.h"

#include <array>

#include "core/app/job_control.h"
#include "core/app/status_channel.h"
#include "core/tables/table_fill.h"

namespace tesmo {
namespace {

constexpr char kSection[] = "AddrTable";

const std::vector<std::string> kAddressOids = {".1.3.6.1.2.1.4.20.1.1", ".1.3.6.1.2.1.4.20.1.2",
                                               ".1.3.6.1.2.1.4.20.1.3", ".1.3.6.1.2.1.4.20.1.4",
                                               ".1.3.6.1.2.1.4.20.1.5"};

const std::array<CColumnInfo, 6> kColumns = {{
    {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
    {"address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"mask", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"bcast", 10, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"reasm max size", 10, kAlignLeftTop, false, kSortStringNoCaseAscending},
}};

}  // namespace

ColumnWalkResult WalkAddressTable(const SnmpTarget& target, std::vector<TableRow>& rows) {
  return WalkColumns(target, kAddressOids, rows, JobWalkOptions());
}

AddressJobOptions AddressJobOptions::Load() {
  AddressJobOptions options;
  options.resolveNames = ReadPageFlag(kSection, "ResolveName", true);
  return options;
}

void AddressJobOptions::Save() const {
  WritePageFlag(kSection, "ResolveName", resolveNames);
}

TableJobOutcome RunAddressJob(CTableGrid& table, const SnmpTarget& target,
                              const AddressJobOptions& options) {
  BeginJob();
  TableJobOutcome outcome;
  PrepareTable(table, kColumns);
  PostStatus("Getting Addresses variables");
  std::vector<TableRow> records;
  NoteWalk(outcome, WalkAddressTable(target, records));

  CTableFill fill(table);
  for (const TableRow& record : records) {
    const std::vector<std::string>& t = record.texts;
    fill.AddRow({CellText(t[kAddrIfIndex]), CellText(t[kAddrAddress]),
                 NameCell(options.resolveNames, t[kAddrAddress]), CellText(t[kAddrMask]),
                 CellText(t[kAddrBcast]), CellText(t[kAddrReasm])});
  }
  outcome.rows = fill.Count();
  records.clear();
  FinishTable(table, outcome.rows);
  EndJob();
  return outcome;
}

int RunAddressBatch(BatchContext& context) {
  const AddressJobOptions options = AddressJobOptions::Load();
  return RunTableBatch(context, [&](CTableGrid& table, const SnmpTarget& target) {
    return RunAddressJob(table, target, options);
  });
}

}  // namespace tesmo
