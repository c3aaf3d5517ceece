// A table page: the check boxes of its table description with the count
// label at the top right, the grid below, and a Start that resolves the
// target and runs the one table job on the page's job runner. The
// Interfaces, Addresses, Arp and Routing Table pages are this class with
// their descriptions.
#pragma once

#include <QString>
#include <vector>

#include "core/base/job_runner.h"
#include "tools/tables/table_job.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;

namespace tesmo {

class CTableGridView;

class CTablePage : public ToolPage {
  Q_OBJECT
 public:
  CTablePage(const TableDescription& description, const PageContext& context);

  void CopyResults() override;
  // Resolves the target (nothing more when that fails), reads the check
  // boxes and starts the job on the runner.
  void StartJob() override;
  // An empty 2 x 2 grid and an empty count label.
  void ResetResults() override;
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  // The page's check boxes (every control but the grid and the count label):
  // the grid stays usable while a job runs.
  void EnableControls(bool enable) override;
  // At exit: a job still on its way is stopped and waited for, so nothing it
  // uses is freed under it.
  void StopBackgroundThreads() override;

  CTableGridView* Grid() const { return grid; }
  QLabel* CountLabel() const { return countLabel; }
  // The check box of the flag stored as value ("ResolveName"), or null.
  QCheckBox* FlagBox(const char* value) const;

 private:
  TableFlags ReadFlags() const;
  void ShowFlags(const TableFlags& flags);

  const TableDescription& description;
  CTableGridView* grid = nullptr;
  QLabel* countLabel = nullptr;
  std::vector<QCheckBox*> flagBoxes;
  // Last: destroyed first, it stops and waits for a job writing the grid.
  CJobRunner runner;
};

}  // namespace tesmo
