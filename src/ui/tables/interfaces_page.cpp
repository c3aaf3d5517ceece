// The Interfaces page.
#include "ui/tables/interfaces_page.h"

#include <QCheckBox>

namespace tesmo {

CInterfacesPage::CInterfacesPage(QWidget* parent)
    : CTablePage(QStringLiteral("interfaces"), 1073, parent) {
  adminUpOnlyBox = AddCheckBox(QStringLiteral("Admin up only"), 1053);
  operUpOnlyBox = AddCheckBox(QStringLiteral("Oper up only"), 1057);
  ShowOptions();
}

void CInterfacesPage::ReadControls() {
  options.adminUpOnly = adminUpOnlyBox->isChecked();
  options.operUpOnly = operUpOnlyBox->isChecked();
}

void CInterfacesPage::ShowOptions() {
  adminUpOnlyBox->setChecked(options.adminUpOnly);
  operUpOnlyBox->setChecked(options.operUpOnly);
}

void CInterfacesPage::FactorySettings() {
  options = InterfacesJobOptions();
  ShowOptions();
}

void CInterfacesPage::SaveSettings() {
  ReadControls();
  options.Save();
}

void CInterfacesPage::LoadSettings() {
  options = InterfacesJobOptions::Load();
  ShowOptions();
}

CTablePage::Job CInterfacesPage::PrepareJob() {
  ReadControls();
  return [options = options](CTableGrid& table, const SnmpTarget& target) {
    RunInterfacesJob(table, target, options);
  };
}

}  // namespace tesmo
