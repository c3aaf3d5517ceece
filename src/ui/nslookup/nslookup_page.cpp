// The NSLookup page.
#include "ui/nslookup/nslookup_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/job_control.h"
#include "core/base/status_channel.h"
#include "core/dns/dns_records.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "ui/widgets/fixed_font.h"
#include "ui/widgets/number_edit.h"

namespace tesmo {

namespace {

constexpr int kInternalId = 1062;
constexpr int kSystemId = 1065;
constexpr int kDnsListId = 1054;
constexpr int kSearchListId = 1044;
constexpr int kTimeoutId = 1056;
constexpr int kRetriesId = 1058;
constexpr int kHostFileId = 1070;
constexpr int kCacheId = 1068;
constexpr int kCacheTimeoutId = 1060;
constexpr int kClearCacheId = 1004;
constexpr int kCleanCacheId = 1006;
constexpr int kNameId = 1043;
constexpr int kTypeId = 2051;
constexpr int kClassId = 1050;
constexpr int kDebugId = 2045;
constexpr int kDebug2Id = 2046;
constexpr int kIpv6AddressesId = 2047;
constexpr int kLookupId = 2041;
constexpr int kListId = 2042;
constexpr int kResultListId = 2040;

const CPageRegistration registration("dns", [](const PageContext& context) {
  return new CNsLookupPage(context);
});

QLineEdit* NumberEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 16);
  return edit;
}

}  // namespace

