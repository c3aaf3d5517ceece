// Loading the MIB tree at start-up and freeing it at exit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/snmp/mib_report.h"

namespace tesmo {

// The MIB directory list: the "mibs" folder of dataDir (the modules an
// installation bundles; left out when dataDir is empty), the "mibs" folder of
// the working directory, /usr/mibs, then net-snmp's standard directories. A
// module found in several folders is read from the last of them.
std::string MibDirectoryList(const std::string& workingDir, const std::string& dataDir);
// The same with the user's own folder (UserMibDirectory in mib_report.h)
// between the installation's and the working directory's when userDir is not
// empty.
std::string MibDirectoryList(const std::string& workingDir, const std::string& dataDir,
                             const std::string& userDir);
// The same with the installed data folder (see core/base/data_folder.h) and
// the user's own folder.
std::string MibDirectoryList(const std::string& workingDir);

// Prepares net-snmp (no configuration files read, no state written, descriptions
// kept) and loads every module of the directory list. RFC1213-MIB is read first so
// that it owns the mib-2 tables it shares with IF-MIB: its ifPhysAddress has no
// display hint, which keeps hardware addresses in the contiguous hex form the
// vendor look-up needs. Parser warnings and errors go to standard error (the
// log) and into the report of LastMibReport.
// Waits for a load begun with BeginMibLoad first. Must not run while another
// thread uses the SNMP library (hold SnmpMutex). Returns the number of
// modules in the tree.
int LoadMibs(const std::string& directoryList);

// Loading while the window shows: marks the tree as loading (every reader
// of the tree and every SNMP session waits from now on, see mib_gate.h) and
// gives the load, to be run at once on a thread of its own. The readers go
// on when it ends.
std::function<void()> BeginMibLoad(std::string directoryList);

// Whether the library's messages (MIB parse warnings among them) are also
// written to standard error, which is the log in window mode. --batch keeps
// standard error for status texts and turns this off.
void SetLibraryMessagesToLog(bool echo);

// Warnings the MIB parser produced during the last LoadMibs.
std::vector<std::string> MibLoadWarnings();

// The directory list of the last LoadMibs (to read the same folders again).
std::string LastMibDirectoryList();

// What the last LoadMibs found: the modules, their files and their problems.
MibReport LastMibReport();

// Frees the tree at exit (after a load in progress ends).
void FreeMibs();

}  // namespace tesmo
