// Names for screen readers.
#include "ui/widgets/accessible_names.h"

#include <QAccessible>
#include <QLabel>
#include <QWidget>

namespace tesmo {
namespace {

QString Plain(QString text) {
  text.remove(QLatin1Char('&'));
  return text.simplified();
}

void Name(QWidget* widget) {
  const QString tip = Plain(widget->toolTip());
  if (tip.isEmpty() || !widget->accessibleName().isEmpty()) return;
  // A label's name is the text it shows, which changes as jobs run.
  if (qobject_cast<QLabel*>(widget) != nullptr) {
    if (widget->accessibleDescription().isEmpty()) widget->setAccessibleDescription(tip);
    return;
  }
  // Buttons and check boxes are named by their caption, edits by a buddy
  // label: what Qt finds itself stays.
  if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget)) {
    if (!face->text(QAccessible::Name).isEmpty()) {
      if (widget->accessibleDescription().isEmpty()) widget->setAccessibleDescription(tip);
      return;
    }
  }
  widget->setAccessibleName(tip);
}

}  // namespace

void NameControlsForAccessibility(QWidget* root) {
  if (root == nullptr) return;
  Name(root);
  for (QWidget* widget : root->findChildren<QWidget*>()) Name(widget);
}

}  // namespace tesmo
