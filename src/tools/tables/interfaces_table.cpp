// The Interfaces page's table.
#include <unordered_map>

#include "tools/tables/table_pages.h"

namespace tesmo {
namespace {

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

// Only this exact text hides a row: "testing", "lowerLayerDown" or a bare
// number (no label known) never do.
bool IsDown(const std::string& status) {
  return status == "down";
}

// One row per shown interface with all its addresses and masks in one cell
// each (one line per address, the row as many lines high): those of
// ipAddrTable, then those of ipAddressTable.
void BuildRows(const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
  const std::vector<TableRow>& interfaces = records[0];
  const std::vector<TableRow>& addresses = records[1];
  // The addresses of each interface index text, in walk order. The join is
  // on the exact texts, as the agent rendered both indexes.
  std::unordered_map<std::string, std::vector<const TableRow*>> byIndex;
  for (const TableRow& address : addresses) {
    byIndex[address.texts[kAddrIfIndex]].push_back(&address);
  }
  // Then the addresses of ipAddressTable: IPv6 only when ipAddrTable had
  // rows, all of them when not. Records whose index cannot be read belong to
  // no interface.
  std::unordered_map<std::string, std::vector<IpAddressEntry>> newerByIndex;
  for (const TableRow& record : records[2]) {
    IpAddressEntry entry = ReadIpAddressEntry(record);
    if (!entry.readable || !ShownFromNewerTable(!addresses.empty(), true, entry.address.IsV6()))
      continue;
    newerByIndex[record.texts[kIpAddrIfIndex]].push_back(std::move(entry));
  }
  for (const TableRow& record : interfaces) {
    const std::vector<std::string>& t = record.texts;
    if (flags[kInterfacesAdminUpOnly] && IsDown(t[kIfAdminStatus])) continue;
    if (flags[kInterfacesOperUpOnly] && IsDown(t[kIfOperStatus])) continue;
    QString addressText, maskText;
    int count = 0;
    const auto add = [&](const std::string& address, const std::string& mask) {
      if (count > 0) {
        addressText += QLatin1String("\r\n");
        maskText += QLatin1String("\r\n");
      }
      addressText += CellText(address);
      maskText += CellText(mask);
      ++count;
    };
    if (auto found = byIndex.find(t[kIfIndex]); found != byIndex.end()) {
      for (const TableRow* address : found->second) {
        add(address->texts[kAddrAddress], address->texts[kAddrMask]);
      }
    }
    if (auto found = newerByIndex.find(t[kIfIndex]); found != newerByIndex.end()) {
      for (const IpAddressEntry& entry : found->second) add(entry.addressText, entry.maskText);
    }
    fill.AddRow(
        {CellText(t[kIfIndex]), CellText(t[kIfAdminStatus]), CellText(t[kIfOperStatus]),
         CellText(t[kIfType]), CellText(t[kIfMtu]), CellText(t[kIfDescr]), CellText(t[kIfSpeed]),
         addressText, maskText, CellText(t[kIfPhysAddress]), VendorCell(t[kIfPhysAddress])},
        count);
  }
}

}  // namespace

const TableDescription& InterfacesTable() {
  static const TableDescription description = {
      .section = "Interfaces",
      .gridId = 1073,
      .flags = {{"AdminUpOnly", "Admin up only", 1053, false},
                {"OperUpOnly", "Oper up only", 1057, false}},
      // A failed interface walk keeps its rows and the address walk still runs.
      .walks = {{"Getting interfaces variables",
                 {".1.3.6.1.2.1.2.2.1.1", ".1.3.6.1.2.1.2.2.1.2", ".1.3.6.1.2.1.2.2.1.3",
                  ".1.3.6.1.2.1.2.2.1.4", ".1.3.6.1.2.1.2.2.1.5", ".1.3.6.1.2.1.2.2.1.6",
                  ".1.3.6.1.2.1.2.2.1.7", ".1.3.6.1.2.1.2.2.1.8"}},
                {"Getting address variables", AddressTableOids()},
                {.status = "No ipAddrTable on the agent: getting ipAddressTable",
                 .oids = IpAddressTableOids(),
                 .run = TableWalkRun::kAdded}},
      .columns =
          {
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
          },
      .build = BuildRows,
      .sortColumn = 0,
      .sortCode = kSortNumericAscending,
  };
  return description;
}

}  // namespace tesmo
