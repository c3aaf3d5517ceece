#include "ui/widgets/number_edit.h"

#include <QLineEdit>
#include <QMessageBox>

#include "core/base/number_text.h"

namespace tesmo {

std::function<void(QWidget*, const QString&)> InputMessage = [](QWidget* parent,
                                                                const QString& text) {
  QMessageBox::warning(parent, QStringLiteral("Tesmo"), text);
};

bool ReadNumberFields(QWidget* parent, std::initializer_list<NumberField> fields) {
  bool complained = false;
  for (const NumberField& field : fields) {
    uint32_t v = 0;
    if (ParseUnsignedText(field.edit->text(), &v) && v >= field.low && v <= field.high) {
      *field.value = v;
      continue;
    }
    // The value in use goes back first, so that the focus moving to the
    // message does not find the same bad text again.
    field.edit->setText(QString::number(*field.value));
    if (!complained && InputMessage) {
      complained = true;
      InputMessage(parent, QStringLiteral("Please enter a positive integer."));
    }
  }
  return !complained;
}

}  // namespace tesmo
