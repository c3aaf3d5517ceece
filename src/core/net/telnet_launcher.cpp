#include "core/net/telnet_launcher.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "core/net/address_text.h"
#include "core/net/ip_address.h"

namespace tesmo {

bool IsOptionLike(const QString& host) {
  return host.trimmed().startsWith('-');
}

QString CanonicalHostText(const QString& host) {
  const std::string text = host.trimmed().toStdString();
  // An IPv6 address loses its brackets and takes its RFC 5952 form.
  const std::string canonical =
      LooksLikeIpv6(text) ? CanonicalIpText(text) : CanonicalAddressText(text);
  return canonical.empty() ? host.trimmed() : QString::fromStdString(canonical);
}

LaunchCommand TelnetCommand(const QString& telnetPath, const QString& host) {
  QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
  if (terminal.isEmpty()) terminal = QStandardPaths::findExecutable(QStringLiteral("xterm"));
  if (terminal.isEmpty()) terminal = QStringLiteral("xterm");
  const QString client = telnetPath.isEmpty() ? QStringLiteral("telnet") : telnetPath;
  return {terminal, {QStringLiteral("-e"), client, CanonicalHostText(host)}};
}

QString LaunchTelnet(const QString& telnetPath, const QString& host) {
  if (host.trimmed().isEmpty()) return {};
  if (IsOptionLike(host)) {
    return QStringLiteral("Telnet: '%1' is no host name (it would be read as an option)")
        .arg(host.trimmed());
  }
  const LaunchCommand command = TelnetCommand(telnetPath, host);
  if (QStandardPaths::findExecutable(command.program).isEmpty() &&
      !QFileInfo(command.program).isExecutable()) {
    return QStringLiteral("Telnet: no terminal emulator found (x-terminal-emulator or xterm)");
  }
  const QString& client = command.arguments[1];
  const bool clientFound = client.contains('/') ? QFileInfo(client).isExecutable()
                                                : !QStandardPaths::findExecutable(client).isEmpty();
  if (!clientFound) return QStringLiteral("Telnet: cannot find the telnet client '%1'").arg(client);
  if (!QProcess::startDetached(command.program, command.arguments)) {
    return QStringLiteral("Telnet: cannot start %1").arg(command.program);
  }
  return {};
}

}  // namespace tesmo
