// The ping loop's settings in section Reachability.
#include "core/icmp/ping_settings.h"

#include "core/base/settings_store.h"

namespace tesmo {
namespace {
const QString kSection = QStringLiteral("Reachability");

uint32_t ReadUnsigned(const char* name, uint32_t defaultValue) {
  return static_cast<uint32_t>(
      CSettingsStore::ReadInt(kSection, QString::fromLatin1(name), static_cast<int>(defaultValue)));
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
  settings.timeout = ReadUnsigned("PingTimeout", factory.timeout);
  settings.ttl = ReadUnsigned("PingTTL", factory.ttl);
  settings.mustBePinged = ReadUnsigned("MustBePinged", 0) == 1;
  return settings;
}

void WritePingSettings(const PingSettings& settings) {
  CSettingsStore::WriteInt(kSection, QStringLiteral("PingPacketLength"),
                           static_cast<int>(settings.packetLength));
  CSettingsStore::WriteInt(kSection, QStringLiteral("PingTimeBetweenPing"),
                           static_cast<int>(settings.timeBetweenPing));
  CSettingsStore::WriteInt(kSection, QStringLiteral("PingTimeout"),
                           static_cast<int>(settings.timeout));
  CSettingsStore::WriteInt(kSection, QStringLiteral("PingTTL"), static_cast<int>(settings.ttl));
  CSettingsStore::WriteInt(kSection, QStringLiteral("MustBePinged"), settings.mustBePinged ? 1 : 0);
}

}  // namespace tesmo
