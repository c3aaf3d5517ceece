// The Reachability page offscreen, in the client namespace of the ICMP lab
// (tests/lab/lab.d/icmp.up): the ping loop against 127.0.0.1 through the
// window, and the service test against the lab's live host, which listens on
// TCP 80 and 23 and runs snmpd on UDP 161.
#include "ui/reachability/reachability_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "support/tool_pages.h"
#include "tools/reachability/ping_loop.h"
#include "tools/reachability/reachability_report.h"
#include "ui/app/main_sheet.h"
#include "ui/app/target.h"
#include "ui/system/parameters_page.h"
#include "ui/widgets/fixed_font.h"
#include "ui/widgets/number_edit.h"

using namespace tesmo;

namespace {

// The lab's addresses (see icmp.up).
constexpr const char* kLive = "10.71.2.2";       // TCP 80, 23 and snmpd on UDP 161
constexpr const char* kBlackhole = "10.71.8.5";  // dropped by the router without a word

QString ServiceName(int row) {
  return QString::fromUtf8(kReachabilityServices[static_cast<size_t>(row)].name);
}

// Runs the event loop until done() holds or ms have passed; whether it held.
template <typename Condition>
bool WaitFor(Condition done, int ms) {
  return QTest::qWaitFor(done, ms);
}

int RowOf(const char* name) {
  for (int row = 0; row < kServiceCount; ++row) {
    if (ServiceName(row) == QLatin1String(name)) return row;
  }
  return -1;
}

class ReachabilityPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    // An SNMP row towards a host without an agent gives up quickly.
    CSettingsStore::WriteInt("Snmp", "TimeOut", 300);
    CSettingsStore::WriteInt("Snmp", "Retries", 0);
    messages.clear();
    InputMessage = [this](QWidget*, const QString& text) { messages << text; };
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
    parameters = static_cast<CParametersPage*>(sheet->Page(PageIndex("system")));
    page = static_cast<CReachabilityPage*>(sheet->Page(PageIndex("reachability")));
  }
  void TearDown() override {
    if (sheet) {
      RequestStop();
      ASSERT_TRUE(WaitFor([&] { return !page->ServiceTestRunning(); }, 10000));
      ASSERT_TRUE(WaitFor([&] { return sheet->ExitButton()->isEnabled(); }, 5000));
      sheet->OnExit();
    }
    sheet.reset();
  }

  // Types host into the Parameters page as the user does, which drops every
  // page's results, and resolves it.
  void Target(const QString& host) {
    parameters->HostBox()->lineEdit()->selectAll();
    QTest::keyClicks(parameters->HostBox()->lineEdit(), host);
    CTarget* target = parameters->Target();
    ASSERT_TRUE(target->FinishResolve(target->BeginResolve()).has_value());
    ASSERT_TRUE(WaitFor([&] { return target->Valid(); }, 5000));
  }
  // Writes text into an edit and leaves it, as a change of focus does.
  static void Enter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->editingFinished();
  }
  QWidget* Control(int controlId) const {
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (w->property("controlId").toInt() == controlId) return w;
    }
    return nullptr;
  }
  QStringList ListLines() const {
    QStringList lines;
    QAbstractItemModel* model = page->HistoryList()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      lines << model->data(model->index(row, 0)).toString();
    }
    return lines;
  }
  // Starts the service test through the window's Start button and waits for
  // its end.
  void RunServiceTest() {
    sheet->SetActivePage(PageIndex("reachability"));
    sheet->OnStartStop();
    // Against a host that answers at once, the caption may never be seen
    // reading "Stop".
    ASSERT_TRUE(WaitFor([&] { return !page->ServiceTestRunning(); }, 20000));
    ASSERT_TRUE(WaitFor([&] { return sheet->StartStopButton()->text() == QString("Start"); }, 5000))
        << (sheet->StartStopButton()->text()).toStdString();
    // The indicators follow the rows through the event queue.
    ASSERT_TRUE(WaitFor([&] { return IndicatorsShowResults(); }, 2000));
  }
  bool IndicatorsShowResults() const {
    for (int row = 0; row < kServiceCount; ++row) {
      const ServiceState state = page->ServiceResults().Get(row);
      if (page->Indicator(row)->isEnabled() != (state != ServiceState::Untested)) return false;
      if (page->Indicator(row)->isChecked() != (state == ServiceState::Ok)) return false;
    }
    return true;
  }
  void ExpectIndicators(const std::map<QString, ServiceState>& expected) {
    for (int row = 0; row < kServiceCount; ++row) {
      const ServiceState state = expected.at(ServiceName(row));
      SCOPED_TRACE(ServiceName(row).toStdString());
      EXPECT_EQ(page->Indicator(row)->isEnabled(), state != ServiceState::Untested);
      EXPECT_EQ(page->Indicator(row)->isChecked(), state == ServiceState::Ok);
      EXPECT_EQ(page->ServiceResults().Get(row), state);
      // The result in words beside the box.
      const QString said = page->ResultLabel(row)->text();
      if (state == ServiceState::Untested) {
        EXPECT_EQ(said, "not tested");
      }
      if (state == ServiceState::Ok) {
        EXPECT_TRUE(QRegularExpression("^(open|answers) \\d+ ms$").match(said).hasMatch())
            << said.toStdString();
      }
      if (state == ServiceState::NotReachable) {
        EXPECT_TRUE(said == "refused" || said == "no answer") << said.toStdString();
      }
    }
  }

  QTemporaryDir settingsDir, workDir;
  std::unique_ptr<CMainSheet> sheet;
  CParametersPage* parameters = nullptr;
  CReachabilityPage* page = nullptr;
  QStringList messages;
};

