// Process start-up of the window mode.
#pragma once

#include <QString>

namespace tesmo {

// Where the window's log goes: $XDG_STATE_HOME/tesmo (~/.local/state/tesmo
// by default), never the working directory.
QString LogFolder();

// Standard output to tesmo.log in dir (truncated), standard error appended to
// the same file; the terminal's standard error is kept for start-up
// failures. False (nothing redirected) when dir cannot be made.
bool RedirectLog(const QString& dir);

// The whole window mode: command line, display, log, settings marker, main
// window, modal run. Returns the process exit code: 64 for an unknown
// option, 1 without a display.
int RunWindow(int argc, char** argv);

}  // namespace tesmo
