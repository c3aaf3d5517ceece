// The Addresses page's table.
#include "tools/tables/table_pages.h"

namespace tesmo {
namespace {

constexpr char kFromIpAddressTable[] =
    "Ready (read from ipAddressTable: the agent has no ipAddrTable)";

// IP-MIB's enumerations, for agents' values printed without the module.
constexpr const char* kAddressTypes[] = {nullptr, "unicast", "anycast", "broadcast"};
constexpr const char* kAddressOrigins[] = {nullptr, "other",     "manual", nullptr,
                                           "dhcp",  "linklayer", "random"};
constexpr const char* kAddressStatuses[] = {nullptr,     "preferred",    "deprecated",
                                            "invalid",   "inaccessible", "unknown",
                                            "tentative", "duplicate",    "optimistic"};

}  // namespace

const std::vector<std::string>& AddressTableOids() {
  static const std::vector<std::string> oids = {".1.3.6.1.2.1.4.20.1.1", ".1.3.6.1.2.1.4.20.1.2",
                                                ".1.3.6.1.2.1.4.20.1.3", ".1.3.6.1.2.1.4.20.1.4",
                                                ".1.3.6.1.2.1.4.20.1.5"};
  return oids;
}

const std::vector<std::string>& IpAddressTableOids() {
  static const std::vector<std::string> oids = {".1.3.6.1.2.1.4.34.1.3", ".1.3.6.1.2.1.4.34.1.4",
                                                ".1.3.6.1.2.1.4.34.1.5", ".1.3.6.1.2.1.4.34.1.6",
                                                ".1.3.6.1.2.1.4.34.1.7"};
  return oids;
}

IpAddressEntry ReadIpAddressEntry(const TableRow& record) {
  IpAddressEntry entry;
  std::string error;
  entry.readable = ParseIpAddressIndex(record.instance, entry.address, &error);
  if (!entry.readable) {
    entry.addressText = BadIndexText(error);
    return entry;
  }
  entry.addressText = entry.address.GridText();
  if (const auto length = PrefixLengthOfPointer(record.texts[kIpAddrPrefix])) {
    if (*length <= (entry.address.IsV4() ? 32u : 128u)) {
      entry.maskText = PrefixMaskText(entry.address.address, *length);
    }
  }
  return entry;
}

const TableDescription& AddressTable() {
  static const TableDescription description = {
      .section = "AddrTable",
      .gridId = 1009,
      .flags = {{"ResolveName", "ResolveName", 1049, true}},
      .walks = {{"Getting Addresses variables", AddressTableOids()},
                {.status = "No ipAddrTable on the agent: getting ipAddressTable",
                 .oids = IpAddressTableOids(),
                 .run = TableWalkRun::kAdded}},
      .columns =
          {
              {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
              {"address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"name", 20, kAlignLeftTop, true, kSortStringNoCaseAscending},
              {"mask", 12, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"bcast", 10, kAlignLeftTop, false, kSortStringNoCaseAscending},
              {"reasm max size", 10, kAlignLeftTop, false, kSortStringNoCaseAscending},
          },
      // One row per address in the agent's order (by address), no final sort;
      // then ipAddressTable's, in its order, with the address type in the
      // bcast column and its status and origin in the last.
      .build =
          [](const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
            for (const TableRow& record : records[0]) {
              const std::vector<std::string>& t = record.texts;
              fill.AddRow({CellText(t[kAddrIfIndex]), CellText(t[kAddrAddress]),
                           NameCell(flags[kResolveNameFlag], t[kAddrAddress]),
                           CellText(t[kAddrMask]), CellText(t[kAddrBcast]),
                           CellText(t[kAddrReasm])});
            }
            const bool older = !records[0].empty();
            for (const TableRow& record : records[1]) {
              const IpAddressEntry entry = ReadIpAddressEntry(record);
              if (!ShownFromNewerTable(older, entry.readable, entry.address.IsV6())) continue;
              const std::vector<std::string>& t = record.texts;
              fill.AddRow({CellText(t[kIpAddrIfIndex]), CellText(entry.addressText),
                           entry.readable ? NameCell(flags[kResolveNameFlag], entry.address.Text())
                                          : QString(),
                           CellText(entry.maskText),
                           CellText(EnumLabel(t[kIpAddrType], kAddressTypes)),
                           CellText(EnumLabel(t[kIpAddrStatus], kAddressStatuses) + " (" +
                                    EnumLabel(t[kIpAddrOrigin], kAddressOrigins) + ")")});
            }
          },
      .readyStatus = [](const TableRecords& records) -> const char* {
        return records[0].empty() && !records[1].empty() ? kFromIpAddressTable : nullptr;
      },
  };
  return description;
}

}  // namespace tesmo
