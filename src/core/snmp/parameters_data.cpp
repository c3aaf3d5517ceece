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
