// The MBrowser and Gen. Table pages in the window, offscreen, against the
// lab's agents: the whole MIB in the tree, OID fields that select nodes as
// they are typed, a walk and its lines chosen, Set, Add to graph, Add to Gen,
// the table list and the Column property dialog.
#include <gtest/gtest.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"
#include "support/lab_agents.h"
#include "support/tool_pages.h"
#include "tools/graph/graph_data.h"
#include "tools/tables/gen_table.h"
#include "ui/app/main_sheet.h"
#include "ui/browser/mib_browser_models.h"
#include "ui/browser/mib_browser_page.h"
#include "ui/system/parameters_page.h"
#include "ui/tables/column_property_dialog.h"
#include "ui/tables/gen_table_page.h"
#include "ui/tables/table_grid_view.h"
#include "ui/widgets/line_list_model.h"
#include "ui/widgets/number_edit.h"
#include "wait.h"

using namespace tesmo;

namespace {

int CountModelRows(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
  int count = 0;
  for (int row = 0; row < model.rowCount(parent); ++row) {
    count += 1 + CountModelRows(model, model.index(row, 0, parent));
  }
  return count;
}

int CountNodes(const tree* first) {
  int count = 0;
  for (const tree* t = first; t != nullptr; t = t->next_peer)
    count += 1 + CountNodes(t->child_list);
  return count;
}

class MibPagesTest : public ::testing::Test {
 protected:
  void Open(int port, CMainSheet::MibLoading mibs = CMainSheet::MibLoading::BeforeWindow) {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    CSettingsStore::WriteInt("Snmp", "Port", port);
    CSettingsStore::WriteInt("Snmp", "TimeOut", 1000);
    CSettingsStore::WriteInt("Snmp", "Retries", 1);
    InputMessage = [this](QWidget*, const QString& text) { messages << text; };
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path(), mibs);
    sheet->show();
    browser = static_cast<CMibBrowserPage*>(sheet->Page(PageIndex("browser")));
    gen = static_cast<CGenTablePage*>(sheet->Page(PageIndex("gentable")));
  }
  void TearDown() override {
    CColumnPropertyDialog::SetRunner({});
    EXPECT_EVENTUALLY_TRUE(!CJobControl::Instance().JobRunning());
    sheet->OnExit();
    sheet.reset();
  }
  void TypeHost(const QString& host) {
    auto* parameters = static_cast<CParametersPage*>(sheet->Page(PageIndex("system")));
    parameters->HostBox()->lineEdit()->setText(host);
  }
  // Presses Start (or a button that starts a job) and waits for the job's end.
  void RunJob(const std::function<void()>& start) {
    start();
    EXPECT_EVENTUALLY_TRUE(!CJobControl::Instance().JobRunning());
    EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Start"));
  }
  int RowOf(const QString& prefix) const {
    const QStringList& lines = browser->ResultModel()->Lines();
    for (int i = 0; i < lines.size(); ++i) {
      if (lines[i].startsWith(prefix)) return i;
    }
    return -1;
  }
  void Choose(int row) {
    browser->ResultList()->setCurrentIndex(browser->ResultModel()->index(row));
  }
  QString SelectedLabel() const {
    const tree* node = browser->SelectedNode();
    return node != nullptr ? QString(node->label) : QString();
  }
  QTemporaryDir settingsDir, workDir;
  QStringList messages;
  std::unique_ptr<CMainSheet> sheet;
  CMibBrowserPage* browser = nullptr;
  CGenTablePage* gen = nullptr;
};

