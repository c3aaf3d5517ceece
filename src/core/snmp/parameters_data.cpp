#include "core/snmp/parameters_data.h"

#include "core/base/settings_store.h"

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

void ParametersData::SetFactory() {
  const ParametersData defaults;
  readCommunity = defaults.readCommunity;
  writeCommunity = defaults.writeCommunity;
  timeoutMs = defaults.timeoutMs;
  retries = defaults.retries;
  port = defaults.port;
  version = defaults.version;
  usm = defaults.usm;
  rememberPassphrases = defaults.rememberPassphrases;
  telnetPath = defaults.telnetPath;
}

void ParametersData::Load() {
  const ParametersData defaults;
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
  // Pass phrases typed in this run stay unless stored ones replace them.
  if (rememberPassphrases) {
    usm.authPass = text("AuthPassphrase", usm.authPass);
    usm.privPass = text("PrivPassphrase", usm.privPass);
  }
  telnetPath = CSettingsStore::ReadString(QStringLiteral("Parameters"),
                                          QStringLiteral("TelnetPath"), defaults.telnetPath);
}

void ParametersData::Save() const {
  const QString snmp = QStringLiteral("Snmp");
  CSettingsStore::WriteString(snmp, QStringLiteral("ReadCommunity"), readCommunity);
  CSettingsStore::WriteString(snmp, QStringLiteral("WriteCommunity"), writeCommunity);
  CSettingsStore::WriteUInt(snmp, QStringLiteral("TimeOut"), timeoutMs);
  CSettingsStore::WriteUInt(snmp, QStringLiteral("Retries"), retries);
  CSettingsStore::WriteUInt(snmp, QStringLiteral("Port"), port);
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
  CSettingsStore::WriteString(QStringLiteral("Parameters"), QStringLiteral("TelnetPath"),
                              telnetPath);
}

QString ParametersReport(const ParametersData& d) {
  QString r;
  r += QStringLiteral("General parameters\n------------------\n");
  r += QStringLiteral("Host Name : ") + d.host + '\n';
  r += QStringLiteral("IP address : ") + d.ipAddress + '\n';
  r += QStringLiteral("DNS Host Name : ") + d.dnsName + '\n';
  r += QStringLiteral("Read Community : ") + d.readCommunity + '\n';
  r += QStringLiteral("Write Community : ") + d.writeCommunity + '\n';
  r += QStringLiteral("SNMP port : ") + QString::number(d.port) + '\n';
  r += QStringLiteral("SNMP timeout : ") + QString::number(d.timeoutMs) + '\n';
  r += QStringLiteral("SNMP retries : ") + QString::number(d.retries) + '\n';
  // Version 1 reports as it always did; never a pass phrase.
  if (d.version != SnmpVersion::kV1) {
    r += QStringLiteral("SNMP version : ") + QString::fromLatin1(SnmpVersionText(d.version)) + '\n';
  }
  if (d.version == SnmpVersion::kV3) {
    r += QStringLiteral("SNMPv3 user : ") + QString::fromStdString(d.usm.user) + '\n';
  }
  r += QStringLiteral("System Description\n------------------\n");
  r += QStringLiteral("SysName : ") + d.system.name + '\n';
  r += QStringLiteral("SysDescr : '") + d.system.descr + QStringLiteral("'\n");
  r += QStringLiteral("SysContact : ") + d.system.contact + '\n';
  r += QStringLiteral("SysLocation : ") + d.system.location + '\n';
  r += QStringLiteral("SysObjectID : ") + d.system.objectId + '\n';
  r += QStringLiteral("SysServices : ") + d.system.services + '\n';
  r += QStringLiteral("SysUpTime : ") + d.system.upTime + '\n';
  r += QStringLiteral("IfNumber : ") + d.system.ifNumber + '\n';
  return r;
}

}  // namespace tesmo
