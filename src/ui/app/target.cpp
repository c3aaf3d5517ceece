#include "ui/app/target.h"

#include <QCoreApplication>

#include "core/net/name_resolution.h"
#include "core/snmp/target_resolve.h"
#include "ui/app/show_status.h"

namespace tesmo {

CTarget::CTarget(QObject* parent) : QObject(parent) {}

void CTarget::SetParameters(const TargetParameters& edited) {
  const QString dnsName = parameters.dnsName;
  const QString ipAddress = parameters.ipAddress;
  parameters = edited;
  parameters.dnsName = dnsName;
  parameters.ipAddress = ipAddress;
}

void CTarget::SetHost(const QString& host) {
  parameters.host = host;
  emit HostSet(host);
}

void CTarget::Invalidate() {
  const bool wasValid = valid;
  needsResolve = true;
  valid = false;
  parameters.dnsName = QStringLiteral("<none>");
  parameters.ipAddress = QStringLiteral("<none>");
  if (wasValid) emit Changed();
}

bool CTarget::Resolve() {
  emit CommitRequested();
  CleanNameCache();
  if (needsResolve) {
    needsResolve = false;
    emit Resolving();
    ShowStatus("Resolving name");
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const ResolveOutcome outcome = ResolveHost(parameters);
    valid = outcome.valid;
    if (!outcome.status.isEmpty()) ShowStatus("%s", outcome.status.toUtf8().constData());
    emit Changed();
  }
  emit Resolved(valid);
  return valid;
}

SnmpTarget CTarget::Snmp() const {
  return TargetOf(parameters);
}

}  // namespace tesmo
