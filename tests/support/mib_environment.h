// The MIB tree of a test program, loaded once for all its tests (net-snmp
// leaks a little on every reload): the modules of the working directory's
// mibs folder and the standard ones, plus any extra modules given as texts.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "core/snmp/mib_loader.h"

namespace tesmo {

class CMibEnvironment : public ::testing::Environment {
 public:
  // Extra modules: file name and text, written into a mibs folder of a
  // temporary directory that is searched first.
  explicit CMibEnvironment(std::vector<std::pair<QString, QByteArray>> extra = {})
      : extra(std::move(extra)) {}

  void SetUp() override {
    QString base = QDir::currentPath();
    if (!extra.empty()) {
      QDir(dir.path()).mkdir("mibs");
      for (const auto& [name, text] : extra) {
        QFile file(dir.filePath("mibs/" + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
      }
      base = dir.path();
    }
    LoadMibs(MibDirectoryList(base.toStdString()));
  }
  void TearDown() override { FreeMibs(); }

 private:
  std::vector<std::pair<QString, QByteArray>> extra;
  QTemporaryDir dir;
};

}  // namespace tesmo