const QString kReportHead = "Reachability parameters\n-----------------------\n";
const QString kReportPing = "\nping results\n------------\n";

TEST_F(ReachabilityPageTest, ControlsCaptionsToolTipsAndStartState) {
  EXPECT_EQ(page->InternalName(), "reachability");
  EXPECT_EQ(sheet->Tabs()->tabText(PageIndex("reachability")), "Reachability");
  EXPECT_EQ(sheet->PageIndexOf("reachability"), PageIndex("reachability"));

  const struct {
    int id;
    const char* caption;  // check box or button caption, "" for others
    const char* toolTip;
  } controls[] = {
      {1074, "Ping", "starts or stop a ping measurement thread"},
      {1035, "", "time to wait on the ICMP_ECHO_RESPONSE"},
      {1038, "", "time to wait between to pings"},
      {1042, "", "time-to-live field of the IP header of the ICMP request packet"},
      {1040, "", "ICMP ECHO request packet length (in bytes)"},
      {1051, "Clear", "clears ping results list"},
      {1106, "Add to graph", "add the roud-trip time as a chart element"},
      {1046, "", "history list of the ping results"},
      {1007, "HTTP (80)", ""},
      {1008, "TCP ECHO (7)", ""},
      {1010, "FTP (21)", ""},
      {1012, "Telnet (23)", ""},
      {1014, "SMTP (25)", ""},
      {1024, "POP3 (110)", ""},
      {1026, "NNTP (119)", ""},
      {1029, "PRINT (515)", ""},
      {1032, "NBSESSION (139)", ""},
      {1017, "SNMP (UDP 161)", ""},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.id);
    QWidget* w = Control(c.id);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.toolTip));
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      EXPECT_EQ(button->text(), QString::fromUtf8(c.caption));
    }
  }
  for (const char* label : {"Timeout", "Time between pings", "TTL", "Packet Length"}) {
    bool found = false;
    for (QLabel* l : page->findChildren<QLabel*>()) found = found || l->text() == label;
    EXPECT_TRUE(found) << label;
  }
  bool pingGroup = false;
  for (QGroupBox* g : page->findChildren<QGroupBox*>()) {
    if (g->title() == "ICMP Ping") pingGroup = g->isAncestorOf(page->PingBox());
  }
  EXPECT_TRUE(pingGroup);

  // Each indicator belongs to its row of the service table.
  for (int row = 0; row < kServiceCount; ++row) {
    EXPECT_EQ(page->Indicator(row)->property("controlId").toInt(),
              kReachabilityServices[static_cast<size_t>(row)].indicatorId);
    EXPECT_FALSE(page->Indicator(row)->isEnabled());
    EXPECT_FALSE(page->Indicator(row)->isChecked());
  }

  EXPECT_EQ(page->HistoryList()->font(), FixedFont());
  EXPECT_EQ(page->HistoryList()->model()->rowCount(), 0);
  EXPECT_FALSE(page->PingBox()->isChecked());
  EXPECT_EQ(page->TimeoutEdit()->text(), "1000");
  EXPECT_EQ(page->TimeBetweenEdit()->text(), "1000");
  EXPECT_EQ(page->TtlEdit()->text(), "64");
  EXPECT_EQ(page->PacketLengthEdit()->text(), "50");
  EXPECT_TRUE(page->GraphButton()->isEnabled());
  // The ping loop runs from start-up, idle while the box is clear.
  EXPECT_TRUE(page->PingLoop().Running());
  EXPECT_EQ(page->PingLoop().Statistics().line, "<--->");

  // A job disables the "Ping" box only.
  page->EnableControls(false);
  EXPECT_FALSE(page->PingBox()->isEnabled());
  EXPECT_TRUE(page->ClearButton()->isEnabled());
  EXPECT_TRUE(page->TimeoutEdit()->isEnabled());
  page->EnableControls(true);
  EXPECT_TRUE(page->PingBox()->isEnabled());

  // Untested: every service "?".
  QString expected = kReportHead;
  for (int row = 0; row < kServiceCount; ++row) expected += ServiceName(row) + " : ?\n";
  EXPECT_EQ(page->Report(), expected + kReportPing);
}

