// The Graph page.
#include "ui/graph/graph_page.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRubberBand>
#include <QSaveFile>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "core/base/job_control.h"
#include "core/grid/table_grid.h"
#include "core/icmp/ping_settings.h"
#include "tools/graph/graph_csv.h"
#include "tools/graph/graph_poll.h"
#include "ui/app/show_status.h"
#include "ui/app/target.h"
#include "ui/widgets/number_edit.h"
#include "ui/widgets/readable_colour.h"

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
constexpr int kSaveId = 1110;

// The 3D bands: each step back moves a line by these fractions of the
// plotted width and height; a band is most of one step deep.
constexpr double kDepthX = 0.02;
constexpr double kDepthY = 0.05;
constexpr double kBandDepth = 0.8;

// A drag shorter than this (pixels) across does not pick that range.
constexpr int kMinDrag = 4;
// Lines stand out from the chart's background at least this much (WCAG's
// ratio for graphics).
constexpr double kMinContrast = 3.0;

const CPageRegistration registration("graph", [](const PageContext& context) {
  return new CGraphPage(context);
});

QString TimeLabel(int64_t stamp) {
  return QDateTime::fromSecsSinceEpoch(stamp).toString(QStringLiteral("hh:mm:ss"));
}

// Entry index's colour, made lighter on a dark background and darker on a
// light one until it stands out from it.
QColor SeriesColor(int index, const QColor& background) {
  static const QColor colors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                  QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                  QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                  QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
  return ReadableOn(colors[static_cast<size_t>(index) % std::size(colors)], background,
                    kMinContrast);
}

// Runs of values between gaps: [begin, end) of each.
std::vector<std::pair<int, int>> Runs(const std::vector<double>& values, int shown) {
  std::vector<std::pair<int, int>> runs;
  const int count = std::min(shown, static_cast<int>(values.size()));
  for (int n = 0; n < count; ++n) {
    if (IsGraphGap(values[static_cast<size_t>(n)])) continue;
    if (runs.empty() || runs.back().second != n) runs.emplace_back(n, n);
    runs.back().second = n + 1;
  }
  return runs;
}

// The right axis says what its values are.
QString RightAxisTitle(bool rates, bool plain) {
  if (rates && plain) return QStringLiteral("value, per second");
  return rates ? QStringLiteral("per second") : QStringLiteral("value");
}

// Writes bytes to path unless something other than a regular file is there
// (a directory, a device, a pipe, a link); the file appears whole or not at
// all. error: why it was not written.
bool WriteRegularFile(const QString& path, const QByteArray& bytes, QString& error) {
  const QFileInfo info(path);
  if (info.isSymLink() || (info.exists() && !info.isFile())) {
    error = QStringLiteral("not a regular file");
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    error = file.errorString();
    return false;
  }
  return true;
}

void ShowStatusText(const QString& text) {
  ShowStatus("%s", text.toUtf8().constData());
}

}  // namespace

CGraphPage::CGraphPage(const PageContext& context) : ToolPage(context), data(GraphData()) {
  chart = new QChart;
  chart->legend()->setAlignment(Qt::AlignBottom);
  axisX = new QCategoryAxis(chart);
  axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  axisLeft = new QValueAxis(chart);
  axisLeft->setTitleText(QStringLiteral("round trip (ms)"));
  axisRight = new QValueAxis(chart);
  chart->addAxis(axisX, Qt::AlignBottom);
  chart->addAxis(axisLeft, Qt::AlignLeft);
  chart->addAxis(axisRight, Qt::AlignRight);
  chartView = new QChartView(chart, this);
  chartView->setRenderHint(QPainter::Antialiasing);
  RegisterControl(chartView, kChartId);
  rubberBand = new QRubberBand(QRubberBand::Rectangle, chartView->viewport());
  chartView->viewport()->installEventFilter(this);

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
  saveButton = new QPushButton(QStringLiteral("Save as\u2026"), this);
  RegisterControl(saveButton, kSaveId);
  for (QPushButton* b : {deleteButton, clearButton, initButton, saveButton}) {
    b->setAutoDefault(false);
  }
  auto* refreshLabel = new QLabel(QStringLiteral("Refr. time (sec)"), this);
  refreshLabel->setBuddy(refreshEdit);
  auto* pointsLabel = new QLabel(QStringLiteral("Nb pts"), this);
  pointsLabel->setBuddy(pointsBox);
  // Screen readers name each control by its caption, or by its tool tip
  // where it has none.
  const std::pair<QWidget*, QString> names[] = {
      {chartView, {}},
      {scrollBar, {}},
      {refreshEdit, refreshLabel->text()},
      {pointsBox, pointsLabel->text()},
      {legendBox, legendBox->text()},
      {threeDBox, threeDBox->text()},
      {xLabelsBox, xLabelsBox->text()},
      {entryList, {}},
      {deleteButton, deleteButton->text()},
      {clearButton, clearButton->text()},
      {initButton, initButton->text()},
      {saveButton, saveButton->text()},
  };
  for (const auto& [control, caption] : names) {
    control->setAccessibleName(caption.isEmpty() ? control->toolTip() : caption);
  }

  auto* controls = new QHBoxLayout;
  controls->addWidget(refreshLabel);
  controls->addWidget(refreshEdit);
  controls->addWidget(pointsLabel);
  controls->addWidget(pointsBox);
  controls->addWidget(legendBox);
  controls->addWidget(threeDBox);
  controls->addWidget(xLabelsBox);
  controls->addStretch(1);
  controls->addWidget(entryList);
  controls->addWidget(deleteButton);
  controls->addWidget(clearButton);
  controls->addWidget(initButton);
  controls->addWidget(saveButton);
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
  connect(saveButton, &QPushButton::clicked, this, &CGraphPage::ChooseSaveFile);
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
  ApplyPalette();
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
  zoom = {};
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
  zoom = {};
  data.Clear();
  Redraw();
}

