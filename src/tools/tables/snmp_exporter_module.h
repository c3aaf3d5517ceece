// A stored generic table handed over to Prometheus: the generator.yml module
// that prometheus-snmp-generator turns into the SNMP exporter's snmp.yml.
#pragma once

#include <QString>
#include <vector>

#include "core/snmp/table_definitions.h"
#include "core/snmp/target_parameters.h"

namespace tesmo {

// The module's name: "tesmo_" and the table's name in lower-case letters,
// digits and underscores ("tesmo_table_N" for a name with none of them).
QString SnmpExporterModuleName(const QString& tableName, unsigned table);

// generator.yml with one module: the columns' OIDs to walk, the SNMP
// version, time-out and retries, the community or the SNMPv3 user with
// placeholders (never a pass phrase) the file says to fill in, and a lookup
// that labels the rows of a table with one integer index by its first text
// column (from the loaded MIB). mibFolders (':'-separated), the folders
// the MIB was loaded from, go into the comment's generator command.
QString SnmpExporterGeneratorYaml(const QString& tableName, unsigned table,
                                  const std::vector<ColumnDefinition>& columns,
                                  const TargetParameters& parameters, const QString& mibFolders);

// The placeholders written instead of the pass phrases.
inline constexpr char kAuthPassPlaceholder[] = "FILL-IN-AUTHENTICATION-PASS-PHRASE";
inline constexpr char kPrivPassPlaceholder[] = "FILL-IN-PRIVACY-PASS-PHRASE";

}  // namespace tesmo
