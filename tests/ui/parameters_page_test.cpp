// The Parameters page offscreen against the lab's snmpd, and the batch front
// door of the same job.
#include "ui/system/parameters_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "support/batch_run.h"
#include "support/job_wait.h"
#include "support/lab_agents.h"
#include "support/tool_pages.h"
#include "ui/app/main_sheet.h"
#include "ui/app/target.h"
#include "ui/widgets/number_edit.h"
#include "wait.h"

using namespace tesmo;

namespace {

// A second agent of our own whose community "narrow" sees only the system
// group, so a GET that includes ifNumber.0 is answered with noSuchName.
class NarrowAgent {
 public:
  NarrowAgent() {
    port = QString::number(QString::number(LabSnmpPort()).toInt() + 7);
    QFile conf(dir.filePath("snmpd.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(
        "view systemonly included .1.3.6.1.2.1.1\n"
        "rocommunity narrow default -V systemonly\n"
        "sysName tesmo-narrow-agent\n");
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SNMP_PERSISTENT_DIR", dir.path());
    agent.setProcessEnvironment(env);
    agent.start("snmpd", {"-f", "-Lf", dir.filePath("snmpd.log"), "-C", "-c",
                          dir.filePath("snmpd.conf"), "-I", "-smux", "udp:127.0.0.1:" + port});
    for (int i = 0; i < 50; ++i) {
      QProcess probe;
      probe.start("snmpget", {"-v1", "-c", "narrow", "-t", "0.2", "-r", "0", "127.0.0.1:" + port,
                              ".1.3.6.1.2.1.1.5.0"});
      probe.waitForFinished(5000);
      if (probe.exitCode() == 0) break;
      QTest::qWait(100);
    }
  }
  ~NarrowAgent() {
    agent.terminate();
    agent.waitForFinished(5000);
  }
  QString port;

 private:
  QTemporaryDir dir;
  QProcess agent;
};

class ParametersPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    CSettingsStore::WriteInt("Snmp", "Port", QString::number(LabSnmpPort()).toInt());
    CSettingsStore::WriteInt("Snmp", "TimeOut", 300);
    CSettingsStore::WriteInt("Snmp", "Retries", 1);
    Open();
  }
  void TearDown() override { Close(); }
  void Open() {
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
    page = static_cast<CParametersPage*>(sheet->Page(PageIndex("system")));
  }
  void Close() {
    if (sheet) sheet->OnExit();
    sheet.reset();
    page = nullptr;
  }
  void TypeHost(const QString& host) {
    page->HostBox()->lineEdit()->selectAll();
    QTest::keyClicks(page->HostBox()->lineEdit(), host);
  }
  void StartAndWait() {
    page->StartJob();
    WaitForJobs();
  }
  QString Field(int controlId) const {
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (w->property("controlId").toInt() != controlId) continue;
      if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
      if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return t->toPlainText();
    }
    return "?";
  }
  QTemporaryDir settingsDir, workDir;
  std::unique_ptr<CMainSheet> sheet;
  CParametersPage* page = nullptr;
};

TEST_F(ParametersPageTest, StartFillsTheSystemGroup) {
  TypeHost("127.0.0.1");
  StartAndWait();
  EXPECT_EQ(sheet->StatusLine()->text(), "SysInfo variables OK");
  EXPECT_EQ(sheet->windowTitle(), "Tesmo [127.0.0.1]");
  EXPECT_EQ(Field(1021), "127.0.0.1");
  EXPECT_EQ(Field(1025), "Tesmo lab agent");
  EXPECT_EQ(Field(1034), "tesmo-lab-agent");
  EXPECT_EQ(Field(1031), "Tesmo lab, rack 1");
  EXPECT_EQ(Field(1052), "72");
  EXPECT_TRUE(
      QRegularExpression("^\\d+:\\d+:\\d\\d:\\d\\d\\.\\d\\d$").match(Field(1028)).hasMatch())
      << Field(1028).toStdString();
  EXPECT_FALSE(Field(1039).isEmpty());
  EXPECT_NE(Field(1039), "<none>");
  EXPECT_GE(Field(1045).toInt(), 1);
  EXPECT_EQ(page->History().value(0), "127.0.0.1");
}

