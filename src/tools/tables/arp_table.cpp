// The Arp page's table.
#include <algorithm>
#include <cstdio>

#include "core/grid/grid_data.h"
#include "core/snmp/neighbour_table.h"
#include "tools/tables/table_pages.h"

namespace tesmo {
namespace {

// Fields of an ARP row record, in walk order (the neighbour tables' shared
// columns).
enum : int {
  kIfIndex = kNeighbourIfIndex,
  kPhysAddress = kNeighbourPhysAddress,
  kNetAddress = kNeighbourNetAddress
};

constexpr char kFromNetToPhysical[] =
    "Ready (read from ipNetToPhysicalTable: the agent has no atTable or ipNetToMediaTable)";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The cells of a row before its name: interface, address, phys address.
struct ArpRow {
  QString ifIndex;
  std::string address;
  bool nameable;
  bool v6;
  std::string physAddress;
};

// Rows by interface index, as the page always sorted them (a stable sort:
// the agent's order within an interface).
void SortByInterface(std::vector<ArpRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const ArpRow& a, const ArpRow& b) {
    return LeadingNumber(a.ifIndex) < LeadingNumber(b.ifIndex);
  });
}

void BuildRows(const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
  std::vector<ArpRow> older, newer;
  for (const TableRow& record : records[0]) {
    const std::vector<std::string>& t = record.texts;
    older.push_back(
        {CellText(t[kIfIndex]), NetAddressText(t[kNetAddress]), true, false, t[kPhysAddress]});
  }
  for (const TableRow& record : records[1]) {
    uint32_t ifIndex = 0;
    InetIndexAddress address;
    std::string error;
    const bool readable = ParseNetToPhysicalIndex(record.instance, ifIndex, address, &error);
    if (!ShownFromNewerTable(!older.empty(), readable, address.IsV6())) continue;
    newer.push_back({readable ? QString::number(ifIndex) : QString(),
                     readable ? address.GridText() : BadIndexText(error), readable, address.IsV6(),
                     record.texts[kNetToPhysicalPhysAddress]});
  }
  // IPv4 neighbours first, each family by interface.
  if (older.empty()) {
    std::vector<ArpRow> v6;
    for (ArpRow& row : newer) (row.v6 ? v6 : older).push_back(std::move(row));
    newer = std::move(v6);
  }
  SortByInterface(older);
  SortByInterface(newer);
  for (const std::vector<ArpRow>* rows : {&older, &newer}) {
    for (const ArpRow& row : *rows) {
      fill.AddRow({row.ifIndex, CellText(row.address),
                   row.nameable ? NameCell(flags[kResolveNameFlag], row.address) : QString(),
                   CellText(row.physAddress), VendorCell(row.physAddress)});
    }
  }
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

const TableDescription& ArpTable() {
  static const TableDescription description = {
      .section = "ArpTable",
      .gridId = 1003,
      .flags = {{"ResolveName", "ResolveName", 1049, true}},
      // Progress texts name the hardware address just fetched.
      // Agents that no longer serve atTable serve ipNetToMediaTable, whose
      // first three columns have the same meaning and order.
      .walks = {{"Getting ARP variables", AtTableColumns(), kPhysAddress, NetToMediaColumns(),
                 "No atTable on the agent: getting ipNetToMediaTable"},
                {.status = "No ipNetToMediaTable on the agent: getting ipNetToPhysicalTable",
                 .oids = NetToPhysicalColumns(),
                 .progressColumn = kNetToPhysicalPhysAddress,
                 .run = TableWalkRun::kAdded}},
      .drawStatus = "Drawing table / Resolving names",
      .columns =
          {
              {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
              {"net address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"phys address", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"Vendor", 60, kAlignLeftTop, false, kSortStringNoCaseAscending},
          },
      // Sorted here rather than by the grid: the IPv6 neighbours stay after
      // the IPv4 ones.
      .build = BuildRows,
      .readyStatus = [](const TableRecords& records) -> const char* {
        return records[0].empty() && !records[1].empty() ? kFromNetToPhysical : nullptr;
      },
  };
  return description;
}

}  // namespace tesmo
