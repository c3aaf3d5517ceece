// The target host and the SNMP access parameters every SNMP job takes its
// host, communities, time-out, retries and port from, and where they are
// stored (the Snmp section).
#pragma once

#include <QString>

#include "core/base/snmp_target.h"
#include "core/net/ip_address.h"

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
  // The address family a host name resolves to; either takes IPv4 first.
  // An address typed as such is its own family whatever this says.
  AddressFamilyChoice family = AddressFamilyChoice::kEither;
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

// The stored and shown names of the family choices, in the order of the
// enumeration: "either", "IPv4", "IPv6".
inline constexpr const char* kAddressFamilyNames[] = {"either", "IPv4", "IPv6"};
const char* AddressFamilyText(AddressFamilyChoice family);
// The choice of a name; anything else (a damaged file) reads as either.
AddressFamilyChoice AddressFamilyOfText(const QString& text);

}  // namespace tesmo
