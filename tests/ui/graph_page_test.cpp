// The Graph page in the window, offscreen: the command-line set-up, the
// entries that other pages and the Select menu add, the scroll bar and the
// view settings on the drawn chart, and a redraw while a poll waits for an
// agent that never answers.
#include "ui/graph/graph_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/grid/table_grid.h"
#include "support/silent_peer.h"
#include "support/status_log.h"
#include "support/tool_pages.h"
#include "ui/app/main_sheet.h"
#include "ui/app/target.h"
#include "ui/reachability/reachability_page.h"
#include "ui/system/parameters_page.h"
#include "ui/widgets/number_edit.h"
#include "wait.h"

using namespace tesmo;

namespace {

class GraphPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    // The agent is a socket of the test's that never answers.
    CSettingsStore::WriteInt("Snmp", "Port", peer.port);
    CSettingsStore::WriteInt("Snmp", "TimeOut", 3000);
    CSettingsStore::WriteInt("Snmp", "Retries", 0);
    CSettingsStore::WriteInt("Graph", "RefreshTime", 2500);
    InputMessage = [this](QWidget*, const QString& text) { messages << text; };
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
    page = static_cast<CGraphPage*>(sheet->Page(PageIndex("graph")));
  }
  void TearDown() override {
    RequestStop();
    EXPECT_EVENTUALLY_TRUE(!page->Polling());
    EXPECT_EVENTUALLY_TRUE(sheet->ExitButton()->isEnabled());
    sheet->OnExit();
    sheet.reset();
  }
  // Stores count sample points without a network: sample n of entry k plots
  // n + k and is stamped 12:00:00 local time plus n seconds.
  void Store(int count) {
    CGraphData& data = GraphData();
    if (!data.Primed()) data.EndPoll(data.BeginPoll(), {}, 0, 5);
    const int64_t noon = QDateTime(QDate(2024, 5, 1), QTime(12, 0)).toSecsSinceEpoch();
    for (int i = 0; i < count; ++i) {
      const GraphPoll poll = data.BeginPoll();
      const int n = data.Window().sampleCount;
      std::vector<RawSample> samples;
      for (size_t k = 0; k < poll.items.size(); ++k) {
        samples.push_back({true, double(n) + double(k), false, 0});
      }
      data.EndPoll(poll, samples, noon + n, 5);
    }
    QCoreApplication::processEvents();
  }
  // Waits until a request reaches the agent (without taking it).
  bool RequestArrived(int ms) {
    pollfd p{peer.fd, POLLIN, 0};
    return poll(&p, 1, ms) == 1;
  }
  void TypeHost(const QString& host) {
    static_cast<CParametersPage*>(sheet->Page(PageIndex("system")))
        ->HostBox()
        ->lineEdit()
        ->setText(host);
  }
  QTemporaryDir settingsDir, workDir;
  CSilentPeer peer;
  QStringList messages;
  std::unique_ptr<CMainSheet> sheet;
  CGraphPage* page = nullptr;
};

TEST_F(GraphPageTest, CommandLineSetsUpTheChartAndPolls) {
  // A stored RefreshTime of 2500 loads as whole seconds.
  EXPECT_EQ(page->RefreshEdit()->text(), "2");
  sheet->HandleCommandLine(
      {"127.0.0.1", "graph", "5", "100", "1", "0", "1", "S", ".1.3.6.1.2.1.1.3.0"});
  EXPECT_EVENTUALLY_TRUE(page->Polling());
  EXPECT_EQ(sheet->Tabs()->currentIndex(), PageIndex("graph"));
  EXPECT_EQ(page->RefreshEdit()->text(), "5");
  EXPECT_EQ(page->PointsBox()->value(), 100);
  EXPECT_TRUE(page->LegendBox()->isChecked());
  EXPECT_FALSE(page->XLabelsBox()->isChecked());
  EXPECT_TRUE(page->ThreeDBox()->isChecked());
  ASSERT_EQ(page->EntryList()->count(), 1);
  EXPECT_EQ(page->EntryList()->itemText(0), ".1.3.6.1.2.1.1.3.0");
  EXPECT_EQ(GraphData().Entries()[0].kind, 'S');
  EXPECT_EQ(sheet->Target()->Parameters().host, "127.0.0.1");
  // While polling: the period and the entry list are off, the view settings on.
  EXPECT_FALSE(page->RefreshEdit()->isEnabled());
  EXPECT_FALSE(page->EntryList()->isEnabled());
  EXPECT_TRUE(page->PointsBox()->isEnabled());
  EXPECT_TRUE(page->ThreeDBox()->isEnabled());
  EXPECT_TRUE(page->ScrollBar()->isEnabled());
  // The poll's request went to the agent.
  EXPECT_TRUE(RequestArrived(5000));
  RequestStop();
  EXPECT_EVENTUALLY_TRUE(!page->Polling());

  // "HOST graph 7" only stores the period: no entry, no page change, no Start.
  sheet->SetActivePage(PageIndex("system"));
  sheet->HandleCommandLine({"127.0.0.1", "graph", "7"});
  QTest::qWait(100);
  EXPECT_EQ(page->RefreshEdit()->text(), "7");
  EXPECT_EQ(page->EntryList()->count(), 1);
  EXPECT_EQ(sheet->Tabs()->currentIndex(), PageIndex("system"));
  EXPECT_FALSE(CJobControl::Instance().JobRunning());
}