CNsLookupPage::CNsLookupPage(const PageContext& context) : ToolPage(context) {
  auto* parameterGroup = new QGroupBox(QStringLiteral("Resolver parameter"), this);

  auto* resolverGroup = new QGroupBox(QStringLiteral("Resolver"), parameterGroup);
  internalButton = new QRadioButton(QStringLiteral("Internal"), resolverGroup);
  systemButton = new QRadioButton(QStringLiteral("MS"), resolverGroup);
  RegisterControl(internalButton, kInternalId);
  RegisterControl(systemButton, kSystemId);
  auto* resolverRow = new QVBoxLayout(resolverGroup);
  resolverRow->addWidget(internalButton);
  resolverRow->addWidget(systemButton);

  dnsEdit = new QLineEdit(parameterGroup);
  searchEdit = new QLineEdit(parameterGroup);
  timeoutEdit = NumberEdit(parameterGroup);
  retriesEdit = NumberEdit(parameterGroup);
  hostFileBox = new QCheckBox(QStringLiteral("use host file"), parameterGroup);
  RegisterControl(dnsEdit, kDnsListId);
  RegisterControl(searchEdit, kSearchListId);
  RegisterControl(timeoutEdit, kTimeoutId);
  RegisterControl(retriesEdit, kRetriesId);
  RegisterControl(hostFileBox, kHostFileId);

  auto* cacheGroup = new QGroupBox(QStringLiteral("Cache"), parameterGroup);
  cacheBox = new QCheckBox(QStringLiteral("use cache"), cacheGroup);
  cacheTimeoutEdit = NumberEdit(cacheGroup);
  clearCacheButton = new QPushButton(QStringLiteral("Clear Cache"), cacheGroup);
  cleanCacheButton = new QPushButton(QStringLiteral("Clean Cache"), cacheGroup);
  RegisterControl(cacheBox, kCacheId);
  RegisterControl(cacheTimeoutEdit, kCacheTimeoutId);
  RegisterControl(clearCacheButton, kClearCacheId);
  RegisterControl(cleanCacheButton, kCleanCacheId);
  auto* cacheGrid = new QGridLayout(cacheGroup);
  cacheGrid->addWidget(cacheBox, 0, 0, 1, 2);
  cacheGrid->addWidget(new QLabel(QStringLiteral("Cache t-o (s)"), cacheGroup), 1, 0);
  cacheGrid->addWidget(cacheTimeoutEdit, 1, 1);
  cacheGrid->addWidget(clearCacheButton, 2, 0);
  cacheGrid->addWidget(cleanCacheButton, 2, 1);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("DNS"), parameterGroup), 0, 0);
  fields->addWidget(dnsEdit, 0, 1, 1, 4);
  fields->addWidget(new QLabel(QStringLiteral("SearchList"), parameterGroup), 1, 0);
  fields->addWidget(searchEdit, 1, 1, 1, 4);
  fields->addWidget(new QLabel(QStringLiteral("Timeout (s)"), parameterGroup), 2, 0);
  fields->addWidget(timeoutEdit, 2, 1);
  fields->addWidget(new QLabel(QStringLiteral("Retries"), parameterGroup), 2, 2);
  fields->addWidget(retriesEdit, 2, 3);
  fields->addWidget(hostFileBox, 2, 4);
  fields->setColumnStretch(4, 1);

  auto* parameterRow = new QHBoxLayout(parameterGroup);
  parameterRow->addWidget(resolverGroup);
  parameterRow->addLayout(fields, 1);
  parameterRow->addWidget(cacheGroup);

  nameEdit = new QLineEdit(this);
  typeBox = new QComboBox(this);
  classBox = new QComboBox(this);
  debugBox = new QCheckBox(QStringLiteral("debug"), this);
  debug2Box = new QCheckBox(QStringLiteral("d2"), this);
  ipv6Box = new QCheckBox(QStringLiteral("AAAA"), this);
  lookupButton = new QPushButton(QStringLiteral("Lookup"), this);
  listButton = new QPushButton(QStringLiteral("List"), this);
  RegisterControl(nameEdit, kNameId);
  RegisterControl(typeBox, kTypeId);
  RegisterControl(classBox, kClassId);
  RegisterControl(debugBox, kDebugId);
  RegisterControl(debug2Box, kDebug2Id);
  RegisterControl(ipv6Box, kIpv6AddressesId);
  RegisterControl(lookupButton, kLookupId);
  RegisterControl(listButton, kListId);
  for (QPushButton* b : {clearCacheButton, cleanCacheButton, lookupButton, listButton}) {
    b->setAutoDefault(false);
  }
  auto* queryRow = new QHBoxLayout;
  queryRow->addWidget(new QLabel(QStringLiteral("Name to resolve or list"), this));
  queryRow->addWidget(nameEdit, 1);
  queryRow->addWidget(new QLabel(QStringLiteral("Query type"), this));
  queryRow->addWidget(typeBox);
  queryRow->addWidget(new QLabel(QStringLiteral("Class"), this));
  queryRow->addWidget(classBox);
  queryRow->addWidget(debugBox);
  queryRow->addWidget(debug2Box);
  queryRow->addWidget(ipv6Box);
  queryRow->addWidget(lookupButton);
  queryRow->addWidget(listButton);

  resultList = new QListView(this);
  resultList->setModel(&model);
  // Every row is one line of the fixed font: the view need not measure 100,000 of them.
  resultList->setUniformItemSizes(true);
  resultList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  resultList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  resultList->setFont(FixedFont());
  RegisterControl(resultList, kResultListId);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(parameterGroup);
  layout->addLayout(queryRow);
  layout->addWidget(resultList, 1);

  // A change takes effect when the user leaves the edit (or presses Return)
  // or clicks the box.
  for (QLineEdit* edit : {dnsEdit, searchEdit, timeoutEdit, retriesEdit, cacheTimeoutEdit}) {
    connect(edit, &QLineEdit::editingFinished, this, &CNsLookupPage::ReadControls);
  }
  for (QCheckBox* box : {hostFileBox, cacheBox, debugBox, debug2Box, ipv6Box}) {
    connect(box, &QCheckBox::clicked, this, &CNsLookupPage::ReadControls);
  }
  connect(internalButton, &QRadioButton::clicked, this, [this] { ChooseResolver(true); });
  connect(systemButton, &QRadioButton::clicked, this, [this] { ChooseResolver(false); });
  connect(clearCacheButton, &QPushButton::clicked, this, [] { ClearNameCache(); });
  connect(cleanCacheButton, &QPushButton::clicked, this, [] { CleanNameCache(); });
  connect(lookupButton, &QPushButton::clicked, this,
          [this] { StartQuery(CDnsEngine::Query::kLookup); });
  connect(listButton, &QPushButton::clicked, this,
          [this] { StartQuery(CDnsEngine::Query::kList); });
  connect(&runner, &CJobRunner::Ended, this, &CNsLookupPage::OnQueryEnded);

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(mapToGlobal(pos)); });
  resultList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(resultList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(resultList->viewport()->mapToGlobal(pos)); });

  engine.SetStopFlag(&StopFlag);
  ShowFields();
}

