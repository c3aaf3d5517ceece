// The NSLookup page offscreen in the lab namespace, whose resolv.conf names
// 127.0.0.1: settings reaching the resolver and the name service, the
// Resolver section through the window's settings commands, Lookup and List
// through the window into the result list and the report (at the lab's
// second named, lab.d/dnszone.up), Stop and the query that waits behind a
// running one (against a silent name server), and --batch NAME dns.
#include "ui/nslookup/nslookup_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/net/name_cache.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "support/batch_run.h"
#include "support/dns_lab.h"
#include "support/fake_name_server.h"
#include "support/tool_pages.h"
#include "ui/app/main_sheet.h"
#include "ui/widgets/number_edit.h"
#include "wait.h"

using namespace tesmo;

namespace {

class NsLookupPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSettingsStore::SetFilePath(settingsDir.filePath("tesmo/tesmo.ini"));
    InputMessage = [this](QWidget*, const QString& text) { messages << text; };
    sheet = std::make_unique<CMainSheet>();
    sheet->Initialize(workDir.path());
    sheet->show();
    sheet->SetActivePage(PageIndex("dns"));
    page = static_cast<CNsLookupPage*>(sheet->Page(PageIndex("dns")));
  }
  void TearDown() override {
    RequestStop();
    EXPECT_EVENTUALLY_TRUE(!page->QueryRunning());
    sheet->OnExit();
    sheet.reset();
  }

  template <typename T = QWidget>
  T* Control(int controlId) const {
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (w->property("controlId").toInt() == controlId) return qobject_cast<T*>(w);
    }
    return nullptr;
  }
  // Writes text into an edit and leaves it, as a change of focus does.
  void Enter(int controlId, const QString& text) {
    auto* edit = Control<QLineEdit>(controlId);
    edit->setText(text);
    emit edit->editingFinished();
  }
  QStringList ListLines() const {
    QStringList lines;
    QAbstractItemModel* model = page->ResultList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
      lines << model->index(row, 0).data().toString();
    return lines;
  }
  // Presses Lookup or List and waits for the query to end.
  void Run(int buttonId) {
    Control<QPushButton>(buttonId)->click();
    EXPECT_EVENTUALLY_TRUE(!page->QueryRunning());
    EXPECT_EVENTUALLY_EQ(sheet->StartStopButton()->text(), QString("Start"));
  }

  QTemporaryDir settingsDir, workDir;
  std::unique_ptr<CMainSheet> sheet;
  CNsLookupPage* page = nullptr;
  QStringList messages;
};

constexpr int kDns = 1054, kSearch = 1044, kTimeout = 1056, kRetries = 1058, kHostFile = 1070,
              kCache = 1068, kCacheTimeout = 1060, kName = 1043, kLookup = 2041, kList = 2042;

