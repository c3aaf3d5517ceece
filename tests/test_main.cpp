// Test entry point: a QApplication (offscreen) and private files per test
// process (support/private_files.h), so no test ever reads or writes the
// user's own settings or asks the machine's name servers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "support/private_files.h"
#include "ui/app/main_sheet.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir privateDir;
  tesmo::UsePrivateFiles(privateDir);
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
