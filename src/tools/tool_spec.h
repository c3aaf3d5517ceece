// A tool as the rest of the program knows it. Each tool describes itself
// once, in its own room (tools/<tool>/<tool>_tool.cpp), with a ToolSpec:
// where its tab stands, its names, the Select command that opens it on a
// clicked host, and its --batch entry with that entry's options. The tabs,
// the window's command line, the grids' Select menu, --help and --batch
// read the specs; none of them names a tool.
//
//   namespace {
//   const CToolRegistration registration({
//       .sortKey = "E.Arp", .name = "arptable", .captionId = 111,
//       .select = {kCmdGetArp, "Get Arp"},
//       .summary = "the ARP table with vendors (Arp page)",
//       .run = RunArpBatch,
//   });
//   }
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/base/job_context.h"
#include "core/grid/table_grid.h"
#include "core/snmp/target_parameters.h"
#include "tools/batch_report.h"

namespace tesmo {

// Exit codes of a batch run.
enum BatchExit : int {
  kBatchOk = 0,            // the job got its answer
  kBatchUnresolved = 1,    // the host cannot be resolved
  kBatchNoAnswer = 2,      // the agent (or host) did not answer, or answered with an error
  kBatchUsage = 64,        // bad arguments
  kBatchOutputError = 74,  // the report could not be written to standard output
};

// An option of one tool's batch entry: "--pings N".
struct BatchOptionSpec {
  const char* name;       // with its dashes
  const char* valueName;  // shown in the usage; null for a flag without value
  bool numeric = true;    // the value is an unsigned number
};

struct BatchOptions {
  QString host;
  QString page;
  // Where HOST stands among the arguments (a run per target rewrites it).
  qsizetype hostIndex = -1;
  std::optional<unsigned> port, timeoutMs, retries;
  std::optional<QString> community, writeCommunity;
  // -4 or -6: the family a host name resolves to, instead of the stored one.
  std::optional<AddressFamilyChoice> family;
  // The tool's own options as given (a flag without value maps to ""); an
  // option given twice keeps its last value here and all of them, in order,
  // in pageOptionValues.
  std::map<QString, QString> pageOptions;
  std::map<QString, QStringList> pageOptionValues;

  // A numeric option, when given.
  std::optional<unsigned> Number(const char* name) const;
  // An option's text, when given.
  std::optional<QString> Text(const char* name) const;
  // True when a flag (or any option) was given.
  bool Has(const char* name) const { return Text(name).has_value(); }
  // Every value of an option that may be repeated ("--entry A --entry B").
  QStringList Values(const char* name) const;
};

// What a tool's batch entry gets: the job's context (the target as resolved,
// with the overrides applied, and the stop flag), the parameters it was made
// from, the options, where to print the report, and the same report as
// structured cells for the machine-readable formats.
struct BatchContext {
  JobContext job;
  TargetParameters parameters;
  BatchOptions options;
  std::function<void(const QString&)> print;
  CBatchReport report;
};

// Prints grid's rows as the window's Copy writes them (the title line, then
// one tab-separated line per row) in pieces as they are written, so that a
// million rows never stand in memory twice.
void PrintGridRows(BatchContext& context, const CGridData& grid);

// A command of the grids' Select menu: it hands the clicked host on.
struct SelectCommand {
  int id = 0;                  // the window's command id; 0: none
  const char* text = nullptr;  // "Get Routes"
};

struct ToolSpec {
  // Tabs stand in the order of these keys ("H.Traceroute").
  const char* sortKey;
  // Internal name: the command line, new instances, --batch.
  const char* name;
  // String-table id of the tab caption.
  int captionId;
  // Opens the tool's page on the clicked host and starts it.
  SelectCommand select = {};
  // Commands of the Select menu that the tool's page carries out itself
  // (Telnet, Graph Round Trip Delay).
  std::vector<SelectCommand> actions = {};

  // --batch: one line for --help, the entry's own options, and the entry
  // itself, which runs the job after the target was resolved, between
  // BeginJob and EndJob, prints the report and returns a BatchExit code. A
  // tool without run has no batch entry.
  const char* summary = nullptr;
  std::vector<BatchOptionSpec> options = {};
  std::function<int(BatchContext&)> run = {};
  // HOST is resolved first (a failure exits with kBatchUnresolved); a tool
  // that reads HOST as something else (a DNS name) gets it as typed.
  bool resolvesHost = true;
  // --format: what the page writes besides text, json and csv
  // ("openmetrics", "prometheus-sd").
  std::vector<const char*> formats = {};
  // HOST names the page's own set of hosts (a sweep's first address, block,
  // range, list or @FILE): it is never split into several runs.
  bool oneHostOnly = false;

  // The window's command line "HOST NAME WORDS...", when the tool reads more
  // than the host: takes all the words and says whether the page starts.
  std::function<bool(const QStringList& words)> commandLine = {};
};

// Registers a tool during static initialisation.
class CToolRegistration {
 public:
  explicit CToolRegistration(ToolSpec spec);
};

// Every registered tool, in sort-key order.
const std::vector<ToolSpec>& RegisteredTools();
// The tool of that internal name, or null.
const ToolSpec* FindTool(const QString& name);

// The grids' Select menu: the commands that open a tool, in tab order, a
// separator, then the commands the pages carry out themselves, by text.
std::vector<GridMenuItem> SelectMenuItems();
bool IsSelectCommand(int commandId);

}  // namespace tesmo