TEST_F(NsLookupPageTest, EditsReachTheResolverAndTheSettingsCommandsOwnTheSection) {
  // Loaded at start from the namespace's resolv.conf, nothing being stored.
  EXPECT_EQ(Control<QLineEdit>(kDns)->text(), "127.0.0.1");
  EXPECT_EQ(CurrentResolverConfig().servers, std::vector<IpAddress>{IpAddress::V4(0x7F000001)});

  NameCache.forward["cached.example"] = {"10.9.9.9", NameCacheTick()};
  Enter(kDns, "127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8");
  EXPECT_EQ(CurrentResolverConfig().servers,
            (std::vector<IpAddress>{IpAddress::V4(0x7F000005), IpAddress::V4(0x7F000006),
                                    IpAddress::V4(0x7F000007)}));
  EXPECT_TRUE(NameCache.forward.empty()) << "a new server list drops the cached answers";
  Enter(kSearch, "sa.test sb.test");
  Enter(kSearch, "");
  EXPECT_EQ(CurrentResolverConfig().searchList, (std::vector<std::string>{"sa.test", "sb.test"}));
  Enter(kTimeout, "5");
  Enter(kRetries, "many");
  EXPECT_EQ(messages, QStringList{"Please enter a positive integer."});
  EXPECT_EQ(Control<QLineEdit>(kRetries)->text(), "2");
  EXPECT_EQ(CurrentResolverConfig().timeout, 5u);
  EXPECT_EQ(CurrentResolverConfig().retries, 2u);
  Control<QCheckBox>(kCache)->click();
  Control<QCheckBox>(kHostFile)->click();
  Enter(kCacheTimeout, "30");
  Control<QRadioButton>(1065)->click();
  EXPECT_EQ(bDnsUseCache.load(), 0);
  EXPECT_EQ(bDnsUseHostfile.load(), 0);
  EXPECT_EQ(DnsCacheTimeout.load(), 30u);
  EXPECT_EQ(UseFastResolver.load(), 0);

  // "Set as default" writes the section, "Factory settings" shows and applies
  // the built-in values without writing, "Load default" brings back the stored.
  sheet->SaveAllSettings();
  EXPECT_EQ(CSettingsStore::ReadString("Resolver", "DnsAddressList", "?"),
            "127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8");
  EXPECT_EQ(CSettingsStore::ReadInt("Resolver", "UseFastResolver", -1), 0);
  sheet->FactoryAllSettings();
  EXPECT_EQ(Control<QLineEdit>(kTimeout)->text(), "2");
  EXPECT_EQ(CurrentResolverConfig().servers, std::vector<IpAddress>{IpAddress::V4(0x7F000001)});
  EXPECT_EQ(UseFastResolver.load(), 1);
  EXPECT_EQ(CSettingsStore::ReadInt("Resolver", "DnsTimeout", -1), 5);
  sheet->LoadAllSettings();
  EXPECT_EQ(CurrentResolverConfig().timeout, 5u);
  EXPECT_EQ(bDnsUseCache.load(), 0);
  EXPECT_FALSE(Control<QRadioButton>(1062)->isChecked());
  EXPECT_EQ(page->Settings().dnsList, "127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8");
}

TEST_F(NsLookupPageTest, LookupAndListFillTheListAndTheReport) {
  ASSERT_NE(test::DnsLabPort(), 0);
  page->Engine().SetServerPort(test::DnsLabPort());
  Control<QCheckBox>(kCache)->click();  // the report tells the cache state
  Run(kLookup);                         // no name: nothing happens
  EXPECT_TRUE(ListLines().isEmpty());

  Enter(kName, "mail.dns.test");
  sheet->OnStartStop();  // Start on this page is a Lookup
  const QStringList lookup = {"Server:  ns1.dns.test",  "Address:  127.0.0.1",  "",
                              "Name:    mail.dns.test", "Address:  10.53.0.25", ""};
  EXPECT_EVENTUALLY_EQ(ListLines(), lookup);
  EXPECT_EQ(page->Report(),
            "DNS parameters\n--------------\nTimeout : 2 s\nRetries : 2\n"
            "DNS : '127.0.0.1'\nSearchList : ''\n"
            "Cache : no (cache timeout : 600 s)\nHostFile : yes\n"
            "QueryType : 'A'\nQueryClass : 'IN'\n\nQuery result\n------------\n" +
                lookup.join('\n') + '\n');

  Enter(kName, "dns.test");
  Control<QComboBox>(2051)->setCurrentText("MX");
  Run(kList);
  EXPECT_EVENTUALLY_EQ(
      ListLines(),
      (QStringList{"[ns1.dns.test]", " dns.test.                      10   mail.dns.test",
                   " mx-only                        5    mail.dns.test",
                   "Received 1 answer (47 records)."}));
}

