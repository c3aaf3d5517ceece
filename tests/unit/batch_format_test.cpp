// What the lab's run of every page does not reach: target files with
// comments and nested lists, and the exported module's names and SNMPv3
// settings.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "batch/batch_targets.h"
#include "tools/tables/snmp_exporter_module.h"

namespace {

using namespace tesmo;

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
