// The main window: twelve tool pages as tabs, Start/Stop, Exit and the status line.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <atomic>
#include <functional>

class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace tesmo {

class ToolPage;

// Page indexes in tab order.
enum PageIndex : int {
  kPageParameters = 0,
  kPageInterfaces,
  kPageAddresses,
  kPageRouteTable,
  kPageArp,
  kPageGenTable,
  kPageReachability,
  kPageTraceroute,
  kPageNsLookup,
  kPageDiscovery,
  kPageMibBrowser,
  kPageGraph,
  kPageCount
};

class CMainSheet : public QDialog {
  Q_OBJECT
 public:
  explicit CMainSheet(QWidget* parent = nullptr);
  ~CMainSheet() override;

  // The start-up sequence after construction: MIBs, vendor file, first-run
  // defaults, every page's InitPage and LoadSettings.
  void Initialize(const QString& workingDir);

  ToolPage* Page(int index) const { return pages[index]; }
  ToolPage* ActivePage() const;
  void SetActivePage(int index);
  // The index of the page with that internal name, or -1.
  int PageIndexOf(const QString& internalName) const;

  QTabWidget* Tabs() const { return tabs; }
  QPushButton* StartStopButton() const { return startStopButton; }
  QPushButton* ExitButton() const { return exitButton; }
  QLabel* StatusLine() const { return statusLine; }

  // The font routine then LoadSettings on every page (start-up and "Load default").
  void LoadAllSettings();
  void SaveAllSettings();
  void FactoryAllSettings();
  // ResetResults on every page: the target host changed.
  void ResetAllResults();

  // The target of the program: the Parameters page keeps these.
  bool needsResolve = true;
  bool targetValid = false;
  // Host handed over by the command line or a Select command.
  QString targetHost;
  // Set by the grid context menu: the next Select command starts a new instance.
  bool openInNewInstance = false;

  // The command line "HOST PAGE": the host is kept as targetHost and, for the
  // pages that have a Select command, that command runs once the window is up.
  void HandleCommandLine(const QStringList& words);
  // A Select command for page index: the Parameters page takes targetHost and
  // fetches its system group, then the page becomes active and starts. With
  // openInNewInstance a new program instance is started on the host instead.
  void RunSelectCommand(int index);

  // A grid's Select menu: Telnet to the host, or the Select command of its page.
  void OnGridSelectCommand(int commandId, const QString& host);

  // Starts a new program instance (program, arguments); tests replace it so
  // that a Select command never starts a real process.
  static std::function<bool(const QString&, const QStringList&)> startInstance;

  // Shows the current status text now (UI thread).
  void RefreshStatus();

 signals:
  // A command of a grid's "Select" menu (Get System ... Telnet) on host, the
  // clicked cell's text cut at its first tab or line break; ActiveTableGrid
  // is the grid. openInNewInstance was set for the button before.
  void GridSelectCommand(int commandId, const QString& host);

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
  void ShutdownSequence();

  std::array<ToolPage*, kPageCount> pages{};
  QTabWidget* tabs = nullptr;
  QPushButton* startStopButton = nullptr;
  QPushButton* exitButton = nullptr;
  QToolButton* aboutButton = nullptr;
  QLabel* statusLine = nullptr;
  // A status refresh is already queued: texts posted meanwhile are shown by it.
  std::atomic<bool> statusPending{false};
  bool shutDown = false;
};

// The one main window, for the pages and the status helpers; null before it exists.
CMainSheet* MainSheet();

// Sets the status text and shows it at once; UI thread only.
void ShowStatus(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tesmo
