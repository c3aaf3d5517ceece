// The Interfaces, Addresses, Routing Table and Arp pages: table pages over
// their table descriptions, with the Select command that opens each.
#include "batch/table_batch.h"
#include "core/tables/table_pages.h"
#include "ui/tables/table_page.h"

namespace tesmo {
namespace {

PageRecord TablePage(int index, const char* name, int captionId,
                     const TableDescription& (*description)(), int selectCommand,
                     const char* batchSummary) {
  return {.index = index,
          .name = name,
          .captionId = captionId,
          .create = [description](const PageContext& c) { return new CTablePage(description(), c); },
          .selectCommand = selectCommand,
          .batch = {batchSummary, {}, [description](BatchContext& context) {
                      return RunTableBatch(context, description());
                    }}};
}

const CPageRegistration kInterfaces(TablePage(
    1, "interfaces", 143, InterfacesTable, kCmdGetInterfaces,
    "the interface table with addresses and vendors (Interfaces page)"));
const CPageRegistration kAddresses(TablePage(2, "addresses", 150, AddressTable, kCmdGetAddresses,
                                             "the IP address table (Addresses page)"));
const CPageRegistration kRoutes(TablePage(3, "routetable", 149, RouteTable, kCmdGetRoutes,
                                          "the IP routing table (Routing Table page)"));
const CPageRegistration kArp(TablePage(4, "arptable", 111, ArpTable, kCmdGetArp,
                                       "the ARP table with vendors (Arp page)"));

}  // namespace
}  // namespace tesmo
