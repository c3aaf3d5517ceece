// Resolving the target host, shared by the window's target and by --batch.
#pragma once

#include <QString>

#include "core/snmp/target_parameters.h"

namespace tesmo {

struct SnmpTarget;

struct ResolveOutcome {
  bool valid = false;
  // The status text to show afterwards; empty keeps "Resolving name".
  QString status;
};

// Fills data.ipAddress and data.dnsName from data.host. An address text (any
// classic dotted IPv4 form, or IPv6 with or without brackets) needs no
// forward lookup: its canonical form (dotted, RFC 5952) is the address and
// its reverse name, or "<not in DNS>", the DNS name. A text with a colon that
// is no IPv6 address is refused with the parser's reason as status. A name is
// looked up for data.family: IP address and reverse name, status "Ready";
// when that fails the fields read "<none>" and "<cannot resolve name>",
// status "Cannot resolve name" (naming the family when one was forced).
ResolveOutcome ResolveHost(TargetParameters& data);

// The connection parameters for a job.
SnmpTarget TargetOf(const TargetParameters& data);

}  // namespace tesmo
