// Where the job threads meet the user-interface thread in our own code: the
// job runner's start, stop and wait; a grid filled by a job while the view
// takes snapshots and the user clicks; the chart polled while its entries
// change; status texts and settings from several threads. Each checks what
// the other side sees; run under ThreadSanitizer they also prove the
// meetings race-free.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "core/base/job_control.h"
#include "core/base/job_runner.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/grid/grid_data.h"
#include "core/grid/table_fill.h"
#include "core/grid/table_grid.h"
#include "support/fake_agent.h"
#include "support/qt_print.h"
#include "tools/graph/graph_poll.h"

namespace tesmo {
namespace {

using Clock = std::chrono::steady_clock;

// Runs check over and over on a thread of its own until the returned object
// goes; every wait of the callers is bounded by their own loops.
class CMeanwhile {
 public:
  explicit CMeanwhile(std::function<void()> check)
      : thread([this, check = std::move(check)] {
          while (!done.load()) {
            check();
            ++rounds;
          }
        }) {}
  ~CMeanwhile() {
    done = true;
    thread.join();
  }
  std::atomic<int> rounds{0};

 private:
  std::atomic<bool> done{false};
  std::thread thread;
};

TEST(Threads, JobRunnerStartsStopsAndWaits) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    std::atomic<int> steps{0};
    {
      CJobRunner runner;
      // The window asks from its own thread whether it may start.
      CMeanwhile watcher([&] {
        static_cast<void>(runner.CanStart());
        static_cast<void>(runner.Running());
      });
      ASSERT_TRUE(runner.Start([&] {
        const auto giveUp = Clock::now() + std::chrono::seconds(10);
        while (!StopRequested() && Clock::now() < giveUp) {
          ++steps;
          std::this_thread::yield();
        }
      }));
      EXPECT_FALSE(runner.CanStart());
      EXPECT_FALSE(runner.Start([] {})) << "a second job while one runs";
      EXPECT_TRUE(CJobControl::Instance().JobRunning());
      const auto giveUp = Clock::now() + std::chrono::seconds(10);
      while (steps.load() < 10 && Clock::now() < giveUp) std::this_thread::yield();
      if (round % 2 == 0) {
        runner.Cancel();
        runner.Wait();
        EXPECT_FALSE(runner.Running());
        EXPECT_TRUE(runner.CanStart());
      }
      // Odd rounds leave it to the destructor, which cancels and waits.
    }
    EXPECT_FALSE(CJobControl::Instance().JobRunning());
    EXPECT_GE(steps.load(), 10);
  }
}

TEST(Threads, GridFilledByAJobWhileTheViewReadsIt) {
  constexpr int kRows = 1500;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  std::atomic<int> changes{0};
  QObject::connect(
      &grid, &CGridData::Changed, &grid, [&] { ++changes; }, Qt::DirectConnection);

  CJobRunner runner;
  ASSERT_TRUE(runner.Start([&] {
    const CColumnInfo columns[] = {{"no", 4, kAlignLeftTop, false, kSortNumericAscending},
                                   {"text", 12, kAlignLeftTop, true, kSortStringAscending},
                                   {"status", 12, kAlignLeftTop, false, kSortStringAscending}};
    PrepareTable(table, columns);
    CTableFill fill(table);
    for (int i = 1; i <= kRows; ++i) {
      const QString n = QString::number(i);
      fill.AddRow({n, "row " + n, QString()});
      if (i % 3 == 0) grid.SetTextAt(i, 2, "status " + n);
      // The count and a redraw now and then, as a page that draws while it
      // walks: from here on every write tells the view.
      if (i % 100 == 0) FinishTable(table, fill.Count());
    }
    FinishTable(table, fill.Count(), 0, kSortNumericAscending);
  }));

  // The view: snapshots whose rows are each whole, the count label, the
  // user's clicks and selection.
  std::atomic<int> brokenRows{0};
  const auto giveUp = Clock::now() + std::chrono::seconds(30);
  int snapshots = 0;
  while (runner.Running() && Clock::now() < giveUp) {
    CGridSnapshot snapshot;
    if (grid.TakeSnapshot(snapshot)) ++snapshots;
    for (int r = 1; r < snapshot.RowCount(); ++r) {
      const QString n = snapshot.TextAt(r, 0);
      if (!n.isEmpty() && snapshot.TextAt(r, 1) != "row " + n) ++brokenRows;
    }
    table.StatusLabel();
    grid.SetSelectionFromView(1, 0, std::min(grid.Rows() - 1, 5), 2);
    grid.SelectionText();
    table.OnGridMouseDown(kRightButton, 0, 0, 0);
    table.ClickedCellText();
  }
  runner.Wait();
  EXPECT_EQ(brokenRows.load(), 0);
  EXPECT_GT(snapshots, 0);
  EXPECT_GT(changes.load(), 0);
  ASSERT_EQ(grid.Rows(), kRows + 1);
  for (int r = 1; r <= kRows; ++r) {
    ASSERT_EQ(grid.TextAt(r, 0), QString::number(r));
    ASSERT_EQ(grid.TextAt(r, 2), r % 3 == 0 ? "status " + QString::number(r) : QString());
  }
  EXPECT_EQ(table.StatusLabel(), EntryCountText(kRows));
}

