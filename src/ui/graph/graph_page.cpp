// The Graph page.
#include "ui/graph/graph_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <set>

#include "core/base/job_control.h"
#include "core/grid/table_grid.h"
#include "core/icmp/ping_settings.h"
#include "tools/graph/graph_poll.h"
#include "ui/app/target.h"
#include "ui/widgets/number_edit.h"

namespace tesmo {
namespace {

constexpr int kChartId = 2088;
constexpr int kScrollBarId = 1091;
constexpr int kRefreshId = 1095;
constexpr int kPointsId = 1105;
constexpr int kLegendId = 1107;
constexpr int k3dId = 1108;
constexpr int kXLabelsId = 1109;
constexpr int kEntryListId = 1101;
constexpr int kDeleteId = 1093;
constexpr int kClearId = 1092;
constexpr int kInitId = 1089;

// The 3D bands: each step back moves a line by these fractions of the
// plotted width and height; a band is most of one step deep.
constexpr double kDepthX = 0.02;
constexpr double kDepthY = 0.05;
constexpr double kBandDepth = 0.8;

const CPageRegistration registration("graph", [](const PageContext& context) {
  return new CGraphPage(context);
});

QString TimeLabel(int64_t stamp) {
  return QDateTime::fromSecsSinceEpoch(stamp).toString(QStringLiteral("hh:mm:ss"));
}

QColor SeriesColor(int index) {
  static const QColor colors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                  QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                  QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                  QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
  return colors[static_cast<size_t>(index) % std::size(colors)];
}

}  // namespace

CGraphPage::CGraphPage(const PageContext& context) : ToolPage(context), data(GraphData()) {
  chart = new QChart;
  chart->legend()->setAlignment(Qt::AlignBottom);
  axisX = new QCategoryAxis(chart);
  axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  axisY = new QValueAxis(chart);
  chart->addAxis(axisX, Qt::AlignBottom);
  chart->addAxis(axisY, Qt::AlignLeft);
  chartView = new QChartView(chart, this);
  chartView->setRenderHint(QPainter::Antialiasing);
  RegisterControl(chartView, kChartId);

  scrollBar = new QScrollBar(Qt::Horizontal, this);
  RegisterControl(scrollBar, kScrollBarId);

  refreshEdit = new QLineEdit(this);
  refreshEdit->setMaximumWidth(refreshEdit->fontMetrics().horizontalAdvance("00000000") + 16);
  RegisterControl(refreshEdit, kRefreshId);
  pointsBox = new QSpinBox(this);
  pointsBox->setRange(0, kMaxGraphPoints);
  pointsBox->setKeyboardTracking(false);
  RegisterControl(pointsBox, kPointsId);
  legendBox = new QCheckBox(QStringLiteral("Legend"), this);
  RegisterControl(legendBox, kLegendId);
  threeDBox = new QCheckBox(QStringLiteral("3D"), this);
  RegisterControl(threeDBox, k3dId);
  xLabelsBox = new QCheckBox(QStringLiteral("X Labels"), this);
  RegisterControl(xLabelsBox, kXLabelsId);
  entryList = new QComboBox(this);
  entryList->setMinimumContentsLength(24);
  entryList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  RegisterControl(entryList, kEntryListId);
  deleteButton = new QPushButton(QStringLiteral("Delete"), this);
  RegisterControl(deleteButton, kDeleteId);
  clearButton = new QPushButton(QStringLiteral("Clear"), this);
  RegisterControl(clearButton, kClearId);
  initButton = new QPushButton(QStringLiteral("Init"), this);
  RegisterControl(initButton, kInitId);
  for (QPushButton* b : {deleteButton, clearButton, initButton}) b->setAutoDefault(false);

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("Refr. time (sec)"), this));
  controls->addWidget(refreshEdit);
  controls->addWidget(new QLabel(QStringLiteral("Nb pts"), this));
  controls->addWidget(pointsBox);
  controls->addWidget(legendBox);
  controls->addWidget(threeDBox);
  controls->addWidget(xLabelsBox);
  controls->addStretch(1);
  controls->addWidget(entryList);
  controls->addWidget(deleteButton);
  controls->addWidget(clearButton);
  controls->addWidget(initButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(chartView, 1);
  layout->addWidget(scrollBar);

  connect(refreshEdit, &QLineEdit::editingFinished, this, &CGraphPage::ReadControls);
  connect(pointsBox, &QSpinBox::valueChanged, this, &CGraphPage::ReadControls);
  for (QCheckBox* box : {legendBox, threeDBox, xLabelsBox}) {
    connect(box, &QCheckBox::toggled, this, &CGraphPage::ReadControls);
  }
  connect(deleteButton, &QPushButton::clicked, this, &CGraphPage::DeleteSelected);
  connect(clearButton, &QPushButton::clicked, this, &CGraphPage::Clear);
  connect(initButton, &QPushButton::clicked, this, &CGraphPage::Init);
  connect(scrollBar, &QScrollBar::actionTriggered, this, &CGraphPage::OnScrollAction);

  // The chart data change on any thread (samples on the polling thread).
  connect(&data, &CGraphData::SamplesChanged, this, &CGraphPage::ScheduleRedraw,
          Qt::DirectConnection);
  connect(&data, &CGraphData::EntriesChanged, this, &CGraphPage::ShowEntries, Qt::QueuedConnection);
  connect(&data, &CGraphData::ViewChanged, this, &CGraphPage::ShowView, Qt::QueuedConnection);

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(mapToGlobal(pos)); });
  chartView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(chartView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(chartView->mapToGlobal(pos)); });
  ShowView();
}

