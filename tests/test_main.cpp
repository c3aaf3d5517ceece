// Test entry point: a QApplication (offscreen) and a private settings file per
// test process, so no test ever reads or writes the user's own settings.
//
// Outside the lab namespace (unit and UI tests) the name service is pointed at
// a resolver file naming only loopback and an empty hosts file: a test there
// that resolves a name by mistake can never reach the machine's own name
// servers. Lab tests use the namespace's own files, which name the lab's server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "core/base/settings_store.h"
#include "core/net/name_hosts_file.h"
#include "core/net/system_values.h"
#include "ui/app/main_sheet.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir privateDir;
  tesmo::CSettingsStore::SetFilePath(privateDir.filePath(QStringLiteral("tesmo/tesmo.ini")));
  if (qEnvironmentVariableIsEmpty("TESMO_IN_LAB")) {
    QFile resolv(privateDir.filePath(QStringLiteral("resolv.conf")));
    if (resolv.open(QIODevice::WriteOnly)) resolv.write("nameserver 127.0.0.1\n");
    resolv.close();
    QFile hosts(privateDir.filePath(QStringLiteral("hosts")));
    if (hosts.open(QIODevice::WriteOnly)) hosts.write("127.0.0.1\tlocalhost\n");
    hosts.close();
    tesmo::SetResolvConfPath(resolv.fileName().toStdString());
    tesmo::SetHostsFilePath(hosts.fileName().toStdString());
  }
  // A Select command with openInNewInstance would start this test program
  // again with a host and a page: never start anything from a test.
  tesmo::CMainSheet::startInstance = [](const QString& program, const QStringList& arguments,
                                        const QPoint&) {
    qWarning("test: not starting %s %s", qPrintable(program), qPrintable(arguments.join(' ')));
    return false;
  };
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