TEST_F(MibPagesTest, TheTreeHoldsTheWholeMibAndTypedOidsSelectNodes) {
  Open(QString::number(LabSnmpPort()).toInt());
  QElapsedTimer timer;
  timer.start();
  browser->OnMibsLoaded();
  std::printf("tree filled in %.2f ms\n", timer.nsecsElapsed() / 1e6);
  EXPECT_EQ(CountModelRows(*browser->TreeModel()), CountNodes(get_tree_head()));

  QTest::keyClicks(browser->OidNumericEdit(), ".1.3.6.1.2.1.1.1.0");
  EXPECT_EQ(SelectedLabel(), "sysDescr");
  EXPECT_EQ(browser->OidNumericEdit()->text(), ".1.3.6.1.2.1.1.1.0");  // as typed
  EXPECT_EQ(browser->OidTextEdit()->text(), ".iso.org.dod.internet.mgmt.mib-2.system.sysDescr");
  EXPECT_EQ(browser->TypeEdit()->text(), "octetstr");
  EXPECT_TRUE(browser->SetTypeBox()->currentText().startsWith('s'));
  EXPECT_EQ(browser->InstanceEdit()->text(), ".1.3.6.1.2.1.1.1");
  EXPECT_FALSE(browser->EnumsBox()->isEnabled());

  browser->OidTextEdit()->clear();
  QTest::keyClicks(browser->OidTextEdit(), "interfaces.ifTable.ifEntry.ifAdminStatus");
  EXPECT_EQ(SelectedLabel(), "ifAdminStatus");
  EXPECT_EQ(browser->OidNumericEdit()->text(), ".1.3.6.1.2.1.2.2.1.7");
  EXPECT_TRUE(browser->EnumsBox()->isEnabled());
  EXPECT_EQ(browser->EnumsBox()->currentText(), "testing (3)");

  // A label alone finds its node, and the status line shows the whole path.
  browser->OidTextEdit()->clear();
  QTest::keyClicks(browser->OidTextEdit(), "ifInOctets");
  EXPECT_EQ(SelectedLabel(), "ifInOctets");
  EXPECT_EQ(browser->OidNumericEdit()->text(), ".1.3.6.1.2.1.2.2.1.10");
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(),
                       QString(".iso.org.dod.internet.mgmt.mib-2.interfaces.ifTable.ifEntry."
                               "ifInOctets"));
  // One letter more names nothing: nothing is selected and Enter walks nothing.
  QTest::keyClicks(browser->OidTextEdit(), "z");
  EXPECT_EQ(browser->SelectedNode(), nullptr);
  EXPECT_EQ(browser->OidNumericEdit()->text(), "");
  sheet->SetActivePage(PageIndex("browser"));
  QTest::keyClick(browser->OidTextEdit(), Qt::Key_Return);
  EXPECT_FALSE(CJobControl::Instance().JobRunning());
  EXPECT_EQ(browser->ResultModel()->rowCount(), 0);
  EXPECT_EVENTUALLY_EQ(sheet->StatusLine()->text(), QString("No object is named ifInOctetsz"));
}

// The tree pane starts wide enough for ifEntry's children and keeps the width
// the user dragged it to.
TEST_F(MibPagesTest, TheTreePaneShowsLeafNamesAndKeepsItsWidth) {
  Open(QString::number(LabSnmpPort()).toInt());
  sheet->SetActivePage(PageIndex("browser"));
  browser->OidTextEdit()->setText("ifOutNUcastPkts");
  browser->OidTextEdit()->textEdited("ifOutNUcastPkts");
  QTreeView* tree = browser->TreeView();
  const QRect leaf = tree->visualRect(tree->currentIndex());
  ASSERT_TRUE(leaf.isValid());
  EXPECT_LE(leaf.left() + tree->fontMetrics().horizontalAdvance("ifOutNUcastPkts"),
            tree->viewport()->width());

  const int dragged = browser->Splitter()->sizes()[0] + 40;
  browser->Splitter()->setSizes({dragged, browser->Splitter()->sizes()[1] - 40});
  emit browser->Splitter()->splitterMoved(dragged, 1);
  sheet->OnExit();
  sheet.reset();
  Open(QString::number(LabSnmpPort()).toInt());
  sheet->SetActivePage(PageIndex("browser"));
  EXPECT_EQ(browser->Splitter()->sizes()[0], dragged);
}

// The window as the program starts it, with the MIB tree loading beside it:
// a walk started at once waits for the tree and writes its OID texts, and the
// tree pane fills when the load ends.
TEST_F(MibPagesTest, ATreeLoadingBesideTheWindowHoldsUpOnlyItsReaders) {
  Open(LabSnmpPort(), CMainSheet::MibLoading::BesideWindow);
  TypeHost("127.0.0.1");
  sheet->SetActivePage(PageIndex("browser"));
  browser->OidNumericEdit()->setText(".1.3.6.1.2.1.1");
  RunJob([&] { sheet->OnStartStop(); });
  EXPECT_EVENTUALLY_TRUE(RowOf("system.sysDescr.0") >= 0);
  EXPECT_EVENTUALLY_EQ(CountModelRows(*browser->TreeModel()), CountNodes(get_tree_head()));
}

