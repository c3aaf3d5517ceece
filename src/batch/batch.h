// --batch: a tool's Start job without a window, for scripts and SSH sessions.
//
//   tesmo --batch HOST TOOL [-4|-6] [--port N] [--community TEXT]
//                           [--write-community TEXT] [--timeout MS] [--retries N]
//                           [the tool's own options]
//
// The tool's report goes to standard output, status texts to standard error.
// Options override the stored settings for this run only. The tools and
// their own options come from the tool registry (tools/tool_spec.h); this
// driver names none of them, and needs no display and no widget library.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "tools/tool_spec.h"

namespace tesmo {

// The SNMP version and SNMPv3 security options of a run applied to the
// parameters; false (with why) for a name that is none of the known ones or
// an unreadable pass phrase file.
bool ApplySecurityOptions(const BatchOptions& options, TargetParameters& parameters,
                          QString* problem);

// Parses the arguments after the program name; an error text on bad arguments.
std::optional<BatchOptions> ParseBatchArguments(const QStringList& args,
                                                const std::vector<ToolSpec>& tools, QString* error);
QString BatchUsage(const std::vector<ToolSpec>& tools);

// True when the arguments ask for --batch or --help.
bool IsBatchCommandLine(int argc, char** argv);
// The whole batch mode over the registered tools (creates its own
// QCoreApplication); returns the exit code.
int RunBatch(int argc, char** argv);

}  // namespace tesmo
