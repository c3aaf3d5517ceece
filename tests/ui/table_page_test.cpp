// The table pages in the window, offscreen, against the table lab's agent
// (lab.d/tables.up): Start fills the grid from a worker thread, the count
// label follows, the check boxes are off while the job runs, Copy gives the
// grid's text; the pages' settings and tool tips.
#include "ui/tables/table_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/grid/table_fill.h"
#include "support/job_wait.h"
#include "support/silent_peer.h"
#include "support/tool_pages.h"
#include "tools/tables/table_job.h"
#include "ui/app/main_sheet.h"
#include "ui/app/target.h"
#include "ui/system/parameters_page.h"
#include "ui/tables/table_grid_view.h"
#include "ui/widgets/number_edit.h"
#include "wait.h"

using namespace tesmo;

namespace {

constexpr char kAgent[] = "127.0.77.39";

class TablePagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    CSettingsStore::WriteInt("Snmp", "Port", 161);
    CSettingsStore::WriteInt("Snmp", "TimeOut", 1000);
    CSettingsStore::WriteInt("Snmp", "Retries", 1);
    // Names from the lab's named only.
    CSettingsStore::WriteInt("Resolver", "UseFastResolver", 1);
    CSettingsStore::WriteInt("Resolver", "bDnsUseCache", 0);
    CSettingsStore::WriteInt("Resolver", "bDnsUseHostfile", 0);
    CSettingsStore::WriteString("Resolver", "DnsAddressList", "127.0.0.1");
    QFile vendors(workDir.filePath("vendors.txt"));
    ASSERT_TRUE(vendors.open(QIODevice::WriteOnly));
    vendors.write("00A0C9 Tesmo Lab Cards\n525400 QEMU lab NICs\n");
    vendors.close();
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
  }
  void TearDown() override {
    EXPECT_EVENTUALLY_TRUE(!CJobControl::Instance().JobRunning());
    sheet->OnExit();
    sheet.reset();
  }
  CParametersPage* Parameters() const {
    return static_cast<CParametersPage*>(sheet->Page(PageIndex("system")));
  }
  template <class Page>
  Page* PageAt(int index) const {
    return static_cast<Page*>(sheet->Page(index));
  }
  void TypeHost(const QString& host) {
    Parameters()->HostBox()->lineEdit()->selectAll();
    QTest::keyClicks(Parameters()->HostBox()->lineEdit(), host);
  }
  // Presses Start on page index and waits for its job to end.
  void RunPage(int index) {
    sheet->SetActivePage(index);
    sheet->OnStartStop();
    EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(), QString("Ready"));
    EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Start"));
  }
  QTemporaryDir settingsDir, workDir;
  std::unique_ptr<CMainSheet> sheet;
};

// Stop while a page waits for an agent that never answers: time-out 5 s with
// 3 retries (20 s of waiting) must not hold the job; the figure is printed.
TEST_F(TablePagesTest, StopEndsAJobWaitingOnASilentAgentAtOnce) {
  CSilentPeer silent;
  CSettingsStore::WriteInt("Snmp", "Port", silent.port);
  CSettingsStore::WriteInt("Snmp", "TimeOut", 5000);
  CSettingsStore::WriteInt("Snmp", "Retries", 3);
  sheet->LoadAllSettings();
  TypeHost("127.0.0.1");
  for (int index : {PageIndex("system"), PageIndex("arptable"), PageIndex("interfaces")}) {
    SCOPED_TRACE(sheet->Page(index)->InternalName().toStdString());
    sheet->SetActivePage(index);
    sheet->OnStartStop();
    ASSERT_GT(silent.Received(3000), 0);  // the request is out and waiting
    ASSERT_TRUE(CJobControl::Instance().JobRunning());
    const auto pressed = std::chrono::steady_clock::now();
    sheet->OnStartStop();  // Stop
    (void)QTest::qWaitFor([] { return !CJobControl::Instance().JobRunning(); }, 5000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - pressed);
    std::printf("stop latency (%s): %lld ms\n", qPrintable(sheet->Page(index)->InternalName()),
                static_cast<long long>(took.count()));
    // Well under the 20 s the request would otherwise wait.
    EXPECT_LT(took.count(), 1000);
    WaitForJobs();
  }
}