TEST_F(ParametersPageTest, AnObjectTheAgentLacksReadsNotAvailable) {
  // The "narrow" community sees the system group only, and this stock agent
  // has no sysServices: it answers the GET of all eight with noSuchName for
  // one of them, then for the other; the six it has still show.
  NarrowAgent narrow;
  for (QLineEdit* e : page->findChildren<QLineEdit*>()) {
    if (e->property("controlId").toInt() == 1037) e->setText("narrow");
    if (e->property("controlId").toInt() == 1126) e->setText(narrow.port);
  }
  TypeHost("127.0.0.1");
  StartAndWait();
  EXPECT_EQ(sheet->StatusLine()->text(), "SysInfo variables OK");
  EXPECT_EQ(Field(1034), "tesmo-narrow-agent");
  EXPECT_EQ(Field(1045), "## NA ##");
  EXPECT_EQ(Field(1052), "## NA ##");
  EXPECT_EQ(sheet->StartStopButton()->text(), "Start");
}

TEST_F(ParametersPageTest, ShortAddressFormKeepsTheTypedTitle) {
  TypeHost("127.1");
  StartAndWait();
  EXPECT_EQ(Field(1021), "127.0.0.1");
  EXPECT_EQ(sheet->windowTitle(), "Tesmo [127.1]");
}

TEST_F(ParametersPageTest, UnresolvableNameStartsNoJob) {
  TypeHost("no-such-host.invalid");
  StartAndWait();
  EXPECT_EQ(Field(1021), "<none>");
  EXPECT_EQ(Field(1023), "<cannot resolve name>");
  EXPECT_EQ(sheet->StatusLine()->text(), "Cannot resolve name");
  EXPECT_EQ(sheet->windowTitle(), "Tesmo");
  EXPECT_EQ(Field(1034), "<none>");
  EXPECT_TRUE(page->History().isEmpty());
}

TEST_F(ParametersPageTest, EditingTheHostResetsEveryPage) {
  TypeHost("127.0.0.1");
  StartAndWait();
  ASSERT_EQ(Field(1034), "tesmo-lab-agent");
  TypeHost("127.0.0.2");
  EXPECT_TRUE(sheet->Target()->NeedsResolve());
  EXPECT_FALSE(sheet->Target()->Valid());
  for (int id : {1021, 1023, 1034, 1033, 1031, 1025, 1039, 1028, 1045, 1052}) {
    EXPECT_EQ(Field(id), "<none>") << id;
  }
  EXPECT_EQ(sheet->StatusLine()->text(), "Ready");
}

TEST_F(ParametersPageTest, HistoryKeepsTheNewestAndSurvivesARestart) {
  CSettingsStore::WriteInt("Snmp", "TimeOut", 50);
  CSettingsStore::WriteInt("Snmp", "Retries", 0);
  sheet->LoadAllSettings();
  // Addresses of the loopback range: resolved without any lookup; only
  // 127.0.0.1 has an agent, the others simply time out.
  for (int i = 1; i <= 11; ++i) {
    TypeHost(QString("127.0.0.%1").arg(i));
    StartAndWait();
  }
  QStringList expected;
  for (int i = 11; i >= 2; --i) expected << QString("127.0.0.%1").arg(i);
  EXPECT_EQ(page->History(), expected);
  TypeHost("127.0.0.5");
  StartAndWait();
  EXPECT_EQ(page->History().value(0), "127.0.0.5");
  EXPECT_EQ(page->History().size(), 10);
  EXPECT_EQ(page->History().count("127.0.0.5"), 1);
  const QStringList before = page->History();
  Close();
  Open();
  EXPECT_EQ(page->History(), before);
  EXPECT_EQ(page->HostBox()->count(), 10);
  EXPECT_EQ(page->HostBox()->currentText(), "");
}

TEST_F(ParametersPageTest, FactorySettingsWriteNothing) {
  CSettingsStore::WriteString("Snmp", "ReadCommunity", "stored-community");
  sheet->LoadAllSettings();
  EXPECT_EQ(page->Data().readCommunity, "stored-community");
  sheet->FactoryAllSettings();
  EXPECT_EQ(page->Data().readCommunity, "meadow");
  EXPECT_EQ(page->Data().port, 161u);
  Close();
  Open();
  EXPECT_EQ(page->Data().readCommunity, "stored-community");
  EXPECT_EQ(page->Data().port, QString::number(LabSnmpPort()).toUInt());
}

TEST_F(ParametersPageTest, SetAsDefaultWritesTheFields) {
  page->TimeoutEdit()->setText("1234");
  sheet->SaveAllSettings();
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "TimeOut", 0), 1234);
  EXPECT_EQ(CSettingsStore::ReadInt("LRU", "number", 0), 10);
  EXPECT_EQ(CSettingsStore::ReadString("Parameters", "TelnetPath", ""), "telnet");
}

