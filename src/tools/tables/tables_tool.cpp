// The table tools: the Interfaces, Addresses, Routing Table and Arp pages are
// table descriptions (table_pages.h), Gen. Table runs the user's stored
// tables; all of them run the one table job.
#include <QDir>
#include <cstdio>

#include "core/grid/grid_data.h"
#include "core/snmp/mib_loader.h"
#include "tools/tables/gen_table.h"
#include "tools/tables/snmp_exporter_module.h"
#include "tools/tables/table_pages.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

// Runs description's job with its stored flags and prints the grid's Copy
// text: title line, then one tab-separated line per row.
int RunTableBatch(BatchContext& context, const TableDescription& description) {
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TableJobOutcome outcome =
      RunTableJob(description, description.LoadFlags(), table, context.job);
  PrintGridRows(context, grid);
  if (context.report.Wanted()) context.report.SetGrid(grid, table);
  return outcome.answered ? kBatchOk : kBatchNoAnswer;
}

int RunGenTableBatch(BatchContext& context) {
  const unsigned table = context.options.Number("--table").value_or(0);
  const QStringList names = CustomTableNames();
  if (table >= static_cast<unsigned>(names.size())) {
    std::fprintf(stderr, "tesmo: gentable: there is no table %u (%lld stored)\n", table,
                 static_cast<long long>(names.size()));
    return kBatchUsage;
  }
  const std::vector<ColumnDefinition> columns = CustomTableColumns(table);
  // --export snmp-exporter: the table handed over to Prometheus instead of
  // walked.
  if (const std::optional<QString> to = context.options.Text("--export")) {
    if (*to != QLatin1String("snmp-exporter")) {
      std::fprintf(stderr, "tesmo: gentable: --export takes snmp-exporter\n");
      return kBatchUsage;
    }
    if (context.report.Wanted()) {
      std::fprintf(stderr, "tesmo: gentable: --export writes generator.yml, in no --format\n");
      return kBatchUsage;
    }
    if (columns.empty()) {
      std::fprintf(stderr, "tesmo: gentable: table %u has no columns to export\n", table);
      return kBatchUsage;
    }
    // The folders this run loaded the MIB from: the generator has to read
    // the same modules.
    const QString folders = QString::fromStdString(LastMibDirectoryList());
    context.print(SnmpExporterGeneratorYaml(names[static_cast<qsizetype>(table)], table, columns,
                                            context.parameters, folders));
    return kBatchOk;
  }
  if (columns.empty()) {
    // A table without columns walks nothing: its status texts, no rows.
    CTableGrid none;
    RunCustomTableJob(table, none, context.job);
    return kBatchOk;
  }
  return RunTableBatch(context, CustomTableDescription(columns));
}

ToolSpec TableTool(const char* sortKey, const char* name, int captionId,
                   const TableDescription& (*description)(), SelectCommand select,
                   const char* summary) {
  return {.sortKey = sortKey,
          .name = name,
          .captionId = captionId,
          .select = select,
          .summary = summary,
          .run = [description](BatchContext& context) {
            return RunTableBatch(context, description());
          }};
}

const CToolRegistration kInterfaces(
    TableTool("B.Interfaces", "interfaces", 143, InterfacesTable, {32780, "Get Interfaces"},
              "the interface table with addresses and vendors (Interfaces page)"));
const CToolRegistration kAddresses(TableTool("C.Addresses", "addresses", 150, AddressTable,
                                             {32774, "Get Addresses"},
                                             "the IP address table (Addresses page)"));
const CToolRegistration kRoutes(TableTool("D.RouteTable", "routetable", 149, RouteTable,
                                          {32782, "Get Routes"},
                                          "the IP routing table (Routing Table page)"));
const CToolRegistration kArp(TableTool("E.Arp", "arptable", 111, ArpTable, {32778, "Get Arp"},
                                       "the ARP table with vendors (Arp page)"));
const CToolRegistration kGenTable({
    .sortKey = "F.GenTable",
    .name = "gentable",
    .captionId = 153,
    .summary = "a stored generic table, --table N (default 0) (Gen. Table page)",
    .options = {{"--table", "N"}, {"--export", "FORMAT", false}},
    .run = RunGenTableBatch,
});

}  // namespace
}  // namespace tesmo
