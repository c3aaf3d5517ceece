// The Addresses page.
#include "ui/tables/addresses_page.h"

#include <QCheckBox>

namespace tesmo {

CAddressesPage::CAddressesPage(QWidget* parent)
    : CTablePage(QStringLiteral("addresses"), 1009, parent) {
  resolveNameBox = AddCheckBox(QStringLiteral("ResolveName"), 1049);
  resolveNameBox->setChecked(options.resolveNames);
}

void CAddressesPage::FactorySettings() {
  options = AddressJobOptions();
  resolveNameBox->setChecked(options.resolveNames);
}

void CAddressesPage::SaveSettings() {
  options.resolveNames = resolveNameBox->isChecked();
  options.Save();
}

void CAddressesPage::LoadSettings() {
  options = AddressJobOptions::Load();
  resolveNameBox->setChecked(options.resolveNames);
}

CTablePage::Job CAddressesPage::PrepareJob() {
  options.resolveNames = resolveNameBox->isChecked();
  return [options = options](CTableGrid& table, const SnmpTarget& target) {
    RunAddressJob(table, target, options);
  };
}

}  // namespace tesmo