TEST_F(ReachabilityPageTest, SettingsSaveFactoryLoadAndInputCheck) {
  Enter(page->TimeoutEdit(), "250");
  Enter(page->TimeBetweenEdit(), "0");
  Enter(page->TtlEdit(), "300");
  Enter(page->PacketLengthEdit(), "70000");
  page->PingBox()->setChecked(true);
  // A change reaches the running loop when the edit is left.
  PingSettings inLoop = page->PingLoop().Settings();
  EXPECT_EQ(inLoop.timeout, 250u);
  EXPECT_EQ(inLoop.timeBetweenPing, 0u);
  EXPECT_EQ(inLoop.ttl, 300u);
  EXPECT_EQ(inLoop.packetLength, 70000u);
  EXPECT_TRUE(inLoop.mustBePinged);

  page->SaveSettings();
  const struct {
    const char* name;
    int value;
  } saved[] = {{"PingTimeout", 250},
               {"PingTimeBetweenPing", 0},
               {"PingTTL", 300},
               {"PingPacketLength", 70000},
               {"MustBePinged", 1}};
  for (const auto& s : saved)
    EXPECT_EQ(CSettingsStore::ReadInt("Reachability", s.name, -7), s.value) << s.name;

  // Factory settings show the built-in values and write nothing.
  page->FactorySettings();
  EXPECT_EQ(page->TimeoutEdit()->text(), "1000");
  EXPECT_EQ(page->TimeBetweenEdit()->text(), "1000");
  EXPECT_EQ(page->TtlEdit()->text(), "64");
  EXPECT_EQ(page->PacketLengthEdit()->text(), "50");
  EXPECT_FALSE(page->PingBox()->isChecked());
  EXPECT_FALSE(page->PingLoop().Settings().mustBePinged);
  EXPECT_EQ(CSettingsStore::ReadInt("Reachability", "PingTimeout", -7), 250);

  // "Load default" on the Parameters page loads every page.
  sheet->LoadAllSettings();
  EXPECT_EQ(page->TimeoutEdit()->text(), "250");
  EXPECT_EQ(page->TimeBetweenEdit()->text(), "0");
  EXPECT_EQ(page->TtlEdit()->text(), "300");
  EXPECT_EQ(page->PacketLengthEdit()->text(), "70000");
  EXPECT_TRUE(page->PingBox()->isChecked());
  EXPECT_EQ(page->PingLoop().Settings().timeout, 250u);
  page->PingBox()->setChecked(false);

  // Anything but an unsigned number is refused and the value in use stays.
  for (const char* bad : {"12x", "-5", "", " ", "4294967296", "1e3", "0x10"}) {
    SCOPED_TRACE(bad);
    messages.clear();
    Enter(page->TimeoutEdit(), bad);
    EXPECT_EQ(messages, QStringList{"Please enter a positive integer."});
    EXPECT_EQ(page->TimeoutEdit()->text(), "250");
    EXPECT_EQ(page->PingLoop().Settings().timeout, 250u);
  }
  messages.clear();
  Enter(page->TtlEdit(), " 4294967295 ");
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(page->PingLoop().Settings().ttl, 4294967295u);

  // Two bad fields when the settings are saved: one message, both restored.
  page->TimeoutEdit()->setText("abc");
  page->PacketLengthEdit()->setText("-1");
  messages.clear();
  page->SaveSettings();
  EXPECT_EQ(messages.size(), 1);
  EXPECT_EQ(page->TimeoutEdit()->text(), "250");
  EXPECT_EQ(page->PacketLengthEdit()->text(), "70000");
  EXPECT_EQ(CSettingsStore::ReadInt("Reachability", "PingPacketLength", -7), 70000);

  // Junk in the settings file reads as the built-in values.
  CSettingsStore::WriteString("Reachability", "PingTimeout", "soon");
  CSettingsStore::WriteString("Reachability", "MustBePinged", "yes");
  page->LoadSettings();
  EXPECT_EQ(page->TimeoutEdit()->text(), "1000");
  EXPECT_FALSE(page->PingBox()->isChecked());
  EXPECT_EQ(page->PacketLengthEdit()->text(), "70000");
}