CNsLookupPage::~CNsLookupPage() {
  pending.reset();
  runner.Cancel();
  runner.Wait();
}

void CNsLookupPage::InitPage() {
  SetUpResolver();
  if (typeBox->count() == 0) {
    for (const DnsSymbol& type : DnsTypeTable()) typeBox->addItem(QString::fromUtf8(type.mnemonic));
    for (const DnsSymbol& dnsClass : DnsClassTable()) {
      classBox->addItem(QString::fromUtf8(dnsClass.mnemonic));
    }
  }
  typeBox->setCurrentIndex(0);
  classBox->setCurrentIndex(0);
}

void CNsLookupPage::ShowFields() {
  dnsEdit->setText(QString::fromStdString(settings.dnsList));
  searchEdit->setText(QString::fromStdString(settings.searchList));
  timeoutEdit->setText(QString::number(settings.dnsTimeout));
  retriesEdit->setText(QString::number(settings.dnsRetries));
  hostFileBox->setChecked(settings.useHostFile != 0);
  cacheBox->setChecked(settings.useCache != 0);
  cacheTimeoutEdit->setText(QString::number(settings.cacheTimeout));
  internalButton->setChecked(settings.useFastResolver != 0);
  systemButton->setChecked(settings.useFastResolver == 0);
  debugBox->setChecked(debug);
  debug2Box->setChecked(debug2);
  ipv6Box->setChecked(ipv6Addresses);
}

void CNsLookupPage::ReadControls() {
  ResolverSettings next = settings;
  ReadNumberFields(this, {{timeoutEdit, &next.dnsTimeout},
                          {retriesEdit, &next.dnsRetries},
                          {cacheTimeoutEdit, &next.cacheTimeout}});
  next.dnsList = dnsEdit->text().toStdString();
  next.searchList = searchEdit->text().toStdString();
  next.useHostFile = hostFileBox->isChecked() ? 1 : 0;
  next.useCache = cacheBox->isChecked() ? 1 : 0;
  debug = debugBox->isChecked();
  debug2 = debug2Box->isChecked();
  ipv6Addresses = ipv6Box->isChecked();

  // Each setting reaches its user the moment it changes; the cache drops
  // what the old setting found.
  if (next.dnsRetries != settings.dnsRetries) SetResolverRetries(next.dnsRetries);
  if (next.dnsTimeout != settings.dnsTimeout) SetResolverTimeout(next.dnsTimeout);
  if (next.useCache != settings.useCache) {
    bDnsUseCache.store(next.useCache);
    ClearNameCache();
  }
  if (next.useHostFile != settings.useHostFile) {
    bDnsUseHostfile.store(next.useHostFile);
    ClearNameCache();
  }
  if (next.cacheTimeout != settings.cacheTimeout) {
    DnsCacheTimeout.store(next.cacheTimeout);
    CleanNameCache();
  }
  if (next.dnsList != settings.dnsList) {
    ClearNameCache();
    ApplyDnsServerList(next.dnsList);
  }
  // An emptied search list leaves the one in force.
  if (next.searchList != settings.searchList) ApplyDnsSearchList(next.searchList);
  settings = next;
}

void CNsLookupPage::ChooseResolver(bool internal) {
  settings.useFastResolver = internal ? 1 : 0;
  UseFastResolver.store(settings.useFastResolver);
  ClearNameCache();
}

void CNsLookupPage::FactorySettings() {
  settings = FactoryResolverSettings();
  ShowFields();
}

void CNsLookupPage::SaveSettings() {
  ReadControls();
  settings.useFastResolver = internalButton->isChecked() ? 1 : 0;
  UseFastResolver.store(settings.useFastResolver);
  SaveResolverSettings(settings);
}

void CNsLookupPage::LoadSettings() {
  settings = LoadResolverSettings();
  ShowFields();
  // The fixed font was rebuilt just before the pages load their settings.
  resultList->setFont(FixedFont());
}

