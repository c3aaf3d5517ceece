// The Reachability page.
#include "ui/reachability/reachability_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "core/grid/table_grid.h"
#include "tools/graph/graph_data.h"
#include "tools/reachability/reachability_report.h"
#include "ui/app/target.h"
#include "ui/widgets/fixed_font.h"
#include "ui/widgets/line_list_model.h"
#include "ui/widgets/number_edit.h"

namespace tesmo {

namespace {
constexpr int kPingBoxId = 1074;
constexpr int kTimeoutId = 1035;
constexpr int kTimeBetweenId = 1038;
constexpr int kTtlId = 1042;
constexpr int kPacketLengthId = 1040;
constexpr int kClearId = 1051;
constexpr int kGraphId = 1106;
constexpr int kHistoryListId = 1046;

// The indicators as the page lays them out, by control id; the service table
// gives the test order.
constexpr int kIndicatorLayout[kServiceCount] = {1007, 1008, 1010, 1012, 1014,
                                                 1024, 1026, 1029, 1032, 1017};

int RowOfIndicator(int controlId) {
  for (int row = 0; row < kServiceCount; ++row) {
    if (kReachabilityServices[static_cast<size_t>(row)].indicatorId == controlId) return row;
  }
  return -1;
}
}  // namespace

namespace {
const CPageRegistration registration("reachability",
                                     [](const PageContext& context) {
                                       return new CReachabilityPage(context);
                                     },
                                     {.enabledDuringJob = true});
}  // namespace

CReachabilityPage::CReachabilityPage(const PageContext& context) : ToolPage(context) {
  auto* pingGroup = new QGroupBox(QStringLiteral("ICMP Ping"), this);
  auto* pingGrid = new QGridLayout(pingGroup);
  pingBox = new QCheckBox(QStringLiteral("Ping"), pingGroup);
  RegisterControl(pingBox, kPingBoxId);
  pingGrid->addWidget(pingBox, 0, 0, 1, 2);
  const struct {
    const char* label;
    QLineEdit** edit;
    int id;
  } fields[] = {{"Timeout", &timeoutEdit, kTimeoutId},
                {"Time between pings", &timeBetweenEdit, kTimeBetweenId},
                {"TTL", &ttlEdit, kTtlId},
                {"Packet Length", &packetLengthEdit, kPacketLengthId}};
  int row = 1;
  for (const auto& f : fields) {
    auto* edit = new QLineEdit(pingGroup);
    const int tenDigits = edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000"));
    edit->setMinimumWidth(tenDigits + 8);
    edit->setMaximumWidth(tenDigits + 16);
    RegisterControl(edit, f.id);
    pingGrid->addWidget(new QLabel(QString::fromUtf8(f.label), pingGroup), row, 0);
    pingGrid->addWidget(edit, row++, 1);
    *f.edit = edit;
    // A change takes effect when the edit loses the focus (or on Return).
    connect(edit, &QLineEdit::editingFinished, this, [this] {
      ReadFields();
      ApplySettings();
    });
  }
  clearButton = new QPushButton(QStringLiteral("Clear"), pingGroup);
  RegisterControl(clearButton, kClearId);
  graphButton = new QPushButton(QStringLiteral("Add to graph"), pingGroup);
  RegisterControl(graphButton, kGraphId);
  for (QPushButton* b : {clearButton, graphButton}) b->setAutoDefault(false);
  pingGrid->addWidget(clearButton, row, 0);
  pingGrid->addWidget(graphButton, row++, 1);
  pingGrid->setRowStretch(row, 1);

  historyModel = new CLineListModel(loop.History(), this);
  historyList = new QListView(this);
  historyList->setModel(historyModel);
  historyList->setUniformItemSizes(true);
  historyList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  historyList->setSelectionMode(QAbstractItemView::SingleSelection);
  historyList->setFont(FixedFont());
  RegisterControl(historyList, kHistoryListId);

  auto* servicesGroup = new QGroupBox(QStringLiteral("Services"), this);
  auto* servicesGrid = new QGridLayout(servicesGroup);
  for (int i = 0; i < kServiceCount; ++i) {
    const int serviceRow = RowOfIndicator(kIndicatorLayout[i]);
    const ReachabilityService& service = kReachabilityServices[static_cast<size_t>(serviceRow)];
    auto* box = new QCheckBox(QString::fromUtf8(service.caption), servicesGroup);
    RegisterControl(box, service.indicatorId);
    // Indicators show results: the user cannot tick them.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    box->setEnabled(false);
    // The result in words beside the box: a bare unticked box cannot tell
    // "closed" from "never tested".
    auto* result = new QLabel(servicesGroup);
    result->setAccessibleName(QString::fromUtf8(service.caption) + QStringLiteral(" result"));
    servicesGrid->addWidget(box, i % 5, 2 * (i / 5));
    servicesGrid->addWidget(result, i % 5, 2 * (i / 5) + 1);
    indicators[static_cast<size_t>(serviceRow)] = box;
    resultLabels[static_cast<size_t>(serviceRow)] = result;
  }

  auto* top = new QHBoxLayout;
  top->addWidget(pingGroup);
  top->addWidget(historyList, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(servicesGroup);

  connect(pingBox, &QCheckBox::toggled, this, [this](bool on) {
    settings.mustBePinged = on;
    loop.SetMustBePinged(on);
  });
  connect(clearButton, &QPushButton::clicked, this, &CReachabilityPage::OnClear);
  connect(graphButton, &QPushButton::clicked, this, &CReachabilityPage::OnAddToGraph);

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(mapToGlobal(pos)); });
  historyList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(historyList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(historyList->viewport()->mapToGlobal(pos)); });

  // The loop runs on its own thread; it reads the target through a copy. Its
  // history reaches the list in batches (with no pause between echoes it
  // adds lines far faster than anyone reads them), newest in view.
  loop.SetTargetProvider([this] {
    std::lock_guard lock(targetMutex);
    return target;
  });
  connect(historyModel, &CLineListModel::Refreshed, historyList, &QListView::scrollToBottom);

  connect(Target(), &CTarget::Changed, this, &CReachabilityPage::RefreshTarget);
  connect(&runner, &CJobRunner::Ended, this, &CReachabilityPage::ShowServiceStates);

  ShowFields();
  ApplySettings();
}

