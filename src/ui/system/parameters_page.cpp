// The Parameters page.
#include "ui/system/parameters_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/host_history.h"
#include "core/base/job_runner.h"
#include "core/base/status_channel.h"
#include "core/grid/table_grid.h"
#include "core/net/ip_address.h"
#include "core/net/telnet_launcher.h"
#include "core/snmp/snmp_names.h"
#include "tools/system/system_query.h"
#include "ui/app/show_status.h"
#include "ui/app/target.h"
#include "ui/widgets/number_edit.h"

namespace tesmo {

QLineEdit* CParametersPage::AddField(QGridLayout* grid, int row, const char* label, int id,
                                     bool readOnly) {
  auto* edit = new QLineEdit(this);
  edit->setReadOnly(readOnly);
  grid->addWidget(new QLabel(QString::fromUtf8(label), this), row, 0);
  grid->addWidget(edit, row, 1);
  RegisterControl(edit, id);
  return edit;
}

namespace {
// The choices of a chooser, from one of the SNMP name tables.
void AddNames(QComboBox* box, std::span<const char* const> names) {
  for (const char* name : names) box->addItem(QString::fromLatin1(name));
}

const CPageRegistration registration("system",
                                     [](const PageContext& context) {
                                       return new CParametersPage(context);
                                     },
                                     {.editsTarget = true});
}  // namespace

CParametersPage::CParametersPage(const PageContext& context) : ToolPage(context) {
  // Target: host box, DNS name, address.
  auto* target = new QGridLayout;
  hostBox = new QComboBox(this);
  hostBox->setEditable(true);
  hostBox->setInsertPolicy(QComboBox::NoInsert);
  hostBox->setMaxVisibleItems(20);
  RegisterControl(hostBox, 1083);
  target->addWidget(new QLabel(QStringLiteral("Host name"), this), 0, 0);
  target->addWidget(hostBox, 0, 1);
  dnsEdit = AddField(target, 1, "DNS name", 1023, true);
  ipEdit = AddField(target, 2, "IP Address", 1021, true);
  // Which address of a name with both families the target takes.
  familyBox = new QComboBox(this);
  for (const char* name : kAddressFamilyNames) familyBox->addItem(QString::fromLatin1(name));
  RegisterControl(familyBox, kFamilyId);
  target->addWidget(new QLabel(QStringLiteral("Address family"), this), 3, 0);
  target->addWidget(familyBox, 3, 1);

  auto* snmpGroup = new QGroupBox(QStringLiteral("SNMP Parameters"), this);
  auto* snmpGrid = new QGridLayout(snmpGroup);
  readCommunityEdit = new QLineEdit(snmpGroup);
  writeCommunityEdit = new QLineEdit(snmpGroup);
  timeoutEdit = new QLineEdit(snmpGroup);
  retriesEdit = new QLineEdit(snmpGroup);
  portEdit = new QLineEdit(snmpGroup);
  const struct {
    const char* label;
    QLineEdit* edit;
    int id;
  } snmpFields[] = {{"Read community", readCommunityEdit, 1037},
                    {"Write community", writeCommunityEdit, 1041},
                    {"Timeout (ms)", timeoutEdit, 1047},
                    {"Retries", retriesEdit, 1048},
                    {"SNMP Port", portEdit, 1126}};
  int row = 0;
  for (const auto& f : snmpFields) {
    snmpGrid->addWidget(new QLabel(QString::fromUtf8(f.label), snmpGroup), row, 0);
    snmpGrid->addWidget(f.edit, row++, 1);
    RegisterControl(f.edit, f.id);
  }
  // A narrow window squeezes the system fields, not these: a community and
  // a ten-digit number stay readable.
  for (QLineEdit* edit : {readCommunityEdit, writeCommunityEdit}) {
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("communityname")));
  }
  for (QLineEdit* edit : {timeoutEdit, retriesEdit, portEdit}) {
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 8);
  }

  // The SNMP version, and the user-based security of version 3.
  versionBox = new QComboBox(snmpGroup);
  AddNames(versionBox, kSnmpVersionNames);
  RegisterControl(versionBox, kVersionId);
  snmpGrid->addWidget(new QLabel(QStringLiteral("SNMP version"), snmpGroup), row, 0);
  snmpGrid->addWidget(versionBox, row++, 1);
  v3Group = new QGroupBox(QStringLiteral("SNMPv3"), this);
  auto* v3Grid = new QGridLayout(v3Group);
  userEdit = new QLineEdit(v3Group);
  levelBox = new QComboBox(v3Group);
  AddNames(levelBox, kSnmpLevelNames);
  authProtocolBox = new QComboBox(v3Group);
  AddNames(authProtocolBox, kSnmpAuthProtocolNames);
  authPassEdit = new QLineEdit(v3Group);
  privProtocolBox = new QComboBox(v3Group);
  AddNames(privProtocolBox, kSnmpPrivProtocolNames);
  privPassEdit = new QLineEdit(v3Group);
  for (QLineEdit* pass : {authPassEdit, privPassEdit}) pass->setEchoMode(QLineEdit::Password);
  rememberBox = new QCheckBox(QStringLiteral("Remember pass phrases"), v3Group);
  const struct {
    const char* label;
    QWidget* control;
    int id;
  } v3Fields[] = {{"User", userEdit, kUserId},
                  {"Security level", levelBox, kLevelId},
                  {"Authentication", authProtocolBox, kAuthProtocolId},
                  {"Auth. pass phrase", authPassEdit, kAuthPassId},
                  {"Privacy", privProtocolBox, kPrivProtocolId},
                  {"Priv. pass phrase", privPassEdit, kPrivPassId}};
  int v3Row = 0;
  for (const auto& f : v3Fields) {
    v3Grid->addWidget(new QLabel(QString::fromUtf8(f.label), v3Group), v3Row, 0);
    v3Grid->addWidget(f.control, v3Row++, 1);
    RegisterControl(f.control, f.id);
  }
  v3Grid->addWidget(rememberBox, v3Row, 0, 1, 2);
  RegisterControl(rememberBox, kRememberId);
  connect(versionBox, &QComboBox::currentIndexChanged, this, &CParametersPage::ShowVersionControls);

  auto* systemGrid = new QGridLayout;
  sysNameEdit = AddField(systemGrid, 0, "SysName", 1034, true);
  sysContactEdit = AddField(systemGrid, 1, "SysContact", 1033, true);
  sysLocationEdit = AddField(systemGrid, 2, "SysLocation", 1031, true);
  sysDescrEdit = new QPlainTextEdit(this);
  sysDescrEdit->setReadOnly(true);
  sysDescrEdit->setMaximumHeight(70);
  RegisterControl(sysDescrEdit, 1025);
  systemGrid->addWidget(new QLabel(QStringLiteral("SysDescr"), this), 3, 0, Qt::AlignTop);
  systemGrid->addWidget(sysDescrEdit, 3, 1);
  sysObjectIdEdit = AddField(systemGrid, 4, "SysObjectID", 1039, true);
  sysUpTimeEdit = AddField(systemGrid, 5, "SysUpTime", 1028, true);
  ifNumberEdit = AddField(systemGrid, 6, "IfNumber", 1045, true);
  sysServicesEdit = AddField(systemGrid, 7, "SysServices", 1052, true);

  auto* telnetRow = new QHBoxLayout;
  telnetPathEdit = new QLineEdit(this);
  RegisterControl(telnetPathEdit, 2049);
  browseButton = new QPushButton(QStringLiteral("Browse ..."), this);
  RegisterControl(browseButton, 1061);
  telnetButton = new QPushButton(QStringLiteral("Telnet"), this);
  RegisterControl(telnetButton, 2062);
  telnetRow->addWidget(new QLabel(QStringLiteral("Telnet application"), this));
  telnetRow->addWidget(telnetPathEdit, 1);
  telnetRow->addWidget(browseButton);
  telnetRow->addWidget(telnetButton);

  auto* configGroup = new QGroupBox(QStringLiteral("Configuration"), this);
  auto* configRow = new QVBoxLayout(configGroup);
  setDefaultButton = new QPushButton(QStringLiteral("Set as default"), configGroup);
  loadDefaultButton = new QPushButton(QStringLiteral("Load default"), configGroup);
  factoryButton = new QPushButton(QStringLiteral("Factory settings"), configGroup);
  RegisterControl(setDefaultButton, 2058);
  RegisterControl(loadDefaultButton, 1059);
  RegisterControl(factoryButton, 2060);
  for (QPushButton* b : {setDefaultButton, loadDefaultButton, factoryButton}) {
    b->setAutoDefault(false);
    configRow->addWidget(b);
  }
  for (QPushButton* b : {browseButton, telnetButton}) b->setAutoDefault(false);

  auto* left = new QVBoxLayout;
  left->addLayout(target);
  left->addLayout(systemGrid);
  auto* right = new QVBoxLayout;
  right->addWidget(snmpGroup);
  right->addWidget(v3Group);
  right->addWidget(configGroup);
  right->addStretch(1);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 3);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addLayout(telnetRow);

  connect(hostBox, &QComboBox::editTextChanged, this, [this] {
    if (!settingHost) OnHostEdited();
  });
  connect(hostBox, qOverload<int>(&QComboBox::activated), this, [this] { OnHostEdited(); });
  // Another family may give the host another address: it is resolved again.
  connect(familyBox, qOverload<int>(&QComboBox::activated), this, [this] { OnHostEdited(); });
  connect(setDefaultButton, &QPushButton::clicked, this, [this] {
    if (Host() != nullptr) Host()->SaveAllSettings();
  });
  connect(loadDefaultButton, &QPushButton::clicked, this, [this] {
    if (Host() != nullptr) Host()->LoadAllSettings();
  });
  connect(factoryButton, &QPushButton::clicked, this, [this] {
    if (Host() != nullptr) Host()->FactoryAllSettings();
  });
  connect(browseButton, &QPushButton::clicked, this, &CParametersPage::OnBrowse);
  connect(telnetButton, &QPushButton::clicked, this, &CParametersPage::OnTelnet);

  // The controls start out holding the built-in values, so the first read of
  // the fields finds valid numbers.
  ShowFields();

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(mapToGlobal(pos)); });

  // This page edits the target: it hands over what was typed before every
  // resolution, shows a host handed over by a Select command, and shows the
  // resolved address and name whichever page asked for them.
  connect(Target(), &CTarget::CommitRequested, this, &CParametersPage::ReadFields);
  connect(Target(), &CTarget::HostSet, this, &CParametersPage::SetHost);
  connect(&runner, &CJobRunner::Ended, this, &CParametersPage::OnQueryEnded);
  connect(Target(), &CTarget::Resolved, this, [this] {
    data.dnsName = Target()->Parameters().dnsName;
    data.ipAddress = Target()->Parameters().ipAddress;
    ShowFields();
  });
}