CGraphPage::~CGraphPage() {
  runner.Cancel();
  runner.Wait();
  disconnect(&data, nullptr, this, nullptr);
}

void CGraphPage::InitPage() {
  ResetResults();
  Init();
}

void CGraphPage::Init() {
  data.RemoveAll();
  GraphView view = data.View();
  view.points = 100;
  view.threeD = false;
  view.legend = true;
  view.xLabels = true;
  data.SetView(view);
  ShowView();
  ShowEntries();
  Redraw();
}

void CGraphPage::Clear() {
  data.Clear();
  Redraw();
}

void CGraphPage::DeleteSelected() {
  data.DeleteEntry(entryList->currentIndex());
  ShowEntries();
  Redraw();
}

void CGraphPage::HandleGridCommand(int, const QString& host) {
  // Graph Round Trip Delay, the tool's one command.
  if (!host.isEmpty()) AddGraphEntry(kGraphRoundTrip, host, QStringLiteral("ping ") + host);
}

void CGraphPage::CopyResults() {
  QApplication::clipboard()->setPixmap(chartView->grab());
}

void CGraphPage::StartJob() {
  if (!runner.CanStart()) return;
  ReadControls();
  GraphPollOptions options;
  options.ping = ReadPingSettings();
  options.periodSeconds = data.View().refreshSeconds;
  CGraphData* chartData = &data;
  // Polling is a job: Stop ends it, a request waiting for its answer too.
  StartTargetJob(runner, [chartData, options](const JobContext& context) {
    RunGraphPolling(*chartData, context, options);
  });
}

void CGraphPage::ResetResults() {
  ShowView();
}

void CGraphPage::OnShutdown() {
  data.RemoveAll();
  ShowEntries();
}

void CGraphPage::FactorySettings() {
  GraphView view = data.View();
  view.refreshSeconds = 5;
  data.SetView(view);
  ShowView();
}

void CGraphPage::SaveSettings() {
  ReadControls();
  SaveGraphRefreshSeconds(data.View().refreshSeconds);
}

void CGraphPage::LoadSettings() {
  GraphView view = data.View();
  view.refreshSeconds = LoadGraphRefreshSeconds();
  data.SetView(view);
  ShowView();
}

void CGraphPage::EnableControls(bool enable) {
  for (QWidget* w : std::initializer_list<QWidget*>{clearButton, deleteButton, entryList,
                                                    refreshEdit, initButton}) {
    w->setEnabled(enable);
  }
}

void CGraphPage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

void CGraphPage::ReadControls() {
  GraphView view = data.View();
  bool ok = false;
  const double refresh = refreshEdit->text().trimmed().toDouble(&ok);
  if (ok && std::isfinite(refresh) && refresh >= 0) {
    view.refreshSeconds = refresh;
  } else if (refreshEdit->text() != QString::number(view.refreshSeconds)) {
    refreshEdit->setText(QString::number(view.refreshSeconds));
    if (InputMessage) InputMessage(this, QStringLiteral("Please enter a number."));
  }
  view.points = pointsBox->value();
  view.legend = legendBox->isChecked();
  view.threeD = threeDBox->isChecked();
  view.xLabels = xLabelsBox->isChecked();
  data.SetView(view);
  Redraw();
}

void CGraphPage::ShowView() {
  const GraphView view = data.View();
  const QSignalBlocker b1(pointsBox), b2(legendBox), b3(threeDBox), b4(xLabelsBox);
  refreshEdit->setText(QString::number(view.refreshSeconds));
  pointsBox->setValue(view.points);
  legendBox->setChecked(view.legend);
  threeDBox->setChecked(view.threeD);
  xLabelsBox->setChecked(view.xLabels);
  ScheduleRedraw();
}

void CGraphPage::ShowEntries() {
  const std::vector<GraphEntryInfo> entries = data.Entries();
  const int selected = entryList->currentIndex();
  const QSignalBlocker block(entryList);
  entryList->clear();
  for (const GraphEntryInfo& entry : entries)
    entryList->addItem(ElidedLabel(QString::fromStdString(entry.label)));
  if (selected >= 0 && selected < entryList->count()) entryList->setCurrentIndex(selected);
}

void CGraphPage::ScheduleRedraw() {
  if (!redrawPending.exchange(true)) {
    // Skipped when a direct redraw has shown the change in the meantime.
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (redrawPending.load()) Redraw();
        },
        Qt::QueuedConnection);
  }
}

