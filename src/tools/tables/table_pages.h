// The descriptions of the four SNMP table pages, each in its own file.
#pragma once

#include <string>

#include "tools/tables/table_job.h"

namespace tesmo {

// The interface table (ifTable) joined with the address table on the
// interface index, with hardware vendors. Flags: AdminUpOnly, OperUpOnly
// (hide interfaces whose status reads "down").
const TableDescription& InterfacesTable();
enum : int { kInterfacesAdminUpOnly = 0, kInterfacesOperUpOnly = 1 };

// The IP address table (ipAddrTable) with a host name per address.
// Flag: ResolveName.
const TableDescription& AddressTable();

// The address translation table (atTable) with host names and hardware
// vendors. Flag: ResolveName.
const TableDescription& ArpTable();

// The IP routing table (ipRouteTable), sorted by destination. Flag: ResolveName.
const TableDescription& RouteTable();

// The flag of the three pages that have only ResolveName.
enum : int { kResolveNameFlag = 0 };

// The columns of the address walk, shared by the Interfaces and Addresses
// pages, and the fields of its records (TableRow::texts) in walk order.
const std::vector<std::string>& AddressTableOids();
enum AddressField : int {
  kAddrAddress = 0,  // ipAdEntAddr
  kAddrIfIndex = 1,  // ipAdEntIfIndex
  kAddrMask = 2,     // ipAdEntNetMask
  kAddrBcast = 3,    // ipAdEntBcastAddr
  kAddrReasm = 4,    // ipAdEntReasmMaxSize
  kAddrFieldCount
};

// The network address column of atTable holds NetworkAddress values, which
// the request layer prints byte by byte in hex ("0A:4D:28:07"). Such a text
// of four bytes becomes the program's address form ("010.077.040.007"), so
// the address reads, sorts, resolves and selects like every other address of
// the program; any other text is kept as it is.
std::string NetAddressText(const std::string& text);

}  // namespace tesmo
