// generator.yml for a stored generic table.
#include "tools/tables/snmp_exporter_module.h"

#include <QStringList>

#include "core/snmp/mib_index.h"

namespace tesmo {
namespace {

// A YAML double-quoted scalar: backslash, quote and every control byte
// escaped, so no text of the settings can break the file.
QString Quoted(const QString& text) {
  QString out = QStringLiteral("\"");
  for (const QChar c : text) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
      out += QLatin1Char('\\') + c;
    } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
      out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      out += c;
    }
  }
  return out + QLatin1Char('"');
}

// The generator's protocol names have no dash ("SHA256", "AES192").
QString ProtocolName(const std::string& name) {
  return QString::fromStdString(name).remove(QLatin1Char('-'));
}

const char* LevelName(SnmpUsm::Level level) {
  switch (level) {
    case SnmpUsm::kNoAuthNoPriv:
      return "noAuthNoPriv";
    case SnmpUsm::kAuthNoPriv:
      return "authNoPriv";
    case SnmpUsm::kAuthPriv:
      break;
  }
  return "authPriv";
}

// The walked OID without its leading dot.
QString WalkOid(const QString& oid) {
  return oid.startsWith(QLatin1Char('.')) ? oid.mid(1) : oid;
}

}  // namespace

QString SnmpExporterModuleName(const QString& tableName, unsigned table) {
  QString name;
  for (const QChar c : tableName.toLower()) {
    if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
        (c >= QLatin1Char('0') && c <= QLatin1Char('9'))) {
      name += c;
    } else if (!name.isEmpty() && !name.endsWith(QLatin1Char('_'))) {
      name += QLatin1Char('_');
    }
  }
  while (name.endsWith(QLatin1Char('_'))) name.chop(1);
  if (name.isEmpty()) name = QStringLiteral("table_%1").arg(table);
  return QStringLiteral("tesmo_") + name;
}

QString SnmpExporterGeneratorYaml(const QString& tableName, unsigned table,
                                  const std::vector<ColumnDefinition>& columns,
                                  const TargetParameters& parameters, const QString& mibFolders) {
  const QString module = SnmpExporterModuleName(tableName, table);
  QString y;
  y += QStringLiteral(
           "# generator.yml for prometheus-snmp-generator, written by Tesmo from the\n"
           "# Gen. Table %1 (table %2).\n"
           "#   MIBDIRS=%5 prometheus-snmp-generator generate\n"
           "# writes snmp.yml; prometheus-snmp-exporter then answers\n"
           "#   /snmp?module=%3&target=HOST:%4\n")
           .arg(Quoted(tableName))
           .arg(table)
           .arg(module)
           .arg(parameters.port)
           .arg(QString(mibFolders).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  const bool v3 = parameters.version == SnmpVersion::kV3;
  if (v3 && parameters.usm.level != SnmpUsm::kNoAuthNoPriv) {
    y += QStringLiteral(
        "# Fill in the pass phrases below (FILL-IN-...) before you generate:\n"
        "# Tesmo never writes them.\n");
  }
  y += QStringLiteral("modules:\n  %1:\n    walk:\n").arg(module);
  for (const ColumnDefinition& column : columns) {
    const std::optional<ColumnMibInfo> info = ColumnMibInfoOf(column.oid.toStdString());
    y += QStringLiteral("      - %1").arg(WalkOid(column.oid));
    if (info) y += QStringLiteral("  # %1").arg(QString::fromStdString(info->label));
    y += QLatin1Char('\n');
  }
  const int version = parameters.version == SnmpVersion::kV1 ? 1 : v3 ? 3 : 2;
  y += QStringLiteral("    version: %1\n    retries: %2\n    timeout: %3ms\n")
           .arg(version)
           .arg(parameters.retries)
           .arg(parameters.timeoutMs);
  y += QStringLiteral("    auth:\n");
  if (!v3) {
    y += QStringLiteral("      community: %1\n").arg(Quoted(parameters.readCommunity));
  } else {
    const SnmpUsm& usm = parameters.usm;
    y += QStringLiteral("      username: %1\n      security_level: %2\n")
             .arg(Quoted(QString::fromStdString(usm.user)), QLatin1String(LevelName(usm.level)));
    if (usm.level != SnmpUsm::kNoAuthNoPriv) {
      y += QStringLiteral("      password: %1\n      auth_protocol: %2\n")
               .arg(Quoted(QLatin1String(kAuthPassPlaceholder)), ProtocolName(usm.authProtocol));
    }
    if (usm.level == SnmpUsm::kAuthPriv) {
      y += QStringLiteral("      priv_protocol: %1\n      priv_password: %2\n")
               .arg(ProtocolName(usm.privProtocol), Quoted(QLatin1String(kPrivPassPlaceholder)));
    }
  }
  // Rows of a table with one integer index (ifIndex) are hard to read by
  // number: its first text column labels them.
  for (const ColumnDefinition& column : columns) {
    const std::optional<ColumnMibInfo> info = ColumnMibInfoOf(column.oid.toStdString());
    if (!info || !info->text || !info->integerIndex) continue;
    y += QStringLiteral(
             "    lookups:\n      - source_indexes: [%1]\n        lookup: %2\n"
             "        drop_source_indexes: false\n")
             .arg(QString::fromStdString(info->indexes[0]), QString::fromStdString(info->label));
    break;
  }
  return y;
}

}  // namespace tesmo
