// The main window: the tool pages of the registry as tabs, Start/Stop, Exit
// and the status line.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <vector>

#include "ui/app/page_registry.h"
#include "ui/app/show_status.h"
#include "ui/app/tool_page.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace tesmo {

class CTarget;
class ToolPage;

class CMainSheet : public QDialog, public CPageHost {
  Q_OBJECT
 public:
  explicit CMainSheet(QWidget* parent = nullptr);
  ~CMainSheet() override;

  // How the MIB tree and the vendor file are loaded at start-up: before
  // Initialize returns, or on a thread of their own while the window shows
  // (every reader of either waits for it; the pages hear of the end through
  // OnMibsLoaded).
  enum class MibLoading { BeforeWindow, BesideWindow };
  // The start-up sequence after construction: MIBs, vendor file, first-run
  // defaults, every page's InitPage and LoadSettings.
  void Initialize(const QString& workingDir, MibLoading mibs = MibLoading::BeforeWindow);

  int PageCount() const { return static_cast<int>(pages.size()); }
  ToolPage* Page(int index) const { return pages[static_cast<size_t>(index)]; }
  ToolPage* ActivePage() const override;
  void SetActivePage(int index);
  // The index of the page with that internal name, or -1.
  int PageIndexOf(const QString& internalName) const;
  // The target every page works on.
  CTarget* Target() const { return target; }

  QTabWidget* Tabs() const { return tabs; }
  QPushButton* StartStopButton() const { return startStopButton; }
  QPushButton* ExitButton() const { return exitButton; }
  QLabel* StatusLine() const { return statusLine; }

  // The font routine then LoadSettings on every page (start-up and "Load default").
  void LoadAllSettings() override;
  void SaveAllSettings() override;
  void FactoryAllSettings() override;
  // ResetResults on every page: the target host changed.
  void ResetAllResults() override;

  // Host handed over by the command line or a Select command.
  const QString& TargetHost() const { return targetHost; }

  // The command line "HOST PAGE": the host is kept as targetHost and, for the
  // pages that have a Select command, that command runs once the window is up.
  // "HOST graph ..." sets up the chart and starts it (graph_command_line.h).
  void HandleCommandLine(const QStringList& words);
  // A Select command for page index: the page that edits the target takes
  // TargetHost() and starts (the Parameters page fetches the system group),
  // then the page becomes active and starts. With newInstance a new program
  // instance is started on the host instead.
  void RunSelectCommand(int index, bool newInstance = false);

  // A grid's Select menu on host, the clicked cell's text cut at its first
  // tab or line break: the page whose tool carries the command out itself
  // (Telnet), else the Select command of the page the command opens;
  // newInstance when the menu was opened with the middle button.
  void OnGridSelectCommand(int commandId, const QString& host, bool newInstance = false);

  // Starts a new program instance (program, arguments, where its window goes);
  // tests replace it so that a Select command never starts a real process.
  static std::function<bool(const QString&, const QStringList&, const QPoint&)> startInstance;
  // The environment variable that tells a new instance where its window goes.
  static constexpr char kWindowPositionVariable[] = "TESMO_WINDOW_POS";

  // Shows the current status text now (UI thread).
  void RefreshStatus() override;

 public slots:
  void OnStartStop();
  // Exit button and window close: refused while a job runs.
  void OnExit();
  void ShowAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void OnJobBegun();
  void OnJobEnded();
  void EnableJobPages(bool enable);
  void StartPendingSelect();
  void ShutdownSequence();
  void OnMibsLoaded();

  CTarget* target = nullptr;
  // Host handed over by the command line or a Select command.
  QString targetHost;
  // The pages in tab order and the records they were made from.
  std::vector<ToolPage*> pages;
  std::vector<PageRecord> records;
  QTabWidget* tabs = nullptr;
  QPushButton* startStopButton = nullptr;
  QPushButton* exitButton = nullptr;
  QToolButton* aboutButton = nullptr;
  QLabel* statusLine = nullptr;
  // A status refresh is already queued: texts posted meanwhile are shown by it.
  std::atomic<bool> statusPending{false};
  bool shutDown = false;
  // The thread loading the MIB tree and the vendor file beside the window;
  // null when none.
  QThread* mibLoader = nullptr;
  bool mibsAnnounced = false;
  // A Select command's page, started when the job before it has ended; -1 none.
  int pendingSelect = -1;
};

// The one main window, for the pages and the status helpers; null before it exists.
CMainSheet* MainSheet();

}  // namespace tesmo