// A long walk counts its rows in the label while it runs; Escape stops it and
// the status line says the table shown is incomplete.
TEST_F(TablePagesTest, EscapeDuringALongWalkSaysTheTableIsIncomplete) {
  auto* page = PageAt<CTablePage>(PageIndex("routetable"));
  TypeHost("127.0.77.38");  // 10,000 routes
  sheet->SetActivePage(PageIndex("routetable"));
  sheet->OnStartStop();
  EXPECT_EVENTUALLY_TRUE(page->CountLabel()->text().endsWith(" fetched"));
  EXPECT_TRUE(CJobControl::Instance().JobRunning());
  QTest::keyClick(sheet.get(), Qt::Key_Escape);
  WaitForJobs();
  const int rows = page->Grid()->Model()->rowCount();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 10000);
  EXPECT_EQ(page->CountLabel()->text(), EntryCountText(rows));
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(), StoppedTableText(rows));
}

TEST_F(TablePagesTest, ArpStartFillsTheGridAndCopyGivesItsText) {
  auto* page = PageAt<CTablePage>(PageIndex("arptable"));
  TypeHost(kAgent);
  // What the check box shows while the job runs, seen when the window learns
  // of the job (after the window's own handler).
  std::optional<bool> enabledWhileRunning;
  QObject::connect(&CJobControl::Instance(), &CJobControl::JobBegun, sheet.get(), [&] {
    if (!enabledWhileRunning) enabledWhileRunning = page->FlagBox("ResolveName")->isEnabled();
  });
  RunPage(PageIndex("arptable"));
  EXPECT_EVENTUALLY_EQ(page->CountLabel()->text(), QString("6 entry(s)"));
  ASSERT_TRUE(enabledWhileRunning.has_value());
  EXPECT_FALSE(*enabledWhileRunning);
  EXPECT_TRUE(page->FlagBox("ResolveName")->isEnabled());
  EXPECT_EQ(sheet->windowTitle(), QString("Tesmo [") + kAgent + "]");

  CTableGridView* grid = page->Grid();
  EXPECT_EVENTUALLY_EQ(grid->Model()->rowCount(), 6);
  grid->selectAll();
  QApplication::clipboard()->clear();
  page->CopyResults();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "int.\tnet address\tname\tphys address\tVendor\t\n"
            "2\t010.077.040.007\tarp-seven.lab.test\t00A0C9AABBCC\tTesmo Lab Cards\t\n"
            "2\t010.077.040.008\t\t08002A010203\t\t\n"
            "3\t010.077.042.009\t\t525400123456\tQEMU lab NICs\t\n"
            "12\t010.077.043.009\t\t525400123457\tQEMU lab NICs\t\n"
            "2\t2001:db8:77:40::7\t\t00A0C9AABBCC\tTesmo Lab Cards\t\n"
            "2\t2001:db8:77:40::8\t\t525400123458\tQEMU lab NICs\t\n");

  // A new target drops the results.
  TypeHost("127.0.77.40");
  EXPECT_EVENTUALLY_EQ(grid->Model()->rowCount(), 0);
  EXPECT_EQ(page->CountLabel()->text(), "");
  // What stays is the header, with the page's titles.
  EXPECT_EQ(grid->Data().TextAt(0, 1), "net address");
}

TEST_F(TablePagesTest, InterfacesAdminUpOnlyAndTheCopyOfATwoLineCell) {
  auto* page = PageAt<CTablePage>(PageIndex("interfaces"));
  page->FlagBox("AdminUpOnly")->setChecked(true);
  TypeHost(kAgent);
  RunPage(PageIndex("interfaces"));
  EXPECT_EVENTUALLY_EQ(page->CountLabel()->text(), QString("3 entry(s)"));
  CGridData& data = page->Grid()->Data();
  ASSERT_EQ(data.Rows(), 4);
  EXPECT_EQ(data.TextAt(3, 5), "tabb");  // tabc, set down, is hidden
  // Start read the box into the page's settings, which "Set as default" writes.
  sheet->SaveAllSettings();
  EXPECT_EQ(CSettingsStore::ReadInt("Interfaces", "AdminUpOnly", -1), 1);

  data.SetRow(2);
  data.SetCol(7);
  QApplication::clipboard()->clear();
  page->CopyResults();
  EXPECT_EQ(QApplication::clipboard()->text(),
            "ip address\t\n010.077.040.001  010.077.041.001  2001:db8:77:40::1  "
            "fe80::2a0:c9ff:fe11:2233\t\n");
}