CReachabilityPage::~CReachabilityPage() {
  loop.Stop();
  runner.Cancel();
  runner.Wait();
}

void CReachabilityPage::InitPage() {
  ResetResults();
}

void CReachabilityPage::StartBackgroundThreads() {
  if (loopStopped) return;
  RefreshTarget();
  loop.Start();
}

void CReachabilityPage::StopBackgroundThreads() {
  loopStopped = true;
  loop.Stop();
  runner.Cancel();
  runner.Wait();
}

void CReachabilityPage::ReadFields() {
  ReadNumberFields(this, {{timeoutEdit, &settings.timeout},
                          {timeBetweenEdit, &settings.timeBetweenPing},
                          {ttlEdit, &settings.ttl},
                          {packetLengthEdit, &settings.packetLength}});
  // An echo needs at least a millisecond to come back: the field shows what is used.
  if (settings.timeout == 0) {
    settings.timeout = 1;
    timeoutEdit->setText(QStringLiteral("1"));
  }
  settings.mustBePinged = pingBox->isChecked();
}

void CReachabilityPage::ShowFields() {
  timeoutEdit->setText(QString::number(settings.timeout));
  timeBetweenEdit->setText(QString::number(settings.timeBetweenPing));
  ttlEdit->setText(QString::number(settings.ttl));
  packetLengthEdit->setText(QString::number(settings.packetLength));
  pingBox->setChecked(settings.mustBePinged);
}

void CReachabilityPage::ApplySettings() {
  loop.SetSettings(settings);
}

void CReachabilityPage::FactorySettings() {
  settings = FactoryPingSettings();
  ShowFields();
  ApplySettings();
}

void CReachabilityPage::SaveSettings() {
  ReadFields();
  ApplySettings();
  WritePingSettings(settings);
}

void CReachabilityPage::LoadSettings() {
  settings = ReadPingSettings();
  ShowFields();
  ApplySettings();
  // The fixed font was rebuilt just before the pages load their settings.
  historyList->setFont(FixedFont());
}

void CReachabilityPage::EnableControls(bool enable) {
  pingBox->setEnabled(enable);
}

void CReachabilityPage::RefreshTarget() {
  PingTarget next;
  if (Target()->Valid()) {
    next.valid = true;
    next.addressText = Target()->Snmp().address;
  }
  std::lock_guard lock(targetMutex);
  if (target.valid != next.valid || target.addressText != next.addressText) target = next;
}

void CReachabilityPage::RefreshHistory() {
  historyModel->Refresh();
}

void CReachabilityPage::OnAddToGraph() {
  // The chart pings the target's address: the host is resolved first, on
  // the page's runner (a look-up never blocks the window), and the entry is
  // added back on this thread.
  StartTargetJob(runner, [this](const JobContext& context) {
    QMetaObject::invokeMethod(
        this,
        [address = QString::fromStdString(context.target.address)] {
          AddGraphEntry(kGraphRoundTrip, address, QStringLiteral("ping ") + address);
        },
        Qt::QueuedConnection);
  });
}

void CReachabilityPage::OnClear() {
  loop.Clear();
  RefreshHistory();
}

void CReachabilityPage::ResetResults() {
  loop.Clear();
  results.Reset();
  ShowServiceStates();
  RefreshHistory();
  RefreshTarget();
}

void CReachabilityPage::ShowServiceStates() {
  for (int row = 0; row < kServiceCount; ++row) {
    QCheckBox* box = indicators[static_cast<size_t>(row)];
    const ServiceOutcome outcome = results.Outcome(row);
    box->setChecked(outcome.state == ServiceState::Ok);
    box->setEnabled(outcome.state != ServiceState::Untested);
    resultLabels[static_cast<size_t>(row)]->setText(QString::fromStdString(
        ServiceOutcomeText(kReachabilityServices[static_cast<size_t>(row)], outcome)));
  }
}

void CReachabilityPage::StartJob() {
  if (!runner.CanStart()) return;
  // The indicators show this run only: a row a Stop leaves out reads "?",
  // not the result of an earlier run.
  results.Reset();
  ShowServiceStates();
  StartTargetJob(runner, [this](const JobContext& context) {
    RunReachabilityJob(context, results, [this](int, ServiceState) {
      QMetaObject::invokeMethod(this, &CReachabilityPage::ShowServiceStates, Qt::QueuedConnection);
    });
  });
}

QString CReachabilityPage::Report() {
  ShowServiceStates();
  RefreshHistory();
  return QString::fromStdString(ReachabilityReport(results.All(), loop.History().Lines()));
}

void CReachabilityPage::CopyResults() {
  QApplication::clipboard()->setText(Report());
}

}  // namespace tesmo