void CNsLookupPage::EnableControls(bool enable) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           nameEdit, debug2Box, debugBox, ipv6Box, cacheTimeoutEdit, searchEdit, cacheBox,
           timeoutEdit, retriesEdit, typeBox, classBox, dnsEdit, hostFileBox, systemButton,
           internalButton, clearCacheButton, cleanCacheButton}) {
    control->setEnabled(enable);
  }
}

void CNsLookupPage::StopBackgroundThreads() {
  pending.reset();
  runner.Cancel();
  runner.Wait();
}

void CNsLookupPage::StartJob() {
  StartQuery(CDnsEngine::Query::kLookup);
}

void CNsLookupPage::StartQuery(CDnsEngine::Query kind) {
  ReadControls();
  QueryRequest request{kind,
                       nameEdit->text().trimmed().toStdString(),
                       typeBox->currentText().toStdString(),
                       classBox->currentText().toStdString(),
                       debug,
                       debug2,
                       ipv6Addresses};
  if (request.name.empty()) return;
  if (runner.Running()) {
    // The output of two queries never mixes: this one clears the list and
    // starts when the running one is done.
    pending = std::move(request);
    return;
  }
  RunQuery(request);
}

void CNsLookupPage::RunQuery(const QueryRequest& request) {
  runner.Start([this, request] {
    output.Clear();
    SetResolverDebug(request.debug, request.debug2);
    engine.SetAskIpv6Addresses(request.ipv6Addresses);
    if (!request.type.empty()) engine.SetQueryType(engine.TypeOfMnemonic(request.type, kDnsTypeA));
    if (!request.dnsClass.empty()) {
      engine.SetQueryClass(engine.ClassOfMnemonic(request.dnsClass, kDnsClassIn));
    }
    // The status line says what runs: a zone listing may take minutes.
    const QString name = QString::fromStdString(request.name);
    PostStatusText(request.kind == CDnsEngine::Query::kList
                       ? QStringLiteral("Listing the zone %1").arg(name)
                       : QStringLiteral("Looking up %1").arg(name));
    engine.RunQuery(request.kind, request.name);
    const bool stopped = StopRequested();
    lastStopped.store(stopped);
    PostStatusText(stopped ? QStringLiteral("Stopped: %1 line(s) shown, the answer is incomplete")
                                 .arg(output.Store().Count())
                           : QStringLiteral("Ready"));
  });
}

void CNsLookupPage::OnQueryEnded() {
  // The list is complete the moment the query is.
  model.Refresh();
  // Stop ends the queries waiting behind the running one as well.
  if (!pending || runner.Running()) return;
  const QueryRequest next = std::move(*pending);
  pending.reset();
  if (!lastStopped.load()) RunQuery(next);
}

QString CNsLookupPage::Report() {
  model.Refresh();
  QString text = QStringLiteral("DNS parameters\n--------------\n");
  text +=
      QString::asprintf("Timeout : %u s\nRetries : %u", settings.dnsTimeout, settings.dnsRetries);
  text += QStringLiteral("\nDNS : '") + QString::fromStdString(settings.dnsList) +
          QStringLiteral("'\n");
  text += QStringLiteral("SearchList : '") + QString::fromStdString(settings.searchList) +
          QStringLiteral("'\n");
  text += QStringLiteral("Cache : ") +
          (settings.useCache != 0 ? QStringLiteral("yes") : QStringLiteral("no")) +
          QString::asprintf(" (cache timeout : %u s)", settings.cacheTimeout) +
          QStringLiteral("\nHostFile : ") +
          (settings.useHostFile != 0 ? QStringLiteral("yes") : QStringLiteral("no")) + '\n';
  if (typeBox->currentIndex() >= 0) {
    text += QStringLiteral("QueryType : '") + typeBox->currentText() + QStringLiteral("'\n");
  }
  if (classBox->currentIndex() >= 0) {
    text += QStringLiteral("QueryClass : '") + classBox->currentText() + QStringLiteral("'\n");
  }
  text += QStringLiteral("\nQuery result\n------------\n");
  for (const QString& line : model.Lines()) text += line + QLatin1Char('\n');
  return text;
}

void CNsLookupPage::CopyResults() {
  QApplication::clipboard()->setText(Report());
}

}  // namespace tesmo
