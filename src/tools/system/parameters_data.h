// The Parameters page's data: the target with its SNMP access parameters,
// the telnet client and the system group fetched from the agent, and the
// page's Copy report.
#pragma once

#include <QString>

#include "core/snmp/target_parameters.h"

namespace tesmo {

// The system group as the request layer's texts; "<none>" until fetched.
struct SystemGroup {
  QString descr = QStringLiteral("<none>");
  QString objectId = QStringLiteral("<none>");
  QString upTime = QStringLiteral("<none>");
  QString contact = QStringLiteral("<none>");
  QString name = QStringLiteral("<none>");
  QString location = QStringLiteral("<none>");
  QString services = QStringLiteral("<none>");
  QString ifNumber = QStringLiteral("<none>");
};

struct ParametersData : TargetParameters {
  QString telnetPath = QStringLiteral("telnet");
  SystemGroup system;

  // Built-in values of the SNMP parameters and the telnet path.
  void SetFactory();
  // Reads them from the Snmp and Parameters sections with the built-in defaults.
  void Load();
  // Writes them (not the host history).
  void Save() const;
};

// The page's Copy report.
QString ParametersReport(const ParametersData& data);

}  // namespace tesmo
