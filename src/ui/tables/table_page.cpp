// The common frame of the table pages.
#include "ui/tables/table_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <chrono>

#include "core/app/job_control.h"
#include "ui/app/main_sheet.h"
#include "ui/snmp/parameters_page.h"
#include "ui/tables/table_grid_view.h"

namespace tesmo {

namespace {
constexpr int kCountLabelId = 1084;
}

CTablePage::CTablePage(const QString& internalName, int gridId, QWidget* parent)
    : ToolPage(internalName, parent) {
  topRow = new QHBoxLayout;
  topRow->addStretch(1);
  countLabel = new QLabel(this);
  countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  countLabel->setMinimumWidth(
      countLabel->fontMetrics().horizontalAdvance(QStringLiteral("0000000 entry(s)")));
  RegisterControl(countLabel, kCountLabelId);
  topRow->addWidget(countLabel);

  grid = new CTableGridView(this);
  RegisterControl(grid, gridId);
  // The job sets the label from its own thread: the text arrives queued.
  connect(&grid->Table(), &CTableGrid::StatusLabelChanged, countLabel, &QLabel::setText);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(topRow);
  layout->addWidget(grid, 1);
}

CTablePage::~CTablePage() {
  WaitForJobThread();
}

QCheckBox* CTablePage::AddCheckBox(const QString& caption, int controlId) {
  auto* box = new QCheckBox(caption, this);
  RegisterControl(box, controlId);
  topRow->insertWidget(static_cast<int>(checkBoxes.size()), box);
  checkBoxes.push_back(box);
  return box;
}

void CTablePage::CopyResults() {
  grid->CopySelection();
}

void CTablePage::ResetResults() {
  grid->ResetResults();
  grid->Table().SetStatusLabel(QString());
}

void CTablePage::EnableControls(bool enable) {
  // The grid stays usable (sort, copy, menus) and the count label readable.
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != grid && child != countLabel) child->setEnabled(enable);
  }
}

void CTablePage::StartJob() {
  // One job at a time: a second Start while this page's thread has not yet
  // begun its job (the window learns of it through the event queue) is ignored.
  if (jobRunning.load() || CJobControl::Instance().JobRunning()) return;
  CMainSheet* sheet = MainSheet();
  if (sheet == nullptr) return;
  auto* parameters = qobject_cast<CParametersPage*>(sheet->Page(kPageParameters));
  if (parameters == nullptr || !parameters->ResolveTarget()) return;
  const SnmpTarget target = parameters->Target();
  Job job = PrepareJob();
  if (worker.joinable()) worker.join();  // the previous job's thread, already done
  jobRunning.store(true);
  worker = std::thread([this, job = std::move(job), target] {
    job(grid->Table(), target);
    jobRunning.store(false);
  });
}

void CTablePage::WaitForJobThread() {
  // The thread may not have begun its job yet, and BeginJob clears the stop
  // request: ask again until the thread is done.
  while (jobRunning.load()) {
    RequestStop();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (worker.joinable()) worker.join();
}

void CTablePage::StopBackgroundThreads() {
  WaitForJobThread();
}

}  // namespace tesmo