// An IPv6 server typed into the DNS field is asked; the AAAA box adds a
// name's IPv6 addresses to a type-A lookup, and leaves it as it was unchecked.
TEST_F(NsLookupPageTest, Ipv6ServerAndAaaaAddresses) {
  ASSERT_NE(test::DnsLabPort(), 0);
  page->Engine().SetServerPort(test::DnsLabPort());
  Enter(kDns, "2001:db8:53::1");
  Enter(kName, "dual.v6.test");
  const QStringList block = {"Server:  ns1.v6.test", "Address:  2001:db8:53::1", "",
                             "Name:    dual.v6.test", "Address:  10.53.6.1"};
  Run(kLookup);
  const QStringList ipv4Only = block + QStringList{""};
  EXPECT_EVENTUALLY_EQ(ListLines(), ipv4Only);
  Control<QCheckBox>(2047)->click();
  Run(kLookup);
  const QStringList both =
      block + QStringList{"IPv6 Addresses:  2001:db8:53::61, 2001:db8:53:0:1::62", ""};
  EXPECT_EVENTUALLY_EQ(ListLines(), both);
}

// Stop ends a query that waits on a silent server, and the query pressed
// behind it does not start; without a Stop it starts once the first is done,
// on a list of its own.
TEST_F(NsLookupPageTest, StopAndTheQueryWaitingBehind) {
  test::CFakeNameServer silent(test::CFakeNameServer::Mode::kSilent);
  ASSERT_TRUE(silent.Ok());
  page->Engine().SetServerPort(silent.Port());
  Enter(kName, "mail.dns.test");
  Enter(kTimeout, "60");
  Enter(kRetries, "1");
  auto* lookup = Control<QPushButton>(kLookup);
  lookup->click();
  EXPECT_EVENTUALLY_EQ(silent.Requests(), 1);
  lookup->click();
  using Clock = std::chrono::steady_clock;
  const auto stopped = Clock::now();
  sheet->OnStartStop();
  EXPECT_EVENTUALLY_TRUE(!page->QueryRunning());
  EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(2)) << "the wait alone is 60 s";
  QTest::qWait(300);
  EXPECT_FALSE(page->QueryRunning());
  EXPECT_EQ(silent.Requests(), 1);

  // Two attempts of 1 s each: the server's name and the lookup.
  Enter(kTimeout, "1");
  lookup->click();
  EXPECT_EVENTUALLY_TRUE(page->QueryRunning());
  lookup->click();
  EXPECT_EVENTUALLY_EQ(silent.Requests(), 4);
  EXPECT_EVENTUALLY_TRUE(!page->QueryRunning());
  EXPECT_EQ(
      ListLines(),
      (QStringList{"*** Can't find server name for address 127.0.0.1: No response from server",
                   "Server:  127.0.0.1", "",
                   "*** 127.0.0.1 can't find mail.dns.test: No response from server"}));
}

}  // namespace

// --batch NAME dns: NAME is never resolved first; the options reach the
// query; a bad type is a usage error.
TEST(NsLookupBatch, PrintsTheListLinesWithTheExitCode) {
  const QString port = QString::number(test::DnsLabPort());
  const struct {
    QStringList args;
    int exitCode;
    QString output;
  } cases[] = {
      {{"nothere.dns.test", "dns", "--type", "mx", "--server", "127.0.0.1", "--port", port},
       2,
       "Server:  ns1.dns.test\nAddress:  127.0.0.1\n\n"
       "*** ns1.dns.test can't find nothere.dns.test: Non-existent host/domain\n"},
      {{"dns.test", "dns", "--list", "--type", "CNAME", "--class", "in", "--port", port},
       0,
       "[ns1.dns.test]\n www                            mail.dns.test\n"
       "Received 1 answer (47 records).\n"},
      {{"dns.test", "dns", "--type", "BOGUS"}, 64, ""},
  };
  QTemporaryDir settings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const BatchRun run = RunBatch(QStringList{"--batch"} + c.args, settings.path());
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_EQ(run.out, c.output);
  }
}
