// What the MIB loading found: every module in the MIB folders with the file
// it was read from, and the problems a person can act on (a module imported
// from a module no folder holds, a module defined in two files, a syntax
// error), each with its module, file and line and what would mend it.
//
// The folders are indexed here as the library indexes them (a file whose
// first tokens are "NAME DEFINITIONS"), which finds every copy of a module
// and the modules each one imports from; the library's own messages during
// the load give the syntax errors and the imports it could not satisfy.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace tesmo {

// One message of the MIB parser, as the library's log handler got it.
struct MibLoadMessage {
  int priority = 0;  // syslog level: 3 error, 4 warning
  std::string text;  // without its line end
};

struct MibModuleFile {
  std::string module;
  std::string file;
  int line = 0;  // of "NAME DEFINITIONS"
};

struct MibProblem {
  std::string module;
  std::string file;
  int line = 0;
  std::string what;  // one sentence
  std::string fix;   // what would mend it
  // The module to add to a MIB folder, for a missing import.
  std::string missingModule;
};

struct MibReport {
  std::vector<std::string> folders;    // in search order
  std::vector<MibModuleFile> modules;  // every module found, by name: the file read
  std::vector<MibProblem> problems;    // by module, file and line
  // The modules with at least one problem.
  size_t ModulesWithProblems() const;
};

// The report from the folders, the parser's messages during the load and the
// file the library read each module from (module name to path; for a module
// found in several files the library's choice, else the last copy found).
MibReport BuildMibReport(const std::string& directoryList,
                         const std::vector<MibLoadMessage>& messages,
                         const std::map<std::string, std::string>& filesRead);

// The report as text for a terminal: the folders, the modules, the problems.
// Names and paths from the files are shown with control bytes escaped.
std::string MibReportText(const MibReport& report);

// Copies each file into folder (made when missing) under its own name, each
// through a temporary file renamed into place. A file that does not start a
// MIB module, is not a regular file or is larger than 16 MiB is not copied,
// nor is anything put where a name in folder is not a regular file. Returns
// one sentence for each file not copied.
std::vector<std::string> CopyMibFiles(const std::vector<std::string>& files,
                                      const std::string& folder);

// The user's own MIB folder, where "Add MIB files…" copies to:
// $XDG_DATA_HOME/tesmo/mibs, else ~/.local/share/tesmo/mibs.
std::string UserMibDirectory();

}  // namespace tesmo
