// The target and SNMP parameters that the Parameters page shows and every
// SNMP job takes its host, communities, time-out, retries and port from.
#pragma once

#include <QString>

namespace tesmo {

// The system group as the request layer's texts; "<none>" until fetched.
struct SystemGroup {
  QString descr = QStringLiteral("<none>");
  QString objectId = QStringLiteral("<none>");
  QString upTime = QStringLiteral("<none>");
  QString contact = QStringLiteral("<none>");
  QString name = QStringLiteral("<none>");
  QString location = QStringLiteral("<none>");
  QString services = QStringLiteral("<none>");
  QString ifNumber = QStringLiteral("<none>");
};

// The target host as typed and as resolved, and its SNMP access parameters:
// what every SNMP job takes.
// A UDP port is at most this; 0 is no port.
constexpr unsigned kMaxPort = 65535;
// A time-out of 0 would fail every request at once, even to a live agent.
constexpr unsigned kMinTimeoutMs = 1;

struct TargetParameters {
  QString host;  // as typed in the host box
  QString dnsName = QStringLiteral("<none>");
  QString ipAddress = QStringLiteral("<none>");
  QString readCommunity = QStringLiteral("meadow");
  QString writeCommunity = QStringLiteral("lantern");
  unsigned timeoutMs = 2000;
  unsigned retries = 3;
  unsigned port = 161;
};

struct ParametersData : TargetParameters {
  QString telnetPath = QStringLiteral("telnet");
  SystemGroup system;

  // Built-in values of the SNMP parameters and the telnet path.
  void SetFactory();
  // Reads them from the Snmp and Parameters sections with the built-in defaults.
  void Load();
  // Writes them (not the host history).
  void Save() const;
};

// The page's Copy report.
QString ParametersReport(const ParametersData& data);

}  // namespace tesmo
