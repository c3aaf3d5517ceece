// The Parameters page's data and report.
#include "tools/system/parameters_data.h"

#include "core/base/settings_store.h"
#include "core/snmp/snmp_names.h"

namespace tesmo {

void ParametersData::SetFactory() {
  TargetParameters::SetFactory();
  telnetPath = ParametersData().telnetPath;
}

void ParametersData::Load() {
  TargetParameters::Load();
  telnetPath = CSettingsStore::ReadString(
      QStringLiteral("Parameters"), QStringLiteral("TelnetPath"), ParametersData().telnetPath);
}

void ParametersData::Save() const {
  TargetParameters::Save();
  CSettingsStore::WriteString(QStringLiteral("Parameters"), QStringLiteral("TelnetPath"),
                              telnetPath);
}

QString ParametersReport(const ParametersData& d) {
  QString r;
  r += QStringLiteral("General parameters\n------------------\n");
  r += QStringLiteral("Host Name : ") + d.host + '\n';
  r += QStringLiteral("IP address : ") + d.ipAddress + '\n';
  r += QStringLiteral("DNS Host Name : ") + d.dnsName + '\n';
  // Only a forced family is reported: the default report stays as it was.
  if (d.family != AddressFamilyChoice::kEither) {
    r += QStringLiteral("Address family : ") + QLatin1String(AddressFamilyText(d.family)) + '\n';
  }
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
