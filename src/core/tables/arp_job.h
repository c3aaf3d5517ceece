// The Arp page's job: the target's address translation table (atTable) with
// the host name of every network address and the vendor of every hardware
// address.
#pragma once

#include <string>

#include "core/tables/table_job.h"

namespace tesmo {

// The page's settings (section "ArpTable").
struct ArpJobOptions {
  bool resolveNames = true;  // ResolveName: fill the "name" column

  static ArpJobOptions Load();
  void Save() const;
};

// The whole job, between BeginJob and EndJob: five columns, progress texts
// naming the hardware address just fetched, rows sorted by interface index.
TableJobOutcome RunArpJob(CTableGrid& table, const SnmpTarget& target,
                          const ArpJobOptions& options);

// The network address column holds NetworkAddress values, which the request
// layer prints byte by byte in hex ("0A:4D:28:07"). Such a text of four bytes
// becomes the program's address form ("010.077.040.007"), so the address
// reads, sorts, resolves and selects like every other address of the
// program; any other text is kept as it is.
std::string NetAddressText(const std::string& text);

// --batch HOST arptable.
int RunArpBatch(BatchContext& context);

}  // namespace tesmo