TEST_F(ParametersPageTest, BadNumbersAreRefusedAndTheValueKept) {
  struct Case {
    int controlId;
    const char* typed;
    const char* shownAfter;
    const char* section;
    const char* value;
    int stored;
    int messages;
  };
  const int port = QString::number(LabSnmpPort()).toInt();
  const Case cases[] = {
      {1047, "12x", "300", "Snmp", "TimeOut", 300, 1},
      {1126, "70000", "", "Snmp", "Port", port, 1},  // beyond the last UDP port
      {1126, "0", "", "Snmp", "Port", port, 1},
      {1047, "0", "1", "Snmp", "TimeOut", 1, 0},  // no time-out is shorter than 1 ms
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    QStringList messages;
    auto saved = InputMessage;
    InputMessage = [&](QWidget*, const QString& text) { messages << text; };
    QLineEdit* edit = nullptr;
    for (QLineEdit* e : page->findChildren<QLineEdit*>()) {
      if (e->property("controlId").toInt() == c.controlId) edit = e;
    }
    ASSERT_NE(edit, nullptr);
    edit->setText(c.typed);
    sheet->SaveAllSettings();
    InputMessage = saved;
    ASSERT_EQ(messages.size(), c.messages);
    if (c.messages > 0) {
      EXPECT_EQ(messages[0], "Please enter a positive integer.");
    }
    const QString shown = *c.shownAfter != 0 ? c.shownAfter : QString::number(port);
    EXPECT_EQ(edit->text(), shown);
    EXPECT_EQ(CSettingsStore::ReadInt(c.section, c.value, -1), c.stored);
  }
  // A stored port out of range reads as the default.
  CSettingsStore::WriteInt("Snmp", "Port", 70000);
  sheet->LoadAllSettings();
  EXPECT_EQ(page->Data().port, 161u);
}

QString ExpectedReport(const QString& hostText) {
  return "General parameters\n------------------\n"
         "Host Name : " +
         hostText +
         "\n"
         "IP address : 127.0.0.1\n"
         "DNS Host Name : " +
         QString("%1") +
         "\n"
         "Read Community : meadow\n"
         "Write Community : lantern\n"
         "SNMP port : " +
         QString::number(LabSnmpPort()) +
         "\n"
         "SNMP timeout : 300\n"
         "SNMP retries : 1\n"
         "System Description\n------------------\n"
         "SysName : tesmo-lab-agent\n"
         "SysDescr : 'Tesmo lab agent'\n"
         "SysContact : %2\n"
         "SysLocation : Tesmo lab, rack 1\n"
         "SysObjectID : %3\n"
         "SysServices : 72\n"
         "SysUpTime : %4\n"
         "IfNumber : %5\n";
}

TEST_F(ParametersPageTest, CopyReportMatchesTheFieldsByteForByte) {
  TypeHost("127.0.0.1");
  StartAndWait();
  ASSERT_EQ(sheet->StatusLine()->text(), "SysInfo variables OK");
  const QString expected = ExpectedReport("127.0.0.1")
                               .arg(Field(1023), SnmpGetValue(".1.3.6.1.2.1.1.4.0"), Field(1039),
                                    Field(1028), SnmpGetValue(".1.3.6.1.2.1.2.1.0"));
  EXPECT_EQ(page->Report().toStdString(), expected.toStdString());
}

TEST_F(ParametersPageTest, CommandLineHostAndPageRunTheSystemQuery) {
  sheet->HandleCommandLine({"127.0.0.1", "system"});
  EXPECT_EVENTUALLY_EQ(Field(1034), QString("tesmo-lab-agent"));
  EXPECT_EQ(page->HostBox()->currentText(), "127.0.0.1");
  EXPECT_EQ(sheet->Tabs()->currentIndex(), PageIndex("system"));
  EXPECT_EQ(sheet->windowTitle(), "Tesmo [127.0.0.1]");
}

TEST_F(ParametersPageTest, CommandLineWithAnUnknownPageOnlyKeepsTheHost) {
  sheet->HandleCommandLine({"127.0.0.1", "nosuchpage"});
  QTest::qWait(50);
  EXPECT_EQ(sheet->TargetHost(), "127.0.0.1");
  EXPECT_EQ(page->HostBox()->currentText(), "");
  EXPECT_EQ(Field(1034), "<none>");
}