TEST_F(ReachabilityPageTest, PingLoopFillsTheListWithTheStatisticsLine) {
  // Nothing is sent while no target is resolved, even with the box ticked.
  Enter(page->TimeBetweenEdit(), "20");
  page->PingBox()->setChecked(true);
  QTest::qWait(300);
  EXPECT_EQ(page->PingLoop().Statistics().sent, 0u);
  EXPECT_EQ(ListLines(), QStringList());

  Target("127.0.0.1");
  ASSERT_TRUE(WaitFor([&] { return ListLines().size() >= 5; }, 10000));
  page->PingBox()->setChecked(false);
  // The echo under way when the box was cleared may still add its line.
  QTest::qWait(200);
  page->RefreshHistory();
  const QStringList lines = ListLines();
  QTest::qWait(200);
  page->RefreshHistory();
  EXPECT_EQ(ListLines(), lines) << "the loop went on after the box was cleared";

  const PingStatistics stats = page->PingLoop().Statistics();
  ASSERT_GE(stats.sent, 5u);
  EXPECT_EQ(stats.received, stats.sent);
  const QRegularExpression format(
      "^ *(\\d+)ms/ *(\\d+)ms/ *(\\d+)ms \\( *(\\d+)/ *(\\d+) : +(\\d+)% "
      "<reachable \\((\\d+) ms ttl:64\\)>\\)$");
  for (int i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i].toStdString());
    QRegularExpressionMatch m = format.match(lines[i]);
    ASSERT_TRUE(m.hasMatch());
    EXPECT_EQ(m.captured(4).toInt(), i + 1);  // received
    EXPECT_EQ(m.captured(5).toInt(), i + 1);  // sent
    EXPECT_EQ(m.captured(6), "100");
    EXPECT_LE(m.captured(1).toInt(), m.captured(2).toInt());
    EXPECT_LE(m.captured(2).toInt(), m.captured(3).toInt());
  }
  // The newest line is the loop's statistics line, every number in its width.
  EXPECT_EQ(lines.last().toStdString(), stats.line);
  PingStatistics copy = stats;
  const std::string last = stats.line;
  const std::string result = last.substr(last.find('<') + 1, last.rfind('>') - last.find('<') - 1);
  EXPECT_EQ(StatisticsLine(copy, result), stats.line);

  // Report: untested services, then the list.
  QString expected = kReportHead;
  for (int row = 0; row < kServiceCount; ++row) expected += ServiceName(row) + " : ?\n";
  expected += kReportPing + lines.join('\n') + '\n';
  EXPECT_EQ(page->Report(), expected);

  // Clear: statistics to zero, "<--->", list emptied; the loop goes on.
  page->ClearButton()->click();
  EXPECT_EQ(ListLines(), QStringList());
  EXPECT_EQ(page->PingLoop().Statistics().sent, 0u);
  EXPECT_EQ(page->PingLoop().Statistics().line, "<--->");
  page->PingBox()->setChecked(true);
  ASSERT_TRUE(WaitFor([&] { return ListLines().size() >= 1; }, 5000));
  EXPECT_TRUE(ListLines().first().contains("(   1/   1 : 100% <reachable ("))
      << ListLines().first().toStdString();
  page->PingBox()->setChecked(false);

  // A new target drops the results of the old one.
  Target("127.0.0.2");
  EXPECT_EQ(ListLines(), QStringList());
  EXPECT_EQ(page->PingLoop().Statistics().line, "<--->");
}

