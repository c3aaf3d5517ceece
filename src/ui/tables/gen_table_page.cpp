// The Gen. Table page.
#include "ui/tables/gen_table_page.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/snmp/mib_loader.h"
#include "tools/tables/gen_table.h"
#include "tools/tables/snmp_exporter_module.h"
#include "ui/app/show_status.h"
#include "ui/app/target.h"
#include "ui/tables/column_property_dialog.h"
#include "ui/tables/table_grid_view.h"

namespace tesmo {
namespace {

constexpr int kTableListId = 1086;
constexpr int kGridId = 1085;
constexpr int kCountLabelId = 1084;

const CPageRegistration registration("gentable", [](const PageContext& context) {
  return new CGenTablePage(context);
});

}  // namespace

CGenTablePage::CGenTablePage(const PageContext& context) : ToolPage(context) {
  tableList = new QComboBox(this);
  tableList->setMinimumContentsLength(40);
  tableList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  RegisterControl(tableList, kTableListId);
  countLabel = new QLabel(this);
  countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  countLabel->setMinimumWidth(
      countLabel->fontMetrics().horizontalAdvance(QStringLiteral("0000000 entry(s)")));
  RegisterControl(countLabel, kCountLabelId);
  grid = new CTableGridView(this);
  RegisterControl(grid, kGridId);
  // The header menu of this grid keeps "Column property".
  grid->Table().SetColumnPropertyEnabled(true);

  exportButton = new QPushButton(QStringLiteral("Export for Prometheus…"), this);
  exportButton->setAccessibleName(QStringLiteral("Export for Prometheus"));

  auto* top = new QHBoxLayout;
  top->addWidget(tableList);
  top->addWidget(exportButton);
  top->addStretch(1);
  top->addWidget(countLabel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(grid, 1);

  connect(&grid->Table(), &CTableGrid::StatusLabelChanged, countLabel, &QLabel::setText);
  connect(tableList, &QComboBox::currentIndexChanged, this, &CGenTablePage::ResetResults);
  connect(grid, &CTableGridView::ColumnPropertyRequested, this, &CGenTablePage::EditColumn);
  connect(exportButton, &QPushButton::clicked, this, &CGenTablePage::ChooseExportFile);
  // "Add to Gen" of the MIB browser wrote a table.
  connect(&CCustomTables::Instance(), &CCustomTables::Changed, this, &CGenTablePage::LoadSettings,
          Qt::QueuedConnection);
}

void CGenTablePage::CopyResults() {
  grid->CopySelection();
}

void CGenTablePage::StartJob() {
  if (!runner.CanStart()) return;
  const int table = tableList->currentIndex();
  if (table < 0) return;  // no table: nothing to walk
  CTableGrid* tableGrid = &grid->Table();
  StartTargetJob(runner, [tableGrid, table](const JobContext& context) {
    RunCustomTableJob(static_cast<unsigned>(table), *tableGrid, context);
  });
}

void CGenTablePage::ResetResults() {
  const int table = tableList->currentIndex();
  grid->ResetResults(
      table < 0 ? std::vector<CColumnInfo>{}
                : CustomTableDescription(CustomTableColumns(static_cast<unsigned>(table))).columns);
  grid->Table().SetStatusLabel(QString());
}

void CGenTablePage::LoadSettings() {
  // Rebuilding the list (a table added from MBrowser, "Load default") keeps
  // the table shown and its rows when it is still there under its name.
  const int shown = tableList->currentIndex();
  const QString shownName = tableList->currentText();
  {
    const QSignalBlocker block(tableList);
    tableList->clear();
    tableList->addItems(CustomTableNames());
    const bool kept =
        shown >= 0 && shown < tableList->count() && tableList->itemText(shown) == shownName;
    tableList->setCurrentIndex(kept ? shown : tableList->count() > 0 ? 0 : -1);
    if (kept) return;
  }
  ResetResults();
}

void CGenTablePage::ChooseExportFile() {
  if (tableList->currentIndex() < 0) return;
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Export for Prometheus"), QStringLiteral("generator.yml"),
      QStringLiteral("prometheus-snmp-generator configuration (*.yml *.yaml)"));
  if (!path.isEmpty()) ExportTable(path);
}

bool CGenTablePage::ExportTable(const QString& path) {
  const int table = tableList->currentIndex();
  const std::vector<ColumnDefinition> columns =
      table < 0 ? std::vector<ColumnDefinition>{}
                : CustomTableColumns(static_cast<unsigned>(table));
  if (columns.empty()) {
    ShowStatus("Export: the table has no columns");
    return false;
  }
  // Never over a directory, a device, a pipe or a link: only a regular file
  // is replaced, and whole.
  const QFileInfo info(path);
  if (info.isSymLink() || (info.exists() && !info.isFile())) {
    ShowStatus("Export: %s is not a regular file", path.toUtf8().constData());
    return false;
  }
  const QString folders = QString::fromStdString(LastMibDirectoryList());
  const QByteArray bytes =
      SnmpExporterGeneratorYaml(tableList->currentText(), static_cast<unsigned>(table), columns,
                                Target()->Parameters(), folders)
          .toUtf8();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    ShowStatus("Export: %s", file.errorString().toUtf8().constData());
    return false;
  }
  ShowStatus("Exported to %s", path.toUtf8().constData());
  return true;
}

void CGenTablePage::EnableControls(bool enable) {
  tableList->setEnabled(enable);
}

void CGenTablePage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

void CGenTablePage::EditColumn(int column) {
  const int table = tableList->currentIndex();
  if (table < 0 || column < 0 || column >= kMaxCustomColumns) return;
  const QStringList texts = CustomColumnTexts(static_cast<unsigned>(table));
  if (column >= texts.size()) return;
  ColumnDefinition definition = ParseColumnDefinition(texts[column]);
  // The width as the user has dragged it, in whole characters.
  const int unit = grid->Table().WidthUnit();
  if (unit > 0 && column < grid->Data().Cols()) {
    definition.width = static_cast<unsigned>(std::max(grid->Data().ColWidth(column), 0) / unit);
  }
  CColumnPropertyDialog dialog(definition, this);
  if (dialog.Run() == QDialog::Accepted) {
    WriteCustomColumn(static_cast<unsigned>(table), static_cast<unsigned>(column), dialog.Column());
  }
  // Either way the list is read again and the table stays selected; the
  // grid shows the new settings from the next Start.
  const QSignalBlocker block(tableList);
  tableList->clear();
  tableList->addItems(CustomTableNames());
  tableList->setCurrentIndex(std::min(table, tableList->count() - 1));
}

}  // namespace tesmo