TEST_F(GraphPageTest, OtherPagesAndTheSelectMenuAddEntries) {
  sheet->SetActivePage(PageIndex("arptable"));
  sheet->OnGridSelectCommand(ActionOf("graph"), "10.71.2.2");
  EXPECT_EQ(sheet->Tabs()->currentIndex(), PageIndex("arptable"));
  EXPECT_FALSE(CJobControl::Instance().JobRunning());

  TypeHost("127.0.0.1");
  auto* reachability = static_cast<CReachabilityPage*>(sheet->Page(PageIndex("reachability")));
  reachability->GraphButton()->click();  // resolves off the window's thread first

  std::vector<std::string> entries;
  EXPECT_EVENTUALLY_EQ(GraphData().Entries().size(), 2u);
  for (const GraphEntryInfo& e : GraphData().Entries()) {
    entries.push_back(e.kind + (" " + e.target) + " / " + e.label);
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"P 10.71.2.2 / ping 10.71.2.2",
                                               "P 127.0.0.1 / ping 127.0.0.1"}));
  EXPECT_EVENTUALLY_EQ(page->EntryList()->count(), 2);
  EXPECT_EQ(page->EntryList()->itemText(1), "ping 127.0.0.1");

  // Delete takes the selected entry; with no selection nothing goes.
  page->EntryList()->setCurrentIndex(0);
  page->DeleteButton()->click();
  ASSERT_EQ(page->EntryList()->count(), 1);
  EXPECT_EQ(page->EntryList()->itemText(0), "ping 127.0.0.1");
  page->EntryList()->setCurrentIndex(-1);
  page->DeleteButton()->click();
  EXPECT_EQ(page->EntryList()->count(), 1);
  page->InitButton()->click();
  EXPECT_EQ(page->EntryList()->count(), 0);
}

TEST_F(GraphPageTest, ChartScrollBarAndViewSettings) {
  GraphData().AddEntry({'S', "a", "first"});
  GraphData().AddEntry({'S', "b", "second"});
  Store(250);
  page->Redraw();
  QChart* chart = page->Chart();
  ASSERT_EQ(chart->series().size(), 2);
  auto* line = qobject_cast<QLineSeries*>(chart->series()[1]);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->name(), "second");
  ASSERT_EQ(line->count(), 100);
  // Samples 150..249 of entry 1.
  EXPECT_EQ(line->at(0), QPointF(1, 151));
  EXPECT_EQ(line->at(99), QPointF(100, 250));
  // A label every tenth point: 12:02:30 is sample 150.
  const QStringList labels = page->XLabels();
  ASSERT_EQ(labels.size(), 10);
  EXPECT_EQ(labels[0], "12:02:30");
  EXPECT_EQ(labels[9], "12:04:00");
  EXPECT_EQ(page->ScrollBar()->value(), 150);

  // The scroll bar's requests move the window (its rules: the unit tests).
  page->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(page->ScrollBar()->value(), 149);
  EXPECT_EQ(line->at(0), QPointF(1, 150));
  page->ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(line->count(), 1);
  EXPECT_EQ(line->at(0), QPointF(1, 250));

  // 3D: one band per entry, the earlier entry farther back; legend and
  // labels follow their boxes.
  page->ThreeDBox()->setChecked(true);
  page->LegendBox()->setChecked(false);
  page->XLabelsBox()->setChecked(false);
  ASSERT_EQ(chart->series().size(), 2);
  auto* back = qobject_cast<QAreaSeries*>(chart->series()[0]);
  auto* front = qobject_cast<QAreaSeries*>(chart->series()[1]);
  ASSERT_NE(back, nullptr);
  ASSERT_NE(front, nullptr);
  EXPECT_EQ(front->name(), "second");
  EXPECT_GT(back->lowerSeries()->at(0).x(), front->lowerSeries()->at(0).x());
  EXPECT_GT(front->upperSeries()->at(0).y(), front->lowerSeries()->at(0).y());
  EXPECT_FALSE(chart->legend()->isVisible());
  page->PointsBox()->setValue(10);
  EXPECT_EQ(front->lowerSeries()->count(), 10);

  // A refresh period that is no number is refused.
  page->RefreshEdit()->setText("soon");
  emit page->RefreshEdit()->editingFinished();
  EXPECT_EQ(messages, QStringList{"Please enter a number."});
  EXPECT_EQ(page->RefreshEdit()->text(), "2");

  QApplication::clipboard()->clear();
  page->CopyResults();
  EXPECT_FALSE(QApplication::clipboard()->image().isNull());
}

TEST_F(GraphPageTest, RedrawDuringAPollOnADeadAgentDoesNotWait) {
  GraphData().AddEntry({'S', ".1.3.6.1.2.1.1.3.0", "uptime"});
  Store(20);
  CStatusLog status;
  sheet->SetActivePage(PageIndex("graph"));
  TypeHost("127.0.0.1");
  sheet->OnStartStop();
  // The request is at the agent, which keeps the poll waiting 3 seconds.
  ASSERT_TRUE(RequestArrived(5000));
  QElapsedTimer timer;
  timer.start();
  qint64 longest = 0;
  for (int i = 0; i < 20; ++i) {
    const qint64 before = timer.nsecsElapsed();
    page->Redraw();
    page->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    longest = std::max(longest, timer.nsecsElapsed() - before);
  }
  // All that happened while the poll still waited for its answer.
  EXPECT_FALSE(status.Texts().join('\n').contains("No SNMP Response"));
  EXPECT_TRUE(page->Polling());
  std::printf("redraw and scroll during a waiting poll: longest %.2f ms\n", longest / 1e6);
}

}  // namespace
