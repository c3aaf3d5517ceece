// The Routing Table page.
#include "ui/tables/route_page.h"

#include <QCheckBox>

namespace tesmo {

CRoutePage::CRoutePage(QWidget* parent) : CTablePage(QStringLiteral("routetable"), 1005, parent) {
  resolveNameBox = AddCheckBox(QStringLiteral("ResolveName"), 1049);
  resolveNameBox->setChecked(options.resolveNames);
}

void CRoutePage::FactorySettings() {
  options = RouteJobOptions();
  resolveNameBox->setChecked(options.resolveNames);
}

void CRoutePage::SaveSettings() {
  options.resolveNames = resolveNameBox->isChecked();
  options.Save();
}

void CRoutePage::LoadSettings() {
  options = RouteJobOptions::Load();
  resolveNameBox->setChecked(options.resolveNames);
}

CTablePage::Job CRoutePage::PrepareJob() {
  options.resolveNames = resolveNameBox->isChecked();
  return [options = options](CTableGrid& table, const SnmpTarget& target) {
    RunRouteJob(table, target, options);
  };
}

}  // namespace tesmo
