#include "core/net/telnet_launcher.h"

#include <QProcess>
#include <QStandardPaths>

#include "core/net/address_text.h"

namespace tesmo {

LaunchCommand TelnetCommand(const QString& telnetPath, const QString& host) {
  QString target = host;
  if (auto address = ParseAddressText(host.toStdString())) {
    target = QString::fromStdString(FormatAddress(*address));
  }
  QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
  if (terminal.isEmpty()) terminal = QStringLiteral("xterm");
  const QString client = telnetPath.isEmpty() ? QStringLiteral("telnet") : telnetPath;
  return {terminal, {QStringLiteral("-e"), client, target}};
}

bool LaunchTelnet(const QString& telnetPath, const QString& host) {
  if (host.isEmpty()) return false;
  const LaunchCommand command = TelnetCommand(telnetPath, host);
  return QProcess::startDetached(command.program, command.arguments);
}

}  // namespace tesmo
