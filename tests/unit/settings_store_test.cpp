// The settings store: types, defaults, nested sections, first-run values and
// damaged files.
#include "core/base/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/base/first_run.h"

using tesmo::CSettingsStore;

namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = CSettingsStore::FilePath();
    path = dir.filePath("tesmo/tesmo.ini");
    CSettingsStore::SetFilePath(path);
  }
  void TearDown() override { CSettingsStore::SetFilePath(previous); }
  QString FileText() const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  void WriteFile(const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  QTemporaryDir dir;
  QString path;
  QString previous;
};

TEST_F(SettingsStoreTest, MissingValuesYieldDefaultsAndWritesReadBack) {
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "TimeOut", 2000), 2000);
  EXPECT_EQ(CSettingsStore::ReadString("Snmp", "ReadCommunity", "meadow"), "meadow");
  EXPECT_TRUE(CSettingsStore::WriteInt("Snmp", "TimeOut", 1500));
  EXPECT_TRUE(CSettingsStore::WriteString("Snmp", "ReadCommunity", "a \"quoted\"\\ text\nline 2"));
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "TimeOut", 2000), 1500);
  EXPECT_EQ(CSettingsStore::ReadString("Snmp", "ReadCommunity", ""), "a \"quoted\"\\ text\nline 2");
  // Negative and full 32-bit values survive.
  EXPECT_TRUE(CSettingsStore::WriteInt("", "Neg", -7));
  EXPECT_EQ(CSettingsStore::ReadInt("", "Neg", 0), -7);
}

TEST_F(SettingsStoreTest, TypesAreKeptApart) {
  CSettingsStore::WriteString("Snmp", "Port", "161");
  CSettingsStore::WriteInt("Snmp", "ReadCommunity", 5);
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "Port", 99), 99);
  EXPECT_EQ(CSettingsStore::ReadString("Snmp", "ReadCommunity", "dflt"), "dflt");
  // An empty string is a stored value, not a missing one.
  CSettingsStore::WriteString("Parameters", "TelnetPath", "");
  EXPECT_EQ(CSettingsStore::ReadString("Parameters", "TelnetPath", "telnet"), "");
}

TEST_F(SettingsStoreTest, BackslashSectionsAreNestedAndApart) {
  CSettingsStore::WriteString("GenTable\\CustomTables\\0", "Name", "zero");
  CSettingsStore::WriteString("GenTable\\CustomTables\\1", "Name", "one");
  EXPECT_EQ(CSettingsStore::ReadString("GenTable\\CustomTables\\0", "Name", ""), "zero");
  EXPECT_EQ(CSettingsStore::ReadString("GenTable\\CustomTables\\1", "Name", ""), "one");
  EXPECT_EQ(CSettingsStore::ReadString("GenTable", "Name", "none"), "none");
  EXPECT_EQ(CSettingsStore::ReadString("", "Name", "none"), "none");
  EXPECT_TRUE(FileText().contains("[GenTable\\CustomTables\\1]"));
}

TEST_F(SettingsStoreTest, ReadingASectionCreatesItEmpty) {
  EXPECT_EQ(CSettingsStore::ReadInt("Interfaces", "AdminUpOnly", 0), 0);
  const QString text = FileText();
  EXPECT_TRUE(text.contains("[Interfaces]")) << text.toStdString();
  EXPECT_FALSE(text.contains("AdminUpOnly"));
  // The section survives a later write elsewhere.
  CSettingsStore::WriteInt("Snmp", "Port", 161);
  EXPECT_TRUE(FileText().contains("[Interfaces]"));
}

TEST_F(SettingsStoreTest, FirstRunWritesExactlyTheFirstRunValues) {
  tesmo::WriteStartupMarker();
  tesmo::WriteFirstRunDefaults();
  EXPECT_EQ(CSettingsStore::ReadString("", "FixedFontName", ""), "Lucida Console");
  EXPECT_EQ(CSettingsStore::ReadInt("", "FixedFontSize", 0), 10);
  EXPECT_EQ(CSettingsStore::ReadInt("Initialization", "OCX", 0), 1);
  const QString t = "GenTable\\CustomTables\\0";
  EXPECT_EQ(CSettingsStore::ReadString(t, "Name", ""), "ipNetToMediaTable (.1.3.6.1.2.1.4.22)");
  EXPECT_EQ(CSettingsStore::ReadString(t, "0", ""), ".1.3.6.1.2.1.4.22.1.1|Int.|4|6|0|3");
  EXPECT_EQ(CSettingsStore::ReadString(t, "1", ""), ".1.3.6.1.2.1.4.22.1.2|Phys. Address|12|0|0|5");
  EXPECT_EQ(CSettingsStore::ReadString(t, "2", ""), ".1.3.6.1.2.1.4.22.1.3|Net. Address|12|0|1|5");
  EXPECT_EQ(CSettingsStore::ReadString(t, "3", ""), ".1.3.6.1.2.1.4.22.1.4|Type|8|0|0|5");
  EXPECT_EQ(CSettingsStore::ReadString(t, "4", "end"), "end");
  EXPECT_EQ(FileText().toStdString(),
            "FixedFontName=\"Lucida Console\"\nFixedFontSize=10\n\n"
            "[GenTable\\CustomTables\\0]\n"
            "0=\".1.3.6.1.2.1.4.22.1.1|Int.|4|6|0|3\"\n"
            "1=\".1.3.6.1.2.1.4.22.1.2|Phys. Address|12|0|0|5\"\n"
            "2=\".1.3.6.1.2.1.4.22.1.3|Net. Address|12|0|1|5\"\n"
            "3=\".1.3.6.1.2.1.4.22.1.4|Type|8|0|0|5\"\n"
            "Name=\"ipNetToMediaTable (.1.3.6.1.2.1.4.22)\"\n\n"
            "[Initialization]\nOCX=1\n\n");
}

