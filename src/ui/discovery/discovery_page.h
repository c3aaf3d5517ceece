// The IP discovery page: the sweep's inputs, the ResolveName box and the
// grid the sweep fills, one row per address, each status coloured by its
// outcome. Start runs the sweep on the page's job runner; the workers of the
// sweep are its own threads.
#pragma once

#include <vector>

#include "core/base/job_runner.h"
#include "tools/discovery/discovery.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tesmo {

class CTableGridView;

class CDiscoveryPage : public ToolPage {
  Q_OBJECT
 public:
  explicit CDiscoveryPage(const PageContext& context);

  // The grid's selection as text.
  void CopyResults() override;
  // Reads the edits (a field that holds no unsigned number is refused and
  // nothing starts) and runs the sweep.
  void StartJob() override;
  // The grid keeps the last sweep until the next one draws over it.
  void ResetResults() override {}
  void InitPage() override {}
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  // The inputs; the grid stays usable (its Sort menu is off while the
  // sweep runs).
  void EnableControls(bool enable) override;
  void StopBackgroundThreads() override;

  CTableGridView* Grid() const { return grid; }
  QLabel* CountLabel() const { return countLabel; }
  QLineEdit* Edit(int controlId) const;
  QCheckBox* ResolveNameBox() const { return resolveNameBox; }
  QCheckBox* ArpFromRouterBox() const { return arpFromRouterBox; }
  QLineEdit* ArpRouterEdit() const { return arpRouterEdit; }
  QCheckBox* AskSnmpBox() const { return askSnmpBox; }
  QCheckBox* OpenServicesBox() const { return openServicesBox; }
  // The inputs as the page last read or showed them.
  const DiscoveryOptions& Options() const { return options; }
  bool Running() const { return runner.Running(); }

 private:
  // The input controls, in the order of the page.
  std::vector<QWidget*> Inputs() const;
  // The edits into options; false when a number was refused.
  bool ReadFields();
  void ShowFields();

  DiscoveryOptions options;
  QLineEdit* firstHostEdit = nullptr;
  QLineEdit* countEdit = nullptr;
  QLineEdit* incrementEdit = nullptr;
  QLineEdit* initialTimeoutEdit = nullptr;
  QLineEdit* timeoutIncrementEdit = nullptr;
  QLineEdit* roundsEdit = nullptr;
  QLineEdit* pingSizeEdit = nullptr;
  QLineEdit* ttlEdit = nullptr;
  QLineEdit* threadsEdit = nullptr;
  QCheckBox* resolveNameBox = nullptr;
  QCheckBox* arpFromRouterBox = nullptr;
  QLineEdit* arpRouterEdit = nullptr;
  QCheckBox* askSnmpBox = nullptr;
  QCheckBox* openServicesBox = nullptr;
  CTableGridView* grid = nullptr;
  QLabel* countLabel = nullptr;
  // Last: destroyed first, it stops and waits for a sweep writing the grid.
  CJobRunner runner;
};

}  // namespace tesmo