TEST_F(MibPagesTest, WalkChooseSetAndAddToGraph) {
  Open(QString::number(LabSnmpPort()).toInt());
  TypeHost("127.0.0.1");
  sheet->SetActivePage(PageIndex("browser"));
  browser->OidNumericEdit()->setText("system");
  RunJob([&] { sheet->OnStartStop(); });
  // The label counts the walk at its end; the list catches up on its timer.
  EXPECT_EVENTUALLY_TRUE(browser->CountLabel()->text().endsWith(" entry(s)"));
  const int count = browser->CountLabel()->text().section(' ', 0, 0).toInt();
  EXPECT_GT(count, 8);
  EXPECT_EVENTUALLY_EQ(browser->ResultModel()->rowCount(), count);
  EXPECT_FALSE(browser->GraphButton()->isEnabled());

  Choose(RowOf("system.sysDescr.0"));
  EXPECT_EQ(SelectedLabel(), "sysDescr");
  EXPECT_EQ(browser->InstanceEdit()->text(), ".1.3.6.1.2.1.1.1.0");
  EXPECT_EQ(browser->SetValueEdit()->text(), "Tesmo lab agent");
  EXPECT_TRUE(browser->GraphButton()->isEnabled());

  // Set: sysContact with its preselected type "s", then with a wrong one.
  const QString original = SnmpGetValue(".1.3.6.1.2.1.1.4.0");
  Choose(RowOf("system.sysContact.0"));
  ASSERT_TRUE(browser->SetTypeBox()->currentText().startsWith('s'));
  browser->SetValueEdit()->setText("tesmo browser contact");
  RunJob([&] { browser->SetButton()->click(); });
  EXPECT_EQ(SnmpGetValue(".1.3.6.1.2.1.1.4.0"), "tesmo browser contact");
  browser->SetTypeBox()->setCurrentIndex(1);  // i (integer)
  browser->SetValueEdit()->setText("12");
  RunJob([&] { browser->SetButton()->click(); });
  EXPECT_EVENTUALLY_TRUE(sheet->StatusLine()->text().startsWith("snmpset: "));
  EXPECT_EQ(SnmpGetValue(".1.3.6.1.2.1.1.4.0"), "tesmo browser contact");
  browser->SetTypeBox()->setCurrentIndex(4);  // s (string)
  browser->SetValueEdit()->setText(original);
  RunJob([&] { browser->SetButton()->click(); });
  EXPECT_EQ(SnmpGetValue(".1.3.6.1.2.1.1.4.0"), original);

  // Add to graph moves on to the next line; on the last line it selects none.
  GraphData().RemoveAll();
  Choose(0);
  browser->GraphButton()->click();
  EXPECT_EQ(browser->ResultList()->currentIndex().row(), 1);
  Choose(count - 1);
  const QString last = browser->ResultModel()->Lines().last();
  const QString instance = browser->InstanceEdit()->text();
  browser->GraphButton()->click();
  EXPECT_FALSE(browser->ResultList()->currentIndex().isValid());
  EXPECT_TRUE(browser->ResultList()->selectionModel()->selectedIndexes().isEmpty());
  const std::vector<GraphEntryInfo> entries = GraphData().Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].target, ".1.3.6.1.2.1.1.1.0");
  EXPECT_EQ(entries[0].label, "system.sysDescr.0");
  EXPECT_EQ(entries[1].kind, 'S');
  // It keeps asking the agent the lines came from.
  EXPECT_EQ(entries[1].agent, "127.0.0.1");
  EXPECT_EQ(QString::fromStdString(entries[1].target), instance);
  EXPECT_TRUE(last.startsWith(QString::fromStdString(entries[1].label) + "  :  "));

  browser->CopyResults();
  EXPECT_EQ(QApplication::clipboard()->text(), browser->Report());
  EXPECT_TRUE(browser->Report().startsWith("Mib browser result\n------------------\nquery : "));
  EXPECT_EQ(browser->Report().count('\n'), 4 + count);
}

