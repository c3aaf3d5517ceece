// The Parameters page: the target host, its SNMP parameters and system group,
// the telnet client and the three settings buttons that act on every page.
#pragma once

#include <QStringList>
#include <functional>

#include "core/base/job_runner.h"
#include "tools/system/parameters_data.h"
#include "tools/system/system_query.h"
#include "ui/app/tool_page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tesmo {

class CParametersPage : public ToolPage {
  Q_OBJECT
 public:
  // Control ids of the SNMP version, the SNMPv3 security controls and the
  // address family chooser.
  enum : int {
    kVersionId = 1200,
    kUserId,
    kLevelId,
    kAuthProtocolId,
    kAuthPassId,
    kPrivProtocolId,
    kPrivPassId,
    kRememberId,
    kFamilyId
  };

  explicit CParametersPage(const PageContext& context);

  void InitPage() override;
  void CopyResults() override;
  void StartJob() override;
  void ResetResults() override;
  void OnShutdown() override;
  // At exit: a query still on its way is stopped and waited for.
  void StopBackgroundThreads() override;
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  void EnableControls(bool enable) override;
  // Telnet from a grid's Select menu, with this page's telnet path.
  void HandleGridCommand(int commandId, const QString& host) override;

  // Writes host into the host box as a Select command or the command line does.
  void SetHost(const QString& host);
  const ParametersData& Data() const { return data; }
  const QStringList& History() const { return history; }
  // The Copy report of the fields as last shown.
  QString Report() const;

  QComboBox* HostBox() const { return hostBox; }
  QLineEdit* TimeoutEdit() const { return timeoutEdit; }
  QComboBox* FamilyBox() const { return familyBox; }

 private:
  // Reads the controls into data and hands the target part to the target; a
  // numeric field holding anything but an unsigned number shows "Please
  // enter a positive integer." and keeps the value in use.
  void ReadFields();
  void ShowFields();
  void ShowHistory();
  void OnHostEdited();
  void OnBrowse();
  void OnTelnet();
  void OnQueryEnded();
  // The version's own controls enabled, the others not.
  void ShowVersionControls();
  QLineEdit* AddField(QGridLayout* grid, int row, const char* label, int id, bool readOnly);

  ParametersData data;
  // Written by the query job, read when it has ended.
  bool queried = false;
  SystemGroup fetched;
  SystemQueryOutcome outcome;
  QStringList history;
  // Set while the page itself writes into the host box, which is not an edit.
  bool settingHost = false;

  QComboBox* hostBox = nullptr;
  QLineEdit* dnsEdit = nullptr;
  QLineEdit* ipEdit = nullptr;
  QComboBox* familyBox = nullptr;
  QLineEdit* readCommunityEdit = nullptr;
  QLineEdit* writeCommunityEdit = nullptr;
  QLineEdit* timeoutEdit = nullptr;
  QLineEdit* retriesEdit = nullptr;
  QLineEdit* portEdit = nullptr;
  QComboBox* versionBox = nullptr;
  QGroupBox* v3Group = nullptr;
  QLineEdit* userEdit = nullptr;
  QComboBox* levelBox = nullptr;
  QComboBox* authProtocolBox = nullptr;
  QLineEdit* authPassEdit = nullptr;
  QComboBox* privProtocolBox = nullptr;
  QLineEdit* privPassEdit = nullptr;
  QCheckBox* rememberBox = nullptr;
  QLineEdit* sysNameEdit = nullptr;
  QLineEdit* sysContactEdit = nullptr;
  QLineEdit* sysLocationEdit = nullptr;
  QPlainTextEdit* sysDescrEdit = nullptr;
  QLineEdit* sysObjectIdEdit = nullptr;
  QLineEdit* sysUpTimeEdit = nullptr;
  QLineEdit* ifNumberEdit = nullptr;
  QLineEdit* sysServicesEdit = nullptr;
  QLineEdit* telnetPathEdit = nullptr;
  QPushButton* browseButton = nullptr;
  QPushButton* telnetButton = nullptr;
  QPushButton* setDefaultButton = nullptr;
  QPushButton* loadDefaultButton = nullptr;
  QPushButton* factoryButton = nullptr;
  // Last: destroyed first, it stops and waits for a query still running.
  CJobRunner runner;
};

}  // namespace tesmo
