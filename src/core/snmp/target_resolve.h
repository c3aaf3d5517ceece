// Resolving the target host of the Parameters page, shared by the page and
// by --batch.
#pragma once

#include <QString>

#include "core/snmp/parameters_data.h"

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
ResolveOutcome ResolveHost(ParametersData& data);

// Drops stale name-cache entries before a resolution.
void CleanTargetNameCache();

// Loads the name service's settings (section Resolver) into the resolver.
void LoadNameServiceSettings();

// The connection parameters for a job.
SnmpTarget TargetOf(const ParametersData& data);

}  // namespace tesmo
