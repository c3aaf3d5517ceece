// The "MIB modules" dialog of the MBrowser page: every module found with its
// file, the problems and what would mend them, the folders in search order,
// and "Add MIB files…", which copies modules into the user's own MIB folder
// and reads the MIB folders again.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "core/snmp/mib_report.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace tesmo {

class CMibModulesDialog : public QDialog {
  Q_OBJECT
 public:
  // reload reads the MIB folders again; false, with why, when it cannot now.
  using Reload = std::function<bool(QString* why)>;
  CMibModulesDialog(Reload reload, QWidget* parent = nullptr);

  // Shows a report (the last load's when the dialog opens).
  void ShowReport(const MibReport& report);
  // Copies files into the user's MIB folder, reloads and shows the new
  // report; what could not be done goes to the message line.
  void AddFiles(const QStringList& files);

  QTreeWidget* Problems() const { return problems; }
  QTreeWidget* Modules() const { return modules; }
  QPlainTextEdit* Folders() const { return folders; }
  QLabel* Message() const { return message; }
  QPushButton* AddButton() const { return addButton; }

 private:
  void ChooseFiles();

  Reload reload;
  QLabel* summary = nullptr;
  QTreeWidget* problems = nullptr;
  QTreeWidget* modules = nullptr;
  QPlainTextEdit* folders = nullptr;
  QLabel* message = nullptr;
  QPushButton* addButton = nullptr;
};

// The status text for a report with problems ("3 MIB modules could not be
// loaded: see MIB modules"); empty when there are none.
QString MibProblemsStatus(const MibReport& report);

}  // namespace tesmo
