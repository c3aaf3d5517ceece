#include "ui/app/tool_page.h"

#include <QMenu>

#include "core/base/string_table.h"
#include "core/grid/table_grid.h"
#include "ui/app/target.h"

namespace tesmo {

ToolPage::ToolPage(const PageContext& context)
    : QWidget(context.parent), target(context.target), host(context.host) {}

void ToolPage::EnableControls(bool enable) {
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    child->setEnabled(enable);
  }
}

QString ToolPage::ToolTipText(int controlId) const {
  return LoadString(controlId);
}

void ToolPage::RegisterControl(QWidget* control, int controlId) {
  control->setProperty("controlId", controlId);
  control->setToolTip(ToolTipText(controlId));
}

bool ToolPage::StartTargetJob(CJobRunner& runner, std::function<void(const JobContext&)> job) {
  if (!runner.CanStart()) return false;
  CTarget* owner = target;
  CTarget::Pending pending = owner->BeginResolve();
  return runner.Start(
      [owner, pending = std::move(pending), job = std::move(job)](JobContext& context) {
        const std::optional<SnmpTarget> snmp = owner->FinishResolve(pending);
        if (!snmp) return;
        context.SetTarget(*snmp);
        job(context);
      });
}

void ToolPage::ShowCopyMenu(const QPoint& globalPos) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("Copy"));
  copy->setData(kCmdCopy);
  if (menu.exec(globalPos) != copy) return;
  ToolPage* page = host != nullptr ? host->ActivePage() : nullptr;
  (page != nullptr ? page : this)->CopyResults();
}

}  // namespace tesmo