TEST_F(MibPagesTest, GenTableListColumnPropertyAndAddToGen) {
  Open(161);
  TypeHost("127.0.77.39");
  ASSERT_EQ(gen->TableList()->count(), 1);
  EXPECT_EQ(gen->TableList()->currentText(), "ipNetToMediaTable (.1.3.6.1.2.1.4.22)");
  sheet->SetActivePage(PageIndex("gentable"));
  RunJob([&] { sheet->OnStartStop(); });
  EXPECT_EVENTUALLY_EQ(gen->CountLabel()->text(), QString("4 entry(s)"));
  EXPECT_EVENTUALLY_EQ(gen->Grid()->Model()->rowCount(), 4);

  // "Add to Gen" on ifEntry from the browser: the list shows the new table.
  ObjectId id;
  ASSERT_TRUE(ParseObjectId(".1.3.6.1.2.1.2.2.1", id));
  ASSERT_TRUE(browser->SelectNode(DeepestNode(id)));
  browser->GenButton()->click();
  EXPECT_EVENTUALLY_EQ(gen->TableList()->count(), 2);
  EXPECT_EQ(gen->TableList()->itemText(1), "ifEntry");
  EXPECT_EQ(gen->TableList()->currentIndex(), 0);
  // The rows fetched for the table shown stay.
  EXPECT_EQ(gen->Grid()->Model()->rowCount(), 4);
  EXPECT_EQ(gen->CountLabel()->text(), "4 entry(s)");

  // Column property, Cancel: nothing written, the selection kept.
  const QString section = CustomTableSection(0);
  const QString stored = CSettingsStore::ReadString(section, "1", "");
  std::optional<ColumnDefinition> shown;
  CColumnPropertyDialog::SetRunner([&](CColumnPropertyDialog& dialog) {
    shown = ColumnDefinition{"",
                             dialog.TitleEdit()->text(),
                             dialog.WidthEdit()->text().toUInt(),
                             static_cast<unsigned>(dialog.AlignList()->currentIndex()),
                             dialog.IsIpBox()->isChecked() ? 1u : 0u,
                             static_cast<unsigned>(dialog.SortList()->currentIndex())};
    return int(QDialog::Rejected);
  });
  gen->EditColumn(1);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->title, "Phys. Address");
  EXPECT_EQ(shown->width, 12u);
  EXPECT_EQ(shown->align, 0u);
  EXPECT_EQ(shown->sort, 5u);
  EXPECT_EQ(CSettingsStore::ReadString(section, "1", ""), stored);
  EXPECT_EQ(gen->TableList()->currentIndex(), 0);
  EXPECT_EQ(gen->Grid()->Model()->rowCount(), 4);  // the grid is left alone

  // OK after a refused width and a refused title.
  CColumnPropertyDialog::SetRunner([&](CColumnPropertyDialog& dialog) {
    dialog.WidthEdit()->setText("wide");
    EXPECT_FALSE(dialog.TryAccept());
    dialog.WidthEdit()->setText("15");
    dialog.TitleEdit()->setText("MAC|address");
    EXPECT_FALSE(dialog.TryAccept());
    dialog.TitleEdit()->setText("");
    dialog.SortList()->setCurrentIndex(7);
    dialog.AlignList()->setCurrentIndex(9);
    dialog.IsIpBox()->setChecked(true);
    EXPECT_TRUE(dialog.TryAccept());
    return dialog.result();
  });
  gen->TableList()->setCurrentIndex(0);
  gen->EditColumn(1);
  EXPECT_EQ(messages.size(), 2);
  EXPECT_EQ(messages.value(0), "Please enter an integer.");
  EXPECT_EQ(CSettingsStore::ReadString(section, "1", ""), ".1.3.6.1.2.1.4.22.1.2||15|9|1|7");
  // The empty title keeps its place when the table is read again.
  const std::vector<ColumnDefinition> columns = CustomTableColumns(0);
  EXPECT_EQ(columns[1].title, "");
  EXPECT_EQ(columns[1].width, 15u);
  EXPECT_EQ(columns[1].sort, 7u);
}

// "Export for Prometheus…" writes generator.yml with the target's community
// into a new or a regular file, never over anything else, which stays.
TEST_F(MibPagesTest, ExportForPrometheusReplacesOnlyRegularFiles) {
  Open(QString::number(LabSnmpPort()).toInt());
  gen->TableList()->setCurrentIndex(0);
  QTemporaryDir dir;
  const QString folder = dir.filePath("folder"), fifo = dir.filePath("fifo");
  const QString link = dir.filePath("link"), kept = dir.filePath("kept");
  ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_EQ(mkfifo(fifo.toUtf8().constData(), 0600), 0);
  QFile keptFile(kept);
  ASSERT_TRUE(keptFile.open(QIODevice::WriteOnly));
  keptFile.write("mine\n");
  keptFile.close();
  ASSERT_TRUE(QFile::link(kept, link));
  QFile old(dir.filePath("old.yml"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old\n");
  old.close();
  const struct {
    QString path;
    bool written;
  } cases[] = {{dir.filePath("generator.yml"), true},
               {dir.filePath("old.yml"), true},
               {folder, false},
               {fifo, false},
               {link, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(gen->ExportTable(c.path), c.written);
    QFile file(c.path);
    if (!c.written) continue;
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains("modules:\n  tesmo_"));
    EXPECT_TRUE(text.contains("community: \"meadow\""));
    EXPECT_TRUE(text.contains("- 1.3.6.1.2.1.4.22.1.1"));
  }
  EXPECT_TRUE(QFileInfo(folder).isDir());
  QFile after(kept);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), "mine\n");
}

}  // namespace
