// The Arp page: the target's ARP table with host names and hardware vendors.
#pragma once

#include "core/tables/arp_job.h"
#include "ui/tables/table_page.h"

namespace tesmo {

class CArpPage : public CTablePage {
  Q_OBJECT
 public:
  explicit CArpPage(QWidget* parent = nullptr);

  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;

  QCheckBox* ResolveNameBox() const { return resolveNameBox; }

 protected:
  Job PrepareJob() override;

 private:
  ArpJobOptions options;
  QCheckBox* resolveNameBox = nullptr;
};

}  // namespace tesmo