void CGraphPage::DeleteSelected() {
  zoom = {};
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
  // Another point count shows other samples: the zoom was on the old ones.
  if (view.points != data.View().points) zoom = {};
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
  // Entries come and go with their samples: the zoom was on those.
  zoom = {};
  const std::vector<GraphEntryInfo> entries = data.Entries();
  const int selected = entryList->currentIndex();
  const QSignalBlocker block(entryList);
  entryList->clear();
  // An entry that asks an agent of its own says which.
  for (const GraphEntryInfo& entry : entries)
    entryList->addItem(GraphLegendText({entry, entry.agent}));
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
  // The scroll bar moves through time: the chart shows the whole window.
  zoom = {};
  // Sets the slider to the window's start, which the scroll bar then keeps.
  Redraw();
}

void CGraphPage::RebuildSeries(const std::vector<int>& shape, bool threeD) {
  chart->removeAllSeries();
  segments.clear();
  seriesShape = shape;
  const QColor background = chart->backgroundBrush().color();
  const size_t count = (shape.size() - 1) / 2;
  for (size_t i = 0; i < count; ++i) {
    const QColor color = SeriesColor(static_cast<int>(i), background);
    QValueAxis* axisY = shape[1 + 2 * i] != 0 ? axisRight : axisLeft;
    const int runs = std::max(shape[2 + 2 * i], 1);
    std::vector<Segment>& entrySegments = segments.emplace_back();
    for (int r = 0; r < runs; ++r) {
      Segment segment;
      segment.front = new QLineSeries;
      if (!threeD) {
        segment.front->setPen(QPen(color, 2));
        segment.front->setColor(color);
        segment.shown = segment.front;
      } else {
        // The band's lower edge is the line itself, the upper edge the same
        // line moved back; drawn darker, its front edge reads as the value.
        segment.back = new QLineSeries;
        auto* band = new QAreaSeries(segment.back, segment.front);
        // The band does not own its edges: they go with it when the chart
        // drops it.
        segment.back->setParent(band);
        segment.front->setParent(band);
        band->setBrush(color.lighter(130));
        band->setPen(QPen(color.darker(150), 1.5));
        segment.shown = band;
      }
      chart->addSeries(segment.shown);
      segment.shown->attachAxis(axisX);
      segment.shown->attachAxis(axisY);
      // One legend line per entry.
      if (r > 0) {
        for (QLegendMarker* marker : chart->legend()->markers(segment.shown)) {
          marker->setVisible(false);
        }
      }
      entrySegments.push_back(segment);
    }
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

  // Each axis scales to the values its entries have (gaps are none), from 0.
  struct Range {
    double low = 0, high = 0;
    bool used = false;
  } left, right;
  bool rates = false, plain = false;
  const size_t count = window.entries.size();
  std::vector<std::vector<std::pair<int, int>>> runs(count);
  std::vector<int> shape{view.threeD ? 1 : 0};
  for (size_t i = 0; i < count; ++i) {
    const GraphEntryShown& entry = window.entries[i];
    const bool onRight = entry.info.kind != kGraphRoundTrip;
    Range& range = onRight ? right : left;
    range.used = true;
    if (onRight) (entry.rate ? rates : plain) = true;
    for (double v : window.values[i]) {
      if (IsGraphGap(v)) continue;
      range.low = std::min(range.low, v);
      range.high = std::max(range.high, v);
    }
    runs[i] = Runs(window.values[i], shown);
    shape.push_back(onRight ? 1 : 0);
    shape.push_back(static_cast<int>(runs[i].size()));
  }
  if (shape != seriesShape) RebuildSeries(shape, view.threeD);
  for (Range* range : {&left, &right}) {
    if (range->high <= range->low) range->high = range->low + 1;
  }

  // Entry 0 stands farthest back, the last one in front.
  const double stepX = view.threeD ? std::max(shown, 1) * kDepthX : 0;
  const double stepLeft = view.threeD ? (left.high - left.low) * kDepthY : 0;
  const double stepRight = view.threeD ? (right.high - right.low) * kDepthY : 0;
  const QString currentTarget = Target() != nullptr ? Target()->Parameters().host : QString();
  for (size_t i = 0; i < count; ++i) {
    const std::vector<double>& values = window.values[i];
    const bool onRight = shape[1 + 2 * i] != 0;
    const double depth = static_cast<double>(count - 1 - i);
    const double stepY = onRight ? stepRight : stepLeft;
    std::vector<Segment>& entrySegments = segments[i];
    for (size_t r = 0; r < entrySegments.size(); ++r) {
      QList<QPointF> front, back;
      if (r < runs[i].size()) {
        const auto [begin, end] = runs[i][r];
        auto add = [&](double x, double value) {
          const double y = value + depth * stepY;
          front.append(QPointF(x + depth * stepX, y));
          if (view.threeD) {
            back.append(QPointF(x + depth * stepX + kBandDepth * stepX, y + kBandDepth * stepY));
          }
        };
        if (view.threeD && end - begin == 1) {
          // A band needs a width: a lone sample is a short one.
          add(begin + 1 - 0.25, values[static_cast<size_t>(begin)]);
          add(begin + 1 + 0.25, values[static_cast<size_t>(begin)]);
        } else {
          for (int n = begin; n < end; ++n) add(n + 1, values[static_cast<size_t>(n)]);
        }
      }
      Segment& segment = entrySegments[r];
      segment.front->replace(front);
      if (segment.back != nullptr) segment.back->replace(back);
      // A line through one point draws nothing: the point is drawn.
      if (!view.threeD) segment.front->setPointsVisible(front.size() == 1);
    }
    entrySegments.front().shown->setName(GraphLegendText(window.entries[i], currentTarget));
  }

  // The positions shown: the zoom's, else the whole window.
  double firstShown = 0.5;
  double lastShown = std::max(shown, 1) + 0.5 + static_cast<double>(count) * stepX;
  if (zoom.time) {
    firstShown = zoom.first - window.viewStart;
    lastShown = zoom.last - window.viewStart;
  }
  // One time label and one tick every tenth of the points in view.
  for (const QString& label : axisX->categoriesLabels()) axisX->remove(label);
  const int firstPoint = std::max(static_cast<int>(std::ceil(firstShown)), 1);
  const int lastPoint = std::min(static_cast<int>(std::floor(lastShown)), shown);
  const int every = std::max((lastPoint - firstPoint + 1) / 10, 1);
  std::set<QString> used;
  axisX->setStartValue(firstShown);
  for (int n = firstPoint; n <= lastPoint; n += every) {
    QString label = TimeLabel(window.times[static_cast<size_t>(n - 1)]);
    // The axis keeps one category per label: equal times get invisible marks.
    while (!used.insert(label).second) label += QChar(0x200B);
    axisX->append(label, n);
  }
  axisX->setRange(firstShown, lastShown);
  axisX->setLabelsVisible(view.xLabels);

  axisLeft->setVisible(left.used);
  axisRight->setVisible(right.used);
  axisRight->setTitleText(RightAxisTitle(rates, plain));
  if (zoom.values) {
    axisLeft->setRange(zoom.leftLow, zoom.leftHigh);
    axisRight->setRange(zoom.rightLow, zoom.rightHigh);
  } else {
    axisLeft->setRange(left.low, left.high + static_cast<double>(count) * stepLeft);
    axisLeft->applyNiceNumbers();
    axisRight->setRange(right.low, right.high + static_cast<double>(count) * stepRight);
    axisRight->applyNiceNumbers();
  }
  chart->legend()->setVisible(view.legend && count > 0);
}

std::vector<QAbstractSeries*> CGraphPage::EntrySeries(int index) const {
  std::vector<QAbstractSeries*> result;
  if (index < 0 || static_cast<size_t>(index) >= segments.size()) return result;
  for (const Segment& segment : segments[static_cast<size_t>(index)]) {
    result.push_back(segment.shown);
  }
  return result;
}

void CGraphPage::ZoomTo(const QRect& rect) {
  const QRect band = rect.normalized();
  const bool wide = band.width() >= kMinDrag, tall = band.height() >= kMinDrag;
  const QRectF plot = chart->plotArea();
  const QRectF picked =
      chart->mapFromScene(chartView->mapToScene(band)).boundingRect().intersected(plot);
  if ((!wide && !tall) || picked.isEmpty()) return;
  if (wide) {
    const double from = axisX->min(), span = axisX->max() - axisX->min();
    const int start = data.Window().viewStart;
    zoom.time = true;
    zoom.first = start + from + span * (picked.left() - plot.left()) / plot.width();
    zoom.last = start + from + span * (picked.right() - plot.left()) / plot.width();
  }
  if (tall) {
    auto valueAt = [&](const QValueAxis* axis, double y) {
      return axis->min() + (axis->max() - axis->min()) * (plot.bottom() - y) / plot.height();
    };
    zoom.values = true;
    zoom.leftLow = valueAt(axisLeft, picked.bottom());
    zoom.leftHigh = valueAt(axisLeft, picked.top());
    zoom.rightLow = valueAt(axisRight, picked.bottom());
    zoom.rightHigh = valueAt(axisRight, picked.top());
  }
  Redraw();
}

void CGraphPage::ResetZoom() {
  zoom = {};
  Redraw();
}

bool CGraphPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != chartView->viewport()) return ToolPage::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      bandOrigin = mouse->position().toPoint();
      rubberBand->setGeometry(QRect(bandOrigin, QSize()));
      rubberBand->show();
      return true;
    }
    case QEvent::MouseMove:
      if (!rubberBand->isVisible()) break;
      rubberBand->setGeometry(
          QRect(bandOrigin, static_cast<QMouseEvent*>(event)->position().toPoint()).normalized());
      return true;
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton || !rubberBand->isVisible()) break;
      rubberBand->hide();
      ZoomTo(QRect(bandOrigin, mouse->position().toPoint()));
      return true;
    }
    case QEvent::MouseButtonDblClick:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
      rubberBand->hide();
      ResetZoom();
      return true;
    default:
      break;
  }
  return ToolPage::eventFilter(watched, event);
}