TEST_F(ParametersPageTest, GridSelectGetSystemRunsOnTheClickedAddress) {
  sheet->OnGridSelectCommand(SelectCommandOf("system"), "127.0.0.1");
  WaitForJobs();
  EXPECT_EQ(Field(1034), "tesmo-lab-agent");
  EXPECT_EQ(page->HostBox()->currentText(), "127.0.0.1");
  // An empty cell selects nothing.
  sheet->OnGridSelectCommand(SelectCommandOf("interfaces"), "", true);
  EXPECT_EQ(sheet->Tabs()->currentIndex(), PageIndex("system"));
}

// An IPv6 address from each door (typed, the command line, a grid's Select)
// reaches the agent over UDP/IPv6 and shows in its RFC 5952 form in the host
// box, the address field and the history.
TEST_F(ParametersPageTest, Ipv6AddressesFromEveryDoorShowTheirRfc5952Form) {
  const struct {
    const char* door;
    const char* host;
  } rows[] = {{"typed", "[0:0::1]"}, {"command line", "0::0:1"}, {"select", "0:0:0:0:0:0:0:1"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.door);
    const QString host = QString::fromLatin1(row.host);
    if (QLatin1String(row.door) == QLatin1String("typed")) {
      TypeHost(host);
      StartAndWait();
    } else if (QLatin1String(row.door) == QLatin1String("command line")) {
      sheet->HandleCommandLine({host, "system"});
      EXPECT_EVENTUALLY_EQ(Field(1021), QString("::1"));
      WaitForJobs();
    } else {
      sheet->OnGridSelectCommand(SelectCommandOf("system"), host);
      WaitForJobs();
    }
    EXPECT_EQ(Field(1021), "::1");
    EXPECT_EQ(Field(1034), "tesmo-lab-agent");
    EXPECT_EQ(page->HostBox()->currentText(), "::1");
    EXPECT_EQ(page->History().value(0), "::1");
    EXPECT_EQ(page->History().count("::1"), 1);
  }
}

// The address family chooser picks one address of a name with both; its
// choice is stored beside the other target settings.
TEST_F(ParametersPageTest, TheFamilyChoiceForcesOneAddressOfADualName) {
  const struct {
    const char* family;
    const char* address;
  } rows[] = {{"IPv6", "::1"}, {"IPv4", "127.0.0.1"}, {"either", "127.0.0.1"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.family);
    page->FamilyBox()->setCurrentText(QString::fromLatin1(row.family));
    TypeHost("lab-dual");
    StartAndWait();
    EXPECT_EQ(Field(1021), row.address);
    EXPECT_EQ(Field(1034), "tesmo-lab-agent");
  }
  page->FamilyBox()->setCurrentText("IPv6");
  page->SaveSettings();
  EXPECT_EQ(CSettingsStore::ReadString("Snmp", "AddressFamily", ""), "IPv6");
  page->FamilyBox()->setCurrentText("either");
  page->LoadSettings();
  EXPECT_EQ(page->FamilyBox()->currentText(), "IPv6");
}

TEST_F(ParametersPageTest, MiddleButtonSelectStartsANewInstanceAndLeavesThisOne) {
  QStringList started;
  QPoint offset;
  auto saved = CMainSheet::startInstance;
  CMainSheet::startInstance = [&](const QString&, const QStringList& arguments,
                                  const QPoint& position) {
    offset = position - sheet->pos();
    started = arguments;
    return true;
  };
  const int getArp = SelectCommandOf("arptable");
  sheet->OnGridSelectCommand(getArp, "127.0.0.1", true);
  EXPECT_EQ(started, QStringList({"127.0.0.1", "arptable"}));
  EXPECT_GT(offset.x(), 0);  // beside this window, not on top of it
  EXPECT_GT(offset.y(), 0);
  // A zero-padded address from a grid goes on in its canonical form, and a
  // cell text that would be an option goes nowhere.
  started.clear();
  sheet->OnGridSelectCommand(getArp, "127.000.000.001", true);
  EXPECT_EQ(started, QStringList({"127.0.0.1", "arptable"}));
  started.clear();
  sheet->OnGridSelectCommand(getArp, "-n/tmp/x", true);
  EXPECT_TRUE(started.isEmpty());
  EXPECT_TRUE(sheet->StatusLine()->text().contains("is no host name"));
  CMainSheet::startInstance = saved;
  EXPECT_EQ(page->HostBox()->currentText(), "");
  EXPECT_EQ(Field(1034), "<none>");
}

