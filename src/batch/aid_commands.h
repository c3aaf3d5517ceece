// Small aids for scripts and for checking the program's data, run without a
// window and without a target:
//
//   tesmo --vendor MAC...   the vendor text the grids show for each address
//   tesmo --mib-report      the MIB modules found, their files and problems
#pragma once

namespace tesmo {

// True when the first argument is one of the aids.
bool IsAidCommandLine(int argc, char** argv);
// Runs it (creates its own QCoreApplication); returns the exit code.
int RunAidCommand(int argc, char** argv);

}  // namespace tesmo
