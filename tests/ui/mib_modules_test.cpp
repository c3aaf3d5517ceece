// The MBrowser page's word on modules that did not load, and the "MIB
// modules" dialog adding the module that was missing to the user's folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "core/base/settings_store.h"
#include "core/snmp/mib_loader.h"
#include "support/mib_files.h"
#include "ui/app/main_sheet.h"
#include "ui/browser/mib_browser_page.h"
#include "ui/browser/mib_modules_dialog.h"

using namespace tesmo;

namespace {

constexpr const char* kMissingImport = test::kMissingImportMib;
constexpr char kExampleSmi[] =
    "EXAMPLE-SMI DEFINITIONS ::= BEGIN\n"
    "IMPORTS enterprises FROM SNMPv2-SMI;\n"
    "exampleRoot OBJECT IDENTIFIER ::= { enterprises 64990 }\n"
    "END\n";

void Write(const QString& path, const QByteArray& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

bool ListsProblemOf(const QTreeWidget* problems, const QString& module) {
  for (int i = 0; i < problems->topLevelItemCount(); ++i) {
    if (problems->topLevelItem(i)->text(0) == module) return true;
  }
  return false;
}

bool TreeHas(const CMibBrowserPage* page, const char* label) {
  const CMibTreeIndex& index = page->TreeIndex();
  for (int i = 0; i < index.Count(); ++i) {
    if (NodeLabel(index.Node(i)) == QLatin1String(label)) return true;
  }
  return false;
}

class MibModulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    CSettingsStore::SetFilePath(workDir.filePath("config/tesmo/tesmo.ini"));
    QDir(workDir.path()).mkdir("mibs");
    Write(workDir.filePath("mibs/MISSING-IMPORT-MIB.my"), kMissingImport);
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    page = static_cast<CMibBrowserPage*>(sheet->Page(sheet->PageIndexOf("browser")));
  }
  void TearDown() override {
    sheet->OnExit();
    sheet.reset();
    qunsetenv("XDG_DATA_HOME");
  }
  QTemporaryDir workDir, dataHome, elsewhere;
  std::unique_ptr<CMainSheet> sheet;
  CMibBrowserPage* page = nullptr;
};

TEST_F(MibModulesTest, AddingTheMissingModuleLoadsTheOneThatNeededIt) {
  EXPECT_TRUE(QRegularExpression("^[1-9][0-9]* MIB modules? could not be loaded: see MIB modules$")
                  .match(page->MibProblemsLabel()->text())
                  .hasMatch())
      << page->MibProblemsLabel()->text().toStdString();
  EXPECT_FALSE(TreeHas(page, "missingMib"));

  CMibModulesDialog dialog([this](QString* why) { return page->ReloadMibs(why); });
  dialog.ShowReport(LastMibReport());
  ASSERT_TRUE(ListsProblemOf(dialog.Problems(), "MISSING-IMPORT-MIB"));
  EXPECT_TRUE(dialog.Folders()->toPlainText().contains(dataHome.filePath("tesmo/mibs")));

  // The user's folder holds a link where one of the chosen files would go:
  // it stays as it is, and so does a file that is no module.
  const QString userFolder = dataHome.filePath("tesmo/mibs");
  ASSERT_TRUE(QDir().mkpath(userFolder));
  Write(elsewhere.filePath("target.txt"), "the user's own file\n");
  ASSERT_EQ(symlink(elsewhere.filePath("target.txt").toUtf8().constData(),
                    (userFolder + "/LINKED-MIB.my").toUtf8().constData()),
            0);
  Write(elsewhere.filePath("EXAMPLE-SMI.my"), kExampleSmi);
  Write(elsewhere.filePath("LINKED-MIB.my"), kExampleSmi);
  Write(elsewhere.filePath("notes.txt"), "not a module\n");
  dialog.AddFiles({elsewhere.filePath("EXAMPLE-SMI.my"), elsewhere.filePath("LINKED-MIB.my"),
                   elsewhere.filePath("notes.txt")});

  EXPECT_TRUE(QFile::exists(userFolder + "/EXAMPLE-SMI.my"));
  EXPECT_FALSE(QFile::exists(userFolder + "/notes.txt"));
  EXPECT_TRUE(QFileInfo(userFolder + "/LINKED-MIB.my").isSymLink());
  QFile target(elsewhere.filePath("target.txt"));
  ASSERT_TRUE(target.open(QIODevice::ReadOnly));
  EXPECT_EQ(target.readAll(), "the user's own file\n");
  const QString message = dialog.Message()->text();
  EXPECT_TRUE(message.contains("LINKED-MIB.my is not a regular file")) << message.toStdString();
  EXPECT_TRUE(message.contains("notes.txt does not start a MIB module")) << message.toStdString();

  EXPECT_FALSE(ListsProblemOf(dialog.Problems(), "MISSING-IMPORT-MIB"));
  EXPECT_TRUE(TreeHas(page, "missingMib"));
  EXPECT_TRUE(TreeHas(page, "exampleRoot"));
}

}  // namespace
