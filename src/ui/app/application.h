// Process start-up of the window mode.
#pragma once

#include <QString>

namespace tesmo {

// Standard output to tesmo.log in dir (truncated), standard error appended to
// the same file.
void RedirectLog(const QString& dir);

// The whole window mode: log, settings marker, main window, modal run.
// Returns the process exit code.
int RunWindow(int argc, char** argv);

}  // namespace tesmo