void CGraphPage::changeEvent(QEvent* event) {
  ToolPage::changeEvent(event);
  if (event->type() != QEvent::PaletteChange) return;
  ApplyPalette();
  // The lines take colours that stand out from the new background.
  seriesShape.clear();
  Redraw();
}

void CGraphPage::ApplyPalette() {
  const QPalette colors = palette();
  const QColor background = colors.color(QPalette::Base);
  const QColor text = colors.color(QPalette::Text);
  QColor grid = text;
  grid.setAlphaF(0.2);
  chart->setBackgroundBrush(background);
  chart->setPlotAreaBackgroundVisible(false);
  chartView->setBackgroundBrush(colors.color(QPalette::Window));
  chart->setTitleBrush(text);
  chart->legend()->setLabelColor(text);
  for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{axisX, axisLeft, axisRight}) {
    axis->setLabelsColor(text);
    axis->setTitleBrush(text);
    axis->setLinePenColor(text);
    axis->setGridLineColor(grid);
  }
}

void CGraphPage::ChooseSaveFile() {
  const QString png = QStringLiteral("PNG image (*.png)");
  const QString svg = QStringLiteral("SVG image (*.svg)");
  const QString csv = QStringLiteral("CSV samples (*.csv)");
  QString filter = png;
  QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save chart"), QString(),
      png + QStringLiteral(";;") + svg + QStringLiteral(";;") + csv, &filter);
  if (path.isEmpty()) return;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
      suffix != QLatin1String("csv")) {
    path += filter == svg   ? QStringLiteral(".svg")
            : filter == csv ? QStringLiteral(".csv")
                            : QStringLiteral(".png");
  }
  SaveChart(path);
}

