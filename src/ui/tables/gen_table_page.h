// The Gen. Table page: the stored generic tables in a list, the selected one
// walked into the grid on Start, and the "Column property" dialog on a
// column's header menu.
#pragma once

#include "core/base/job_runner.h"
#include "ui/app/tool_page.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tesmo {

class CTableGridView;

class CGenTablePage : public ToolPage {
  Q_OBJECT
 public:
  explicit CGenTablePage(const PageContext& context);

  void CopyResults() override;
  // Resolves the target and walks the selected table on the runner.
  void StartJob() override;
  // An empty 2 x 2 grid and an empty count label.
  void ResetResults() override;
  // The table list again from the store, the first table selected.
  void LoadSettings() override;
  // The table list only: the grid stays usable while a job runs.
  void EnableControls(bool enable) override;
  void StopBackgroundThreads() override;

  // "Column property" for a column of the grid.
  void EditColumn(int column);

  // "Export for Prometheus…": a file dialog, then ExportTable.
  void ChooseExportFile();
  // The selected table as generator.yml for prometheus-snmp-generator, with
  // the target's access parameters, written whole to path unless something
  // other than a regular file is there. False (the status line says why)
  // when nothing was written.
  bool ExportTable(const QString& path);

  QComboBox* TableList() const { return tableList; }
  CTableGridView* Grid() const { return grid; }
  QLabel* CountLabel() const { return countLabel; }
  QPushButton* ExportButton() const { return exportButton; }

 private:
  QComboBox* tableList = nullptr;
  CTableGridView* grid = nullptr;
  QLabel* countLabel = nullptr;
  QPushButton* exportButton = nullptr;
  // Last: destroyed first, it stops and waits for a job writing the grid.
  CJobRunner runner;
};

}  // namespace tesmo
