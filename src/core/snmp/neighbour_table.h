// An agent's table of neighbours (IP address to hardware address), read the
// way the Arp page reads it: atTable, ipNetToMediaTable when the agent
// answers atTable without a row, then ipNetToPhysicalTable for the IPv6
// neighbours (and every neighbour when the older tables gave none).
#pragma once

#include <string>
#include <vector>

#include "core/base/snmp_target.h"
#include "core/net/ip_address.h"
#include "core/snmp/column_walk.h"

namespace tesmo {

// The columns walked, in walk order: interface index, physical address and
// network address (atTable and ipNetToMediaTable have the same three first
// columns), and ipNetToPhysicalPhysAddress, whose index holds the rest.
const std::vector<std::string>& AtTableColumns();
const std::vector<std::string>& NetToMediaColumns();
const std::vector<std::string>& NetToPhysicalColumns();

// The fields of an atTable or ipNetToMediaTable record, and of an
// ipNetToPhysicalTable record.
enum : int { kNeighbourIfIndex = 0, kNeighbourPhysAddress = 1, kNeighbourNetAddress = 2 };
enum : int { kNetToPhysicalPhysAddress = 0 };

// An atTable network address as the request layer prints it ("0A:4D:28:07",
// four hex bytes) or an IpAddress value ("10.77.40.7"); nothing for any
// other text.
std::optional<IpAddress> NeighbourAddressOfText(const std::string& text);

struct Neighbour {
  IpAddress address;
  std::string physAddress;  // the request layer's text ("00A0C9AABBCC")
};

struct NeighbourTable {
  std::vector<Neighbour> neighbours;  // readable addresses only, in walk order
  bool answered = true;               // every walk reached the end of its table
  bool stopped = false;               // the target's stop flag ended a walk
};

// Walks the target's neighbour tables. A failed step leaves the request
// layer's status text and answered false; the neighbours read before it stay.
NeighbourTable ReadNeighbourTable(const SnmpTarget& target);

}  // namespace tesmo
