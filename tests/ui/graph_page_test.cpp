// The Graph page in the window, offscreen: the command-line set-up, the
// entries that other pages and the Select menu add, the scroll bar and the
// view settings on the drawn chart, and a redraw while a poll waits for an
// agent that never answers.
#include "ui/graph/graph_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <functional>

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
#include "ui/widgets/readable_colour.h"
#include "wait.h"

using namespace tesmo;

namespace {

// The points an entry's series draw (the front edges in 3D).
QList<QPointF> EntryPoints(CGraphPage* page, int entry) {
  QList<QPointF> points;
  for (QAbstractSeries* series : page->EntrySeries(entry)) {
    if (auto* line = qobject_cast<QLineSeries*>(series)) points += line->points();
    if (auto* band = qobject_cast<QAreaSeries*>(series)) points += band->lowerSeries()->points();
  }
  return points;
}

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
  // Stores count sample points without a network: by default sample n of
  // entry k plots n + k, and every sample is stamped 12:00:00 local time
  // plus n seconds.
  void Store(int count, const std::function<RawSample(int n, size_t k)>& sample = {}) {
    CGraphData& data = GraphData();
    if (!data.Primed()) data.EndPoll(data.BeginPoll(), {}, 0, 5);
    const int64_t noon = QDateTime(QDate(2024, 5, 1), QTime(12, 0)).toSecsSinceEpoch();
    for (int i = 0; i < count; ++i) {
      const GraphPoll poll = data.BeginPoll();
      const int n = data.Window().sampleCount;
      std::vector<RawSample> samples;
      for (size_t k = 0; k < poll.items.size(); ++k) {
        samples.push_back(sample ? sample(n, k) : RawSample(true, double(n) + double(k)));
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

namespace {

// A round-trip entry whose host stopped answering, one that never did, and
// a counter with its own agent: lost samples are gaps on the left (ms) axis,
// the counter's rates stand on the right axis, and the legend names agents.
TEST_F(GraphPageTest, LostSamplesAreGapsOnTheirOwnAxis) {
  GraphData().AddEntry({kGraphRoundTrip, "10.0.0.2", "ping 10.0.0.2"});
  GraphData().AddEntry({kGraphRoundTrip, "10.0.0.3", "ping 10.0.0.3"});
  GraphData().AddEntry({kGraphSnmp, "ifInOctets.2", "ifInOctets.2", "10.0.0.1"});
  Store(10, [](int n, size_t k) {
    if (k == 0) return RawSample(n < 3 || n > 5, 20 + n);  // lost at 3, 4 and 5
    if (k == 1) return RawSample(false, 0);
    RawSample counter(true, 1000.0 * n, true, 1000 * n);
    counter.agent = "10.0.0.1";
    return counter;
  });
  page->Redraw();

  // Entry 0: two lines around the gap, one legend line; entry 1 draws nothing.
  const std::vector<QAbstractSeries*> first = page->EntrySeries(0);
  ASSERT_EQ(first.size(), 2u);
  const QList<QPointF> points = EntryPoints(page, 0);
  ASSERT_EQ(points.size(), 7);
  EXPECT_EQ(points[2], QPointF(3, 22));
  EXPECT_EQ(points[3], QPointF(7, 26));
  QLegend* legend = page->Chart()->legend();
  QCoreApplication::processEvents();  // the legend lays its markers out
  EXPECT_TRUE(legend->markers(first[0])[0]->isVisible());
  EXPECT_FALSE(legend->markers(first[1])[0]->isVisible());
  EXPECT_TRUE(EntryPoints(page, 1).isEmpty());
  // The counter's first sample has no rate; then 1000 per second.
  EXPECT_EQ(EntryPoints(page, 2).size(), 9);
  EXPECT_EQ(EntryPoints(page, 2).back(), QPointF(10, 1000));

  EXPECT_TRUE(page->LeftAxis()->isVisible());
  EXPECT_EQ(page->LeftAxis()->alignment(), Qt::AlignLeft);
  EXPECT_TRUE(page->LeftAxis()->titleText().contains("ms"));
  EXPECT_TRUE(page->RightAxis()->isVisible());
  EXPECT_EQ(page->RightAxis()->alignment(), Qt::AlignRight);
  EXPECT_EQ(page->RightAxis()->titleText(), "per second");
  EXPECT_EQ(page->EntrySeries(2)[0]->attachedAxes().back(), page->RightAxis());
  // Scaled to the values there are, gaps none of them.
  EXPECT_LE(page->LeftAxis()->max(), 40);
  EXPECT_EQ(page->EntrySeries(0)[0]->name(), "ping 10.0.0.2");
  EXPECT_EQ(page->EntrySeries(2)[0]->name(), "ifInOctets.2 @ 10.0.0.1");
  EXPECT_EQ(page->EntryList()->itemText(2), "ifInOctets.2 @ 10.0.0.1");

  // 3D draws the same gaps.
  page->ThreeDBox()->setChecked(true);
  EXPECT_EQ(page->EntrySeries(0).size(), 2u);
  EXPECT_TRUE(EntryPoints(page, 1).isEmpty());

  // Round trips only: no right axis. An SNMP entry without an agent of its
  // own names the agent its readings asked.
  GraphData().DeleteEntry(2);
  page->Redraw();
  EXPECT_FALSE(page->RightAxis()->isVisible());
  GraphData().AddEntry({kGraphSnmp, "sysUpTime.0", "sysUpTime.0"});
  Store(1, [](int, size_t) {
    RawSample gauge(true, 5);
    gauge.agent = "127.0.0.9";
    return gauge;
  });
  page->Redraw();
  EXPECT_EQ(page->EntrySeries(2)[0]->name(), "sysUpTime.0 @ 127.0.0.9");
  EXPECT_EQ(page->RightAxis()->titleText(), "value");
}

TEST_F(GraphPageTest, LinesStandOutOnLightAndDarkPalettes) {
  for (int k = 0; k < 8; ++k) GraphData().AddEntry({kGraphSnmp, "o", "entry"});
  Store(3);
  const struct {
    QColor base, text;
  } palettes[] = {{Qt::white, Qt::black}, {QColor(0x1e, 0x1e, 0x1e), QColor(0xee, 0xee, 0xee)}};
  for (const auto& p : palettes) {
    QPalette palette = page->palette();
    palette.setColor(QPalette::Base, p.base);
    palette.setColor(QPalette::Text, p.text);
    page->setPalette(palette);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->Chart()->backgroundBrush().color(), p.base);
    EXPECT_EQ(page->RightAxis()->labelsColor(), p.text);
    for (int k = 0; k < 8; ++k) {
      auto* line = qobject_cast<QLineSeries*>(page->EntrySeries(k)[0]);
      ASSERT_NE(line, nullptr);
      EXPECT_GE(ContrastRatio(line->pen().color(), p.base), 3.0)
          << "entry " << k << " on " << p.base.name().toStdString();
    }
  }
}

// Dragging over the plot zooms into the part it covers; a double click shows
// everything again.
TEST_F(GraphPageTest, RubberBandZoomsAndDoubleClickResets) {
  GraphData().AddEntry({kGraphSnmp, "a", "a"});
  Store(100);
  page->Redraw();
  sheet->SetActivePage(PageIndex("graph"));
  QCoreApplication::processEvents();
  QWidget* viewport = page->ChartView()->viewport();
  const QRectF plot = page->Chart()->plotArea();
  const QPoint from =
      page->ChartView()->mapFromScene(plot.topLeft() + QPointF(plot.width() / 4, 2));
  const QPoint to = page->ChartView()->mapFromScene(plot.topLeft() +
                                                    QPointF(plot.width() / 2, plot.height() / 2));
  const double wholeMax = page->RightAxis()->max();
  QTest::mousePress(viewport, Qt::LeftButton, {}, from);
  QTest::mouseMove(viewport, to);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
  EXPECT_TRUE(page->Zoomed());
  QValueAxis* axisX = qobject_cast<QValueAxis*>(page->Chart()->axes(Qt::Horizontal)[0]);
  ASSERT_NE(axisX, nullptr);
  EXPECT_NEAR(axisX->min(), 25.5, 2);
  EXPECT_NEAR(axisX->max(), 50.5, 2);
  EXPECT_LT(page->RightAxis()->max(), wholeMax);
  EXPECT_GT(page->RightAxis()->min(), 0);
  // New samples leave the zoomed samples where they are.
  Store(1);
  page->Redraw();
  EXPECT_NEAR(axisX->min(), 24.5, 2);

  QTest::mouseDClick(viewport, Qt::LeftButton, {}, to);
  EXPECT_FALSE(page->Zoomed());
  EXPECT_EQ(axisX->min(), 0.5);
  EXPECT_EQ(page->RightAxis()->min(), 0);
}

TEST_F(GraphPageTest, SaveAsWritesImagesAndSamplesButNothingElse) {
  GraphData().AddEntry({kGraphRoundTrip, "10.0.0.2", "ping 10.0.0.2"});
  Store(3, [](int n, size_t) { return RawSample(n != 1, 12); });
  page->Redraw();
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
  const QString fifo = dir.filePath("pipe.csv");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  ASSERT_TRUE(QFile::link(dir.filePath("elsewhere.svg"), dir.filePath("link.svg")));
  const struct {
    QString name;
    bool saved;
    QByteArray starts;    // the file's first bytes
    QByteArray contains;  // and something in it
  } cases[] = {
      {"chart.png", true, "\x89PNG", ""},
      {"chart.svg", true, "<?xml", "<svg"},
      {"samples.csv", true, "time,ping 10.0.0.2\r\n", "T12:00:01"},
      {"folder.png", false, "", ""},
      {"pipe.csv", false, "", ""},
      {"link.svg", false, "", ""},
      {"missing/chart.png", false, "", ""},
      {"chart.txt", false, "", ""},
  };
  for (const auto& c : cases) {
    const QString path = dir.filePath(c.name);
    EXPECT_EQ(page->SaveChart(path), c.saved) << c.name.toStdString();
    const QString status = sheet->StatusLine()->text();
    EXPECT_TRUE(status.contains(path)) << status.toStdString();
    EXPECT_EQ(status.startsWith("Not saved"), !c.saved) << status.toStdString();
    if (!c.saved) continue;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith(c.starts)) << c.name.toStdString();
    EXPECT_TRUE(bytes.contains(c.contains)) << c.name.toStdString();
    // The lost sample is an empty cell.
    if (c.name.endsWith(".csv")) {
      EXPECT_TRUE(bytes.contains(",\r\n")) << bytes.toStdString();
    }
  }
  EXPECT_TRUE(QFileInfo(dir.filePath("folder.png")).isDir());
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("elsewhere.svg")));
}

}  // namespace
