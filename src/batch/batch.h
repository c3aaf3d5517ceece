// --batch: a page's Start job without a window, for scripts and SSH sessions.
//
//   tesmo --batch HOST PAGE [--port N] [--community TEXT] [--write-community TEXT]
//                           [--timeout MS] [--retries N] [the page's own options]
//
// The page's report goes to standard output, status texts to standard error.
// Options override the stored settings for this run only. The pages come
// from the page registry (main.cpp hands them over), each with its summary,
// its own options and its entry in this folder.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/snmp/parameters_data.h"

namespace tesmo {

// Exit codes of a batch run.
enum BatchExit : int {
  kBatchOk = 0,            // the job got its answer
  kBatchUnresolved = 1,    // the host cannot be resolved
  kBatchNoAnswer = 2,      // the agent (or host) did not answer, or answered with an error
  kBatchUsage = 64,        // bad arguments
  kBatchOutputError = 74,  // the report could not be written to standard output
};

// An option of one page: "--pings N".
struct BatchOptionSpec {
  const char* name;       // with its dashes
  const char* valueName;  // shown in the usage; null for a flag without value
  bool numeric = true;    // the value is an unsigned number
};

struct BatchOptions {
  QString host;
  QString page;
  std::optional<unsigned> port, timeoutMs, retries;
  std::optional<QString> community, writeCommunity;
  // The page's own options as given (a flag without value maps to ""); an
  // option given twice keeps its last value here and all of them, in order,
  // in pageOptionValues.
  std::map<QString, QString> pageOptions;
  std::map<QString, QStringList> pageOptionValues;

  // A numeric page option, when given.
  std::optional<unsigned> Number(const char* name) const;
  // An option's text, when given.
  std::optional<QString> Text(const char* name) const;
  // Every value of a page option that may be repeated ("--entry A --entry B").
  QStringList Values(const char* name) const;
};

// What a page's batch entry gets: the target as resolved, the parameters with
// the overrides applied, and where to print its report.
struct BatchContext {
  ParametersData parameters;
  BatchOptions options;
  std::function<void(const QString&)> print;
};

// A page as --batch knows it.
struct BatchPage {
  const char* name;
  const char* summary;
  std::vector<BatchOptionSpec> options;
  // Runs the job after the target was resolved, between BeginJob and EndJob;
  // returns a BatchExit code.
  std::function<int(BatchContext&)> run;
  // HOST is resolved first (a failure exits with kBatchUnresolved); a page
  // that reads HOST as something else (a DNS name) gets it as typed.
  bool resolvesHost = true;
};

// The SNMP version and SNMPv3 security options of a run applied to the
// parameters; false (with why) for a bad version or an unreadable pass
// phrase file.
bool ApplySecurityOptions(const BatchOptions& options, TargetParameters& parameters,
                          QString* problem);

// Parses the arguments after the program name; an error text on bad arguments.
std::optional<BatchOptions> ParseBatchArguments(const QStringList& args,
                                                const std::vector<BatchPage>& pages,
                                                QString* error);
QString BatchUsage(const std::vector<BatchPage>& pages);

// True when the arguments ask for --batch or --help.
bool IsBatchCommandLine(int argc, char** argv);
// The whole batch mode over pages, in tab order (creates its own
// QCoreApplication); returns the exit code.
int RunBatch(int argc, char** argv, const std::vector<BatchPage>& pages);

}  // namespace tesmo