void CGraphPage::OnScrollAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      data.Scroll(GraphScroll::LineLeft);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      data.Scroll(GraphScroll::LineRight);
      break;
    case QAbstractSlider::SliderPageStepSub:
      data.Scroll(GraphScroll::PageLeft);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      data.Scroll(GraphScroll::PageRight);
      break;
    case QAbstractSlider::SliderToMinimum:
      data.Scroll(GraphScroll::LeftEnd);
      break;
    case QAbstractSlider::SliderToMaximum:
      data.Scroll(GraphScroll::RightEnd);
      break;
    case QAbstractSlider::SliderMove:
      data.Scroll(GraphScroll::Thumb, scrollBar->sliderPosition());
      break;
    default:
      return;
  }
  // Sets the slider to the window's start, which the scroll bar then keeps.
  Redraw();
}

void CGraphPage::RebuildSeries(int count, bool threeD) {
  chart->removeAllSeries();
  lines.clear();
  backLines.clear();
  shownSeries.clear();
  seriesThreeD = threeD;
  for (int i = 0; i < count; ++i) {
    const QColor color = SeriesColor(i);
    auto* line = new QLineSeries;
    lines.push_back(line);
    if (!threeD) {
      line->setPen(QPen(color, 2));
      shownSeries.push_back(line);
      continue;
    }
    // The band's lower edge is the line itself, the upper edge the same
    // line moved back; drawn darker, its front edge reads as the value.
    auto* back = new QLineSeries;
    backLines.push_back(back);
    auto* band = new QAreaSeries(back, line);
    // The band does not own its edges: they go with it when the chart
    // drops it.
    back->setParent(band);
    line->setParent(band);
    band->setBrush(color.lighter(130));
    band->setPen(QPen(color.darker(150), 1.5));
    shownSeries.push_back(band);
  }
  for (QAbstractSeries* series : shownSeries) {
    chart->addSeries(series);
    series->attachAxis(axisX);
    series->attachAxis(axisY);
  }
}

void CGraphPage::Redraw() {
  redrawPending.store(false);
  const GraphView view = data.View();
  const GraphWindow window = data.Window();
  const int shown = std::max(window.viewEnd - window.viewStart, 0);

  {
    const QSignalBlocker block(scrollBar);
    scrollBar->setRange(0, std::max(window.sampleCount - shown, 0));
    scrollBar->setPageStep(shown + 1);
    scrollBar->setSingleStep(1);
    scrollBar->setValue(window.viewStart);
    scrollBar->setSliderPosition(window.viewStart);
  }

  const int count = static_cast<int>(window.entries.size());
  if (count != static_cast<int>(lines.size()) || view.threeD != seriesThreeD) {
    RebuildSeries(count, view.threeD);
  }
  double low = 0, high = 0;
  for (const std::vector<double>& values : window.values) {
    for (double v : values) {
      if (IsGraphGap(v)) continue;
      low = std::min(low, v);
      high = std::max(high, v);
    }
  }
  if (high <= low) high = low + 1;
  // Entry 0 stands farthest back, the last one in front.
  const double stepX = view.threeD ? std::max(shown, 1) * kDepthX : 0;
  const double stepY = view.threeD ? (high - low) * kDepthY : 0;
  for (int i = 0; i < count; ++i) {
    const std::vector<double>& values = window.values[static_cast<size_t>(i)];
    const int depth = count - 1 - i;
    QList<QPointF> front, back;
    front.reserve(shown);
    for (int n = 0; n < shown && n < static_cast<int>(values.size()); ++n) {
      if (IsGraphGap(values[static_cast<size_t>(n)])) continue;
      const double x = n + 1 + depth * stepX;
      const double y = values[static_cast<size_t>(n)] + depth * stepY;
      front.append(QPointF(x, y));
      if (view.threeD) back.append(QPointF(x + kBandDepth * stepX, y + kBandDepth * stepY));
    }
    lines[static_cast<size_t>(i)]->replace(front);
    if (view.threeD) backLines[static_cast<size_t>(i)]->replace(back);
    shownSeries[static_cast<size_t>(i)]->setName(
        GraphLegendText(window.entries[static_cast<size_t>(i)]));
  }

  // One time label and one tick every tenth of the shown points.
  for (const QString& label : axisX->categoriesLabels()) axisX->remove(label);
  const int every = std::max(shown / 10, 1);
  std::set<QString> used;
  axisX->setStartValue(0.5);
  for (int n = 1; n <= shown; n += every) {
    QString label = TimeLabel(window.times[static_cast<size_t>(n - 1)]);
    // The axis keeps one category per label: equal times get invisible marks.
    while (!used.insert(label).second) label += QChar(0x200B);
    axisX->append(label, n);
  }
  const double depthRoom = count * stepX;
  axisX->setRange(0.5, std::max(shown, 1) + 0.5 + depthRoom);
  axisX->setLabelsVisible(view.xLabels);
  axisY->setRange(low, high + count * stepY);
  axisY->applyNiceNumbers();
  chart->legend()->setVisible(view.legend && count > 0);
}

QStringList CGraphPage::XLabels() const {
  QStringList labels;
  for (const QString& label : axisX->categoriesLabels()) {
    labels << QString(label).remove(QChar(0x200B));
  }
  return labels;
}

}  // namespace tesmo
