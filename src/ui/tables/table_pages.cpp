// The Interfaces, Addresses, Routing Table and Arp pages: table pages over
// their tools' table descriptions.
#include "tools/tables/table_pages.h"

#include "ui/tables/table_page.h"

namespace tesmo {
namespace {

CPageRegistration TablePage(const char* toolName, const TableDescription& (*description)()) {
  return CPageRegistration(
      toolName, [description](const PageContext& c) { return new CTablePage(description(), c); });
}

const CPageRegistration kInterfaces = TablePage("interfaces", InterfacesTable);
const CPageRegistration kAddresses = TablePage("addresses", AddressTable);
const CPageRegistration kRoutes = TablePage("routetable", RouteTable);
const CPageRegistration kArp = TablePage("arptable", ArpTable);

}  // namespace
}  // namespace tesmo
