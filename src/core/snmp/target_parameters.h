// The target host and the SNMP access parameters every SNMP job takes its
// host, communities, time-out, retries and port from, and where they are
// stored (the Snmp section).
#pragma once

#include <QString>

#include "core/base/snmp_target.h"

namespace tesmo {

// A UDP port is at most this; 0 is no port.
constexpr unsigned kMaxPort = 65535;
// A time-out of 0 would fail every request at once, even to a live agent.
constexpr unsigned kMinTimeoutMs = 1;

// The target host as typed and as resolved, and its SNMP access parameters:
// what every SNMP job takes.
struct TargetParameters {
  QString host;  // as typed in the host box
  QString dnsName = QStringLiteral("<none>");
  QString ipAddress = QStringLiteral("<none>");
  QString readCommunity = QStringLiteral("meadow");
  QString writeCommunity = QStringLiteral("lantern");
  unsigned timeoutMs = 2000;
  unsigned retries = 3;
  unsigned port = 161;
  SnmpVersion version = SnmpVersion::kV1;
  SnmpUsm usm;  // SNMPv3: user, security level, protocols, pass phrases
  // The pass phrases are stored (in a file readable by its owner only);
  // otherwise they last as long as the program runs.
  bool rememberPassphrases = false;

  // Built-in values of the access parameters (the host stays).
  void SetFactory();
  // Reads them from the Snmp section with the built-in defaults.
  void Load();
  // Writes them (not the host).
  void Save() const;
};

}  // namespace tesmo
