// The MIB tree may be loading on a thread of its own while the window shows
// (BeginMibLoad in mib_loader.h). Every reader of the tree and every SNMP
// session waits here first, so that none meets a half-built tree and none
// uses the library while the loader initialises it.
#pragma once

struct tree;  // net-snmp's MIB tree node

namespace tesmo {

// Returns once no load is in progress: at once when none was begun, which
// is the case for every reader after the first moments of the program.
void WaitForMibs();
// Whether a reader would go on without waiting.
bool MibsReady();
// The top of the tree, after WaitForMibs.
const tree* MibTreeHead();

// For the loader: a load begins (readers wait from now on) and ends
// (readers go on).
void MarkMibLoadBegun();
void MarkMibLoadEnded();

}  // namespace tesmo
