// The IP discovery and Traceroute pages in the window, offscreen, in the
// chain lab's client namespace (lab.d/chain.up): Start runs the page's job
// through its runner and fills the grid, Stop from the window ends it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "core/base/settings_store.h"
#include "support/job_wait.h"
#include "support/qt_print.h"
#include "support/tool_pages.h"
#include "ui/app/main_sheet.h"
#include "ui/app/target.h"
#include "ui/discovery/discovery_page.h"
#include "ui/tables/table_grid_view.h"
#include "ui/traceroute/traceroute_page.h"
#include "wait.h"

using namespace tesmo;

namespace {

class IcmpPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    CSettingsStore::WriteInt("Snmp", "TimeOut", 1000);
    CSettingsStore::WriteInt("Snmp", "Retries", 1);
    CSettingsStore::WriteInt("Resolver", "UseFastResolver", 1);
    CSettingsStore::WriteInt("Resolver", "bDnsUseCache", 0);
    CSettingsStore::WriteString("Resolver", "DnsAddressList", "127.0.0.1");
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
  }
  void TearDown() override {
    WaitForJobs();
    sheet->OnExit();
    sheet.reset();
  }
  // Start on page index; returns once its job has begun.
  void Start(int index) {
    sheet->SetActivePage(index);
    sheet->OnStartStop();
    EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Stop"));
  }
  QTemporaryDir settingsDir, workDir;
  std::unique_ptr<CMainSheet> sheet;
};

TEST_F(IcmpPagesTest, DiscoverySweepsThroughTheWindowAndStopEndsIt) {
  auto* page = static_cast<CDiscoveryPage*>(sheet->Page(PageIndex("pingfind")));
  CGridData& grid = page->Grid()->Data();
  page->Edit(1064)->setText("10.72.10.4");
  page->Edit(2065)->setText("2");
  page->Edit(1067)->setText("100");
  Start(PageIndex("pingfind"));
  EXPECT_FALSE(page->Edit(1064)->isEnabled());
  EXPECT_FALSE(page->ResolveNameBox()->isEnabled());
  WaitForJobs();
  ASSERT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.TextAt(1, 3), "unreachable (3 try(s), timeout 500 ms)");
  EXPECT_EQ(grid.TextAt(2, 2), "live-5.chain.test");
  EXPECT_EQ(grid.CellColourAt(2, 3), kDiscoveryReachableColour);

  // A first host that cannot be resolved starts nothing: the grid stays.
  page->Edit(1064)->setText("no-such-host.chain.test");
  sheet->OnStartStop();
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(), QString("Cannot resolve first host"));
  WaitForJobs();
  EXPECT_EQ(grid.TextAt(2, 2), "live-5.chain.test");

  // Echoes that would wait a minute: Stop cuts them short, no row gets a
  // verdict, and the status line says the sweep is incomplete.
  page->Edit(1064)->setText("10.72.10.100");
  page->Edit(2065)->setText("20");
  page->Edit(1066)->setText("60000");
  Start(PageIndex("pingfind"));
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(), QString("Pinging hosts"));
  EXPECT_FALSE(page->Grid()->Table().SortMenuEnabled());
  sheet->OnStartStop();
  WaitForJobs();
  EXPECT_EQ(sheet->StatusLine()->text(),
            "Stopped: 0 of 20 hosts pinged, 0 answered, the sweep is incomplete");
  ASSERT_EQ(grid.Rows(), 21);
  for (int r = 1; r <= 20; ++r) EXPECT_EQ(grid.TextAt(r, 3), "") << r;
}

TEST_F(IcmpPagesTest, TracerouteFollowsAnSnmpRoutingLoopUntilStop) {
  auto* page = static_cast<CTraceroutePage*>(sheet->Page(PageIndex("traceroute")));
  CGridData& grid = page->Grid()->Data();
  // From r1 into the routing loop between r1 and r2.
  sheet->Target()->SetHost("10.72.1.1");
  page->SnmpButton()->setChecked(true);
  QTest::keyClicks(page->DestinationEdit(), "10.99.1.1");
  Start(PageIndex("traceroute"));
  EXPECT_FALSE(page->DestinationEdit()->isEnabled());
  EXPECT_EVENTUALLY_TRUE(grid.Rows() > 6);
  sheet->OnStartStop();
  WaitForJobs();
  EXPECT_EQ(page->AddressEdit()->text(), "10.99.1.1");
  EXPECT_EQ(grid.TextAt(1, 2), "10.72.1.1\nr1.chain.test");
  EXPECT_EQ(grid.RowHeight(1), 2 * grid.DefaultRowHeight());
  EXPECT_TRUE(grid.TextAt(4, 6).endsWith(" (loop: as hop 2)")) << grid.TextAt(4, 6);
  // A new destination drops the address shown for the old one.
  QTest::keyClicks(page->DestinationEdit(), "x");
  EXPECT_EQ(page->AddressEdit()->text(), "");

  // An ICMP trace after it starts from an empty grid of single-height rows,
  // and the grid stays readable while the trace runs.
  page->IcmpButton()->setChecked(true);
  page->DestinationEdit()->setText("10.72.1.1");
  Start(PageIndex("traceroute"));
  EXPECT_TRUE(page->Grid()->isEnabled());
  WaitForJobs();
  ASSERT_EQ(grid.Rows(), 2);
  EXPECT_EQ(page->Grid()->verticalHeader()->sectionSize(0),
            page->Grid()->verticalHeader()->defaultSectionSize());
  // A new target drops the trace of the old one.
  sheet->ResetAllResults();
  EXPECT_EQ(grid.Rows(), 1);
}

// Continuous: the rounds rewrite the rows the trace wrote in place (the view's
// model is never reset while they run) until Stop, which says how many rounds
// were done; "Ask routers" only goes with a continuous ICMP trace.
TEST_F(IcmpPagesTest, ContinuousTraceUpdatesItsRowsInPlaceUntilStop) {
  auto* page = static_cast<CTraceroutePage*>(sheet->Page(PageIndex("traceroute")));
  CGridData& grid = page->Grid()->Data();
  EXPECT_FALSE(page->AskRoutersBox()->isEnabled());
  page->ContinuousBox()->setChecked(true);
  EXPECT_TRUE(page->AskRoutersBox()->isEnabled());
  page->SnmpButton()->setChecked(true);
  EXPECT_FALSE(page->AskRoutersBox()->isEnabled());
  page->IcmpButton()->setChecked(true);
  QTest::keyClicks(page->DestinationEdit(), "10.72.4.2");
  Start(PageIndex("traceroute"));
  EXPECT_FALSE(page->ContinuousBox()->isEnabled());
  const int sent = 6;
  EXPECT_EVENTUALLY_TRUE(grid.Rows() == 5 && grid.TextAt(4, sent) == "1");
  int resets = 0;
  QObject::connect(static_cast<QTableView*>(page->Grid())->model(), &QAbstractItemModel::modelReset,
                   [&] { ++resets; });
  EXPECT_EVENTUALLY_TRUE(grid.TextAt(4, sent).toInt() >= 3);
  sheet->OnStartStop();
  WaitForJobs();
  EXPECT_EVENTUALLY_TRUE(sheet->StatusLine()->text().startsWith("Stopped after "));
  EXPECT_EQ(resets, 0);
  EXPECT_EQ(grid.Rows(), 5);
  EXPECT_EQ(
      static_cast<QTableView*>(page->Grid())->model()->headerData(sent, Qt::Horizontal).toString(),
      "sent");
  EXPECT_TRUE(page->ContinuousBox()->isEnabled());
}

}  // namespace
