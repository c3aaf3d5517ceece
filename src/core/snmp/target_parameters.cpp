// The target parameters in the Snmp section of the settings.
#include "core/snmp/target_parameters.h"

#include "core/base/settings_store.h"
#include "core/snmp/snmp_names.h"

namespace tesmo {
namespace {

// A stored number outside [low, high] (a damaged or hand-edited file) reads
// as the default.
unsigned ReadUnsigned(const QString& section, const QString& value, unsigned defaultValue,
                      unsigned low = 0, unsigned high = UINT32_MAX) {
  const uint32_t stored = CSettingsStore::ReadUInt(section, value, defaultValue);
  return stored < low || stored > high ? defaultValue : stored;
}

}  // namespace

const char* AddressFamilyText(AddressFamilyChoice family) {
  const auto index = static_cast<size_t>(family);
  return index < std::size(kAddressFamilyNames) ? kAddressFamilyNames[index]
                                                : kAddressFamilyNames[0];
}

AddressFamilyChoice AddressFamilyOfText(const QString& text) {
  for (size_t i = 0; i < std::size(kAddressFamilyNames); ++i) {
    if (text == QLatin1String(kAddressFamilyNames[i])) return static_cast<AddressFamilyChoice>(i);
  }
  return AddressFamilyChoice::kEither;
}

void TargetParameters::SetFactory() {
  const TargetParameters defaults;
  readCommunity = defaults.readCommunity;
  writeCommunity = defaults.writeCommunity;
  timeoutMs = defaults.timeoutMs;
  retries = defaults.retries;
  port = defaults.port;
  version = defaults.version;
  usm = defaults.usm;
  rememberPassphrases = defaults.rememberPassphrases;
  family = defaults.family;
}

void TargetParameters::Load() {
  const TargetParameters defaults;
  const QString snmp = QStringLiteral("Snmp");
  readCommunity =
      CSettingsStore::ReadString(snmp, QStringLiteral("ReadCommunity"), defaults.readCommunity);
  writeCommunity =
      CSettingsStore::ReadString(snmp, QStringLiteral("WriteCommunity"), defaults.writeCommunity);
  timeoutMs = ReadUnsigned(snmp, QStringLiteral("TimeOut"), defaults.timeoutMs, kMinTimeoutMs);
  retries = ReadUnsigned(snmp, QStringLiteral("Retries"), defaults.retries);
  port = ReadUnsigned(snmp, QStringLiteral("Port"), defaults.port, 1, kMaxPort);
  const auto text = [&](const char* value, const std::string& fallback) {
    return CSettingsStore::ReadString(snmp, QString::fromLatin1(value),
                                      QString::fromStdString(fallback))
        .toStdString();
  };
  version = SnmpVersionOfText(text("Version", "1"));
  usm.user = text("SecurityName", defaults.usm.user);
  usm.level = SnmpLevelOfText(text("SecurityLevel", SnmpLevelText(defaults.usm.level)));
  usm.authProtocol = text("AuthProtocol", defaults.usm.authProtocol);
  usm.privProtocol = text("PrivProtocol", defaults.usm.privProtocol);
  rememberPassphrases =
      CSettingsStore::ReadUInt(snmp, QStringLiteral("RememberPassphrases"), 0) != 0;
  family = AddressFamilyOfText(CSettingsStore::ReadString(
      snmp, QStringLiteral("AddressFamily"), QLatin1String(AddressFamilyText(defaults.family))));
  // Pass phrases typed in this run stay unless stored ones replace them.
  if (rememberPassphrases) {
    usm.authPass = text("AuthPassphrase", usm.authPass);
    usm.privPass = text("PrivPassphrase", usm.privPass);
  }
}

void TargetParameters::Save() const {
  const QString snmp = QStringLiteral("Snmp");
  CSettingsStore::WriteString(snmp, QStringLiteral("ReadCommunity"), readCommunity);
  CSettingsStore::WriteString(snmp, QStringLiteral("WriteCommunity"), writeCommunity);
  CSettingsStore::WriteUInt(snmp, QStringLiteral("TimeOut"), timeoutMs);
  CSettingsStore::WriteUInt(snmp, QStringLiteral("Retries"), retries);
  CSettingsStore::WriteUInt(snmp, QStringLiteral("Port"), port);
  // The family choice came with IPv6: like the versions, it is written only
  // once someone chose one, so a file of the IPv4 days stays as it was.
  if (family != AddressFamilyChoice::kEither ||
      !CSettingsStore::ReadString(snmp, QStringLiteral("AddressFamily"), QString()).isEmpty()) {
    CSettingsStore::WriteString(snmp, QStringLiteral("AddressFamily"),
                                QLatin1String(AddressFamilyText(family)));
  }
  // SNMP versions 2c and 3 came later: their values are written only once
  // someone chose them, so a version 1 file stays as it was.
  const bool v1Only =
      version == SnmpVersion::kV1 &&
      CSettingsStore::ReadString(snmp, QStringLiteral("Version"), QString()).isEmpty();
  if (!v1Only) {
    const auto write = [&](const char* value, const std::string& data) {
      CSettingsStore::WriteString(snmp, QString::fromLatin1(value), QString::fromStdString(data));
    };
    write("Version", SnmpVersionText(version));
    write("SecurityName", usm.user);
    write("SecurityLevel", SnmpLevelText(usm.level));
    write("AuthProtocol", usm.authProtocol);
    write("PrivProtocol", usm.privProtocol);
    CSettingsStore::WriteUInt(snmp, QStringLiteral("RememberPassphrases"),
                              rememberPassphrases ? 1 : 0);
    // Pass phrases are stored only when asked to, and only once the file is
    // for its owner's eyes alone; otherwise any stored earlier are blanked.
    if (rememberPassphrases && CSettingsStore::RestrictToOwner()) {
      write("AuthPassphrase", usm.authPass);
      write("PrivPassphrase", usm.privPass);
    } else {
      for (const char* value : {"AuthPassphrase", "PrivPassphrase"}) {
        if (!CSettingsStore::ReadString(snmp, QString::fromLatin1(value), QString()).isEmpty()) {
          write(value, std::string());
        }
      }
    }
  }
}

}  // namespace tesmo