// While a job runs a Select command that would use this window says why
// nothing happens; one that opens a new window goes ahead.
TEST_F(ParametersPageTest, SelectDuringAJob) {
  QStringList started;
  auto saved = CMainSheet::startInstance;
  CMainSheet::startInstance = [&](const QString&, const QStringList& arguments, const QPoint&) {
    started = arguments;
    return true;
  };
  BeginJob();
  sheet->OnGridSelectCommand(SelectCommandOf("arptable"), "127.0.0.1", false);
  EXPECT_TRUE(sheet->StatusLine()->text().startsWith("A job is running: press Stop first"));
  EXPECT_TRUE(started.isEmpty());
  sheet->OnGridSelectCommand(SelectCommandOf("arptable"), "127.0.0.1", true);
  EXPECT_EQ(started, QStringList({"127.0.0.1", "arptable"}));
  EndJob();
  CMainSheet::startInstance = saved;
  EXPECT_EQ(page->HostBox()->currentText(), "");
}

// --batch runs the same job without a window.

TEST(Batch, SystemReportAndExitCodes) {
  QTemporaryDir settings;
  const BatchRun ok =
      RunBatch({"--batch", "127.0.0.1", "system", "--port", QString::number(LabSnmpPort()),
                "--timeout", "300", "--retries", "1"},
               settings.path());
  EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
  EXPECT_TRUE(ok.out.startsWith("General parameters\n------------------\nHost Name : 127.0.0.1\n"))
      << ok.out.toStdString();
  EXPECT_TRUE(ok.out.contains("SysName : tesmo-lab-agent\n"));
  EXPECT_TRUE(ok.out.contains("SNMP port : " + QString::number(LabSnmpPort()) + "\n"));
  EXPECT_TRUE(ok.err.contains("SysInfo variables OK"));
  // A time-out of 0 is used, and reported, as 1 ms.
  const BatchRun zero =
      RunBatch({"--batch", "127.0.0.1", "system", "--port", QString::number(LabSnmpPort()),
                "--timeout", "0", "--retries", "20"},
               settings.path());
  // (A loaded machine may miss 1 ms: then the run says so, with no report.)
  if (zero.exitCode == 0) {
    EXPECT_TRUE(zero.out.contains("SNMP timeout : 1\n")) << zero.out.toStdString();
  } else {
    EXPECT_TRUE(zero.err.contains("No SNMP Response")) << zero.err.toStdString();
  }
  // A batch run writes no settings at all, not even the sections it read.
  EXPECT_FALSE(QFile::exists(settings.filePath("tesmo/tesmo.ini")));

  const BatchRun dead = RunBatch(
      {"--batch", "127.0.0.1", "system", "--port", "9", "--timeout", "100", "--retries", "0"},
      settings.path());
  EXPECT_EQ(dead.exitCode, 2);
  EXPECT_TRUE(dead.err.contains("No SNMP Response from 127.0.0.1")) << dead.err.toStdString();

  const BatchRun badCommunity =
      RunBatch({"--batch", "127.0.0.1", "system", "--port", QString::number(LabSnmpPort()),
                "--community", "wrong", "--timeout", "100", "--retries", "0"},
               settings.path());
  EXPECT_EQ(badCommunity.exitCode, 2);

  NarrowAgent narrow;
  const BatchRun errorAnswer = RunBatch({"--batch", "127.0.0.1", "system", "--port", narrow.port,
                                         "--community", "narrow", "--timeout", "300"},
                                        settings.path());
  // The objects this stock agent lacks read "## NA ##"; the rest is its answer.
  EXPECT_EQ(errorAnswer.exitCode, 0) << errorAnswer.err.toStdString();
  EXPECT_TRUE(errorAnswer.out.contains("SysServices : ## NA ##\n"))
      << errorAnswer.out.toStdString();
  EXPECT_TRUE(errorAnswer.out.contains("SysName : tesmo-narrow-agent\n"));

  const BatchRun unresolved =
      RunBatch({"--batch", "no-such-host.invalid", "system"}, settings.path());
  EXPECT_EQ(unresolved.exitCode, 1);
  EXPECT_TRUE(unresolved.err.contains("Cannot resolve name"));

  for (const QStringList& bad :
       {QStringList{"--batch", "127.0.0.1", "nosuchpage"}, QStringList{"--batch", "127.0.0.1"},
        QStringList{"--batch", "127.0.0.1", "system", "--port", "x"},
        QStringList{"--batch", "127.0.0.1", "system", "--bogus", "1"}}) {
    const BatchRun r = RunBatch(bad, settings.path());
    EXPECT_EQ(r.exitCode, 64) << bad.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains("usage: tesmo")) << bad.join(' ').toStdString();
  }
  const BatchRun help = RunBatch({"--help"}, settings.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("page: system"));
}

}  // namespace
