// The Routing Table page: the target's IP routes with the next hops' host names.
#pragma once

#include "core/tables/route_job.h"
#include "ui/tables/table_page.h"

namespace tesmo {

class CRoutePage : public CTablePage {
  Q_OBJECT
 public:
  explicit CRoutePage(QWidget* parent = nullptr);

  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;

  QCheckBox* ResolveNameBox() const { return resolveNameBox; }

 protected:
  Job PrepareJob() override;

 private:
  RouteJobOptions options;
  QCheckBox* resolveNameBox = nullptr;
};

}  // namespace tesmo
