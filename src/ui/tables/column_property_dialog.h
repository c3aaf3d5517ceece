// The "Column property" dialog of the Gen. Table page: one column's title,
// width, sort code, alignment code and address flag.
#pragma once

#include <QDialog>
#include <functional>

#include "core/snmp/table_definitions.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tesmo {

class CColumnPropertyDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CColumnPropertyDialog(const ColumnDefinition& column, QWidget* parent = nullptr);

  // The column as the fields hold it (after OK).
  ColumnDefinition Column() const;

  // OK: checks the fields and closes the dialog when they are right. A width
  // that is no integer shows "Please enter an integer." (a negative one
  // "Please enter a positive integer."), a title with "|" (the definition's
  // separator) is refused too; the dialog then stays open.
  bool TryAccept();

  QLineEdit* TitleEdit() const { return titleEdit; }
  QLineEdit* WidthEdit() const { return widthEdit; }
  QComboBox* SortList() const { return sortList; }
  QComboBox* AlignList() const { return alignList; }
  QCheckBox* IsIpBox() const { return isIpBox; }

  // Runs the dialog and returns its result; tests replace it to fill the
  // fields and press a button. Empty restores exec().
  using Runner = std::function<int(CColumnPropertyDialog&)>;
  static void SetRunner(Runner runner);
  int Run();

 private:
  ColumnDefinition column;
  QLineEdit* titleEdit = nullptr;
  QLineEdit* widthEdit = nullptr;
  QComboBox* sortList = nullptr;
  QComboBox* alignList = nullptr;
  QCheckBox* isIpBox = nullptr;
};

}  // namespace tesmo
