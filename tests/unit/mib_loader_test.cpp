// MIB loading: the standard modules are found, descriptions are kept, and
// RFC1213-MIB owns the mib-2 tables whatever the directory order.
#include "core/snmp/mib_loader.h"

#include <gtest/gtest.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

tree* Node(const char* name) {
  oid id[MAX_OID_LEN];
  size_t length = MAX_OID_LEN;
  if (!get_node(name, id, &length)) return nullptr;
  return get_tree(id, length, get_tree_head());
}

class MibLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    modules = tesmo::LoadMibs(tesmo::MibDirectoryList(QDir::currentPath().toStdString()));
  }
  static void TearDownTestSuite() { tesmo::FreeMibs(); }
  static int modules;
};
int MibLoaderTest::modules = 0;

TEST_F(MibLoaderTest, StandardObjectsAreKnownWithDescriptions) {
  EXPECT_GE(modules, 10);
  oid id[MAX_OID_LEN];
  size_t length = MAX_OID_LEN;
  ASSERT_TRUE(get_node("sysDescr", id, &length));
  const oid expected[] = {1, 3, 6, 1, 2, 1, 1, 1};
  ASSERT_EQ(length, 8u);
  EXPECT_TRUE(std::equal(id, id + length, expected));
  tree* node = Node("sysDescr");
  ASSERT_NE(node, nullptr);
  ASSERT_NE(node->description, nullptr);
  EXPECT_NE(std::string(node->description).find("textual description"), std::string::npos);
}

TEST_F(MibLoaderTest, Rfc1213OwnsTheInterfaceTable) {
  tree* node = Node("ifPhysAddress");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->hint, nullptr) << node->hint;
  char name[256];
  EXPECT_STREQ(module_name(node->modid, name), "RFC1213-MIB");
  // IF-MIB is loaded too: its own objects are there.
  EXPECT_NE(Node("ifHCInOctets"), nullptr);
}

// net-snmp takes a module found twice from the later folder: the bundled
// modules come first so that every other copy overrides them.
TEST(MibLoader, DirectoryListPutsTheBundledModulesBeforeTheWorkingDirectory) {
  EXPECT_EQ(tesmo::MibDirectoryList("/opt/x/", ""),
            "/opt/x/mibs:/usr/mibs:/usr/share/snmp/mibs:/usr/share/snmp/mibs/iana:"
            "/usr/share/snmp/mibs/ietf");
  EXPECT_EQ(tesmo::MibDirectoryList("/opt/x", "/usr/share/tesmo/"),
            "/usr/share/tesmo/mibs:/opt/x/mibs:/usr/mibs:/usr/share/snmp/mibs:"
            "/usr/share/snmp/mibs/iana:/usr/share/snmp/mibs/ietf");
}

TEST(MibLoader, ParseWarningsAreCaptured) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("mibs");
  QFile broken(dir.filePath("mibs/BROKEN-MIB.txt"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(
      "BROKEN-MIB DEFINITIONS ::= BEGIN\n"
      "IMPORTS enterprises FROM RFC1155-SMI;\n"
      "brokenThing OBJECT IDENTIFIER ::= { noSuchParent 7 }\n"
      "END\n");
  broken.close();
  tesmo::LoadMibs(tesmo::MibDirectoryList(dir.path().toStdString()));
  bool found = false;
  for (const std::string& w : tesmo::MibLoadWarnings()) {
    if (w.find("noSuchParent") != std::string::npos) found = true;
  }
  EXPECT_TRUE(found);
  tesmo::FreeMibs();
}

}  // namespace
