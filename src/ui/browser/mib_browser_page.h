// The MBrowser page: the loaded MIB as a tree with each node's definition,
// a walk of any subtree of the target into a list of result lines, a SET of
// one instance, an instance sent to the chart, and a table entry turned into
// a generic table.
#pragma once

#include <QString>

#include "core/base/job_runner.h"
#include "core/snmp/mib_nodes.h"
#include "tools/browser/mib_walk.h"
#include "ui/app/tool_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeView;

namespace tesmo {

class CMibTreeModel;
class CLineListModel;

class CMibBrowserPage : public ToolPage {
  Q_OBJECT
 public:
  explicit CMibBrowserPage(const PageContext& context);

  // Fills the tree with the whole loaded MIB, then ResetResults.
  void InitPage() override;
  void OnMibsLoaded() override;
  // The report on the clipboard.
  void CopyResults() override;
  // The walk from the numeric OID field.
  void StartJob() override;
  // No result line counts as chosen any more; the lines stay.
  void ResetResults() override;
  // The tree is freed at exit before the pages shut down: the tree view lets go of it.
  void OnShutdown() override;
  // The result list takes the fixed font.
  void LoadSettings() override;
  // "Set" and "Add to Gen" follow enable; "Add to graph" needs a chosen line too.
  void EnableControls(bool enable) override;
  void StopBackgroundThreads() override;

  // The buttons.
  void SetValue();
  void AddToGraph();
  void AddToGen();
  // A result line was chosen (row -1: none).
  void ChooseLine(int row);
  // The report text.
  QString Report() const;

  // Opens the "MIB modules" dialog (modal).
  void ShowMibModules();
  // Reads the MIB folders of the start again and shows the new tree; false,
  // with why, while a job runs.
  bool ReloadMibs(QString* why);
  // The line under the tree: how many modules could not be loaded.
  QLabel* MibProblemsLabel() const { return mibProblemsLabel; }
  QPushButton* MibModulesButton() const { return mibModulesButton; }

  const CMibTreeIndex& TreeIndex() const { return index; }
  // The node selected in the tree, or null.
  const tree* SelectedNode() const;
  // Selects the node (as a click in the tree does); false when it is not in the tree.
  bool SelectNode(const tree* node);

  QTreeView* TreeView() const { return treeView; }
  QSplitter* Splitter() const { return splitter; }
  CMibTreeModel* TreeModel() const { return treeModel; }
  QLineEdit* OidTextEdit() const { return oidTextEdit; }
  QLineEdit* OidNumericEdit() const { return oidNumericEdit; }
  QLineEdit* TypeEdit() const { return typeEdit; }
  QLineEdit* AccessEdit() const { return accessEdit; }
  QLineEdit* StatusEdit() const { return statusEdit; }
  QComboBox* EnumsBox() const { return enumsBox; }
  QPlainTextEdit* DescriptionEdit() const { return descriptionEdit; }
  QListView* ResultList() const { return resultList; }
  CLineListModel* ResultModel() const { return resultModel; }
  QLabel* CountLabel() const { return countLabel; }
  QLineEdit* InstanceEdit() const { return instanceEdit; }
  QComboBox* SetTypeBox() const { return setTypeBox; }
  QLineEdit* SetValueEdit() const { return setValueEdit; }
  QPushButton* SetButton() const { return setButton; }
  QPushButton* GraphButton() const { return graphButton; }
  QPushButton* GenButton() const { return genButton; }
  bool ResultSelected() const { return resultSelected; }
  bool Running() const { return runner.Running(); }

 private:
  void ShowNode(int node);
  // An OID field was edited: the deepest known node along its text.
  void OnOidEdited(QLineEdit* field);
  void SetField(QLineEdit* field, const QString& text);
  void UpdateGraphButton();
  // The tree pane's width: the stored one, else wide enough for ifEntry's
  // children.
  int DefaultTreeWidth() const;
  void ApplyTreeWidth();
  void UpdateMibProblems();

  CMibTreeIndex index;
  CLineStore lines;
  bool resultSelected = false;
  bool controlsEnabled = true;
  // The OID field the user is typing in: selecting the node leaves it alone.
  QLineEdit* editing = nullptr;

  QSplitter* splitter = nullptr;
  bool treeWidthMoved = false;  // the user dragged the splitter this run
  bool applyingWidth = false;
  QTreeView* treeView = nullptr;
  CMibTreeModel* treeModel = nullptr;
  QLineEdit* oidTextEdit = nullptr;
  QLineEdit* oidNumericEdit = nullptr;
  QLineEdit* typeEdit = nullptr;
  QLineEdit* accessEdit = nullptr;
  QLineEdit* statusEdit = nullptr;
  QComboBox* enumsBox = nullptr;
  QPlainTextEdit* descriptionEdit = nullptr;
  QListView* resultList = nullptr;
  CLineListModel* resultModel = nullptr;
  QLabel* countLabel = nullptr;
  QLineEdit* instanceEdit = nullptr;
  QComboBox* setTypeBox = nullptr;
  QLineEdit* setValueEdit = nullptr;
  QPushButton* setButton = nullptr;
  QPushButton* graphButton = nullptr;
  QPushButton* genButton = nullptr;
  QLabel* mibProblemsLabel = nullptr;
  QPushButton* mibModulesButton = nullptr;

  // Last: destroyed first, it stops and waits for a walk writing the lines.
  CJobRunner runner;
};

}  // namespace tesmo
