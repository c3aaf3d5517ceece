// The "Column property" dialog.
#include "ui/tables/column_property_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widgets/number_edit.h"

namespace tesmo {
namespace {

constexpr int kTitleId = 1118;
constexpr int kWidthId = 1119;
constexpr int kSortId = 1123;
constexpr int kAlignId = 1125;
constexpr int kIsIpId = 1124;

// The grid's sort and alignment codes, in code order.
const char* const kSortLabels[] = {"None",
                                   "Generic Ascending",
                                   "Generic Descending",
                                   "Numeric Ascending",
                                   "Numeric Descending",
                                   "String No Case Ascending",
                                   "No Case Descending",
                                   "String Ascending",
                                   "String Descending"};
const char* const kAlignLabels[] = {"LEFTTOP",      "LEFTCENTER",   "LEFTBOTTOM", "CENTERTOP",
                                    "CENTERCENTER", "CENTERBOTTOM", "RIGHTTOP",   "CENTER",
                                    "RIGHTBOTTOM",  "GENERAL"};

CColumnPropertyDialog::Runner& DialogRunner() {
  static CColumnPropertyDialog::Runner runner;
  return runner;
}

// A list at code, or at fallback when the stored code has no entry.
void SelectCode(QComboBox* list, unsigned code, int fallback) {
  list->setCurrentIndex(code < static_cast<unsigned>(list->count()) ? static_cast<int>(code)
                                                                    : fallback);
}

}  // namespace

void CColumnPropertyDialog::SetRunner(Runner runner) {
  DialogRunner() = std::move(runner);
}

int CColumnPropertyDialog::Run() {
  return DialogRunner() ? DialogRunner()(*this) : exec();
}

CColumnPropertyDialog::CColumnPropertyDialog(const ColumnDefinition& column, QWidget* parent)
    : QDialog(parent), column(column) {
  setWindowTitle(QStringLiteral("Column property"));
  titleEdit = new QLineEdit(column.title, this);
  titleEdit->setProperty("controlId", kTitleId);
  widthEdit = new QLineEdit(QString::number(column.width), this);
  widthEdit->setProperty("controlId", kWidthId);
  sortList = new QComboBox(this);
  sortList->setProperty("controlId", kSortId);
  for (const char* label : kSortLabels) sortList->addItem(QString::fromUtf8(label));
  SelectCode(sortList, column.sort, 3);
  alignList = new QComboBox(this);
  alignList->setProperty("controlId", kAlignId);
  for (const char* label : kAlignLabels) alignList->addItem(QString::fromUtf8(label));
  SelectCode(alignList, column.align, 6);
  isIpBox = new QCheckBox(QStringLiteral("Is IP"), this);
  isIpBox->setProperty("controlId", kIsIpId);
  isIpBox->setChecked(column.isIP != 0);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Title"), titleEdit);
  form->addRow(QStringLiteral("Width"), widthEdit);
  form->addRow(QStringLiteral("Sort"), sortList);
  form->addRow(QStringLiteral("Align"), alignList);
  form->addRow(QString(), isIpBox);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setProperty("controlId", 1);
  buttons->button(QDialogButtonBox::Cancel)->setProperty("controlId", 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &CColumnPropertyDialog::TryAccept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

bool CColumnPropertyDialog::TryAccept() {
  bool ok = false;
  const int width = widthEdit->text().trimmed().toInt(&ok);
  QString complaint;
  if (!ok) {
    complaint = QStringLiteral("Please enter an integer.");
  } else if (width < 0) {
    complaint = QStringLiteral("Please enter a positive integer.");
  } else if (titleEdit->text().contains(QLatin1Char('|'))) {
    complaint = QStringLiteral("The title cannot hold \"|\".");
  }
  if (!complaint.isEmpty()) {
    if (InputMessage) InputMessage(this, complaint);
    return false;
  }
  column.title = titleEdit->text();
  column.width = static_cast<unsigned>(width);
  column.sort = static_cast<unsigned>(std::max(sortList->currentIndex(), 0));
  column.align = static_cast<unsigned>(std::max(alignList->currentIndex(), 0));
  column.isIP = isIpBox->isChecked() ? 1 : 0;
  accept();
  return true;
}

ColumnDefinition CColumnPropertyDialog::Column() const {
  return column;
}

}  // namespace tesmo