TEST_F(TablePagesTest, CommandLineRunsTheRoutingTablePage) {
  sheet->HandleCommandLine({kAgent, "routetable"});
  auto* page = PageAt<CTablePage>(PageIndex("routetable"));
  EXPECT_EVENTUALLY_EQ(page->CountLabel()->text(), QString("20 entry(s)"));
  EXPECT_EQ(sheet->Tabs()->currentIndex(), PageIndex("routetable"));
  EXPECT_EQ(page->Grid()->Data().TextAt(1, 1), "000.000.000.000");
  EXPECT_EQ(page->Grid()->Data().TextAt(1, 3), "");  // names are off by default
}

TEST_F(TablePagesTest, SettingsLoadSaveAndFactory) {
  struct Case {
    int page;
    const char* section;
    const char* value;
    std::function<QCheckBox*()> box;
    bool builtIn;  // default when absent and factory setting
  };
  const Case cases[] = {
      {PageIndex("interfaces"), "Interfaces", "AdminUpOnly",
       [&] { return PageAt<CTablePage>(PageIndex("interfaces"))->FlagBox("AdminUpOnly"); }, false},
      {PageIndex("interfaces"), "Interfaces", "OperUpOnly",
       [&] { return PageAt<CTablePage>(PageIndex("interfaces"))->FlagBox("OperUpOnly"); }, false},
      {PageIndex("addresses"), "AddrTable", "ResolveName",
       [&] { return PageAt<CTablePage>(PageIndex("addresses"))->FlagBox("ResolveName"); }, true},
      {PageIndex("arptable"), "ArpTable", "ResolveName",
       [&] { return PageAt<CTablePage>(PageIndex("arptable"))->FlagBox("ResolveName"); }, true},
      {PageIndex("routetable"), "RouteTable", "ResolveName",
       [&] { return PageAt<CTablePage>(PageIndex("routetable"))->FlagBox("ResolveName"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.value);
    QCheckBox* box = c.box();
    // Absent: the built-in value.
    sheet->LoadAllSettings();
    EXPECT_EQ(box->isChecked(), c.builtIn);
    // "Set as default" writes the box.
    box->setChecked(!c.builtIn);
    sheet->SaveAllSettings();
    EXPECT_EQ(CSettingsStore::ReadInt(c.section, c.value, -1), c.builtIn ? 0 : 1);
    // "Factory settings" shows the built-in value and writes nothing.
    sheet->FactoryAllSettings();
    EXPECT_EQ(box->isChecked(), c.builtIn);
    EXPECT_EQ(CSettingsStore::ReadInt(c.section, c.value, -1), c.builtIn ? 0 : 1);
    // "Load default" shows what is stored.
    sheet->LoadAllSettings();
    EXPECT_EQ(box->isChecked(), !c.builtIn);
  }
}

TEST_F(TablePagesTest, ControlsCarryTheirToolTips) {
  const struct {
    int page;
    int controlId;
    const char* tip;
  } cases[] = {
      {PageIndex("interfaces"), 1053, "list only interfaces that are adminitrative UP"},
      {PageIndex("interfaces"), 1057, "list only interfaces that are operative UP"},
      {PageIndex("interfaces"), 1073, "table with interfaces description"},
      {PageIndex("addresses"), 1049, "allows to avoid name resolution for perfomance issues"},
      {PageIndex("addresses"), 1009, "table with address informations (mask)"},
      {PageIndex("arptable"), 1003, "table with IP - Mac address correspondance"},
      {PageIndex("routetable"), 1005, "table with routing infomations (next hop/metric/mask)"},
      {PageIndex("routetable"), 1084, "number of results ion the last query"},
  };
  for (const auto& c : cases) {
    QWidget* found = nullptr;
    for (QWidget* w : sheet->Page(c.page)->findChildren<QWidget*>()) {
      if (w->property("controlId").toInt() == c.controlId) found = w;
    }
    ASSERT_NE(found, nullptr) << c.controlId;
    EXPECT_EQ(found->toolTip(), c.tip) << c.controlId;
  }
  EXPECT_EQ(PageAt<CTablePage>(PageIndex("interfaces"))->FlagBox("AdminUpOnly")->text(),
            "Admin up only");
  EXPECT_EQ(PageAt<CTablePage>(PageIndex("interfaces"))->FlagBox("OperUpOnly")->text(),
            "Oper up only");
  EXPECT_EQ(PageAt<CTablePage>(PageIndex("arptable"))->FlagBox("ResolveName")->text(),
            "ResolveName");
}

}  // namespace
