// The IP discovery page.
#include "ui/discovery/discovery_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/app/target.h"
#include "ui/tables/table_grid_view.h"
#include "ui/widgets/number_edit.h"

namespace tesmo {

namespace {
constexpr int kFirstHostId = 1064;
constexpr int kCountId = 2065;
constexpr int kIncrementId = 2072;
constexpr int kInitialTimeoutId = 1066;
constexpr int kTimeoutIncrementId = 1067;
constexpr int kRoundsId = 1069;
constexpr int kPingSizeId = 2068;
constexpr int kTtlId = 2070;
constexpr int kThreadsId = 1071;
constexpr int kResolveNameId = 1049;
constexpr int kGridId = 1063;
constexpr int kArpFromRouterId = 3201;
constexpr int kArpRouterId = 3202;
constexpr int kAskSnmpId = 3203;
constexpr int kOpenServicesId = 3204;

const CPageRegistration registration("pingfind", [](const PageContext& context) {
  return new CDiscoveryPage(context);
});
}  // namespace

CDiscoveryPage::CDiscoveryPage(const PageContext& context) : ToolPage(context) {
  auto* inputs = new QGridLayout;
  const struct {
    const char* label;
    QLineEdit** edit;
    int id;
  } edits[] = {
      {"First host", &firstHostEdit, kFirstHostId},
      {"Number of host", &countEdit, kCountId},
      {"Address increment", &incrementEdit, kIncrementId},
      {"Initial timeout (ms)", &initialTimeoutEdit, kInitialTimeoutId},
      {"Timeout increment (ms)", &timeoutIncrementEdit, kTimeoutIncrementId},
      {"Number of pings", &roundsEdit, kRoundsId},
      {"Ping size", &pingSizeEdit, kPingSizeId},
      {"ping TTL", &ttlEdit, kTtlId},
      {"Discovery threads", &threadsEdit, kThreadsId},
  };
  // Three columns of label and edit pairs, the first host alone on top.
  int slot = 0;
  for (const auto& e : edits) {
    auto* edit = new QLineEdit(this);
    RegisterControl(edit, e.id);
    *e.edit = edit;
    const int row = e.id == kFirstHostId ? 0 : 1 + (slot - 1) / 3;
    const int col = e.id == kFirstHostId ? 0 : 2 * ((slot - 1) % 3);
    inputs->addWidget(new QLabel(QString::fromUtf8(e.label), this), row, col);
    inputs->addWidget(edit, row, col + 1);
    ++slot;
  }
  resolveNameBox = new QCheckBox(QStringLiteral("ResolveName"), this);
  RegisterControl(resolveNameBox, kResolveNameId);
  inputs->addWidget(resolveNameBox, 0, 2, 1, 2);
  // The added passes: on their own row under the sweep's numbers.
  const int extraRow = inputs->rowCount();
  arpFromRouterBox = new QCheckBox(QStringLiteral("Hardware addresses from router"), this);
  RegisterControl(arpFromRouterBox, kArpFromRouterId);
  arpRouterEdit = new QLineEdit(this);
  RegisterControl(arpRouterEdit, kArpRouterId);
  arpRouterEdit->setPlaceholderText(QStringLiteral("the target"));
  askSnmpBox = new QCheckBox(QStringLiteral("Ask SNMP"), this);
  RegisterControl(askSnmpBox, kAskSnmpId);
  inputs->addWidget(arpFromRouterBox, extraRow, 0);
  inputs->addWidget(arpRouterEdit, extraRow, 1);
  inputs->addWidget(askSnmpBox, extraRow, 2, 1, 2);
  openServicesBox = new QCheckBox(QStringLiteral("Open services"), this);
  RegisterControl(openServicesBox, kOpenServicesId);
  inputs->addWidget(openServicesBox, extraRow, 4, 1, 2);

  grid = new CTableGridView(this);
  RegisterControl(grid, kGridId);
  // "k of N hosts answered", as the other grids count their rows.
  countLabel = new QLabel(this);
  countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  countLabel->setAccessibleName(QStringLiteral("Hosts answered"));
  connect(&grid->Table(), &CTableGrid::StatusLabelChanged, countLabel, &QLabel::setText,
          Qt::QueuedConnection);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(inputs);
  layout->addWidget(countLabel);
  layout->addWidget(grid, 1);
  ShowFields();
}

std::vector<QWidget*> CDiscoveryPage::Inputs() const {
  return {firstHostEdit,    countEdit,     incrementEdit, initialTimeoutEdit, timeoutIncrementEdit,
          roundsEdit,       pingSizeEdit,  ttlEdit,       threadsEdit,        resolveNameBox,
          arpFromRouterBox, arpRouterEdit, askSnmpBox,    openServicesBox};
}

QLineEdit* CDiscoveryPage::Edit(int controlId) const {
  for (QWidget* control : Inputs()) {
    if (control->property("controlId").toInt() == controlId)
      return qobject_cast<QLineEdit*>(control);
  }
  return nullptr;
}

bool CDiscoveryPage::ReadFields() {
  options.firstHost = firstHostEdit->text().trimmed().toStdString();
  options.resolveNames = resolveNameBox->isChecked();
  options.arpFromRouter = arpFromRouterBox->isChecked();
  options.arpRouter = arpRouterEdit->text().trimmed().toStdString();
  options.askSnmp = askSnmpBox->isChecked();
  options.openServices = openServicesBox->isChecked();
  return ReadNumberFields(this, {{countEdit, &options.hostCount},
                                 {incrementEdit, &options.addressIncrement},
                                 {initialTimeoutEdit, &options.initialTimeoutMs},
                                 {timeoutIncrementEdit, &options.timeoutIncrementMs},
                                 {roundsEdit, &options.rounds},
                                 {pingSizeEdit, &options.pingSize},
                                 {ttlEdit, &options.ttl},
                                 {threadsEdit, &options.threads}});
}

void CDiscoveryPage::ShowFields() {
  firstHostEdit->setText(QString::fromStdString(options.firstHost));
  countEdit->setText(QString::number(options.hostCount));
  incrementEdit->setText(QString::number(options.addressIncrement));
  initialTimeoutEdit->setText(QString::number(options.initialTimeoutMs));
  timeoutIncrementEdit->setText(QString::number(options.timeoutIncrementMs));
  roundsEdit->setText(QString::number(options.rounds));
  pingSizeEdit->setText(QString::number(options.pingSize));
  ttlEdit->setText(QString::number(options.ttl));
  threadsEdit->setText(QString::number(options.threads));
  resolveNameBox->setChecked(options.resolveNames);
  arpFromRouterBox->setChecked(options.arpFromRouter);
  arpRouterEdit->setText(QString::fromStdString(options.arpRouter));
  askSnmpBox->setChecked(options.askSnmp);
  openServicesBox->setChecked(options.openServices);
}

void CDiscoveryPage::CopyResults() {
  grid->CopySelection();
}

void CDiscoveryPage::StartJob() {
  if (!runner.CanStart()) return;
  if (!ReadFields()) return;
  const DiscoveryOptions run = options;
  CTableGrid* table = &grid->Table();
  // The ARP pass reads the target itself when no router is named: the
  // target is resolved first, as for every SNMP page.
  if (run.arpFromRouter && run.arpRouter.empty()) {
    StartTargetJob(runner,
                   [table, run](const JobContext& context) { RunDiscovery(*table, run, context); });
    return;
  }
  // Otherwise the SNMP parameters of the target (community, time-out) go to
  // the agents the added passes ask.
  const SnmpTarget snmp = Target()->Snmp();
  const bool useSnmp = run.arpFromRouter || run.askSnmp;
  runner.Start([table, run, snmp, useSnmp](JobContext& context) {
    if (useSnmp) context.SetTarget(snmp);
    RunDiscovery(*table, run, context);
  });
}

void CDiscoveryPage::FactorySettings() {
  options = DiscoveryOptions();
  ShowFields();
}

void CDiscoveryPage::SaveSettings() {
  ReadFields();
  options.Save();
}

void CDiscoveryPage::LoadSettings() {
  // The first host and the count are not stored: they stay as typed.
  const QString firstHost = firstHostEdit->text();
  const QString count = countEdit->text();
  options = DiscoveryOptions::Load();
  ShowFields();
  firstHostEdit->setText(firstHost);
  countEdit->setText(count);
}

void CDiscoveryPage::EnableControls(bool enable) {
  for (QWidget* control : Inputs()) control->setEnabled(enable);
}

void CDiscoveryPage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

}  // namespace tesmo
