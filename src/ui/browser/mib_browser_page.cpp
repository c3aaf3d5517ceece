// The MBrowser page.
#include "ui/browser/mib_browser_page.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/grid/table_fill.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/snmp_mutex.h"
#include "core/snmp/snmp_request.h"
#include "tools/graph/graph_data.h"
#include "ui/app/target.h"
#include "ui/browser/mib_browser_models.h"
#include "ui/browser/mib_modules_dialog.h"
#include "ui/widgets/fixed_font.h"
#include "ui/widgets/line_list_model.h"

namespace tesmo {
namespace {

constexpr int kTreeId = 2066;
constexpr int kOidTextId = 1081;
constexpr int kOidNumericId = 1087;
constexpr int kTypeId = 1078;
constexpr int kAccessId = 1079;
constexpr int kStatusId = 1080;
constexpr int kEnumsId = 3057;
constexpr int kDescriptionId = 3068;
constexpr int kResultListId = 2071;
constexpr int kCountLabelId = 1084;
constexpr int kInstanceId = 1072;
constexpr int kSetTypeId = 1082;
constexpr int kSetValueId = 3070;
constexpr int kSetId = 2069;
constexpr int kGraphId = 2073;
constexpr int kGenId = 1116;

// Where the tree pane's width is kept.
constexpr char kBrowserSection[] = "MibBrowser";
constexpr char kTreeWidthValue[] = "TreeWidth";

const CPageRegistration registration("browser", [](const PageContext& context) {
  return new CMibBrowserPage(context);
});

QLineEdit* ReadOnlyEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly(true);
  return edit;
}

}  // namespace

