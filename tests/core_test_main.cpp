// Test entry point of core tests built without the window (the
// ThreadSanitizer build): a QCoreApplication and the private files every
// test process uses.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "support/private_files.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir privateDir;
  tesmo::UsePrivateFiles(privateDir);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
