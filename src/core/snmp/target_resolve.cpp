#include "core/snmp/target_resolve.h"

#include <algorithm>
#include <optional>

#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "core/net/name_resolution.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

ResolveOutcome ResolveHost(TargetParameters& data) {
  const std::string host = data.host.trimmed().toStdString();
  // A text with a colon is meant as an IPv6 address: one that does not read
  // as one is refused with why, never sent to DNS as a name.
  std::string error;
  std::optional<IpAddress> address;
  if (LooksLikeIpv6(host)) {
    address = ParseIpAddress(host, &error);
    if (!address) {
      data.ipAddress = QStringLiteral("<none>");
      data.dnsName = QStringLiteral("<none>");
      return {false, QString::fromStdString(error)};
    }
  } else if (auto v4 = ParseAddressText(host)) {
    address = IpAddress::V4(*v4);
  }
  if (address) {
    const std::string text = address->Text();
    const std::string name = ResolveAddressToName(text);
    data.ipAddress = QString::fromStdString(text);
    data.dnsName = name.empty() ? QStringLiteral("<not in DNS>") : QString::fromStdString(name);
    return {true, QString()};
  }
  const std::string resolved =
      host.empty() ? std::string() : ResolveNameToAddress(host, data.family);
  if (resolved.empty()) {
    data.ipAddress = QStringLiteral("<none>");
    data.dnsName = QStringLiteral("<cannot resolve name>");
    switch (data.family) {
      case AddressFamilyChoice::kV4:
        return {false, QStringLiteral("Cannot resolve name to an IPv4 address")};
      case AddressFamilyChoice::kV6:
        return {false, QStringLiteral("Cannot resolve name to an IPv6 address")};
      case AddressFamilyChoice::kEither:
        break;
    }
    return {false, QStringLiteral("Cannot resolve name")};
  }
  data.ipAddress = QString::fromStdString(resolved);
  data.dnsName = QString::fromStdString(ResolveAddressToName(resolved));
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
  target.version = data.version;
  target.usm = data.usm;
  return target;
}

}  // namespace tesmo