void CParametersPage::InitPage() {
  SetHost(QString());
  ResetResults();
  history = CHostHistory::Load();
  ShowHistory();
}

void CParametersPage::ShowHistory() {
  const QString text = hostBox->currentText();
  settingHost = true;
  hostBox->clear();
  hostBox->addItems(history);
  hostBox->setEditText(text);
  settingHost = false;
}

void CParametersPage::SetHost(const QString& host) {
  settingHost = true;
  hostBox->setEditText(host);
  settingHost = false;
}

void CParametersPage::OnHostEdited() {
  if (Host() != nullptr) {
    Host()->ResetAllResults();
  } else {
    ResetResults();
  }
}

void CParametersPage::ReadFields() {
  data.host = hostBox->currentText();
  data.readCommunity = readCommunityEdit->text();
  data.writeCommunity = writeCommunityEdit->text();
  data.telnetPath = telnetPathEdit->text();
  ReadNumberFields(this, {{timeoutEdit, &data.timeoutMs},
                          {retriesEdit, &data.retries},
                          {portEdit, &data.port, 1, kMaxPort}});
  // No request can wait less than a millisecond: the field shows what is used.
  if (data.timeoutMs < kMinTimeoutMs) {
    data.timeoutMs = kMinTimeoutMs;
    timeoutEdit->setText(QString::number(data.timeoutMs));
  }
  data.version = SnmpVersionOfText(versionBox->currentText().toStdString());
  data.usm.user = userEdit->text().toStdString();
  data.usm.level = SnmpLevelOfText(levelBox->currentText().toStdString());
  data.usm.authProtocol = authProtocolBox->currentText().toStdString();
  data.usm.authPass = authPassEdit->text().toStdString();
  data.usm.privProtocol = privProtocolBox->currentText().toStdString();
  data.usm.privPass = privPassEdit->text().toStdString();
  data.rememberPassphrases = rememberBox->isChecked();
  data.family = AddressFamilyOfText(familyBox->currentText());
  Target()->SetParameters(data);
}

