// The Interfaces page's job.
#include "core/tables/interfaces_job.h"

#include <array>
#include <unordered_map>

#include "core/app/job_control.h"
#include "core/app/status_channel.h"
#include "core/tables/address_job.h"
#include "core/tables/table_fill.h"

namespace tesmo {
namespace {

constexpr char kSection[] = "Interfaces";

// Fields of an interface row record, in walk order.
enum : int {
  kIfIndex = 0,
  kIfDescr = 1,
  kIfType = 2,
  kIfMtu = 3,
  kIfSpeed = 4,
  kIfPhysAddress = 5,
  kIfAdminStatus = 6,
  kIfOperStatus = 7
};

const std::vector<std::string> kInterfaceOids = {
    ".1.3.6.1.2.1.2.2.1.1", ".1.3.6.1.2.1.2.2.1.2", ".1.3.6.1.2.1.2.2.1.3", ".1.3.6.1.2.1.2.2.1.4",
    ".1.3.6.1.2.1.2.2.1.5", ".1.3.6.1.2.1.2.2.1.6", ".1.3.6.1.2.1.2.2.1.7", ".1.3.6.1.2.1.2.2.1.8"};

const std::array<CColumnInfo, 11> kColumns = {{
    {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
    {"admin", 5, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"oper", 5, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"type", 13, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"MTU", 5, kAlignRightTop, false, kSortNumericAscending},
    {"descr.", 19, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"speed", 8, kAlignRightTop, false, kSortNumericAscending},
    {"ip address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"mask", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"phys", 11, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"Vendor", 22, kAlignLeftTop, false, kSortStringNoCaseAscending},
}};

// Only this exact text hides a row: "testing", "lowerLayerDown" or a bare
// number (no label known) never do.
bool IsDown(const std::string& status) {
  return status == "down";
}

}  // namespace

InterfacesJobOptions InterfacesJobOptions::Load() {
  InterfacesJobOptions options;
  options.adminUpOnly = ReadPageFlag(kSection, "AdminUpOnly", false);
  options.operUpOnly = ReadPageFlag(kSection, "OperUpOnly", false);
  return options;
}

void InterfacesJobOptions::Save() const {
  WritePageFlag(kSection, "AdminUpOnly", adminUpOnly);
  WritePageFlag(kSection, "OperUpOnly", operUpOnly);
}

TableJobOutcome RunInterfacesJob(CTableGrid& table, const SnmpTarget& target,
                                 const InterfacesJobOptions& options) {
  BeginJob();
  TableJobOutcome outcome;
  PrepareTable(table, kColumns);
  PostStatus("Getting interfaces variables");
  std::vector<TableRow> interfaces;
  NoteWalk(outcome, WalkColumns(target, kInterfaceOids, interfaces, JobWalkOptions()));
  // A failed interface walk keeps its rows and the address walk still runs.
  PostStatus("Getting address variables");
  std::vector<TableRow> addresses;
  NoteWalk(outcome, WalkAddressTable(target, addresses));

  // The addresses of each interface index text, in walk order. The join is
  // on the exact texts, as the agent rendered both indexes.
  std::unordered_map<std::string, std::vector<const TableRow*>> byIndex;
  for (const TableRow& address : addresses) {
    byIndex[address.texts[kAddrIfIndex]].push_back(&address);
  }

  CTableFill fill(table);
  for (const TableRow& record : interfaces) {
    const std::vector<std::string>& t = record.texts;
    if (options.adminUpOnly && IsDown(t[kIfAdminStatus])) continue;
    if (options.operUpOnly && IsDown(t[kIfOperStatus])) continue;
    QString addressText, maskText;
    int count = 0;
    if (auto found = byIndex.find(t[kIfIndex]); found != byIndex.end()) {
      for (const TableRow* address : found->second) {
        if (!addressText.isEmpty()) {
          addressText += QLatin1String("\r\n");
          maskText += QLatin1String("\r\n");
        }
        addressText += CellText(address->texts[kAddrAddress]);
        maskText += CellText(address->texts[kAddrMask]);
        ++count;
      }
    }
    fill.AddRow(
        {CellText(t[kIfIndex]), CellText(t[kIfAdminStatus]), CellText(t[kIfOperStatus]),
         CellText(t[kIfType]), CellText(t[kIfMtu]), CellText(t[kIfDescr]), CellText(t[kIfSpeed]),
         addressText, maskText, CellText(t[kIfPhysAddress]), VendorCell(t[kIfPhysAddress])},
        count);
  }
  outcome.rows = fill.Count();
  byIndex.clear();
  interfaces.clear();
  addresses.clear();
  FinishTable(table, outcome.rows, 0, kSortNumericAscending);
  EndJob();
  return outcome;
}

int RunInterfacesBatch(BatchContext& context) {
  const InterfacesJobOptions options = InterfacesJobOptions::Load();
  return RunTableBatch(context, [&](CTableGrid& table, const SnmpTarget& target) {
    return RunInterfacesJob(table, target, options);
  });
}

}  // namespace tesmo
