// The Graph page: a line chart of the window's chart data (core/mib/
// graph_data.h), its view settings, its entries and the scroll bar through
// time; Start polls the entries on the page's job runner.
//
// The polling thread never touches a widget: the chart data announce new
// samples and the page redraws on the user-interface thread, once per turn
// of the event loop however many announcements arrive.
//
// Round trips stand on a left axis in ms, SNMP values on a right axis (per
// second for counters); an axis without entries is hidden. A lost sample
// breaks its entry's line: each run of samples between gaps is a series of
// its own, and only an entry's first one shows in the legend. Dragging over
// the chart zooms into a time range, a value range or both; a double click
// shows all again.
#pragma once

#include <QColor>
#include <QPoint>
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

class QRubberBand;

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

  // Zooms into what rect (viewport coordinates of the chart view) covers: a
  // drag wide enough picks a time range, one tall enough a value range on
  // both axes. The zoom holds the samples it shows while new ones come.
  void ZoomTo(const QRect& rect);
  void ResetZoom();
  bool Zoomed() const { return zoom.time || zoom.values; }

  // Writes the chart to path: a PNG or SVG image, or the samples as CSV, by
  // the name's suffix. Anything there that is not a regular file is left
  // alone; the outcome is shown in the status line. False on failure.
  bool SaveChart(const QString& path);

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
  QPushButton* SaveButton() const { return saveButton; }
  // Round trips (left) and SNMP values (right).
  QValueAxis* LeftAxis() const { return axisLeft; }
  QValueAxis* RightAxis() const { return axisRight; }
  // The series drawing entry index, its legend's first (tests).
  std::vector<QAbstractSeries*> EntrySeries(int index) const;
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
  // One series per run of samples between gaps: shape holds 3D, then per
  // entry its axis and its number of runs.
  void RebuildSeries(const std::vector<int>& shape, bool threeD);
  // The chart's background, text and grid from the page's palette.
  void ApplyPalette();
  // "Save as…": asks for a file, then SaveChart.
  void ChooseSaveFile();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

  CGraphData& data;
  std::atomic<bool> redrawPending{false};

  QChartView* chartView = nullptr;
  QChart* chart = nullptr;
  QCategoryAxis* axisX = nullptr;
  QValueAxis* axisLeft = nullptr;
  QValueAxis* axisRight = nullptr;
  // 2D: per entry one line per run of samples. 3D: per run a band between
  // its line and the same line moved back (up and to the right), farther
  // back for earlier entries, drawn back to front.
  struct Segment {
    QAbstractSeries* shown = nullptr;
    QLineSeries* front = nullptr;
    QLineSeries* back = nullptr;  // 3D only
  };
  std::vector<std::vector<Segment>> segments;
  std::vector<int> seriesShape;

  // The zoom: a time range in sample positions (sample index + 1, so that
  // it stays on its samples while the window moves) and value ranges of
  // both axes.
  struct Zoom {
    bool time = false;
    double first = 0, last = 0;
    bool values = false;
    double leftLow = 0, leftHigh = 0, rightLow = 0, rightHigh = 0;
  } zoom;
  QRubberBand* rubberBand = nullptr;
  QPoint bandOrigin;

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
  QPushButton* saveButton = nullptr;

  // Last: destroyed first, it stops and waits for the polling thread.
  CJobRunner runner;
};

}  // namespace tesmo