CMibBrowserPage::CMibBrowserPage(const PageContext& context) : ToolPage(context) {
  treeModel = new CMibTreeModel(index, this);
  treeView = new QTreeView(this);
  treeView->setModel(treeModel);
  treeView->setHeaderHidden(true);
  treeView->setUniformRowHeights(true);
  treeView->setRootIsDecorated(true);
  treeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  RegisterControl(treeView, kTreeId);

  oidTextEdit = new QLineEdit(this);
  oidTextEdit->setPlaceholderText(QStringLiteral(".iso.org.dod.internet..."));
  RegisterControl(oidTextEdit, kOidTextId);
  oidNumericEdit = new QLineEdit(this);
  oidNumericEdit->setPlaceholderText(QStringLiteral(".1.3.6.1..."));
  RegisterControl(oidNumericEdit, kOidNumericId);
  typeEdit = ReadOnlyEdit(this);
  RegisterControl(typeEdit, kTypeId);
  accessEdit = ReadOnlyEdit(this);
  RegisterControl(accessEdit, kAccessId);
  statusEdit = ReadOnlyEdit(this);
  RegisterControl(statusEdit, kStatusId);
  enumsBox = new QComboBox(this);
  enumsBox->setEditable(true);
  enumsBox->setEnabled(false);
  RegisterControl(enumsBox, kEnumsId);
  descriptionEdit = new QPlainTextEdit(this);
  descriptionEdit->setReadOnly(true);
  descriptionEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  RegisterControl(descriptionEdit, kDescriptionId);

  resultModel = new CLineListModel(lines, this);
  resultList = new QListView(this);
  resultList->setModel(resultModel);
  resultList->setUniformItemSizes(true);
  resultList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  resultList->setSelectionMode(QAbstractItemView::SingleSelection);
  resultList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  RegisterControl(resultList, kResultListId);
  countLabel = new QLabel(this);
  countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  RegisterControl(countLabel, kCountLabelId);

  instanceEdit = new QLineEdit(this);
  RegisterControl(instanceEdit, kInstanceId);
  setTypeBox = new QComboBox(this);
  setTypeBox->setEditable(true);
  setTypeBox->setInsertPolicy(QComboBox::InsertAlphabetically);
  for (const char* type : {"i (integer)", "u (unsigned)", "t (timeticks)", "a (ipaddress)",
                           "o (objid)", "s (string)", "n (nullobj)"}) {
    setTypeBox->addItem(QString::fromUtf8(type));
  }
  // A sorted list: the entries show in letter order.
  setTypeBox->model()->sort(0);
  RegisterControl(setTypeBox, kSetTypeId);
  setValueEdit = new QLineEdit(this);
  RegisterControl(setValueEdit, kSetValueId);
  setButton = new QPushButton(QStringLiteral("Set"), this);
  RegisterControl(setButton, kSetId);
  graphButton = new QPushButton(QStringLiteral("Add to graph"), this);
  RegisterControl(graphButton, kGraphId);
  graphButton->setEnabled(false);
  genButton = new QPushButton(QStringLiteral("Add to Gen"), this);
  RegisterControl(genButton, kGenId);
  for (QPushButton* b : {setButton, graphButton, genButton}) b->setAutoDefault(false);

  auto* fields = new QGridLayout;
  fields->addWidget(oidTextEdit, 0, 0, 1, 6);
  fields->addWidget(oidNumericEdit, 1, 0, 1, 6);
  fields->addWidget(new QLabel(QStringLiteral("Type"), this), 2, 0);
  fields->addWidget(typeEdit, 2, 1);
  fields->addWidget(new QLabel(QStringLiteral("Access"), this), 2, 2);
  fields->addWidget(accessEdit, 2, 3);
  fields->addWidget(new QLabel(QStringLiteral("Status"), this), 2, 4);
  fields->addWidget(statusEdit, 2, 5);
  fields->addWidget(new QLabel(QStringLiteral("Enums"), this), 3, 0);
  fields->addWidget(enumsBox, 3, 1, 1, 5);
  auto* setRow = new QHBoxLayout;
  setRow->addWidget(instanceEdit, 3);
  setRow->addWidget(setTypeBox, 1);
  setRow->addWidget(setValueEdit, 3);
  setRow->addWidget(setButton);
  setRow->addWidget(graphButton);
  setRow->addWidget(genButton);
  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addLayout(fields);
  rightLayout->addWidget(descriptionEdit, 1);
  rightLayout->addWidget(countLabel);
  rightLayout->addWidget(resultList, 2);
  rightLayout->addLayout(setRow);
  splitter = new QSplitter(this);
  splitter->addWidget(treeView);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 2);
  splitter->setChildrenCollapsible(false);
  // Modules that could not be loaded are said under the tree, with the way
  // to the report.
  mibProblemsLabel = new QLabel(this);
  mibProblemsLabel->setTextFormat(Qt::PlainText);
  mibModulesButton = new QPushButton(QStringLiteral("MIB modules…"), this);
  mibModulesButton->setAutoDefault(false);
  auto* problemRow = new QHBoxLayout;
  problemRow->addWidget(mibProblemsLabel, 1);
  problemRow->addWidget(mibModulesButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);
  layout->addLayout(problemRow);
  connect(mibModulesButton, &QPushButton::clicked, this, &CMibBrowserPage::ShowMibModules);

  connect(treeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ShowNode(CMibTreeModel::NodeOf(current)); });
  connect(
      resultList->selectionModel(), &QItemSelectionModel::currentChanged, this,
      [this](const QModelIndex& current) { ChooseLine(current.isValid() ? current.row() : -1); });
  connect(oidNumericEdit, &QLineEdit::textEdited, this, [this] { OnOidEdited(oidNumericEdit); });
  connect(oidTextEdit, &QLineEdit::textEdited, this, [this] { OnOidEdited(oidTextEdit); });
  connect(splitter, &QSplitter::splitterMoved, this, [this] {
    if (!applyingWidth) treeWidthMoved = true;
  });
  connect(setButton, &QPushButton::clicked, this, &CMibBrowserPage::SetValue);
  connect(graphButton, &QPushButton::clicked, this, &CMibBrowserPage::AddToGraph);
  connect(genButton, &QPushButton::clicked, this, &CMibBrowserPage::AddToGen);

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(mapToGlobal(pos)); });
  resultList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(resultList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowCopyMenu(resultList->viewport()->mapToGlobal(pos)); });
}

void CMibBrowserPage::InitPage() {
  // The tree is shown when the sheet says it is loaded (OnMibsLoaded).
  ApplyTreeWidth();
  ResetResults();
}

void CMibBrowserPage::OnMibsLoaded() {
  index.Build();
  treeModel->Refresh();
  UpdateMibProblems();
}

void CMibBrowserPage::UpdateMibProblems() {
  const QString text = MibProblemsStatus(LastMibReport());
  mibProblemsLabel->setText(text);
  mibProblemsLabel->setVisible(!text.isEmpty());
}

bool CMibBrowserPage::ReloadMibs(QString* why) {
  if (CJobControl::Instance().JobRunning() || runner.Running()) {
    *why = QStringLiteral(
        "The MIB folders are read again when no job is running: press Stop, "
        "then open MIB modules again.");
    return false;
  }
  // The view lets go of the old tree before it is freed.
  treeView->setCurrentIndex(QModelIndex());
  index.BuildFrom(nullptr);
  treeModel->Refresh();
  {
    const std::lock_guard lock(SnmpMutex);
    LoadMibs(LastMibDirectoryList());
  }
  index.Build();
  treeModel->Refresh();
  ShowNode(-1);
  UpdateMibProblems();
  return true;
}

