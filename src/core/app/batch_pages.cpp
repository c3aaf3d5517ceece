// The pages that --batch can run, in tab order. Each entry's job lives with
// its subsystem.
#include "core/app/batch.h"
#include "core/icmp/reachability_batch.h"
#include "core/snmp/system_query.h"
#include "core/tables/address_job.h"
#include "core/tables/arp_job.h"
#include "core/tables/interfaces_job.h"
#include "core/tables/route_job.h"

namespace tesmo {

const std::vector<BatchPage>& BatchPages() {
  static const std::vector<BatchPage> pages = {
      {"system", "the target's system group and SNMP parameters (Parameters page)", RunSystemBatch},
      {"interfaces", "the interface table with addresses and vendors (Interfaces page)",
       RunInterfacesBatch},
      {"addresses", "the IP address table (Addresses page)", RunAddressBatch},
      {"routetable", "the IP routing table (Routing Table page)", RunRouteBatch},
      {"arptable", "the ARP table with vendors (Arp page)", RunArpBatch},
      {"reachability", "ping statistics (--pings N) and ten service checks (Reachability page)",
       RunReachabilityBatchPage},
  };
  return pages;
}

}  // namespace tesmo
