// The Addresses page: the target's IP addresses with their host names.
#pragma once

#include "core/tables/address_job.h"
#include "ui/tables/table_page.h"

namespace tesmo {

class CAddressesPage : public CTablePage {
  Q_OBJECT
 public:
  explicit CAddressesPage(QWidget* parent = nullptr);

  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;

  QCheckBox* ResolveNameBox() const { return resolveNameBox; }

 protected:
  Job PrepareJob() override;

 private:
  AddressJobOptions options;
  QCheckBox* resolveNameBox = nullptr;
};

}  // namespace tesmo
