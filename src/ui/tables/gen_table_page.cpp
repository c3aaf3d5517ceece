// The Gen. Table page.
#include "ui/tables/gen_table_page.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "tools/tables/gen_table.h"
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

  auto* top = new QHBoxLayout;
  top->addWidget(tableList);
  top->addStretch(1);
  top->addWidget(countLabel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(grid, 1);

  connect(&grid->Table(), &CTableGrid::StatusLabelChanged, countLabel, &QLabel::setText);
  connect(tableList, &QComboBox::currentIndexChanged, this, &CGenTablePage::ResetResults);
  connect(grid, &CTableGridView::ColumnPropertyRequested, this, &CGenTablePage::EditColumn);
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
