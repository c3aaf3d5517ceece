// The vendor file rules, as a table of file texts and the map they give.
#include "core/base/vendor_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <map>

#include "core/base/data_folder.h"

namespace {

using Expected = std::map<std::string, std::string>;

struct Case {
  const char* name;
  std::string text;
  Expected expected;
};

Expected Sorted(const tesmo::VendorTable& t) {
  return Expected(t.begin(), t.end());
}

TEST(VendorFile, Rules) {
  const std::string longLine(2000, 'x');
  const std::string maxLine(1022, 'y');  // with its line feed: 1023 characters
  const Case cases[] = {
      {"plain records",
       "00A0C9 Intel\n0000AA Xerox Corporation\n",
       {{"00A0C9", "Intel"}, {"0000AA", "Xerox Corporation"}}},
      {"blanks and tabs after the key are skipped",
       "00A0C9 \t  Intel Corp  \n",
       {{"00A0C9", "Intel Corp  "}}},
      {"key alone on its line takes the next line",
       "00A0C9\nIntel\n0000AA Xerox\n",
       {{"00A0C9", "Intel"}, {"0000AA", "Xerox"}}},
      {"key with blank lines after it", "00A0C9\n\n\n   Intel\n", {{"00A0C9", "Intel"}}},
      {"a repeated key replaces the earlier one",
       "00A0C9 First\n00A0C9 Second\n",
       {{"00A0C9", "Second"}}},
      {"the key is six characters as they are",
       "ab cd-Vendor\nxyzxyzQ\n",
       {{"ab cd-", "Vendor"}, {"xyzxyz", "Q"}}},
      {"last line without line feed is not stored",
       "00A0C9 Intel\n0000AA Xerox",
       {{"00A0C9", "Intel"}}},
      {"CR LF line ends",
       "00A0C9 Intel\r\n0000AA\r\nXerox\r\n",
       {{"00A0C9", "Intel"}, {"0000AA", "Xerox"}}},
      {"a 2,000-character line ends the loading",
       "00A0C9 Intel\n0000AA " + longLine + "\n0000AB Late\n",
       {{"00A0C9", "Intel"}}},
      {"a 1,023-character line with its line feed still fits",
       "0000AA " + maxLine + "\n",
       {{"0000AA", maxLine}}},
      {"a short key ends the loading", "00A0C9 Intel\n00A0\n", {{"00A0C9", "Intel"}}},
      {"a key with nothing after it ends the loading",
       "00A0C9 Intel\n0000AA   \n\n",
       {{"00A0C9", "Intel"}}},
      {"empty file", "", {}},
      {"28- and 36-bit blocks",
       "741AE09/28 Twenty-Eight\n70B3D5F2F/36\tThirty-Six\n741AE0 IEEE\n",
       {{"741AE09", "Twenty-Eight"}, {"70B3D5F2F", "Thirty-Six"}, {"741AE0", "IEEE"}}},
      {"a block key needs its hex digits, its size and a blank",
       "741ae09/28 Lower\n741AE0/28 Short\n741AE09/36 Wrong\n741AE09/28\nNext\n",
       {{"741ae0", "9/28 Lower"}, {"741AE0", "9/28"}}},
  };
  for (const Case& c : cases) {
    tesmo::VendorTable table;
    tesmo::ParseVendorText(c.text, table);
    EXPECT_EQ(Sorted(table), c.expected) << c.name;
  }
}

TEST(VendorFile, MissingFileLeavesAnEmptyMapAndSaysSo) {
  tesmo::VendorTable table{{"stale!", "old"}};
  // Capture standard error, where the log line goes.
  QTemporaryDir dir;
  const std::string errPath = dir.filePath("err.txt").toStdString();
  std::fflush(stderr);
  int savedFd = dup(fileno(stderr));
  ASSERT_NE(std::freopen(errPath.c_str(), "w", stderr), nullptr);
  const bool ok = tesmo::LoadVendorFile(dir.filePath("vendors.txt").toStdString(), table);
  std::fflush(stderr);
  dup2(savedFd, fileno(stderr));
  close(savedFd);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(table.empty());
  std::ifstream err(errPath);
  std::string line;
  std::getline(err, line);
  EXPECT_EQ(line, "cannot open 'vendors.txt'");
}

TEST(VendorFile, LoadsFromDiskAndLooksUpByTheFirstSixCharacters) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("vendors.txt").toStdString();
  std::ofstream(path) << "00A0C9 Intel Corporation\n";
  ASSERT_TRUE(tesmo::LoadVendorFile(path, tesmo::VendorMap));
  EXPECT_EQ(tesmo::VendorOf("00A0C9123456"), "Intel Corporation");
  EXPECT_EQ(tesmo::VendorOf("00a0c9123456"), "");  // keys match exactly, case included
  EXPECT_EQ(tesmo::VendorOf("00A0C"), "");
  tesmo::VendorMap.clear();
}

// The vendor file is looked for in the working directory, then in the
// installed data folder, then where the build left it.
TEST(VendorFile, FoundInTheWorkingDirectoryThenTheDataFolderThenTheBuild) {
  const struct {
    const char* name;
    bool inWork, inData, inBuild;
    const char* expectedDir;
  } cases[] = {
      {"everywhere", true, true, true, "work"},
      {"installed and built", false, true, true, "data"},
      {"built only", false, false, true, "build"},
      {"nowhere: the working directory's name for the message", false, false, false, "work"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir root;
    for (const char* dir : {"work", "data", "build"}) ASSERT_TRUE(QDir(root.path()).mkdir(dir));
    const auto place = [&](bool present, const char* dir) {
      if (present) std::ofstream(root.filePath(QString(dir) + "/vendors.txt").toStdString()) << "";
    };
    place(c.inWork, "work");
    place(c.inData, "data");
    place(c.inBuild, "build");
    const auto dir = [&](const char* name) { return root.filePath(name).toStdString(); };
    EXPECT_EQ(tesmo::FindDataFile("vendors.txt", dir("work"), dir("data"), dir("build")),
              dir(c.expectedDir) + "/vendors.txt");
  }
}

}  // namespace