TEST_F(ReachabilityPageTest, ServiceTestAgainstTheLiveHostAndItsReport) {
  Target(kLive);
  RunServiceTest();
  ASSERT_TRUE(WaitFor([&] { return sheet->StatusLine()->text() == QString("Ready"); }, 5000))
      << (sheet->StatusLine()->text()).toStdString();

  std::map<QString, ServiceState> expected;
  for (int row = 0; row < kServiceCount; ++row)
    expected[ServiceName(row)] = ServiceState::NotReachable;
  for (const char* ok : {"HTTP", "Telnet", "SNMP"}) expected[ok] = ServiceState::Ok;
  ExpectIndicators(expected);
  // The live host turns closed ports down at once; its agent answers.
  EXPECT_EQ(page->ResultLabel(RowOf("FTP"))->text(), "refused");
  EXPECT_TRUE(page->ResultLabel(RowOf("SNMP"))->text().startsWith("answers "));

  const QString report = kReportHead +
                         "FTP : not reachable\n"
                         "HTTP : OK\n"
                         "Netbios : not reachable\n"
                         "NNTP : not reachable\n"
                         "POP3 : not reachable\n"
                         "Print : not reachable\n"
                         "SMTP : not reachable\n"
                         "SNMP : OK\n"
                         "Tcp Echo : not reachable\n"
                         "Telnet : OK\n" +
                         kReportPing;
  EXPECT_EQ(page->Report(), report);
  QApplication::clipboard()->clear();
  page->CopyResults();
  EXPECT_EQ(QApplication::clipboard()->text(), report);

  // The pop-up menu of the list: "Copy" copies the active page's report.
  QApplication::clipboard()->clear();
  bool sawCopy = false;
  QTimer::singleShot(100, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    sawCopy = menu->actions().size() == 1 && menu->actions()[0]->text() == "Copy";
    menu->setActiveAction(menu->actions()[0]);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  emit page->HistoryList()->customContextMenuRequested(QPoint(5, 5));
  EXPECT_TRUE(sawCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), report);

  // The ping results follow the services in the report.
  Enter(page->TimeBetweenEdit(), "10");
  page->PingBox()->setChecked(true);
  ASSERT_TRUE(WaitFor([&] { return ListLines().size() >= 2; }, 5000));
  page->PingBox()->setChecked(false);
  QTest::qWait(100);
  const QString withPings = page->Report();
  EXPECT_TRUE(withPings.startsWith(report)) << withPings.toStdString();
  EXPECT_EQ(withPings, report + ListLines().join('\n') + '\n');
  EXPECT_TRUE(ListLines().last().contains("<reachable (")) << ListLines().last().toStdString();

  // Clear keeps the indicators; a new target resets them.
  page->ClearButton()->click();
  ExpectIndicators(expected);
  Target("127.0.0.1");
  for (auto& e : expected) e.second = ServiceState::Untested;
  ExpectIndicators(expected);
}

