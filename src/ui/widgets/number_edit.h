// The numeric input check of the edit fields: a field holds an unsigned
// number or gets the value in use back, with "Please enter a positive
// integer." shown once.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>

class QLineEdit;
class QWidget;

namespace tesmo {

struct NumberField {
  QLineEdit* edit;
  uint32_t* value;  // the value in use; the field's number when it holds one
  // A number outside [low, high] is refused like any other bad text.
  uint32_t low = 0;
  uint32_t high = UINT32_MAX;
};

// Reads every field; false when at least one was refused.
bool ReadNumberFields(QWidget* parent, std::initializer_list<NumberField> fields);

// Shows an input-check message (a message box); tests replace it.
extern std::function<void(QWidget*, const QString&)> InputMessage;

}  // namespace tesmo
