// The Arp page's job.
#include "core/tables/arp_job.h"

#include <array>
#include <cstdio>

#include "core/app/job_control.h"
#include "core/app/status_channel.h"
#include "core/tables/table_fill.h"

namespace tesmo {
namespace {

constexpr char kSection[] = "ArpTable";

// Fields of an ARP row record, in walk order.
enum : int { kIfIndex = 0, kPhysAddress = 1, kNetAddress = 2 };

const std::vector<std::string> kArpOids = {".1.3.6.1.2.1.3.1.1.1", ".1.3.6.1.2.1.3.1.1.2",
                                           ".1.3.6.1.2.1.3.1.1.3"};

const std::array<CColumnInfo, 5> kColumns = {{
    {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
    {"net address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"phys address", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"Vendor", 60, kAlignLeftTop, false, kSortStringNoCaseAscending},
}};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string NetAddressText(const std::string& text) {
  // "0A:4D:28:07": four bytes, two upper-case hex digits each, ":" between.
  if (text.size() != 11) return text;
  int bytes[4];
  for (size_t i = 0; i < 4; ++i) {
    const int high = HexDigit(text[3 * i]);
    const int low = HexDigit(text[3 * i + 1]);
    if (high < 0 || low < 0 || (i < 3 && text[3 * i + 2] != ':')) return text;
    bytes[i] = high * 16 + low;
  }
  char out[16];
  std::snprintf(out, sizeof out, "%03d.%03d.%03d.%03d", bytes[0], bytes[1], bytes[2], bytes[3]);
  return out;
}

ArpJobOptions ArpJobOptions::Load() {
  ArpJobOptions options;
  options.resolveNames = ReadPageFlag(kSection, "ResolveName", true);
  return options;
}

void ArpJobOptions::Save() const {
  WritePageFlag(kSection, "ResolveName", resolveNames);
}

TableJobOutcome RunArpJob(CTableGrid& table, const SnmpTarget& target,
                          const ArpJobOptions& options) {
  BeginJob();
  TableJobOutcome outcome;
  PrepareTable(table, kColumns);
  PostStatus("Getting ARP variables");
  std::vector<TableRow> records;
  NoteWalk(outcome, WalkColumns(target, kArpOids, records, JobWalkOptions(kPhysAddress)));

  PostStatus("Drawing table / Resolving names");
  CTableFill fill(table);
  for (const TableRow& record : records) {
    const std::vector<std::string>& t = record.texts;
    const std::string address = NetAddressText(t[kNetAddress]);
    fill.AddRow({CellText(t[kIfIndex]), CellText(address), NameCell(options.resolveNames, address),
                 CellText(t[kPhysAddress]), VendorCell(t[kPhysAddress])});
  }
  outcome.rows = fill.Count();
  records.clear();
  FinishTable(table, outcome.rows, 0, kSortNumericAscending);
  EndJob();
  return outcome;
}

int RunArpBatch(BatchContext& context) {
  const ArpJobOptions options = ArpJobOptions::Load();
  return RunTableBatch(context, [&](CTableGrid& table, const SnmpTarget& target) {
    return RunArpJob(table, target, options);
  });
}

}  // namespace tesmo
