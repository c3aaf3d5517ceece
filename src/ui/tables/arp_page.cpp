// The Arp page.
#include "ui/tables/arp_page.h"

#include <QCheckBox>

namespace tesmo {

CArpPage::CArpPage(QWidget* parent) : CTablePage(QStringLiteral("arptable"), 1003, parent) {
  resolveNameBox = AddCheckBox(QStringLiteral("ResolveName"), 1049);
  resolveNameBox->setChecked(options.resolveNames);
}

void CArpPage::FactorySettings() {
  options = ArpJobOptions();
  resolveNameBox->setChecked(options.resolveNames);
}

void CArpPage::SaveSettings() {
  options.resolveNames = resolveNameBox->isChecked();
  options.Save();
}

void CArpPage::LoadSettings() {
  options = ArpJobOptions::Load();
  resolveNameBox->setChecked(options.resolveNames);
}

CTablePage::Job CArpPage::PrepareJob() {
  options.resolveNames = resolveNameBox->isChecked();
  return [options = options](CTableGrid& table, const SnmpTarget& target) {
    RunArpJob(table, target, options);
  };
}

}  // namespace tesmo