void CMibBrowserPage::ShowMibModules() {
  CMibModulesDialog dialog([this](QString* why) { return ReloadMibs(why); }, this);
  dialog.ShowReport(LastMibReport());
  dialog.exec();
}

void CMibBrowserPage::OnShutdown() {
  // The tree pane keeps the width the user gave it, from one run to the next.
  if (treeWidthMoved) {
    CSettingsStore::WriteInt(QString::fromUtf8(kBrowserSection), QString::fromUtf8(kTreeWidthValue),
                             splitter->sizes().value(0));
  }
  index.BuildFrom(nullptr);
  treeModel->Refresh();
}

int CMibBrowserPage::DefaultTreeWidth() const {
  // Wide enough for ifEntry's children: nine levels of indentation and the
  // longest of their labels, with room for the branch marks and a margin.
  const QFontMetrics metrics(treeView->font());
  return treeView->indentation() * 10 +
         metrics.horizontalAdvance(QStringLiteral("ifOutNUcastPkts")) +
         metrics.averageCharWidth() * 4;
}

void CMibBrowserPage::ApplyTreeWidth() {
  const int stored = CSettingsStore::ReadInt(QString::fromUtf8(kBrowserSection),
                                             QString::fromUtf8(kTreeWidthValue), 0);
  // A damaged or absurd value gives the built-in width.
  const int width = stored >= 50 && stored <= 4000 ? stored : DefaultTreeWidth();
  const int total = std::max(splitter->width(), width * 3);
  applyingWidth = true;
  splitter->setSizes({width, std::max(total - width, width)});
  applyingWidth = false;
}

void CMibBrowserPage::ResetResults() {
  resultSelected = false;
  UpdateGraphButton();
}

void CMibBrowserPage::LoadSettings() {
  resultList->setFont(FixedFont());
  const QFontMetrics metrics(FixedFont());
  resultModel->SetUniformWidth(metrics.horizontalAdvance(QStringLiteral("abimacu")) / 7 + 1,
                               metrics.height());
}

void CMibBrowserPage::EnableControls(bool enable) {
  controlsEnabled = enable;
  setButton->setEnabled(enable);
  genButton->setEnabled(enable);
  UpdateGraphButton();
}

void CMibBrowserPage::UpdateGraphButton() {
  graphButton->setEnabled(controlsEnabled && resultSelected);
}

void CMibBrowserPage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

const tree* CMibBrowserPage::SelectedNode() const {
  const int n = CMibTreeModel::NodeOf(treeView->currentIndex());
  return n >= 0 ? index.Node(n) : nullptr;
}

bool CMibBrowserPage::SelectNode(const tree* node) {
  const QModelIndex item = treeModel->ItemOf(index.IndexOf(node));
  if (!item.isValid()) return false;
  treeView->setCurrentIndex(item);
  treeView->scrollTo(item);
  return true;
}

void CMibBrowserPage::SetField(QLineEdit* field, const QString& text) {
  if (field != editing) field->setText(text);
}