TEST(Threads, ChartPolledWhileItsEntriesChange) {
  // A counter agent on the loopback: every GET reads the counter higher.
  std::atomic<long> counter{0};
  fake::FakeAgent agent([&](const std::vector<ObjectId>& names) {
    fake::Answer answer;
    for (const ObjectId& name : names) {
      answer.bindings.push_back({name, fake::Integer(counter += 1000, 0x41)});
    }
    return answer;
  });
  CGraphData chart;
  chart.AddEntry({kGraphSnmp, ".1.3.6.1.2.1.2.2.1.10.1", "in"});
  GraphPollOptions options;
  options.periodSeconds = 0.05;
  std::atomic<int> polls{0};
  options.onPoll = [&] { ++polls; };

  CJobRunner runner;
  ASSERT_TRUE(runner.Start([&](JobContext& context) {
    context.SetTarget(agent.Target());
    RunGraphPolling(chart, context, options);
  }));
  // The page meanwhile: entries come and go, the window is drawn and scrolled.
  const auto giveUp = Clock::now() + std::chrono::seconds(20);
  for (int i = 0; polls.load() < 12 && Clock::now() < giveUp; ++i) {
    if (i % 50 == 0) chart.AddEntry({kGraphSnmp, ".1.3.6.1.2.1.2.2.1.16.1", "out"});
    if (i % 50 == 25 && chart.EntryCount() > 1) chart.DeleteEntry(1);
    GraphView view = chart.View();
    view.points = 5 + i % 20;
    chart.SetView(view);
    const GraphWindow window = chart.Window();
    for (const auto& values : window.values) {
      if (values.size() != window.times.size()) ADD_FAILURE() << "a series out of step";
    }
    chart.Scroll(GraphScroll::LineLeft);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const auto stopAt = Clock::now();
  runner.Cancel();
  runner.Wait();
  EXPECT_LT(Clock::now() - stopAt, std::chrono::milliseconds(200));
  EXPECT_GE(polls.load(), 12);
  const GraphSamples samples = chart.Samples();
  ASSERT_FALSE(samples.values.empty());
  for (const auto& values : samples.values) EXPECT_EQ(values.size(), samples.times.size());
}

TEST(Threads, StatusTextsAndSettingsFromSeveralThreads) {
  constexpr int kThreads = 4, kRounds = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const QString section = QStringLiteral("Threads%1").arg(t);
      for (int i = 0; i < kRounds; ++i) {
        PostStatus("thread %d text %d", t, i);
        CSettingsStore::WriteUInt(section, QStringLiteral("Round"), static_cast<uint32_t>(i));
        if (CSettingsStore::ReadUInt(section, QStringLiteral("Round"), 0) !=
            static_cast<uint32_t>(i))
          ADD_FAILURE() << "thread " << t << " lost its own write " << i;
      }
    });
  }
  {
    // The status line and the page's settings read meanwhile.
    CMeanwhile reader([] {
      CStatusChannel::Instance().Text();
      CSettingsStore::ReadStrings(QStringLiteral("Threads0"));
    });
    for (std::thread& thread : threads) thread.join();
  }
  EXPECT_TRUE(CStatusChannel::Instance().Text().endsWith(QString(" text %1").arg(kRounds - 1)));
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(CSettingsStore::ReadUInt(QStringLiteral("Threads%1").arg(t), "Round", 0),
              static_cast<uint32_t>(kRounds - 1));
  }
}

}  // namespace
}  // namespace tesmo
