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

// True for a host text that a program would read as an option ("-n/tmp/x"):
// such a text, which may come from an agent's data, is never handed to
// another program.
bool IsOptionLike(const QString& host);

// A host text as it goes to the host box, the title, the history or another
// program: a numeric address in its canonical form (no zero-padded bytes,
// which other tools read as octal; IPv6 in RFC 5952 form without brackets),
// anything else trimmed.
QString CanonicalHostText(const QString& host);

// Starts it detached, with an argument list, never through a shell. Returns
// an empty text when the client started (or the host is empty: nothing to
// do), else why nothing was started, for the status line.
QString LaunchTelnet(const QString& telnetPath, const QString& host);

}  // namespace tesmo
