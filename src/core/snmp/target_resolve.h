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
// classic dotted form) needs no forward lookup: its canonical form is the
// address and its reverse name, or "<not in DNS>", the DNS name. A name is
// looked up: IP address and reverse name, status "Ready"; when that fails the
// fields read "<none>" and "<cannot resolve name>", status "Cannot resolve name".
ResolveOutcome ResolveHost(TargetParameters& data);

// The connection parameters for a job.
SnmpTarget TargetOf(const TargetParameters& data);

}  // namespace tesmo
