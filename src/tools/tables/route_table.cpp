// The Routing Table page's table.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "tools/tables/table_pages.h"

namespace tesmo {
namespace {

// Fields of a route row record, in walk order (the next hop, column 7 of the
// table, is asked after the type, column 8). ipCidrRouteTable is walked in
// the same order of meanings.
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

// Fields of an inetCidrRouteTable record (destination, prefix length and next
// hop are in its index).
enum : int { kInetIfIndex = 0, kInetType = 1, kInetProto = 2, kInetAge = 3, kInetMetric = 4 };

constexpr char kFromInetCidr[] =
    "Ready (read from inetCidrRouteTable: the agent has no ipRouteTable)";
constexpr char kFromIpCidr[] =
    "Ready (read from ipCidrRouteTable: the agent has no ipRouteTable or inetCidrRouteTable)";

struct RouteRow {
  std::string ifIndex, dest, nextHop, nameOf, metric, mask, type, proto, age, info;
  bool v6 = false;
  bool readable = true;
};

RouteRow FromOlderTable(const TableRow& record) {
  const std::vector<std::string>& t = record.texts;
  return {t[kIfIndex], t[kDest], t[kNextHop], t[kNextHop], t[kMetric],
          t[kMask],    t[kType], t[kProto],   t[kAge],     t[kInfo]};
}

RouteRow FromInetCidrTable(const TableRow& record) {
  const std::vector<std::string>& t = record.texts;
  RouteRow row;
  row.ifIndex = t[kInetIfIndex];
  row.metric = t[kInetMetric];
  row.type = InetRouteTypeText(t[kInetType]);
  row.proto = RouteProtocolText(t[kInetProto]);
  row.age = t[kInetAge];
  InetCidrRouteIndex index;
  std::string error;
  if (!ParseInetCidrRouteIndex(record.instance, index, &error)) {
    row.dest = BadIndexText(error);
    row.readable = false;
    return row;
  }
  row.v6 = index.destination.IsV6();
  row.dest = index.destination.GridText();
  row.nextHop = index.nextHop.GridText();
  row.nameOf = index.nextHop.Text();
  row.mask = PrefixMaskText(index.destination.address, index.prefixLength);
  return row;
}

// By destination text, letter case ignored, as the grid sorts the column
// (a stable sort: the agent's order between equal destinations).
void SortByDestination(std::vector<RouteRow>& rows) {
  std::vector<std::pair<QString, size_t>> keys;
  keys.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i)
    keys.emplace_back(QString::fromStdString(rows[i].dest).toCaseFolded(), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<RouteRow> sorted;
  sorted.reserve(rows.size());
  for (const auto& key : keys) sorted.push_back(std::move(rows[key.second]));
  rows = std::move(sorted);
}

// IPv6 destinations by their value and then by prefix length (their texts
// do not sort as numbers), stable; rows whose index could not be read last.
void SortIpv6ByDestination(std::vector<RouteRow>& rows) {
  const auto key = [](const RouteRow& row) {
    std::optional<IpAddress> address = ParseIpAddress(row.dest);
    const int length = row.mask.size() > 1 ? std::atoi(row.mask.c_str() + 1) : 0;
    return std::make_tuple(!address, address.value_or(IpAddress()), length);
  };
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const RouteRow& a, const RouteRow& b) { return key(a) < key(b); });
}

// ipRouteTable's routes then inetCidrRouteTable's IPv6 routes; without
// ipRouteTable rows all of inetCidrRouteTable's (IPv4 first), else
// ipCidrRouteTable's. Each family sorted by destination.
void BuildRows(const TableRecords& records, const TableFlags& flags, CTableFill& fill) {
  std::vector<RouteRow> v4, v6;
  if (!records[0].empty() || records[1].empty()) {
    for (const TableRow& record : records[records[0].empty() ? 2 : 0])
      v4.push_back(FromOlderTable(record));
  }
  for (const TableRow& record : records[1]) {
    RouteRow row = FromInetCidrTable(record);
    if (row.v6) {
      v6.push_back(std::move(row));
    } else if (records[0].empty() || !row.readable) {
      // Unreadable rows (no next hop) are always shown, with the reason.
      v4.push_back(std::move(row));
    }
  }
  SortByDestination(v4);
  SortIpv6ByDestination(v6);
  for (const std::vector<RouteRow>* rows : {&v4, &v6}) {
    for (const RouteRow& r : *rows) {
      fill.AddRow({CellText(r.ifIndex), CellText(r.dest), CellText(r.nextHop),
                   r.nameOf.empty() ? QString() : NameCell(flags[kResolveNameFlag], r.nameOf),
                   CellText(r.metric), CellText(r.mask), CellText(r.type), CellText(r.proto),
                   CellText(r.age), CellText(r.info)});
    }
  }
}

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
                 kDest},
                {.status = "No ipRouteTable on the agent: getting inetCidrRouteTable",
                 .oids = {".1.3.6.1.2.1.4.24.7.1.7", ".1.3.6.1.2.1.4.24.7.1.8",
                          ".1.3.6.1.2.1.4.24.7.1.9", ".1.3.6.1.2.1.4.24.7.1.10",
                          ".1.3.6.1.2.1.4.24.7.1.12"},
                 .run = TableWalkRun::kAdded},
                {.status = "No ipRouteTable or inetCidrRouteTable on the agent: getting "
                           "ipCidrRouteTable",
                 .oids = {".1.3.6.1.2.1.4.24.4.1.1", ".1.3.6.1.2.1.4.24.4.1.5",
                          ".1.3.6.1.2.1.4.24.4.1.11", ".1.3.6.1.2.1.4.24.4.1.6",
                          ".1.3.6.1.2.1.4.24.4.1.4", ".1.3.6.1.2.1.4.24.4.1.7",
                          ".1.3.6.1.2.1.4.24.4.1.8", ".1.3.6.1.2.1.4.24.4.1.2",
                          ".1.3.6.1.2.1.4.24.4.1.9"},
                 .progressColumn = kDest,
                 .run = TableWalkRun::kInsteadOfEmpty}},
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
      // Sorted here rather than by the grid: the IPv6 routes stay after the
      // IPv4 ones.
      .build = BuildRows,
      .readyStatus = [](const TableRecords& records) -> const char* {
        if (!records[0].empty()) return nullptr;
        if (!records[1].empty()) return kFromInetCidr;
        return records[2].empty() ? nullptr : kFromIpCidr;
      },
  };
  return description;
}

}  // namespace tesmo
