#include "core/snmp/target_resolve.h"

#include <algorithm>

#include "core/net/address_text.h"
#include "core/net/name_resolution.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

ResolveOutcome ResolveHost(TargetParameters& data) {
  const std::string host = data.host.trimmed().toStdString();
  if (auto address = ParseAddressText(host)) {
    const std::string name = ResolveAddressToName(host);
    data.ipAddress = QString::fromStdString(FormatAddress(*address));
    data.dnsName = name.empty() ? QStringLiteral("<not in DNS>") : QString::fromStdString(name);
    return {true, QString()};
  }
  const std::string address = host.empty() ? std::string() : ResolveNameToAddress(host);
  if (address.empty()) {
    data.ipAddress = QStringLiteral("<none>");
    data.dnsName = QStringLiteral("<cannot resolve name>");
    return {false, QStringLiteral("Cannot resolve name")};
  }
  data.ipAddress = QString::fromStdString(address);
  data.dnsName = QString::fromStdString(ResolveAddressToName(address));
  return {true, QStringLiteral("Ready")};
}

SnmpTarget TargetOf(const TargetParameters& data) {
  SnmpTarget target;
  target.address = data.ipAddress.toStdString();
  target.readCommunity = data.readCommunity.toStdString();
  target.writeCommunity = data.writeCommunity.toStdString();
  // Stored values are unsigned; the request layer takes ints.
  target.timeoutMs = static_cast<int>(std::min<unsigned>(data.timeoutMs, 3600u * 1000u));
  target.retries = static_cast<int>(std::min<unsigned>(data.retries, 100u));
  target.port = static_cast<uint16_t>(data.port);
  return target;
}

}  // namespace tesmo