void CParametersPage::ShowFields() {
  settingHost = true;
  if (hostBox->currentText() != data.host) hostBox->setEditText(data.host);
  settingHost = false;
  dnsEdit->setText(data.dnsName);
  ipEdit->setText(data.ipAddress);
  familyBox->setCurrentText(QString::fromLatin1(AddressFamilyText(data.family)));
  readCommunityEdit->setText(data.readCommunity);
  writeCommunityEdit->setText(data.writeCommunity);
  timeoutEdit->setText(QString::number(data.timeoutMs));
  retriesEdit->setText(QString::number(data.retries));
  portEdit->setText(QString::number(data.port));
  versionBox->setCurrentText(QString::fromLatin1(SnmpVersionText(data.version)));
  userEdit->setText(QString::fromStdString(data.usm.user));
  levelBox->setCurrentText(QString::fromLatin1(SnmpLevelText(data.usm.level)));
  authProtocolBox->setCurrentText(QString::fromStdString(data.usm.authProtocol));
  authPassEdit->setText(QString::fromStdString(data.usm.authPass));
  privProtocolBox->setCurrentText(QString::fromStdString(data.usm.privProtocol));
  privPassEdit->setText(QString::fromStdString(data.usm.privPass));
  rememberBox->setChecked(data.rememberPassphrases);
  ShowVersionControls();
  telnetPathEdit->setText(data.telnetPath);
  sysNameEdit->setText(data.system.name);
  sysContactEdit->setText(data.system.contact);
  sysLocationEdit->setText(data.system.location);
  sysDescrEdit->setPlainText(data.system.descr);
  sysObjectIdEdit->setText(data.system.objectId);
  sysUpTimeEdit->setText(data.system.upTime);
  ifNumberEdit->setText(data.system.ifNumber);
  sysServicesEdit->setText(data.system.services);
}

