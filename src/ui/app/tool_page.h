// The page contract: what the main window asks of every tool page.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "core/base/job_runner.h"
#include "ui/app/page_registry.h"

namespace tesmo {

class CTarget;
class ToolPage;

// What a page may ask of the window it stands in (the window hands itself
// over at construction, so no page looks a window up).
class CPageHost {
 public:
  virtual ~CPageHost() = default;
  virtual void SaveAllSettings() = 0;
  virtual void LoadAllSettings() = 0;
  virtual void FactoryAllSettings() = 0;
  // The target host changed: every page drops its results.
  virtual void ResetAllResults() = 0;
  // Shows the current status text now.
  virtual void RefreshStatus() = 0;
  virtual ToolPage* ActivePage() const = 0;
};

class ToolPage : public QWidget {
  Q_OBJECT
 public:
  explicit ToolPage(const PageContext& context);

  // The page's name on the command line and in --batch (from its record).
  const QString& InternalName() const { return internalName; }
  void SetInternalName(const QString& name) { internalName = name; }
  // The window's target.
  CTarget* Target() const { return target; }
  // The window the page stands in; null for a page alone (tests).
  CPageHost* Host() const { return host; }

  // Once, at start-up, in index order.
  virtual void InitPage() { ResetResults(); }
  // Copy command of the context menus, on the active page.
  virtual void CopyResults() {}
  // Start button on the active page, Select commands and the command line.
  virtual void StartJob() = 0;
  // The target host changed: drop the results that belonged to the old one.
  virtual void ResetResults() {}
  // At exit, in index order, after the background threads were stopped.
  virtual void OnShutdown() {}
  // Built-in defaults into the controls; nothing is written.
  virtual void FactorySettings() {}
  // Reads the controls and writes the page's settings.
  virtual void SaveSettings() {}
  // Reads the page's settings with their defaults and shows them.
  virtual void LoadSettings() {}
  // Disabled while a job runs; the default switches every child control.
  virtual void EnableControls(bool enable);
  // Threads the page keeps for the life of the program are started here, once,
  // at the end of start-up when the settings are loaded.
  virtual void StartBackgroundThreads() {}
  // The MIB tree, loaded beside the window, is there to read.
  virtual void OnMibsLoaded() {}
  // Threads the page keeps for the life of the program, and a job of the page
  // still on its way, are stopped here, first thing at exit; returns when
  // they have ended.
  virtual void StopBackgroundThreads() {}
  // A command of a grid's "Select" menu that the page's tool carries out
  // itself (ToolSpec::actions: Telnet, Graph Round Trip Delay).
  virtual void HandleGridCommand(int /*commandId*/, const QString& /*host*/) {}

  // The tool tip of a control: the string whose id is the control's id.
  virtual QString ToolTipText(int controlId) const;

 protected:
  // Gives control its id and the tool tip that goes with it.
  void RegisterControl(QWidget* control, int controlId);
  // The "Copy" context menu at globalPos; its command copies the active page.
  void ShowCopyMenu(const QPoint& globalPos);
  // Starts job on runner: the target is resolved first, on the runner's
  // thread, and job runs with it in its context only when it is valid
  // ("Cannot resolve name" stays in the status line otherwise). False when
  // no job could start.
  bool StartTargetJob(CJobRunner& runner, std::function<void(const JobContext&)> job);

 private:
  QString internalName;
  CTarget* target;
  CPageHost* host;
};

}  // namespace tesmo
