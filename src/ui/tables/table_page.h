// What the table pages share: a row of check boxes with the count label at
// the top right, the grid below, and a Start that resolves the target and
// runs the page's job on a worker thread of its own.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <thread>

#include "core/snmp/snmp_target.h"
#include "core/tables/table_grid.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;

namespace tesmo {

class CTableGridView;

class CTablePage : public ToolPage {
  Q_OBJECT
 public:
  // gridId: the control id of the page's grid, for its tool tip.
  CTablePage(const QString& internalName, int gridId, QWidget* parent = nullptr);
  // A job still running is stopped and waited for.
  ~CTablePage() override;

  void CopyResults() override;
  // Resolves the target on the Parameters page (nothing more when that
  // fails), reads the check boxes and starts the job on a worker thread.
  void StartJob() override;
  // An empty 2 x 2 grid and an empty count label.
  void ResetResults() override;
  // The page's check boxes (every control but the grid and the count label):
  // the grid stays usable while a job runs.
  void EnableControls(bool enable) override;
  // At exit: a job thread still on its way is stopped and waited for, so
  // nothing it uses is freed under it.
  void StopBackgroundThreads() override;

  CTableGridView* Grid() const { return grid; }
  QLabel* CountLabel() const { return countLabel; }
  // True from StartJob until the job's thread has finished its work.
  bool JobThreadRunning() const { return jobRunning.load(); }

 protected:
  // The job with the options read from the controls now (UI thread); it runs
  // on the worker thread and must not touch any widget.
  using Job = std::function<void(CTableGrid& table, const SnmpTarget& target)>;
  virtual Job PrepareJob() = 0;

  // A check box in the top row, left of the count label.
  QCheckBox* AddCheckBox(const QString& caption, int controlId);

 private:
  void WaitForJobThread();

  CTableGridView* grid = nullptr;
  QLabel* countLabel = nullptr;
  QHBoxLayout* topRow = nullptr;
  std::vector<QCheckBox*> checkBoxes;
  std::thread worker;
  std::atomic<bool> jobRunning{false};
};

}  // namespace tesmo