void CParametersPage::ResetResults() {
  ReadFields();
  Target()->Invalidate();
  ShowStatus("Ready");
  data.dnsName = QStringLiteral("<none>");
  data.ipAddress = QStringLiteral("<none>");
  data.system = SystemGroup();
  ShowFields();
}

void CParametersPage::StartJob() {
  // The system group is fetched on the job runner, after the target was
  // resolved there; OnQueryEnded shows what came back.
  StartTargetJob(runner, [this, shown = data.system](const JobContext& context) {
    queried = true;
    PostStatus("Getting SysInfo variables");
    fetched = shown;
    outcome = QuerySystemGroup(context, fetched);
  });
}

void CParametersPage::OnQueryEnded() {
  if (!queried) return;  // the host could not be resolved
  queried = false;
  // An IPv6 address goes to the box and the history in its RFC 5952 form,
  // so that its spellings make one entry; other texts stay as typed.
  if (LooksLikeIpv6(data.host.toStdString())) {
    const QString canonical = CanonicalHostText(data.host);
    if (!canonical.isEmpty()) data.host = canonical;
  }
  CHostHistory::Touch(history, data.host, CHostHistory::Capacity());
  ShowHistory();
  SetHost(data.host);
  if (outcome.answered) {
    data.system = fetched;
    ShowFields();
    ShowStatus("SysInfo variables OK");
  } else {
    // The request layer's message stays in the status line.
    if (Host() != nullptr) Host()->RefreshStatus();
  }
}

QString CParametersPage::Report() const {
  return ParametersReport(data);
}

void CParametersPage::CopyResults() {
  QApplication::clipboard()->setText(Report());
}

void CParametersPage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

void CParametersPage::OnShutdown() {
  CHostHistory::Save(history);
}

void CParametersPage::FactorySettings() {
  ReadFields();
  data.SetFactory();
  ShowFields();
}

void CParametersPage::SaveSettings() {
  ReadFields();
  data.Save();
  CHostHistory::SaveCapacity();
}

void CParametersPage::LoadSettings() {
  ReadFields();
  data.Load();
  ShowFields();
}

void CParametersPage::EnableControls(bool enable) {
  for (QWidget* w : std::initializer_list<QWidget*>{
           hostBox, readCommunityEdit, writeCommunityEdit, timeoutEdit, retriesEdit, browseButton,
           telnetButton, factoryButton, loadDefaultButton, setDefaultButton, telnetPathEdit,
           versionBox, v3Group, familyBox}) {
    w->setEnabled(enable);
  }
  if (enable) ShowVersionControls();
}

void CParametersPage::OnBrowse() {
  ReadFields();
  const QString path = QFileDialog::getOpenFileName(
      window(), QStringLiteral("Telnet application path"), data.telnetPath,
      QStringLiteral("All files (*)"), nullptr, QFileDialog::ReadOnly);
  if (path.isEmpty()) return;
  data.telnetPath = path;
  telnetPathEdit->setText(path);
}

void CParametersPage::ShowVersionControls() {
  // Communities belong to versions 1 and 2c, the user-based security to 3.
  const bool v3 = versionBox->currentText() == QLatin1String("3");
  if (!versionBox->isEnabled()) return;  // a job runs: everything stays off
  v3Group->setEnabled(v3);
  readCommunityEdit->setEnabled(!v3);
  writeCommunityEdit->setEnabled(!v3);
}

void CParametersPage::HandleGridCommand(int, const QString& host) {
  // Telnet, the tool's one command.
  const QString problem = LaunchTelnet(data.telnetPath, host);
  if (!problem.isEmpty()) ShowStatus("%s", problem.toUtf8().constData());
}

void CParametersPage::OnTelnet() {
  ReadFields();
  const QString problem = LaunchTelnet(data.telnetPath, hostBox->currentText());
  if (!problem.isEmpty()) ShowStatus("%s", problem.toUtf8().constData());
}

}  // namespace tesmo
