// The pieces of --format and of many targets that need no peer: cells read
// as their type, CSV fields, merged metrics, target lists and the names of
// exported modules.
#include "batch/batch_format.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QTemporaryDir>

#include "batch/batch_targets.h"
#include "tools/tables/snmp_exporter_module.h"

namespace {

using namespace tesmo;

TEST(BatchFormat, CellsReadAsTheirType) {
  const struct {
    const char* cell;
    ReportType type;
    QJsonValue value;
  } cases[] = {
      {"010.077.040.001", ReportType::kAddress, QJsonValue("10.77.40.1")},
      {"2001:DB8::0:1", ReportType::kAddress, QJsonValue("2001:db8::1")},
      {"lab-loopback", ReportType::kAddress, QJsonValue("lab-loopback")},
      {"1", ReportType::kAddress, QJsonValue("1")},
      {"", ReportType::kAddress, QJsonValue(QJsonValue::Null)},
      {"127.000.000.001\r\n::1", ReportType::kAddress, QJsonArray{"127.0.0.1", "::1"}},
      {"18446744073709551615", ReportType::kNumber, QJsonValue(18446744073709551615.0)},
      {"-12", ReportType::kNumber, QJsonValue(-12)},
      {"## NA ##", ReportType::kNumber, QJsonValue(QJsonValue::Null)},
      {"12 ms ", ReportType::kMilliseconds, QJsonValue(12)},
      {"*", ReportType::kMilliseconds, QJsonValue(QJsonValue::Null)},
      {" padded ", ReportType::kText, QJsonValue(" padded ")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TypedCell(QString::fromUtf8(c.cell), c.type), c.value) << c.cell;
  }
}

TEST(BatchFormat, CsvFieldsAreQuotedOnlyWhereNeeded) {
  const struct {
    const char* cell;
    const char* field;
  } cases[] = {{"plain", "plain"},       {"", ""},
               {"a,b", "\"a,b\""},       {"say \"hi\"", "\"say \"\"hi\"\"\""},
               {"1\r\n2", "\"1\r\n2\""}, {"tab\there", "tab\there"}};
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.cell), QString(c.field)) << c.cell;
}

TEST(BatchFormat, MetricsOfSeveralTargetsMergeByFamily) {
  const QString a =
      "# TYPE x gauge\n# HELP x X.\nx{target=\"a\"} 1\n# TYPE y gauge\ny{target=\"a\"} 2\n# EOF\n";
  const QString b = "# TYPE x gauge\n# HELP x X.\nx{target=\"b\"} 3\n# EOF\n";
  EXPECT_EQ(MergeOpenMetrics({a, b, QString()}),
            "# TYPE x gauge\n# HELP x X.\nx{target=\"a\"} 1\nx{target=\"b\"} 3\n"
            "# TYPE y gauge\ny{target=\"a\"} 2\n# EOF\n");
}

TEST(BatchTargets, ListsAndFiles) {
  QTemporaryDir dir;
  QFile file(dir.filePath("targets"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("# fleet\n10.0.0.1\n\n  router.example  # core\n::1\n");
  file.close();
  QFile nested(dir.filePath("nested"));
  ASSERT_TRUE(nested.open(QIODevice::WriteOnly));
  nested.write(("a\n@" + nested.fileName() + "\n").toUtf8());
  nested.close();
  QFile empty(dir.filePath("empty"));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.write("# nothing\n\n");
  empty.close();
  const struct {
    QString host;
    std::optional<QStringList> targets;
  } cases[] = {
      {"a,b,,c", QStringList{"a", "b", "c"}},
      {"@" + file.fileName(), QStringList{"10.0.0.1", "router.example", "::1"}},
      {"@" + empty.fileName(), std::nullopt},
      {"@" + dir.filePath("missing"), std::nullopt},
      {",", std::nullopt},
      {"@" + nested.fileName(), std::nullopt},
      {"a,@" + file.fileName(), std::nullopt},
  };
  for (const auto& c : cases) {
    QString problem;
    EXPECT_EQ(BatchTargets(c.host, &problem), c.targets) << c.host.toStdString();
    EXPECT_EQ(problem.isEmpty(), c.targets.has_value());
  }
}

TEST(SnmpExporterModule, NamesAndPassPhrases) {
  EXPECT_EQ(SnmpExporterModuleName("ipNetToMediaTable (.1.3.6.1.2.1.4.22)", 0),
            "tesmo_ipnettomediatable_1_3_6_1_2_1_4_22");
  EXPECT_EQ(SnmpExporterModuleName("???", 3), "tesmo_table_3");
  TargetParameters parameters;
  parameters.version = SnmpVersion::kV3;
  parameters.usm.user = "ops\"x";
  parameters.usm.authPass = "secret-auth";
  parameters.usm.privPass = "secret-priv";
  parameters.usm.authProtocol = "SHA-256";
  parameters.usm.privProtocol = "AES-192";
  const QString yaml = SnmpExporterGeneratorYaml(
      "t", 0, {ParseColumnDefinition(".1.3.6.1.2.1.2.2.1.5|speed")}, parameters, "/m");
  EXPECT_FALSE(yaml.contains("secret"));
  EXPECT_TRUE(yaml.contains("username: \"ops\\\"x\"\n"));
  EXPECT_TRUE(yaml.contains("auth_protocol: SHA256\n"));
  EXPECT_TRUE(yaml.contains("priv_protocol: AES192\n"));
  EXPECT_TRUE(yaml.contains(QString("password: \"%1\"").arg(kAuthPassPlaceholder)));
  EXPECT_TRUE(yaml.contains("    walk:\n      - 1.3.6.1.2.1.2.2.1.5"));
}

}  // namespace
