// The main window offscreen: tabs, captions, the job protocol from worker
// threads, Exit while a job runs, and the status channel under load.
#include "ui/app/main_sheet.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <thread>
#include <vector>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "support/tool_pages.h"
#include "ui/app/about_box.h"
#include "ui/app/target.h"
#include "ui/app/tool_page.h"
#include "ui/widgets/number_edit.h"
#include "wait.h"

using namespace tesmo;

namespace {

class MainSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
  }
  void TearDown() override {
    if (CJobControl::Instance().JobRunning()) EndJob();
    QCoreApplication::processEvents();
    sheet.reset();
  }
  QTemporaryDir workDir;
  std::unique_ptr<CMainSheet> sheet;
};

// The twelve pages stand in this order, whatever tools join them.
TEST_F(MainSheetTest, StartsWithTheTabsInOrderParametersActiveAndReady) {
  const char* captions[] = {"Parameters", "Interfaces",   "Addresses",    "Routing Table",
                            "Arp",        "Gen. Table",   "Reachability", "Traceroute",
                            "NSLookup",   "Ip discovery", "MBrowser",     "Graph"};
  const char* names[] = {"system",   "interfaces", "addresses",    "routetable",
                         "arptable", "gentable",   "reachability", "traceroute",
                         "dns",      "pingfind",   "browser",      "graph"};
  ASSERT_EQ(sheet->Tabs()->count(), static_cast<int>(RegisteredTools().size()));
  int previous = -1;
  for (int i = 0; i < 12; ++i) {
    const int index = sheet->PageIndexOf(names[i]);
    EXPECT_GT(index, previous) << names[i];
    EXPECT_EQ(sheet->Tabs()->tabText(index), captions[i]);
    EXPECT_EQ(sheet->Page(index)->InternalName(), names[i]);
    previous = index;
  }
  EXPECT_EQ(sheet->PageIndexOf("System"), -1);  // names compare exactly
  EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);
  EXPECT_EQ(sheet->StatusLine()->text(), "Ready");
  EXPECT_EQ(sheet->windowTitle(), "Tesmo");
  EXPECT_EQ(sheet->StartStopButton()->text(), "Start");
  EXPECT_EQ(sheet->ExitButton()->text(), "Exit");
  EXPECT_FALSE(CJobControl::Instance().JobRunning());
  EXPECT_EQ(StopFlag.load(), 1);
  // Start-up wrote its marker and the first-run values.
  EXPECT_EQ(CSettingsStore::ReadInt("Initialization", "OCX", 0), 1);
  EXPECT_EQ(CSettingsStore::ReadString("", "FixedFontName", ""), "Lucida Console");
}

// A screen reader finds a name for every control of every page: its caption,
// its label, or else its tool tip.
TEST_F(MainSheetTest, EveryControlHasAnAccessibleName) {
  int controls = 0;
  for (QWidget* widget : sheet->findChildren<QWidget*>()) {
    if (!widget->property("controlId").isValid() || qobject_cast<QLabel*>(widget) != nullptr)
      continue;
    ++controls;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(face->text(QAccessible::Name).isEmpty())
        << widget->metaObject()->className() << " " << widget->property("controlId").toInt()
        << " on " << widget->parentWidget()->metaObject()->className();
  }
  EXPECT_GT(controls, 100);
}

TEST_F(MainSheetTest, JobFromAWorkerThreadFlipsCaptionAndControls) {
  auto* child = new QPushButton("x", sheet->Page(PageIndex("interfaces")));
  auto* reachChild = new QPushButton("y", sheet->Page(PageIndex("reachability")));
  std::thread([] { BeginJob(); }).join();
  EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Stop"));
  EXPECT_FALSE(sheet->ExitButton()->isEnabled());
  EXPECT_FALSE(child->isEnabled());
  EXPECT_TRUE(reachChild->isEnabled());  // the Reachability page keeps working
  EXPECT_EQ(StopFlag.load(), 0);

  std::thread([] { EndJob(); }).join();
  EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Start"));
  EXPECT_TRUE(sheet->ExitButton()->isEnabled());
  EXPECT_TRUE(child->isEnabled());
  EXPECT_EQ(StopFlag.load(), 1);
}

