// The Addresses page's job: the target's IP address table (ipAddrTable) with
// a host name per address. Its address walk is also the second walk of the
// Interfaces page's job.
#pragma once

#include <vector>

#include "core/tables/column_walk.h"
#include "core/tables/table_job.h"

namespace tesmo {

// Fields of an address row record (TableRow::texts), in walk order.
enum AddressField : int {
  kAddrAddress = 0,  // ipAdEntAddr
  kAddrIfIndex = 1,  // ipAdEntIfIndex
  kAddrMask = 2,     // ipAdEntNetMask
  kAddrBcast = 3,    // ipAdEntBcastAddr
  kAddrReasm = 4,    // ipAdEntReasmMaxSize
  kAddrFieldCount
};

// Walks the five address columns into rows, one record per address; no
// progress texts. Ends at Stop.
ColumnWalkResult WalkAddressTable(const SnmpTarget& target, std::vector<TableRow>& rows);

// The page's settings (section "AddrTable").
struct AddressJobOptions {
  bool resolveNames = true;  // ResolveName: fill the "name" column

  static AddressJobOptions Load();
  void Save() const;
};

// The whole job, between BeginJob and EndJob: six columns, one row per
// address in the agent's order (by address), no final sort.
TableJobOutcome RunAddressJob(CTableGrid& table, const SnmpTarget& target,
                              const AddressJobOptions& options);

// --batch HOST addresses.
int RunAddressBatch(BatchContext& context);

}  // namespace tesmo
