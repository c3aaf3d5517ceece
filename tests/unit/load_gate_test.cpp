// Readers of the MIB tree and the vendor file on other threads while they
// load beside them.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/vendor_map.h"
#include "core/snmp/mib_gate.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"

namespace {

const std::vector<uint32_t> kIfInOctets1 = {1, 3, 6, 1, 2, 1, 2, 2, 1, 10, 1};

// Readers started before the load wait for it and then find the labels; a
// reload asked for during a load waits for it instead of freeing the tree
// under it.
TEST(MibGate, ReadersAndAReloadWaitForALoadBesideThem) {
  const std::string folders = tesmo::MibDirectoryList(QDir::currentPath().toStdString());
  std::function<void()> load = tesmo::BeginMibLoad(folders);
  EXPECT_FALSE(tesmo::MibsReady());
  constexpr size_t kReaders = 3;
  std::vector<std::string> texts(kReaders);
  std::vector<tesmo::ObjectId> ids(kReaders);
  std::vector<std::thread> readers;
  for (size_t i = 0; i < kReaders; ++i) {
    readers.emplace_back([&, i] {
      texts[i] = tesmo::FormatObjectId(kIfInOctets1);
      tesmo::ParseObjectIdQuietly("interfaces.ifTable.ifEntry.ifInOctets.1", ids[i]);
    });
  }
  std::thread loader(load);
  for (std::thread& reader : readers) reader.join();
  loader.join();
  EXPECT_TRUE(tesmo::MibsReady());
  for (size_t i = 0; i < kReaders; ++i) {
    SCOPED_TRACE("reader " + std::to_string(i));
    EXPECT_NE(texts[i].find("ifInOctets.1"), std::string::npos) << texts[i];
    EXPECT_EQ(ids[i], tesmo::ObjectId(kIfInOctets1.begin(), kIfInOctets1.end()));
  }

  load = tesmo::BeginMibLoad(folders);
  loader = std::thread(load);
  EXPECT_GT(tesmo::LoadMibs(folders), 0);
  loader.join();
  EXPECT_NE(tesmo::FormatObjectId(kIfInOctets1).find("ifInOctets.1"), std::string::npos);
}

// A vendor look-up asked for before the file is read waits for it.
TEST(VendorGate, ALookUpWaitsForTheFileReadBesideIt) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("vendors.txt").toStdString();
  std::ofstream(path) << "00A0C9 Example Networks\n741AE09/28 Example Block Ltd\n";
  const std::function<void()> load = tesmo::BeginVendorFileLoad(path);
  std::string early, block;
  std::thread reader([&] {
    early = tesmo::VendorOf("00A0C9123456");
    block = tesmo::VendorOf("741AE0912345");
  });
  std::thread loader(load);
  reader.join();
  loader.join();
  EXPECT_EQ(early, "Example Networks");
  EXPECT_EQ(block, "Example Block Ltd");
  tesmo::VendorMap.clear();
}

}  // namespace
