#include "ui/app/page_factory.h"

#include "ui/app/tool_page.h"
#include "ui/icmp/reachability_page.h"
#include "ui/snmp/parameters_page.h"
#include "ui/tables/addresses_page.h"
#include "ui/tables/arp_page.h"
#include "ui/tables/interfaces_page.h"
#include "ui/tables/route_page.h"

namespace tesmo {

std::array<ToolPage*, kPageCount> CreatePages(QWidget* parent) {
  std::array<ToolPage*, kPageCount> pages{};
  pages[kPageParameters] = new CParametersPage(parent);
  pages[kPageInterfaces] = new CInterfacesPage(parent);
  pages[kPageAddresses] = new CAddressesPage(parent);
  pages[kPageRouteTable] = new CRoutePage(parent);
  pages[kPageArp] = new CArpPage(parent);
  pages[kPageGenTable] = new CEmptyPage(QStringLiteral("gentable"), parent);
  pages[kPageReachability] = new CReachabilityPage(parent);
  pages[kPageTraceroute] = new CEmptyPage(QStringLiteral("traceroute"), parent);
  pages[kPageNsLookup] = new CEmptyPage(QStringLiteral("dns"), parent);
  pages[kPageDiscovery] = new CEmptyPage(QStringLiteral("pingfind"), parent);
  pages[kPageMibBrowser] = new CEmptyPage(QStringLiteral("browser"), parent);
  pages[kPageGraph] = new CEmptyPage(QStringLiteral("graph"), parent);
  return pages;
}

}  // namespace tesmo
