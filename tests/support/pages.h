// Tab positions of the pages, as the tests expect the window to order them.
#pragma once

namespace tesmo {

enum TestPageIndex : int {
  kPageParameters = 0,
  kPageInterfaces,
  kPageAddresses,
  kPageRouteTable,
  kPageArp,
  kPageGenTable,
  kPageReachability,
  kPageTraceroute,
  kPageNsLookup,
  kPageDiscovery,
  kPageMibBrowser,
  kPageGraph,
  kPageCount
};

}  // namespace tesmo
