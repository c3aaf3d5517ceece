// --batch: a page's Start job without a window, for scripts and SSH sessions.
//
//   tesmo --batch HOST PAGE [--port N] [--community TEXT] [--write-community TEXT]
//                           [--timeout MS] [--retries N] [--pings N]
//
// The page's report goes to standard output, status texts to standard error.
// Options override the stored settings for this run only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/snmp/parameters_data.h"

namespace tesmo {

// Exit codes of a batch run.
enum BatchExit : int {
  kBatchOk = 0,          // the job got its answer
  kBatchUnresolved = 1,  // the host cannot be resolved
  kBatchNoAnswer = 2,    // the agent (or host) did not answer, or answered with an error
  kBatchUsage = 64,      // bad arguments
};

struct BatchOptions {
  QString host;
  QString page;
  std::optional<unsigned> port, timeoutMs, retries, pings;
  std::optional<QString> community, writeCommunity;
};

// What a page's batch job gets: the target as resolved, the parameters with the
// overrides applied, and where to print its report.
struct BatchContext {
  ParametersData parameters;
  BatchOptions options;
  std::function<void(const QString&)> print;
};

struct BatchPage {
  const char* name;
  const char* summary;
  // Runs the job after the target was resolved; returns a BatchExit code.
  std::function<int(BatchContext&)> run;
};

// The pages --batch knows, in tab order.
const std::vector<BatchPage>& BatchPages();

// Parses the arguments after the program name; an error text on bad arguments.
std::optional<BatchOptions> ParseBatchArguments(const QStringList& args, QString* error);
QString BatchUsage();

// True when the arguments ask for --batch or --help.
bool IsBatchCommandLine(int argc, char** argv);
// The whole batch mode (creates its own QCoreApplication); returns the exit code.
int RunBatch(int argc, char** argv);

}  // namespace tesmo