bool CGraphPage::SaveChart(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  QString what = QStringLiteral("Chart");
  if (suffix == QLatin1String("csv")) {
    const QString currentTarget = Target() != nullptr ? Target()->Parameters().host : QString();
    bytes = GraphSamplesCsv(data.Samples(), currentTarget);
    what = QStringLiteral("Samples");
  } else if (suffix == QLatin1String("svg")) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(chartView->size());
    svg.setViewBox(QRect(QPoint(), chartView->size()));
    svg.setTitle(QStringLiteral("Tesmo chart"));
    QPainter painter(&svg);
    chartView->render(&painter);
  } else if (suffix == QLatin1String("png")) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    chartView->grab().save(&buffer, "PNG");
  } else {
    ShowStatusText(QStringLiteral("Not saved: %1 ends in none of .png, .svg, .csv").arg(path));
    return false;
  }
  QString error;
  if (!WriteRegularFile(path, bytes, error)) {
    ShowStatusText(QStringLiteral("Not saved: %1: %2").arg(path, error));
    return false;
  }
  ShowStatusText(QStringLiteral("%1 saved to %2").arg(what, path));
  return true;
}

QStringList CGraphPage::XLabels() const {
  QStringList labels;
  for (const QString& label : axisX->categoriesLabels()) {
    labels << QString(label).remove(QChar(0x200B));
  }
  return labels;
}

}  // namespace tesmo
