// The ping loop's settings in section Reachability.
#include "core/icmp/ping_settings.h"

#include <algorithm>

#include "core/base/settings_store.h"

namespace tesmo {
namespace {
const QString kSection = QStringLiteral("Reachability");

uint32_t ReadUnsigned(const char* name, uint32_t defaultValue) {
  return CSettingsStore::ReadUInt(kSection, QString::fromLatin1(name), defaultValue);
}
}  // namespace

PingSettings FactoryPingSettings() {
  return PingSettings{};
}

PingSettings ReadPingSettings() {
  PingSettings factory;
  PingSettings settings;
  settings.packetLength = ReadUnsigned("PingPacketLength", factory.packetLength);
  settings.timeBetweenPing = ReadUnsigned("PingTimeBetweenPing", factory.timeBetweenPing);
  // A time-out of 0 would give up on every echo before it could come back.
  settings.timeout = std::max<uint32_t>(ReadUnsigned("PingTimeout", factory.timeout), 1);
  settings.ttl = ReadUnsigned("PingTTL", factory.ttl);
  settings.mustBePinged = ReadUnsigned("MustBePinged", 0) == 1;
  return settings;
}

void WritePingSettings(const PingSettings& settings) {
  CSettingsStore::WriteUInt(kSection, QStringLiteral("PingPacketLength"), settings.packetLength);
  CSettingsStore::WriteUInt(kSection, QStringLiteral("PingTimeBetweenPing"),
                            settings.timeBetweenPing);
  CSettingsStore::WriteUInt(kSection, QStringLiteral("PingTimeout"), settings.timeout);
  CSettingsStore::WriteUInt(kSection, QStringLiteral("PingTTL"), settings.ttl);
  CSettingsStore::WriteInt(kSection, QStringLiteral("MustBePinged"), settings.mustBePinged ? 1 : 0);
}

}  // namespace tesmo
