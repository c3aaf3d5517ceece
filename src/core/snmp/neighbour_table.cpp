// An agent's table of neighbours.
#include "core/snmp/neighbour_table.h"

#include "core/snmp/inet_index.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The walk reached the end of its table (or a stop ended it).
bool EndedNormally(const ColumnWalkResult& walk) {
  if (walk.stopped) return true;
  if (walk.result != kSnmpResponse || walk.full) return false;
  return walk.status == EndOfSubtree || walk.status == kSnmpNoSuchName ||
         walk.status == kSnmpNoError;
}

}  // namespace

const std::vector<std::string>& AtTableColumns() {
  static const std::vector<std::string> oids = {".1.3.6.1.2.1.3.1.1.1", ".1.3.6.1.2.1.3.1.1.2",
                                                ".1.3.6.1.2.1.3.1.1.3"};
  return oids;
}

const std::vector<std::string>& NetToMediaColumns() {
  static const std::vector<std::string> oids = {".1.3.6.1.2.1.4.22.1.1", ".1.3.6.1.2.1.4.22.1.2",
                                                ".1.3.6.1.2.1.4.22.1.3"};
  return oids;
}

const std::vector<std::string>& NetToPhysicalColumns() {
  static const std::vector<std::string> oids = {".1.3.6.1.2.1.4.35.1.4"};
  return oids;
}

std::optional<IpAddress> NeighbourAddressOfText(const std::string& text) {
  if (text.size() == 11) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
      const int high = HexDigit(text[3 * i]);
      const int low = HexDigit(text[3 * i + 1]);
      if (high < 0 || low < 0 || (i < 3 && text[3 * i + 2] != ':')) return std::nullopt;
      value = value << 8 | static_cast<uint32_t>(high * 16 + low);
    }
    return IpAddress::V4(value);
  }
  std::optional<IpAddress> address = ParseIpAddress(text);
  if (!address || !address->IsV4()) return std::nullopt;
  return address;
}

NeighbourTable ReadNeighbourTable(const SnmpTarget& target) {
  NeighbourTable table;
  std::vector<TableRow> older, newer;
  ColumnWalkResult walk = WalkColumns(target, AtTableColumns(), older);
  if (older.empty() && !walk.stopped && EndedNormally(walk)) {
    walk = WalkColumns(target, NetToMediaColumns(), older);
  }
  table.stopped = walk.stopped;
  table.answered = EndedNormally(walk);
  // The newer table only when the older ones answered: a silent agent costs
  // no second time-out.
  if (table.answered && !table.stopped) {
    walk = WalkColumns(target, NetToPhysicalColumns(), newer);
    table.stopped = walk.stopped;
    table.answered = EndedNormally(walk);
  }
  for (const TableRow& record : older) {
    std::optional<IpAddress> address = NeighbourAddressOfText(record.texts[kNeighbourNetAddress]);
    if (address) table.neighbours.push_back({*address, record.texts[kNeighbourPhysAddress]});
  }
  for (const TableRow& record : newer) {
    uint32_t ifIndex = 0;
    InetIndexAddress address;
    if (!ParseNetToPhysicalIndex(record.instance, ifIndex, address, nullptr)) continue;
    if (!ShownFromNewerTable(!older.empty(), true, address.IsV6())) continue;
    table.neighbours.push_back({address.address, record.texts[kNetToPhysicalPhysAddress]});
  }
  return table;
}

}  // namespace tesmo
