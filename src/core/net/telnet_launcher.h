// Starting the telnet client on a host in a terminal window of its own.
#pragma once

#include <QString>
#include <QStringList>

namespace tesmo {

// The program and arguments that open telnetPath on host in the desktop's
// terminal emulator (x-terminal-emulator, else xterm). A numeric address in
// any classic dotted form becomes its canonical four-part form.
struct LaunchCommand {
  QString program;
  QStringList arguments;
};
LaunchCommand TelnetCommand(const QString& telnetPath, const QString& host);

// Starts it detached, with an argument list, never through a shell. An empty
// host starts nothing; a failure to start is ignored. Returns whether a
// process was started.
bool LaunchTelnet(const QString& telnetPath, const QString& host);

}  // namespace tesmo
