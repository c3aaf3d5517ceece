#include "ui/app/tool_page.h"

#include "core/app/string_table.h"

namespace tesmo {

ToolPage::ToolPage(const QString& name, QWidget* parent) : QWidget(parent), internalName(name) {}

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

}  // namespace tesmo
