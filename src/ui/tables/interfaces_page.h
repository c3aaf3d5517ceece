// The Interfaces page: the target's interfaces with their addresses and
// hardware vendors; two check boxes hide interfaces that are down.
#pragma once

#include "core/tables/interfaces_job.h"
#include "ui/tables/table_page.h"

namespace tesmo {

class CInterfacesPage : public CTablePage {
  Q_OBJECT
 public:
  explicit CInterfacesPage(QWidget* parent = nullptr);

  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;

  QCheckBox* AdminUpOnlyBox() const { return adminUpOnlyBox; }
  QCheckBox* OperUpOnlyBox() const { return operUpOnlyBox; }

 protected:
  Job PrepareJob() override;

 private:
  void ReadControls();
  void ShowOptions();

  InterfacesJobOptions options;
  QCheckBox* adminUpOnlyBox = nullptr;
  QCheckBox* operUpOnlyBox = nullptr;
};

}  // namespace tesmo
