// The Traceroute page.
#include "ui/traceroute/traceroute_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/tables/table_grid_view.h"

namespace tesmo {

namespace {
constexpr int kDestinationId = 1022;
constexpr int kAddressId = 1030;
constexpr int kIcmpId = 1015;
constexpr int kSnmpId = 1013;
constexpr int kResolveNameId = 1049;
constexpr int kInterfaceInfoId = 2050;
constexpr int kGridId = 1011;

const CPageRegistration registration("traceroute", [](const PageContext& context) {
  return new CTraceroutePage(context);
});
}  // namespace

CTraceroutePage::CTraceroutePage(const PageContext& context) : ToolPage(context) {
  destinationEdit = new QLineEdit(this);
  RegisterControl(destinationEdit, kDestinationId);
  addressEdit = new QLineEdit(this);
  addressEdit->setReadOnly(true);
  RegisterControl(addressEdit, kAddressId);
  // The address shown belongs to the destination as it was when Start ran.
  connect(destinationEdit, &QLineEdit::textEdited, addressEdit, &QLineEdit::clear);

  auto* type = new QGroupBox(QStringLiteral("Type"), this);
  icmpButton = new QRadioButton(QStringLiteral("ICMP (from the machine running tesmo"), type);
  RegisterControl(icmpButton, kIcmpId);
  snmpButton = new QRadioButton(QStringLiteral("SNMP (from the SNMP hostname)"), type);
  RegisterControl(snmpButton, kSnmpId);
  auto* typeLayout = new QVBoxLayout(type);
  typeLayout->addWidget(icmpButton);
  typeLayout->addWidget(snmpButton);

  resolveNameBox = new QCheckBox(QStringLiteral("Resolve Names"), this);
  RegisterControl(resolveNameBox, kResolveNameId);
  interfaceInfoBox = new QCheckBox(QStringLiteral("Interface info"), this);
  RegisterControl(interfaceInfoBox, kInterfaceInfoId);

  // Not stored: a trace that runs until Stop is asked for each time.
  continuousBox = new QCheckBox(QStringLiteral("Continuous"), this);
  continuousBox->setToolTip(
      QStringLiteral("after the trace, probe every hop each round until Stop: loss and round "
                     "trips per hop"));
  askRoutersBox = new QCheckBox(QStringLiteral("Ask routers"), this);
  askRoutersBox->setToolTip(
      QStringLiteral("continuous ICMP trace: ask each hop's router (with the target's "
                     "community) for the errors, discards and load of its interfaces"));
  // SNMP mode asks the routers anyway; only a continuous trace asks them.
  const auto updateAskRouters = [this] {
    askRoutersBox->setEnabled(continuousBox->isEnabled() && continuousBox->isChecked() &&
                              icmpButton->isChecked());
  };
  connect(continuousBox, &QCheckBox::toggled, this, updateAskRouters);
  connect(icmpButton, &QRadioButton::toggled, this, updateAskRouters);

  grid = new CTableGridView(this);
  RegisterControl(grid, kGridId);

  auto* destination = new QHBoxLayout;
  destination->addWidget(new QLabel(QStringLiteral("To :"), this));
  destination->addWidget(destinationEdit, 2);
  destination->addWidget(addressEdit, 1);
  auto* boxes = new QVBoxLayout;
  boxes->addWidget(resolveNameBox);
  boxes->addWidget(interfaceInfoBox);
  boxes->addWidget(continuousBox);
  boxes->addWidget(askRoutersBox);
  boxes->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(destination, 1);
  top->addWidget(type);
  top->addLayout(boxes);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(grid, 1);

  icmpButton->setChecked(true);
  updateAskRouters();
  ShowSettings(TraceOptions());
}

void CTraceroutePage::InitPage() {
  grid->ResetResults();
  destinationEdit->clear();
  addressEdit->clear();
  icmpButton->setChecked(true);
}

void CTraceroutePage::ResetResults() {
  // The hops of another target's trace would mislead.
  grid->ResetResults();
  addressEdit->clear();
}

void CTraceroutePage::CopyResults() {
  grid->CopySelection();
}

void CTraceroutePage::StartJob() {
  if (!runner.CanStart()) return;
  TraceOptions options;
  options.destination = destinationEdit->text().trimmed().toStdString();
  options.icmpMode = icmpButton->isChecked();
  options.resolveNames = resolveNameBox->isChecked();
  options.interfaceInfo = interfaceInfoBox->isChecked();
  options.continuous = continuousBox->isChecked();
  options.askRouters = options.icmpMode && askRoutersBox->isChecked();
  addressEdit->clear();
  TraceHooks hooks;
  // The job resolves the destination; its address reaches the edit queued.
  hooks.onDestinationAddress = [edit = addressEdit](const std::string& address) {
    QMetaObject::invokeMethod(
        edit, [edit, text = QString::fromStdString(address)] { edit->setText(text); },
        Qt::QueuedConnection);
  };
  CTableGrid* table = &grid->Table();
  const auto trace = [table, options, hooks](const JobContext& context) {
    RunTrace(*table, options, context, hooks);
  };
  if (options.icmpMode) {
    runner.Start([trace](JobContext& context) { trace(context); });
  } else {
    // The trace starts at the target, resolved first on the job's thread;
    // nothing more runs when it cannot be resolved.
    StartTargetJob(runner, trace);
  }
}

void CTraceroutePage::ShowSettings(const TraceOptions& options) {
  resolveNameBox->setChecked(options.resolveNames);
  interfaceInfoBox->setChecked(options.interfaceInfo);
}

void CTraceroutePage::FactorySettings() {
  ShowSettings(TraceOptions());
}

void CTraceroutePage::SaveSettings() {
  TraceOptions options;
  options.resolveNames = resolveNameBox->isChecked();
  options.interfaceInfo = interfaceInfoBox->isChecked();
  options.Save();
}

void CTraceroutePage::LoadSettings() {
  ShowSettings(TraceOptions::Load());
}

void CTraceroutePage::EnableControls(bool enable) {
  // The grid stays readable while the hops come in.
  for (QWidget* control :
       {static_cast<QWidget*>(destinationEdit), static_cast<QWidget*>(resolveNameBox),
        static_cast<QWidget*>(interfaceInfoBox), static_cast<QWidget*>(continuousBox)}) {
    control->setEnabled(enable);
  }
  askRoutersBox->setEnabled(enable && continuousBox->isChecked() && icmpButton->isChecked());
}

void CTraceroutePage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

}  // namespace tesmo