TEST_F(MainSheetTest, ExitWhileAJobRunsStopsTheJobAndKeepsTheWindow) {
  std::atomic<bool> sawStop{false};
  std::thread job([&] {
    BeginJob();
    for (int i = 0; i < 500 && !StopRequested(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sawStop = StopRequested();
    EndJob();
  });
  EXPECT_EVENTUALLY_TRUE(CJobControl::Instance().JobRunning());
  sheet->OnExit();
  sheet->close();  // a window-manager close is refused the same way
  job.join();
  EXPECT_TRUE(sawStop.load());
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Start"));
  // Start/Stop while running only asks for the stop.
  std::thread job2([&] {
    BeginJob();
    for (int i = 0; i < 500 && !StopRequested(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EndJob();
  });
  EXPECT_EVENTUALLY_TRUE(CJobControl::Instance().JobRunning());
  sheet->OnStartStop();
  job2.join();
  EXPECT_TRUE(sheet->isVisible());
}

TEST_F(MainSheetTest, ExitWhenIdleClosesTheWindow) {
  sheet->OnExit();
  EXPECT_FALSE(sheet->isVisible());
}

// Escape stops a running job like Stop and otherwise does nothing: the
// results on screen are never lost to a stray key. The title bar still closes.
TEST_F(MainSheetTest, EscapeStopsAJobAndNeverCloses) {
  QTest::keyClick(sheet.get(), Qt::Key_Escape);
  EXPECT_TRUE(sheet->isVisible());
  std::atomic<bool> sawStop{false};
  std::thread job([&] {
    BeginJob();
    for (int i = 0; i < 500 && !StopRequested(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sawStop = StopRequested();
    EndJob();
  });
  EXPECT_EVENTUALLY_TRUE(CJobControl::Instance().JobRunning());
  QTest::keyClick(sheet.get(), Qt::Key_Escape);
  job.join();
  EXPECT_TRUE(sawStop.load());
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Start"));
  sheet->close();
  EXPECT_FALSE(sheet->isVisible());
}

TEST_F(MainSheetTest, PostStatusFromEightThreadsShowsTheLastText) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 2000; ++i) PostStatus("thread %d text %d", t, i);
    });
  }
  for (auto& th : threads) th.join();
  PostStatus("final %s", "text");
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(), QString("final text"));
}

TEST_F(MainSheetTest, LongStatusTextIsCut) {
  const std::string longText(5000, 'z');
  PostStatus("%s", longText.c_str());
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text().size(), kMaxStatusText);
  ShowStatus("now %d", 42);
  EXPECT_EQ(sheet->StatusLine()->text(), "now 42");
}

TEST_F(MainSheetTest, MissingVendorFileDoesNotStopStartUp) {
  // The fixture's working directory holds no vendors.txt.
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sheet->StatusLine()->text(), "Ready");
}

// Start-up without a window to show: a message and an exit status on the
// terminal, never an abort; an unknown option is refused; the log goes under
// XDG_STATE_HOME, never into the working directory.
TEST(StartUp, SaysWhyItCannotOpenTheWindow) {
  const struct {
    const char* what;
    QStringList args;
    const char* display;  // DISPLAY, or null for none
    int exitCode;
    const char* said;
  } cases[] = {
      {"no display", {}, nullptr, 1, "no display: set DISPLAY"},
      {"an unknown option", {"--bogus"}, nullptr, 64, "unknown option --bogus"},
      {"a display that is not there", {"127.0.0.1", "system"}, ":97", 1, "tesmo: "},
  };
  for (const auto& c : cases) {
    QTemporaryDir state, work;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");
    env.remove("DISPLAY");
    if (c.display != nullptr) env.insert("DISPLAY", c.display);
    env.insert("XDG_STATE_HOME", state.path());
    env.insert("XDG_CONFIG_HOME", work.path());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work.path());
    p.start(qEnvironmentVariable("TESMO_BINARY"), c.args);
    ASSERT_TRUE(p.waitForFinished(30000)) << c.what;
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.what;
    EXPECT_EQ(p.exitCode(), c.exitCode) << c.what;
    const QString said = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(said.contains(c.said)) << c.what << ": " << said.toStdString();
    EXPECT_FALSE(QFile::exists(work.filePath("tesmo.log"))) << c.what;
    if (c.display != nullptr) {
      EXPECT_TRUE(QFile::exists(state.filePath("tesmo/tesmo.log"))) << c.what;
    }
  }
}

TEST(AboutBox, NamesProgramVersionDateAndLibraries) {
  EXPECT_TRUE(CAboutBox::VersionLine().startsWith("Tesmo version "));
  EXPECT_TRUE(CAboutBox::VersionLine().contains(TESMO_BUILD_DATE));
  EXPECT_TRUE(CAboutBox::Credits().contains("net-snmp"));
  EXPECT_TRUE(CAboutBox::Credits().contains("GNU C library"));
}

}  // namespace
