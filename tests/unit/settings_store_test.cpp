// The settings store: types, defaults, nested sections, first-run values and
// damaged files.
#include "core/base/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "core/base/first_run.h"
#include "core/base/host_history.h"

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
  // Values go where they were written: the top level first, sections in the
  // order they were opened.
  EXPECT_EQ(FileText().toStdString(),
            "FixedFontName=\"Lucida Console\"\nFixedFontSize=10\n\n"
            "[Initialization]\nOCX=1\n\n"
            "[GenTable\\CustomTables\\0]\n"
            "Name=\"ipNetToMediaTable (.1.3.6.1.2.1.4.22)\"\n"
            "0=\".1.3.6.1.2.1.4.22.1.1|Int.|4|6|0|3\"\n"
            "1=\".1.3.6.1.2.1.4.22.1.2|Phys. Address|12|0|0|5\"\n"
            "2=\".1.3.6.1.2.1.4.22.1.3|Net. Address|12|0|1|5\"\n"
            "3=\".1.3.6.1.2.1.4.22.1.4|Type|8|0|0|5\"\n");
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

// A hand-edited or damaged file: every value reads as well as it can, and a
// write changes the one line of its value (or adds one) and nothing else.
TEST_F(SettingsStoreTest, AWriteKeepsEveryOtherLineOfAnyFile) {
  struct Read {
    const char* section;
    const char* value;
    const char* text;  // string read, or null for the number below
    uint32_t number;
  };
  struct Case {
    const char* name;
    QByteArray file;
    std::vector<Read> reads;
    const char* section;  // then this value is written
    const char* value;
    QByteArray after;  // the whole file afterwards
  };
  const Case cases[] = {
      {"comments, junk and unquoted text",
       "; written by hand\n\x01garbage\n[Snmp]\n# community below\nReadCommunity=public\n"
       "Mask=0x20\nRatio=1.5\nTimeOut=3000000000\nBig=99999999999999\n=nameless\n",
       {{"Snmp", "ReadCommunity", "public", 0},
        {"Snmp", "Mask", "0x20", 0},
        {"Snmp", "Ratio", "1.5", 0},
        {"Snmp", "Big", "99999999999999", 0},
        {"Snmp", "TimeOut", nullptr, 3000000000u}},
       "Snmp",
       "Retries",
       "; written by hand\n\x01garbage\n[Snmp]\n# community below\nReadCommunity=public\n"
       "Mask=0x20\nRatio=1.5\nTimeOut=3000000000\nBig=99999999999999\nRetries=7\n=nameless\n"},
      {"an unknown escape stays as typed",
       "[LRU]\nnumber=3\n0=\"a\"\n2=\"host\\qname\"\n",
       {{"LRU", "2", "host\\qname", 0}},
       "LRU",
       "0",
       "[LRU]\nnumber=3\n0=\"b\"\n2=\"host\\qname\"\n"},
      {"an unclosed header still starts its section",
       "[Reachability]\nPingTTL=32\n[Snmp\nRetries=9\n",
       {{"Snmp", "Retries", nullptr, 9}, {"Reachability", "PingTTL", nullptr, 32}},
       "Snmp",
       "Retries",
       "[Reachability]\nPingTTL=32\n[Snmp\nRetries=7\n"},
      {"line ends and a last line without one",
       "[Snmp]\r\nPort=161\r\n[Graph]\nRefreshTime=5000",
       {{"Graph", "RefreshTime", nullptr, 5000}},
       "Snmp",
       "Retries",
       "[Snmp]\r\nPort=161\r\nRetries=7\r\n[Graph]\nRefreshTime=5000"},
      {"a new section goes at the end",
       "TopLevel=1\n[Snmp]\nPort=161",
       {},
       "Graph",
       "Retries",
       "TopLevel=1\n[Snmp]\nPort=161\n\n[Graph]\nRetries=7\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(c.file);
    for (const Read& r : c.reads) {
      if (r.text != nullptr) {
        EXPECT_EQ(CSettingsStore::ReadString(r.section, r.value, "default"), r.text) << r.value;
        EXPECT_EQ(CSettingsStore::ReadUInt(r.section, r.value, 1), 1u) << r.value;
      } else {
        EXPECT_EQ(CSettingsStore::ReadUInt(r.section, r.value, 1), r.number) << r.value;
      }
    }
    if (QString(c.value) == "0") {
      tesmo::CHostHistory::Save({"b"});
    } else {
      EXPECT_TRUE(CSettingsStore::WriteUInt(c.section, c.value, 7));
    }
    EXPECT_EQ(FileText().toStdString(), c.after.toStdString());
  }
}

// Values written to two sections one after the other each land in their
// own section, the second one's too.
TEST_F(SettingsStoreTest, WritesToTwoSectionsInARowStayApart) {
  WriteFile("[A]\nx=1\n[B]\n");
  EXPECT_TRUE(CSettingsStore::WriteUInt("A", "y", 2));
  EXPECT_TRUE(CSettingsStore::WriteUInt("B", "z", 3));
  EXPECT_EQ(FileText().toStdString(), "[A]\nx=1\ny=2\n[B]\nz=3\n");
  EXPECT_EQ(CSettingsStore::ReadUInt("B", "z", 0), 3u);
  EXPECT_EQ(CSettingsStore::ReadUInt("A", "z", 0), 0u);
}

// Only a regular file (or a link to one) is read or written; anything else
// is left alone, whoever runs the program.
TEST_F(SettingsStoreTest, NothingButARegularFileIsTouched) {
  QDir().mkpath(QFileInfo(path).path());
  struct Case {
    const char* name;
    std::function<bool()> make;  // false: cannot be made here (skipped)
  };
  const QString other = dir.filePath("elsewhere");
  const Case cases[] = {
      {"a pipe", [&] { return mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }},
      {"a directory", [&] { return QDir().mkdir(path); }},
      {"a link to nothing", [&] { return QFile::link(other, path); }},
      {"a link to a pipe",
       [&] {
         return mkfifo(QFile::encodeName(other).constData(), 0600) == 0 && QFile::link(other, path);
       }},
      {"a device (as root)",
       [&] {
         return mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(path);
    QFile::remove(other);
    QDir().rmdir(path);
    if (!c.make()) continue;
    struct stat before {};
    ASSERT_EQ(lstat(QFile::encodeName(path).constData(), &before), 0);
    EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "Port", 161), 161);
    EXPECT_FALSE(CSettingsStore::WriteInt("Snmp", "Port", 1));
    struct stat after {};
    ASSERT_EQ(lstat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
  }
  // A link to a regular file is followed, and stays a link.
  QFile::remove(path);
  QFile::remove(other);
  {
    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Snmp]\nPort=162\n");
  }
  ASSERT_TRUE(QFile::link(other, path));
  EXPECT_EQ(CSettingsStore::ReadInt("Snmp", "Port", 161), 162);
  EXPECT_TRUE(CSettingsStore::WriteInt("Snmp", "Port", 163));
  EXPECT_TRUE(QFileInfo(path).isSymLink());
  QFile f(other);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "[Snmp]\nPort=163\n");
}

TEST_F(SettingsStoreTest, AReadOnlyStoreNeverCreatesOrWrites) {
  CSettingsStore::SetReadOnly(true);
  EXPECT_EQ(CSettingsStore::ReadInt("Interfaces", "AdminUpOnly", 0), 0);
  EXPECT_FALSE(CSettingsStore::WriteInt("Snmp", "Port", 1));
  EXPECT_FALSE(QFileInfo::exists(path));
  CSettingsStore::SetReadOnly(false);
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

TEST_F(SettingsStoreTest, AHugeLruNumberIsBounded) {
  CSettingsStore::WriteInt("LRU", "number", 2147483647);
  CSettingsStore::WriteString("LRU", "150", "far");
  for (int i = 0; i < 3; ++i) CSettingsStore::WriteString("LRU", QString::number(i), "h");
  EXPECT_EQ(CHostHistory::Capacity(), 100);
  EXPECT_EQ(CHostHistory::Load().size(), 3);
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
