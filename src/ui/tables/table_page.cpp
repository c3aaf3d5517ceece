// The common frame of the table pages.
#include "ui/tables/table_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/app/target.h"
#include "ui/tables/table_grid_view.h"

namespace tesmo {

namespace {
constexpr int kCountLabelId = 1084;
}

CTablePage::CTablePage(const TableDescription& description, const PageContext& context)
    : ToolPage(context), description(description) {
  auto* topRow = new QHBoxLayout;
  for (const TableFlagSpec& flag : description.flags) {
    auto* box = new QCheckBox(QString::fromUtf8(flag.caption), this);
    RegisterControl(box, flag.controlId);
    topRow->addWidget(box);
    flagBoxes.push_back(box);
  }
  topRow->addStretch(1);
  countLabel = new QLabel(this);
  countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  countLabel->setMinimumWidth(
      countLabel->fontMetrics().horizontalAdvance(QStringLiteral("0000000 entry(s)")));
  RegisterControl(countLabel, kCountLabelId);
  topRow->addWidget(countLabel);

  grid = new CTableGridView(this);
  RegisterControl(grid, description.gridId);
  // The job sets the label from its own thread: the text arrives queued.
  connect(&grid->Table(), &CTableGrid::StatusLabelChanged, countLabel, &QLabel::setText);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(topRow);
  layout->addWidget(grid, 1);
  ShowFlags(description.DefaultFlags());
}

QCheckBox* CTablePage::FlagBox(const char* value) const {
  for (size_t i = 0; i < description.flags.size(); ++i) {
    if (qstrcmp(description.flags[i].value, value) == 0) return flagBoxes[i];
  }
  return nullptr;
}

TableFlags CTablePage::ReadFlags() const {
  TableFlags flags;
  for (QCheckBox* box : flagBoxes) flags.push_back(box->isChecked());
  return flags;
}

void CTablePage::ShowFlags(const TableFlags& flags) {
  for (size_t i = 0; i < flagBoxes.size() && i < flags.size(); ++i) {
    flagBoxes[i]->setChecked(flags[i]);
  }
}

void CTablePage::CopyResults() {
  grid->CopySelection();
}

void CTablePage::ResetResults() {
  grid->ResetResults(description.columns);
  grid->Table().SetStatusLabel(QString());
}

void CTablePage::FactorySettings() {
  ShowFlags(description.DefaultFlags());
}

void CTablePage::SaveSettings() {
  description.SaveFlags(ReadFlags());
}

void CTablePage::LoadSettings() {
  ShowFlags(description.LoadFlags());
}

void CTablePage::EnableControls(bool enable) {
  // The grid stays usable (sort, copy, menus) and the count label readable.
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != grid && child != countLabel) child->setEnabled(enable);
  }
}

void CTablePage::StartJob() {
  const TableFlags flags = ReadFlags();
  CTableGrid* table = &grid->Table();
  StartTargetJob(runner, [this, table, flags](const JobContext& context) {
    RunTableJob(description, flags, *table, context);
  });
}

void CTablePage::StopBackgroundThreads() {
  runner.Cancel();
  runner.Wait();
}

}  // namespace tesmo