TEST_F(SettingsStoreTest, FirstRunKeepsWhatTheUserHas) {
  CSettingsStore::WriteString("", "FixedFontName", "DejaVu Sans Mono");
  CSettingsStore::WriteInt("", "FixedFontSize", 14);
  CSettingsStore::WriteString("GenTable\\CustomTables\\0", "Name", "mine");
  tesmo::WriteFirstRunDefaults();
  EXPECT_EQ(CSettingsStore::ReadString("", "FixedFontName", ""), "DejaVu Sans Mono");
  EXPECT_EQ(CSettingsStore::ReadInt("", "FixedFontSize", 0), 14);
  EXPECT_EQ(CSettingsStore::ReadString("GenTable\\CustomTables\\0", "0", "none"), "none");
}

TEST_F(SettingsStoreTest, DamagedFileReadsAsDefaults) {
  WriteFile(
      "\x01\x02garbage without equals\n"
      "[Snmp\n"
      "TimeOut=\"not a number\n"
      "[Snmp]\n"
      "TimeOut=12abc\n"
      "Retries=\"7\"\n"
      "Port=99999999999999\n"
      "ReadCommunity=unquoted\n"
      "WriteCommunity=\"bad escape \\q\"\n"
      "=nameless\n"
      "[Reachability]\n"
      "PingTTL=32\n");
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "TimeOut", 2000), 2000);
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "Retries", 3), 3);
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "Port", 161), 161);
  EXPECT_EQ(CSettingsStore::ReadString("Snmp", "ReadCommunity", "meadow"), "meadow");
  EXPECT_EQ(CSettingsStore::ReadString("Snmp", "WriteCommunity", "lantern"), "lantern");
  // What is intact still reads.
  EXPECT_EQ(CSettingsStore::ReadInt("Reachability", "PingTTL", 64), 32);
  // And the store can still be written.
  EXPECT_TRUE(CSettingsStore::WriteInt("Snmp", "TimeOut", 300));
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "TimeOut", 2000), 300);
}

TEST_F(SettingsStoreTest, UnwritableLocationFailsWritesAndReadsDefaults) {
  CSettingsStore::SetFilePath("/proc/tesmo-no-such-dir/tesmo.ini");
  EXPECT_FALSE(CSettingsStore::WriteInt("Snmp", "Port", 1));
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "Port", 161), 161);
}

}  // namespace

#include "core/base/host_history.h"

namespace {

using tesmo::CHostHistory;

TEST_F(SettingsStoreTest, HistoryShowsOnlyLruNumberEntries) {
  for (int i = 0; i < 10; ++i)
    CSettingsStore::WriteString("LRU", QString::number(i), QString("h%1").arg(i));
  CSettingsStore::WriteInt("LRU", "number", 3);
  EXPECT_EQ(CHostHistory::Load(), QStringList({"h0", "h1", "h2"}));
  // Saving three entries leaves the values beyond them as they were.
  CHostHistory::Save({"a", "b", "c", "d"});
  EXPECT_EQ(CSettingsStore::ReadString("LRU", "2", ""), "c");
  EXPECT_EQ(CSettingsStore::ReadString("LRU", "3", ""), "h3");
  // Empty stored entries are skipped.
  CSettingsStore::WriteString("LRU", "1", "");
  EXPECT_EQ(CHostHistory::Load(), QStringList({"a", "c"}));
}

TEST(HostHistory, TouchMovesToTopAndDropsBeyondCapacity) {
  struct Case {
    QStringList before;
    QString host;
    int capacity;
    QStringList after;
  } cases[] = {
      {{}, "a", 10, {"a"}},
      {{"a", "b", "c"}, "c", 10, {"c", "a", "b"}},
      {{"a", "B", "c"}, "b", 10, {"b", "a", "c"}},  // equal ignoring case: replaced
      {{"a", "b", "c"}, "d", 3, {"d", "a", "b"}},
  };
  for (Case& c : cases) {
    QStringList list = c.before;
    CHostHistory::Touch(list, c.host, c.capacity);
    EXPECT_EQ(list, c.after) << c.before.join(',').toStdString() << " + " << c.host.toStdString();
  }
}

}  // namespace
