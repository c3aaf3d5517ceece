// The Traceroute page: the destination and its resolved address, the mode
// (ICMP from this machine or SNMP from the target), the ResolveName and
// InterfaceInfo boxes, and the grid the trace fills hop by hop. Start runs
// the trace on the page's job runner. "Continuous" keeps the trace going in
// rounds until Stop, with each hop's statistics (ICMP) and, in SNMP mode or
// with "Ask routers", the health of its routers' interfaces.
#pragma once

#include "core/base/job_runner.h"
#include "tools/traceroute/traceroute.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace tesmo {

class CTableGridView;

class CTraceroutePage : public ToolPage {
  Q_OBJECT
 public:
  explicit CTraceroutePage(const PageContext& context);

  // An empty 2 x 2 grid, empty destination and address, ICMP mode.
  void InitPage() override;
  void CopyResults() override;
  // Runs the trace of the chosen mode on the runner; SNMP mode resolves the
  // target first and goes no further when that fails. The job resolves the
  // destination and shows its address beside it.
  void StartJob() override;
  // The target changed: the last trace's hops go.
  void ResetResults() override;
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  // The destination, the grid and the two boxes.
  void EnableControls(bool enable) override;
  void StopBackgroundThreads() override;

  CTableGridView* Grid() const { return grid; }
  QLineEdit* DestinationEdit() const { return destinationEdit; }
  QLineEdit* AddressEdit() const { return addressEdit; }
  QRadioButton* IcmpButton() const { return icmpButton; }
  QRadioButton* SnmpButton() const { return snmpButton; }
  QCheckBox* ResolveNameBox() const { return resolveNameBox; }
  QCheckBox* InterfaceInfoBox() const { return interfaceInfoBox; }
  QCheckBox* ContinuousBox() const { return continuousBox; }
  QCheckBox* AskRoutersBox() const { return askRoutersBox; }
  bool Running() const { return runner.Running(); }

 private:
  void ShowSettings(const TraceOptions& options);

  QLineEdit* destinationEdit = nullptr;
  QLineEdit* addressEdit = nullptr;
  QRadioButton* icmpButton = nullptr;
  QRadioButton* snmpButton = nullptr;
  QCheckBox* resolveNameBox = nullptr;
  QCheckBox* interfaceInfoBox = nullptr;
  QCheckBox* continuousBox = nullptr;
  QCheckBox* askRoutersBox = nullptr;
  CTableGridView* grid = nullptr;
  // Last: destroyed first, it stops and waits for a trace writing the grid.
  CJobRunner runner;
};

}  // namespace tesmo
