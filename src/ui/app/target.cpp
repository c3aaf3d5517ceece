#include "ui/app/target.h"

#include <QCoreApplication>

#include "core/base/status_channel.h"
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
  ++serial;
  const bool wasValid = valid;
  needsResolve = true;
  valid = false;
  parameters.dnsName = QStringLiteral("<none>");
  parameters.ipAddress = QStringLiteral("<none>");
  if (wasValid) emit Changed();
}

CTarget::Pending CTarget::BeginResolve() {
  emit CommitRequested();
  Pending pending{parameters, needsResolve, valid, serial};
  if (needsResolve) {
    needsResolve = false;
    emit Resolving();
    ShowStatus("Resolving name");
  }
  return pending;
}

std::optional<SnmpTarget> CTarget::FinishResolve(Pending pending) {
  CleanNameCache();
  if (pending.lookUp) {
    const ResolveOutcome outcome = ResolveHost(pending.parameters);
    if (!outcome.status.isEmpty()) PostStatusText(outcome.status);
    pending.valid = outcome.valid;
    QMetaObject::invokeMethod(
        this, [this, pending] { Adopt(pending.parameters, pending.valid, pending.serial); },
        Qt::QueuedConnection);
  } else {
    QMetaObject::invokeMethod(
        this, [this, valid = pending.valid] { emit Resolved(valid); }, Qt::QueuedConnection);
  }
  if (!pending.valid) return std::nullopt;
  return TargetOf(pending.parameters);
}

void CTarget::Adopt(const TargetParameters& resolved, bool resolvedValid, uint64_t from) {
  if (from != serial) return;  // the host changed while it was looked up
  parameters.dnsName = resolved.dnsName;
  parameters.ipAddress = resolved.ipAddress;
  valid = resolvedValid;
  emit Changed();
  emit Resolved(valid);
}

SnmpTarget CTarget::Snmp() const {
  return TargetOf(parameters);
}

}  // namespace tesmo