TEST_F(ReachabilityPageTest, StopInTheMiddleLeavesTheRestUntested) {
  // Earlier results of the same target do not survive a new Start.
  Target(kLive);
  RunServiceTest();
  ASSERT_TRUE(page->Indicator(RowOf("HTTP"))->isChecked());

  // The router drops everything for this host: the first connect hangs.
  Target(kBlackhole);
  sheet->SetActivePage(PageIndex("reachability"));
  sheet->OnStartStop();
  ASSERT_TRUE(WaitFor([&] { return sheet->StatusLine()->text() == QString("Testing FTP"); }, 5000))
      << (sheet->StatusLine()->text()).toStdString();
  ASSERT_TRUE(WaitFor([&] { return sheet->StartStopButton()->text() == QString("Stop"); }, 2000));
  // While the test runs this page stays usable; the others are disabled.
  EXPECT_TRUE(page->PingBox()->isEnabled());
  EXPECT_TRUE(page->ClearButton()->isEnabled());
  EXPECT_FALSE(parameters->HostBox()->isEnabled());
  QElapsedTimer stopping;
  stopping.start();
  sheet->OnStartStop();  // Stop
  ASSERT_TRUE(WaitFor([&] { return !page->ServiceTestRunning(); }, 10000));
  // Well before the 3 s bound of the connect it was waiting in.
  EXPECT_LT(stopping.elapsed(), 2500);
  ASSERT_TRUE(WaitFor([&] { return sheet->StartStopButton()->text() == QString("Start"); }, 5000))
      << (sheet->StartStopButton()->text()).toStdString();
  std::map<QString, ServiceState> expected;
  for (int row = 0; row < kServiceCount; ++row) expected[ServiceName(row)] = ServiceState::Untested;
  ExpectIndicators(expected);
  QString report = kReportHead;
  for (int row = 0; row < kServiceCount; ++row) report += ServiceName(row) + " : ?\n";
  EXPECT_EQ(page->Report(), report + kReportPing);
}

TEST_F(ReachabilityPageTest, ListKeepsTheNewest2500Lines) {
  Target("127.0.0.1");
  Enter(page->TimeBetweenEdit(), "0");
  page->PingBox()->setChecked(true);
  const uint32_t wanted = 2600;
  ASSERT_TRUE(WaitFor([&] { return page->PingLoop().Statistics().sent >= wanted; }, 30000));
  page->PingBox()->setChecked(false);
  QTest::qWait(100);
  page->RefreshHistory();

  const QStringList lines = ListLines();
  const PingStatistics stats = page->PingLoop().Statistics();
  ASSERT_EQ(lines.size(), 2500);
  EXPECT_EQ(lines.last().toStdString(), stats.line);
  // The first line kept is that of echo number sent - 2499.
  const QRegularExpression counts("\\( *(\\d+)/ *(\\d+) :");
  EXPECT_EQ(counts.match(lines.first()).captured(2).toUInt(), stats.sent - 2499);
  for (int i = 1; i < lines.size(); ++i) {
    if (counts.match(lines[i]).captured(2).toUInt() !=
        counts.match(lines[i - 1]).captured(2).toUInt() + 1) {
      ADD_FAILURE() << "line " << i
                    << " does not follow its predecessor: " << lines[i - 1].toStdString() << " / "
                    << lines[i].toStdString();
      break;
    }
  }
  std::vector<std::string> history = page->PingLoop().History().Lines();
  ASSERT_EQ(history.size(), 2500u);
  EXPECT_EQ(lines.first().toStdString(), history.front());
  // The newest line is in view.
  QScrollBar* bar = page->HistoryList()->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ReachabilityPageTest, ExitStopsThePingThreadWithoutWaitingItsInterval) {
  Target("127.0.0.1");
  Enter(page->TimeBetweenEdit(), "20000");
  page->PingBox()->setChecked(true);
  ASSERT_TRUE(WaitFor([&] { return ListLines().size() == 1; }, 5000));
  // The loop now waits 20 s for its next echo.
  QElapsedTimer exiting;
  exiting.start();
  sheet->OnExit();
  EXPECT_FALSE(page->PingLoop().Running());
  EXPECT_LT(exiting.elapsed(), 5000);
  EXPECT_FALSE(sheet->isVisible());
  sheet.reset();
}

}  // namespace
