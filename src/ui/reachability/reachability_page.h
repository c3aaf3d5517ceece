// The Reachability page: the ping loop's controls and history list, and the
// service test with its ten indicators.
//
// The page owns the program's one CPingLoop. The loop thread never touches a
// widget: the history list follows the loop's history (a line store) on the
// UI thread. The target the loop pings is a copy of the target's resolved
// address that the UI thread keeps up to date.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/job_runner.h"
#include "core/icmp/ping_settings.h"
#include "tools/reachability/ping_loop.h"
#include "tools/reachability/reachability_services.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;

namespace tesmo {

class CLineListModel;

class CReachabilityPage : public ToolPage {
  Q_OBJECT
 public:
  explicit CReachabilityPage(const PageContext& context);
  // Stops the ping loop and waits for a service test still on its way.
  ~CReachabilityPage() override;

  void InitPage() override;
  void CopyResults() override;
  // Resolves the target, then tests the services on the page's job runner.
  void StartJob() override;
  // Statistics to zero, line "<--->", list emptied, indicators cleared and disabled.
  void ResetResults() override;
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  // The "Ping" box only: the rest of the page works while a job runs.
  void EnableControls(bool enable) override;
  void StartBackgroundThreads() override;
  void StopBackgroundThreads() override;

  // The Copy report: the services as the indicators show them, then every
  // line of the list.
  QString Report();
  // The list catches up with the loop's history now (UI thread).
  void RefreshHistory();

  CPingLoop& PingLoop() { return loop; }
  const CServiceResults& ServiceResults() const { return results; }
  // The settings as the controls hold them.
  const PingSettings& Settings() const { return settings; }
  // True from StartJob until the service test's thread has finished.
  bool ServiceTestRunning() const { return runner.Running(); }

  QCheckBox* PingBox() const { return pingBox; }
  QLineEdit* TimeoutEdit() const { return timeoutEdit; }
  QLineEdit* TimeBetweenEdit() const { return timeBetweenEdit; }
  QLineEdit* TtlEdit() const { return ttlEdit; }
  QLineEdit* PacketLengthEdit() const { return packetLengthEdit; }
  QPushButton* ClearButton() const { return clearButton; }
  QPushButton* GraphButton() const { return graphButton; }
  QListView* HistoryList() const { return historyList; }
  // The indicator of row of kReachabilityServices, and its result in words.
  QCheckBox* Indicator(int row) const { return indicators[static_cast<size_t>(row)]; }
  QLabel* ResultLabel(int row) const { return resultLabels[static_cast<size_t>(row)]; }

 private:
  // Reads the edits into settings; a field holding anything but an unsigned
  // number shows "Please enter a positive integer." and keeps the value in use.
  void ReadFields();
  void ShowFields();
  // Hands the settings as shown to the loop.
  void ApplySettings();
  void ShowServiceStates();
  // Copies the target's address for the loop (UI thread).
  void RefreshTarget();
  void OnClear();
  // "Add to graph": a round-trip entry for the target's address.
  void OnAddToGraph();

  PingSettings settings;
  CServiceResults results;

  std::mutex targetMutex;
  PingTarget target;  // what the loop pings; guarded by targetMutex

  CJobRunner runner;         // the service test
  bool loopStopped = false;  // after StopBackgroundThreads the loop stays down

  QCheckBox* pingBox = nullptr;
  QLineEdit* timeoutEdit = nullptr;
  QLineEdit* timeBetweenEdit = nullptr;
  QLineEdit* ttlEdit = nullptr;
  QLineEdit* packetLengthEdit = nullptr;
  QPushButton* clearButton = nullptr;
  QPushButton* graphButton = nullptr;
  QListView* historyList = nullptr;
  CLineListModel* historyModel = nullptr;
  std::array<QCheckBox*, kServiceCount> indicators{};
  std::array<QLabel*, kServiceCount> resultLabels{};

  // Last: its thread calls back into the members above, so it is stopped
  // (in the destructor) and destroyed before them.
  CPingLoop loop;
};

}  // namespace tesmo
