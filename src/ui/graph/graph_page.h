// The Graph page: a line chart of the window's chart data (core/mib/
// graph_data.h), its view settings, its entries and the scroll bar through
// time; Start polls the entries on the page's job runner.
//
// The polling thread never touches a widget: the chart data announce new
// samples and the page redraws on the user-interface thread, once per turn
// of the event loop however many announcements arrive.
#pragma once

#include <QString>
#include <atomic>
#include <vector>

#include "core/base/job_runner.h"
#include "tools/graph/graph_data.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSpinBox;

class QChart;
class QChartView;
class QCategoryAxis;
class QValueAxis;
class QAbstractSeries;
class QLineSeries;

namespace tesmo {

class CGraphPage : public ToolPage {
  Q_OBJECT
 public:
  explicit CGraphPage(const PageContext& context);
  ~CGraphPage() override;

  // Shows the settings, then Init.
  void InitPage() override;
  // The chart as an image on the clipboard.
  void CopyResults() override;
  // Resolves the target, then polls on the runner.
  void StartJob() override;
  // Shows the settings in the controls again.
  void ResetResults() override;
  // Every entry goes.
  void OnShutdown() override;
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  // Clear, Delete, the entry list, the refresh field and Init; the point
  // count, the check boxes and the scroll bar stay usable while polling.
  void EnableControls(bool enable) override;
  void StopBackgroundThreads() override;
  // "Graph Round Trip Delay": a round-trip entry for host, no page switch.
  void HandleGridCommand(int commandId, const QString& host) override;

  // Drops samples and entries and resets the view settings but the period.
  void Init();
  void Clear();
  // Removes the entry selected in the list (nothing without a selection).
  void DeleteSelected();
  // Sends the window to the chart now (user-interface thread).
  void Redraw();

  bool Polling() const { return runner.Running(); }
  QChartView* ChartView() const { return chartView; }
  QChart* Chart() const { return chart; }
  QScrollBar* ScrollBar() const { return scrollBar; }
  QLineEdit* RefreshEdit() const { return refreshEdit; }
  QSpinBox* PointsBox() const { return pointsBox; }
  QCheckBox* LegendBox() const { return legendBox; }
  QCheckBox* ThreeDBox() const { return threeDBox; }
  QCheckBox* XLabelsBox() const { return xLabelsBox; }
  QComboBox* EntryList() const { return entryList; }
  QPushButton* DeleteButton() const { return deleteButton; }
  QPushButton* ClearButton() const { return clearButton; }
  QPushButton* InitButton() const { return initButton; }
  // The texts of the X axis labels as drawn (tests).
  QStringList XLabels() const;

 private:
  // Reads the controls into the chart's view settings; a refresh period that
  // is not a number (or is negative) shows "Please enter a number." and
  // keeps the one in use.
  void ReadControls();
  void ShowView();
  void ShowEntries();
  void ScheduleRedraw();
  void OnScrollAction(int action);
  void RebuildSeries(int count, bool threeD);

  CGraphData& data;
  std::atomic<bool> redrawPending{false};

  QChartView* chartView = nullptr;
  QChart* chart = nullptr;
  QCategoryAxis* axisX = nullptr;
  QValueAxis* axisY = nullptr;
  // 2D: one line per entry. 3D: per entry a band between its line and the
  // same line moved back (up and to the right), farther back for earlier
  // entries, drawn back to front.
  std::vector<QLineSeries*> lines;
  std::vector<QLineSeries*> backLines;
  std::vector<QAbstractSeries*> shownSeries;
  bool seriesThreeD = false;

  QScrollBar* scrollBar = nullptr;
  QLineEdit* refreshEdit = nullptr;
  QSpinBox* pointsBox = nullptr;
  QCheckBox* legendBox = nullptr;
  QCheckBox* threeDBox = nullptr;
  QCheckBox* xLabelsBox = nullptr;
  QComboBox* entryList = nullptr;
  QPushButton* deleteButton = nullptr;
  QPushButton* clearButton = nullptr;
  QPushButton* initButton = nullptr;

  // Last: destroyed first, it stops and waits for the polling thread.
  CJobRunner runner;
};

}  // namespace tesmo
