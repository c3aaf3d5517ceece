// The "MIB modules" dialog.
#include "ui/browser/mib_modules_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/base/untrusted_text.h"
#include "core/snmp/mib_loader.h"

namespace tesmo {
namespace {

// Text from MIB files and their names, with control bytes made visible.
QString Shown(const std::string& text) {
  return QString::fromStdString(EscapeUntrusted(text));
}

QTreeWidget* Table(const QStringList& headers, const QString& name, QWidget* parent) {
  auto* table = new QTreeWidget(parent);
  table->setHeaderLabels(headers);
  table->setRootIsDecorated(false);
  table->setUniformRowHeights(true);
  table->setAlternatingRowColors(true);
  table->setAccessibleName(name);
  table->header()->setSectionResizeMode(QHeaderView::Interactive);
  return table;
}

}  // namespace

QString MibProblemsStatus(const MibReport& report) {
  const size_t count = report.ModulesWithProblems();
  if (count == 0) return {};
  return QStringLiteral("%1 MIB module%2 could not be loaded: see MIB modules")
      .arg(count)
      .arg(count == 1 ? QString() : QStringLiteral("s"));
}

CMibModulesDialog::CMibModulesDialog(Reload reload, QWidget* parent)
    : QDialog(parent), reload(std::move(reload)) {
  setWindowTitle(QStringLiteral("MIB modules"));
  summary = new QLabel(this);
  summary->setWordWrap(true);
  problems = Table({QStringLiteral("Module"), QStringLiteral("File"), QStringLiteral("Line"),
                    QStringLiteral("Problem"), QStringLiteral("What would mend it")},
                   QStringLiteral("Problems"), this);
  modules =
      Table({QStringLiteral("Module"), QStringLiteral("File")}, QStringLiteral("Modules"), this);
  folders = new QPlainTextEdit(this);
  folders->setReadOnly(true);
  folders->setLineWrapMode(QPlainTextEdit::NoWrap);
  folders->setAccessibleName(QStringLiteral("MIB folders in search order"));
  message = new QLabel(this);
  message->setWordWrap(true);
  message->setTextFormat(Qt::PlainText);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  addButton = buttons->addButton(QStringLiteral("Add MIB files…"), QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(addButton, &QPushButton::clicked, this, &CMibModulesDialog::ChooseFiles);

  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(problems);
  split->addWidget(modules);
  auto* folderPane = new QWidget(this);
  auto* folderLayout = new QVBoxLayout(folderPane);
  folderLayout->setContentsMargins(0, 0, 0, 0);
  folderLayout->addWidget(new QLabel(
      QStringLiteral("MIB folders, in search order (a module in several is read from the last):"),
      folderPane));
  folderLayout->addWidget(folders);
  split->addWidget(folderPane);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary);
  layout->addWidget(split, 1);
  layout->addWidget(message);
  layout->addWidget(buttons);
  resize(900, 600);
}

void CMibModulesDialog::ShowReport(const MibReport& report) {
  const QString status = MibProblemsStatus(report);
  summary->setText(QStringLiteral("%1 MIB modules found. %2")
                       .arg(report.modules.size())
                       .arg(status.isEmpty()
                                ? QStringLiteral("Every module loaded.")
                                : status.section(QLatin1Char(':'), 0, 0) + QLatin1Char('.')));
  problems->clear();
  for (const MibProblem& p : report.problems) {
    auto* item = new QTreeWidgetItem(
        problems, {Shown(p.module), Shown(p.file), p.line > 0 ? QString::number(p.line) : QString(),
                   Shown(p.what), Shown(p.fix)});
    item->setToolTip(3, item->text(3));
    item->setToolTip(4, item->text(4));
  }
  problems->setVisible(!report.problems.empty());
  modules->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(report.modules.size()));
  for (const MibModuleFile& m : report.modules) {
    items.append(new QTreeWidgetItem({Shown(m.module), Shown(m.file)}));
  }
  modules->addTopLevelItems(items);
  for (QTreeWidget* table : {problems, modules}) {
    for (int c = 0; c < table->columnCount(); ++c) table->resizeColumnToContents(c);
  }
  QString list;
  for (const std::string& folder : report.folders) list += Shown(folder) + QLatin1Char('\n');
  folders->setPlainText(list);
}

void CMibModulesDialog::AddFiles(const QStringList& files) {
  std::vector<std::string> paths;
  for (const QString& f : files) paths.push_back(f.toStdString());
  QStringList notes;
  for (const std::string& refused : CopyMibFiles(paths, UserMibDirectory()))
    notes << Shown(refused);
  QString why;
  if (reload && !reload(&why)) notes << why;
  ShowReport(LastMibReport());
  message->setText(notes.join(QLatin1Char('\n')));
}

void CMibModulesDialog::ChooseFiles() {
  const QStringList files = QFileDialog::getOpenFileNames(
      this, QStringLiteral("Add MIB files"), QString(),
      QStringLiteral("MIB modules (*.mib *.my *.txt *.smi *-MIB *);;All files (*)"));
  if (!files.isEmpty()) AddFiles(files);
}

}  // namespace tesmo
