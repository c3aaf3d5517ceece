// The pages that --batch can run, in tab order. Each entry's job lives with
// its subsystem.
#include "core/app/batch.h"
#include "core/icmp/reachability_batch.h"
#include "core/snmp/system_query.h"

namespace tesmo {

const std::vector<BatchPage>& BatchPages() {
  static const std::vector<BatchPage> pages = {
      {"system", "the target's system group and SNMP parameters (Parameters page)", RunSystemBatch},
      {"reachability", "ping statistics (--pings N) and ten service checks (Reachability page)",
       RunReachabilityBatchPage},
  };
  return pages;
}

}  // namespace tesmo