void CMibBrowserPage::ShowNode(int n) {
  if (n < 0) {
    // Nothing selected: no field may describe a node.
    for (QLineEdit* field : {typeEdit, accessEdit, statusEdit, instanceEdit, setValueEdit})
      field->clear();
    SetField(oidNumericEdit, QString());
    SetField(oidTextEdit, QString());
    descriptionEdit->clear();
    enumsBox->clear();
    enumsBox->setEnabled(false);
    return;
  }
  const MibNodeDefinition d = DefinitionOf(index.Node(n));
  QString description = d.description;
  descriptionEdit->setPlainText(description.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  enumsBox->clear();
  enumsBox->addItems(d.enums);
  enumsBox->setEnabled(!d.enums.isEmpty());
  if (!d.enums.isEmpty()) enumsBox->setCurrentIndex(0);
  typeEdit->setText(d.type);
  accessEdit->setText(d.access);
  statusEdit->setText(d.status);
  for (int i = 0; i < setTypeBox->count(); ++i) {
    if (setTypeBox->itemText(i).startsWith(QLatin1Char(d.setType))) {
      setTypeBox->setCurrentIndex(i);
      break;
    }
  }
  SetField(oidNumericEdit, d.oidNumeric);
  SetField(oidTextEdit, d.oidText);
  instanceEdit->setText(d.oidNumeric);
  setValueEdit->clear();
}

void CMibBrowserPage::OnOidEdited(QLineEdit* field) {
  // A path, or a label typed alone ("ifInOctets"); a name that finds nothing
  // selects nothing, so that Start has nothing to walk.
  const ObjectNameMatch match = LookUpObjectName(field->text().trimmed().toStdString());
  const int n = match.id.empty() ? -1 : index.DeepestIndex(match.id);
  editing = field;
  if (n < 0 || !SelectNode(index.Node(n))) treeView->setCurrentIndex(QModelIndex());
  editing = nullptr;
  if (!match.nodes.empty()) PostStatusText(NameMatchText(match));
}

void CMibBrowserPage::ChooseLine(int row) {
  resultSelected = true;
  UpdateGraphButton();
  const QStringList& shown = resultModel->Lines();
  if (index.Count() == 0 || row < 0 || row >= shown.size()) return;
  QString oidText, valueText;
  if (!SplitResultLine(shown[row], &oidText, &valueText)) return;
  ObjectId id;
  if (!ParseResultOid(oidText, id)) return;
  const int n = index.DeepestIndex(id);
  if (n >= 0) SelectNode(index.Node(n));
  setValueEdit->setText(valueText);
  instanceEdit->setText(NumericOidText(id));
}

void CMibBrowserPage::StartJob() {
  resultSelected = false;
  UpdateGraphButton();
  if (!runner.CanStart()) return;
  const QString typed = oidNumericEdit->text().trimmed();
  if (typed.isEmpty()) {
    // A name that found nothing left no node to walk.
    const QString name = oidTextEdit->text().trimmed();
    PostStatusText(name.isEmpty() ? QStringLiteral("Choose an object to walk")
                                  : QStringLiteral("No object is named %1").arg(name));
    return;
  }
  // A label typed alone walks the node it names; anything else goes to the
  // agent as typed, and the request layer says what is wrong with it.
  const ObjectNameMatch match = LookUpObjectName(typed.toStdString());
  const std::string start =
      match.id.empty() ? typed.toStdString() : NumericOidText(match.id).toStdString();
  CLineStore* results = &lines;
  QLabel* count = countLabel;
  // The count label is emptied when the walk starts and shows its count at
  // its end.
  const auto showCount = [count](const QString& text) {
    QMetaObject::invokeMethod(
        count, [count, text] { count->setText(text); }, Qt::QueuedConnection);
  };
  StartTargetJob(runner, [start, results, showCount](const JobContext& context) {
    showCount(QString());
    const MibWalkOutcome outcome = RunMibWalk(context, start, *results);
    showCount(EntryCountText(static_cast<int>(outcome.count)));
  });
}

void CMibBrowserPage::SetValue() {
  const QString type = setTypeBox->currentText().trimmed();
  if (type.isEmpty() || !runner.CanStart()) return;
  const std::string instance = instanceEdit->text().trimmed().toStdString();
  const std::string value = setValueEdit->text().toStdString();
  const char letter = type.at(0).toLatin1();
  // The agent may take its time: the set runs as a job, off this thread.
  StartTargetJob(runner, [instance, value, letter](const JobContext& context) {
    RunMibSet(context, instance, value, letter);
  });
}

void CMibBrowserPage::AddToGraph() {
  const QModelIndex current = resultList->currentIndex();
  const QStringList& shown = resultModel->Lines();
  if (!current.isValid() || current.row() >= shown.size()) return;
  QString oidText, valueText;
  if (!SplitResultLine(shown[current.row()], &oidText, &valueText)) return;
  // The entry keeps asking the agent these lines came from, whatever host
  // the Parameters page holds later.
  AddGraphEntry(kGraphSnmp, instanceEdit->text().trimmed(), oidText, Target()->Parameters().host);
  // The next line, so that repeated presses add one line after another.
  const QModelIndex next = resultModel->index(current.row() + 1);
  if (next.isValid()) {
    resultList->setCurrentIndex(next);
  } else {
    resultList->selectionModel()->clearSelection();
    resultList->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
  }
}

void CMibBrowserPage::AddToGen() {
  if (const tree* node = SelectedNode()) AddCustomTableOfNode(node);
}

QString CMibBrowserPage::Report() const {
  return BrowserReport(oidTextEdit->text(), oidNumericEdit->text(), resultModel->Lines());
}

void CMibBrowserPage::CopyResults() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  resultModel->Refresh();
  QApplication::clipboard()->setText(Report());
  QApplication::restoreOverrideCursor();
}

}  // namespace tesmo
