// The descriptions of the four SNMP table pages, each in its own file.
#pragma once

#include <string>

#include "core/snmp/inet_index.h"
#include "tools/tables/table_job.h"

namespace tesmo {

// The interface table (ifTable) joined with the address table on the
// interface index, with hardware vendors. Flags: AdminUpOnly, OperUpOnly
// (hide interfaces whose status reads "down").
const TableDescription& InterfacesTable();
enum : int { kInterfacesAdminUpOnly = 0, kInterfacesOperUpOnly = 1 };

// The IP address table (ipAddrTable) with a host name per address, then the
// IPv6 addresses of ipAddressTable; all its addresses when the agent has no
// ipAddrTable. Flag: ResolveName.
const TableDescription& AddressTable();

// The address translation table (atTable) with host names and hardware
// vendors, then the IPv6 neighbours of ipNetToPhysicalTable; all its
// neighbours when the agent has neither atTable nor ipNetToMediaTable.
// Flag: ResolveName.
const TableDescription& ArpTable();

// The IP routing table (ipRouteTable), sorted by destination, then the IPv6
// routes of inetCidrRouteTable. Without ipRouteTable rows: inetCidrRouteTable
// (IPv4 routes, then IPv6 routes), else ipCidrRouteTable. Flag: ResolveName.
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

// The columns of the ipAddressTable walk (its address is in the index), shared
// by the Interfaces and Addresses pages, and the fields of its records.
const std::vector<std::string>& IpAddressTableOids();
enum IpAddressField : int {
  kIpAddrIfIndex = 0,  // ipAddressIfIndex
  kIpAddrType = 1,     // ipAddressType
  kIpAddrPrefix = 2,   // ipAddressPrefix
  kIpAddrOrigin = 3,   // ipAddressOrigin
  kIpAddrStatus = 4,   // ipAddressStatus
  kIpAddrFieldCount
};

// One ipAddressTable record as the pages show it.
struct IpAddressEntry {
  bool readable = false;  // the index held an IP address
  InetIndexAddress address;
  std::string addressText;  // the grid form, or why the index could not be read
  std::string maskText;     // the prefix as a mask cell, "" when unknown
};
IpAddressEntry ReadIpAddressEntry(const TableRow& record);

// The network address column of atTable holds NetworkAddress values, which
// the request layer prints byte by byte in hex ("0A:4D:28:07"). Such a text
// of four bytes becomes the program's address form ("010.077.040.007"), so
// the address reads, sorts, resolves and selects like every other address of
// the program; any other text is kept as it is.
std::string NetAddressText(const std::string& text);

}  // namespace tesmo
