// Where the program finds its data files (vendors.txt, bundled MIB modules):
// the working directory, the data folder of an installation, the build tree.
#pragma once

#include <string>

namespace tesmo {

// The folder of the running executable, from /proc/self/exe; empty when it
// cannot be read.
std::string ExecutableDirectory();

// The installed data folder: share/tesmo beside the executable's bin folder
// (<exe dir>/../share/tesmo with the usual layout), so that an installation
// under any prefix finds its own files.
std::string InstalledDataDirectory();

// The first of workingDir/name, dataDir/name and buildDir/name that is a
// readable file; workingDir/name when none is, so that the caller's message
// names the place the user is expected to use.
std::string FindDataFile(const std::string& name, const std::string& workingDir,
                         const std::string& dataDir, const std::string& buildDir);

// The same over the real places: the build leaves its data files next to the
// executable.
std::string FindDataFile(const std::string& name, const std::string& workingDir);

}  // namespace tesmo
