// The Arp page's table.
#include <cstdio>

#include "tools/tables/table_pages.h"

namespace tesmo {
namespace {

// Fields of an ARP row record, in walk order.
enum : int { kIfIndex = 0, kPhysAddress = 1, kNetAddress = 2 };

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

const TableDescription& ArpTable() {
  static const TableDescription description = {
      .section = "ArpTable",
      .gridId = 1003,
      .flags = {{"ResolveName", "ResolveName", 1049, true}},
      // Progress texts name the hardware address just fetched.
      // Agents that no longer serve atTable serve ipNetToMediaTable, whose
      // first three columns have the same meaning and order.
      .walks = {{"Getting ARP variables",
                 {".1.3.6.1.2.1.3.1.1.1", ".1.3.6.1.2.1.3.1.1.2", ".1.3.6.1.2.1.3.1.1.3"},
                 kPhysAddress,
                 {".1.3.6.1.2.1.4.22.1.1", ".1.3.6.1.2.1.4.22.1.2", ".1.3.6.1.2.1.4.22.1.3"},
                 "No atTable on the agent: getting ipNetToMediaTable"}},
      .drawStatus = "Drawing table / Resolving names",
      .columns =
          {
              {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
              {"net address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"phys address", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"Vendor", 60, kAlignLeftTop, false, kSortStringNoCaseAscending},
          },
      .build =
          [](const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
            for (const TableRow& record : records[0]) {
              const std::vector<std::string>& t = record.texts;
              const std::string address = NetAddressText(t[kNetAddress]);
              fill.AddRow({CellText(t[kIfIndex]), CellText(address),
                           NameCell(flags[kResolveNameFlag], address), CellText(t[kPhysAddress]),
                           VendorCell(t[kPhysAddress])});
            }
          },
      .sortColumn = 0,
      .sortCode = kSortNumericAscending,
  };
  return description;
}

}  // namespace tesmo
