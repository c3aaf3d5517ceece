// Test entry point: a QApplication (offscreen) and a private settings file per
// test process, so no test ever reads or writes the user's own settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "core/app/settings_store.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  QTemporaryDir settingsDir;
  tesmo::CSettingsStore::SetFilePath(settingsDir.filePath(QStringLiteral("tesmo/tesmo.ini")));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
