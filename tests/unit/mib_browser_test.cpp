// Generic-table definitions in the settings store, and the MIB browser's
// view of the loaded tree (with a test module of the program's own), without
// a network: the definition format, the table list, "Add to Gen", node
// definitions, the tree index against net-snmp's own tree, and reading
// result lines back.
#include <gtest/gtest.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <QTemporaryDir>

#include "core/base/settings_store.h"
#include "core/snmp/mib_nodes.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"
#include "support/mib_environment.h"
#include "tools/browser/mib_walk.h"
#include "tools/tables/gen_table.h"

namespace tesmo {
namespace {

// enterprises.99999: a table entry whose children are an Integer32 (type 16,
// none of the types the column layouts name), an enumeration and a counter.
constexpr char kTestMib[] = R"(TESMO-TEST-MIB DEFINITIONS ::= BEGIN
IMPORTS MODULE-IDENTITY, OBJECT-TYPE, Integer32, Counter32, enterprises FROM SNMPv2-SMI;
tesmoTest MODULE-IDENTITY
    LAST-UPDATED "202401010000Z" ORGANIZATION "Tesmo" CONTACT-INFO "lab"
    DESCRIPTION "Objects of the Tesmo tests." ::= { enterprises 99999 }
tesmoTable OBJECT-TYPE SYNTAX SEQUENCE OF TesmoEntry MAX-ACCESS not-accessible
    STATUS current DESCRIPTION "A table." ::= { tesmoTest 1 }
tesmoEntry OBJECT-TYPE SYNTAX TesmoEntry MAX-ACCESS not-accessible STATUS current
    DESCRIPTION "A row." INDEX { tesmoIndex } ::= { tesmoTable 1 }
TesmoEntry ::= SEQUENCE { tesmoIndex Integer32, tesmoState INTEGER, tesmoCount Counter32 }
tesmoCount OBJECT-TYPE SYNTAX Counter32 MAX-ACCESS read-only STATUS current
    DESCRIPTION "A counter." ::= { tesmoEntry 3 }
tesmoIndex OBJECT-TYPE SYNTAX Integer32 (1..100) MAX-ACCESS read-only STATUS current
    DESCRIPTION "The index." ::= { tesmoEntry 1 }
tesmoState OBJECT-TYPE SYNTAX INTEGER { up(1), down(2) } MAX-ACCESS read-write
    STATUS deprecated DESCRIPTION "The state." ::= { tesmoEntry 2 }
END
)";

// A second module that reuses a label of the first, earlier in the tree.
constexpr char kTwinMib[] = R"(TESMO-TWIN-MIB DEFINITIONS ::= BEGIN
IMPORTS enterprises FROM SNMPv2-SMI;
tesmoTwin OBJECT IDENTIFIER ::= { enterprises 99998 }
tesmoCount OBJECT IDENTIFIER ::= { tesmoTwin 1 }
END
)";

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment(
    {{"TESMO-TEST-MIB.txt", QByteArray(kTestMib)}, {"TESMO-TWIN-MIB.txt", QByteArray(kTwinMib)}}));

const tree* NodeOf(const char* text) {
  ObjectId id;
  return ParseObjectId(text, id) ? DeepestNode(id) : nullptr;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { CSettingsStore::SetFilePath(dir.filePath("tesmo.ini")); }
  void TearDown() override { CSettingsStore::SetFilePath(QString()); }
  QTemporaryDir dir;
};

TEST(ColumnDefinitions, ReadAndWritten) {
  const struct {
    const char* text;
    const char* oid;
    const char* title;
    unsigned width, align, isIP, sort;
    const char* written;
  } cases[] = {
      {".1.3.6.1.2.1.4.22.1.3|Net. Address|12|0|1|5", ".1.3.6.1.2.1.4.22.1.3", "Net. Address", 12,
       0, 1, 5, ".1.3.6.1.2.1.4.22.1.3|Net. Address|12|0|1|5"},
      // An empty title stays empty: the numbers keep their places.
      {".1.3|||9|6|0|3", ".1.3", "", 0, 9, 6, 0, ".1.3||0|9|6|0"},
      {".1.3||9|6|0|3", ".1.3", "", 9, 6, 0, 3, ".1.3||9|6|0|3"},
      // Missing fields at the end take the defaults.
      {".1.3", ".1.3", "", 10, 6, 0, 3, ".1.3||10|6|0|3"},
      {".1.3|Speed|7", ".1.3", "Speed", 7, 6, 0, 3, ".1.3|Speed|7|6|0|3"},
      // Numbers are their leading digits.
      {".1.3|x|12px|abc|1yes|5", ".1.3", "x", 12, 0, 1, 5, ".1.3|x|12|0|1|5"},
      {".1.3|x|99999999999|0|0|0", ".1.3", "x", 999999999, 0, 0, 0, ".1.3|x|999999999|0|0|0"},
      {".1.3|x|1|2|0|4|extra", ".1.3", "x", 1, 2, 0, 4, ".1.3|x|1|2|0|4"},
      // Texts that look like placeholders are written as they are.
      {".1.3%4|Load %3 %1|8|0|0|3", ".1.3%4", "Load %3 %1", 8, 0, 0, 3,
       ".1.3%4|Load %3 %1|8|0|0|3"},
  };
  for (const auto& c : cases) {
    const ColumnDefinition d = ParseColumnDefinition(c.text);
    EXPECT_EQ(d.oid, c.oid) << c.text;
    EXPECT_EQ(d.title, c.title) << c.text;
    EXPECT_EQ(d.width, c.width) << c.text;
    EXPECT_EQ(d.align, c.align) << c.text;
    EXPECT_EQ(d.isIP, c.isIP) << c.text;
    EXPECT_EQ(d.sort, c.sort) << c.text;
    EXPECT_EQ(FormatColumnDefinition(d), c.written) << c.text;
  }
}

TEST_F(SettingsTest, StoredTablesAndTheirColumns) {
  const QString t0 = CustomTableSection(0), t1 = CustomTableSection(1);
  EXPECT_EQ(t1, "GenTable\\CustomTables\\1");
  CSettingsStore::WriteString(t0, "Name", "forty");
  for (int j = 0; j < 40; ++j) {
    CSettingsStore::WriteString(t0, QString::number(j), QString(".1.3.%1|c%1").arg(j));
  }
  CSettingsStore::WriteString(t1, "Name", "gap");
  for (const char* j : {"0", "1", "3"}) CSettingsStore::WriteString(t1, j, ".1.3|x");
  // An empty Name ends the list, whatever follows.
  CSettingsStore::WriteString(CustomTableSection(3), "Name", "unreachable");
  EXPECT_EQ(CustomTableNames(), QStringList({"forty", "gap"}));
  EXPECT_TRUE(CustomTableColumns(2).empty());

  // "Add to Gen" takes the first free number and leaves later values alone.
  CSettingsStore::WriteString(CustomTableSection(2), "5", ".1.9|old");
  const tree* entry = NodeOf(".1.3.6.1.4.1.99999.1.1");
  ASSERT_NE(entry, nullptr);
  int changed = 0;
  QObject listener;
  QObject::connect(&CCustomTables::Instance(), &CCustomTables::Changed, &listener,
                   [&] { ++changed; });
  EXPECT_EQ(AddCustomTableOfNode(entry), 2u);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(CustomTableNames(), QStringList({"forty", "gap", "tesmoEntry", "unreachable"}));
  // Children in sub-identifier order; Integer32 has no layout of its own.
  EXPECT_EQ(CustomColumnTexts(2), QStringList({".1.3.6.1.4.1.99999.1.1.1|tesmoIndex|10|6|0|3",
                                               ".1.3.6.1.4.1.99999.1.1.2|tesmoState|9|6|0|3",
                                               ".1.3.6.1.4.1.99999.1.1.3|tesmoCount|9|6|0|3"}));
  EXPECT_EQ(CSettingsStore::ReadString(CustomTableSection(2), "5", ""), ".1.9|old");

  // A node without children makes a table without columns.
  EXPECT_TRUE(ColumnsOfEntry(NodeOf(".1.3.6.1.2.1.1.1")).empty());
}

TEST(MibNodes, DefinitionsAsTheBrowserShowsThem) {
  const MibNodeDefinition state = DefinitionOf(NodeOf(".1.3.6.1.4.1.99999.1.1.2"));
  EXPECT_EQ(state.enums, QStringList({"down (2)", "up (1)"}));
  EXPECT_EQ(state.type, "integer");
  EXPECT_EQ(state.access, "readwrite");
  EXPECT_EQ(state.status, "deprecated");
  EXPECT_EQ(state.setType, 'i');
  EXPECT_EQ(state.oidNumeric, ".1.3.6.1.4.1.99999.1.1.2");
  EXPECT_EQ(state.oidText,
            ".iso.org.dod.internet.private.enterprises.tesmoTest.tesmoTable.tesmoEntry.tesmoState");
  EXPECT_EQ(state.description, "The state.");

  const MibNodeDefinition descr = DefinitionOf(NodeOf("system.sysDescr"));
  EXPECT_EQ(descr.oidNumeric, ".1.3.6.1.2.1.1.1");
  EXPECT_EQ(descr.oidText, ".iso.org.dod.internet.mgmt.mib-2.system.sysDescr");
  EXPECT_EQ(descr.type, "octetstr");
  EXPECT_EQ(descr.access, "readonly");
  EXPECT_EQ(descr.status, "mandatory");
  EXPECT_EQ(descr.setType, 's');
  EXPECT_TRUE(descr.enums.isEmpty());
  // Integer32 and the status "current" have no names here.
  const MibNodeDefinition index = DefinitionOf(NodeOf(".1.3.6.1.4.1.99999.1.1.1"));
  EXPECT_EQ(index.type, "");
  EXPECT_EQ(index.status, "");
  EXPECT_EQ(index.setType, 'n');

  const struct {
    const char* in;
    const char* out;
  } descriptions[] = {
      {"a\n\nb", "a\r\nb"},       {"a\tb", "a   b"},        {"a   b", "a b"}, {"a\r\nb", "a\r\nb"},
      {"a\n\n\nb", "a\r\n\r\nb"}, {"x\n     y", "x\r\n y"}, {"", ""},
  };
  for (const auto& d : descriptions) EXPECT_EQ(CleanDescription(d.in), d.out) << d.in;
  EXPECT_EQ(CleanDescription(nullptr), "");
}

int CountNodes(const tree* first) {
  int count = 0;
  for (const tree* t = first; t != nullptr; t = t->next_peer)
    count += 1 + CountNodes(t->child_list);
  return count;
}

TEST(MibNodes, IndexHoldsEveryNodeInNumberOrder) {
  CMibTreeIndex index;
  index.Build();
  EXPECT_EQ(index.Count(), CountNodes(get_tree_head()));
  EXPECT_GT(index.Count(), 500);
  size_t reached = index.Children(-1).size();
  for (int n = 0; n < index.Count(); ++n) {
    EXPECT_EQ(index.IndexOf(index.Node(n)), n);
    const std::span<const int> children = index.Children(n);
    reached += children.size();
    for (size_t k = 0; k < children.size(); ++k) {
      EXPECT_EQ(index.Parent(children[k]), n);
      EXPECT_EQ(index.Row(children[k]), static_cast<int>(k));
      if (k > 0) {
        EXPECT_LE(index.Node(children[k - 1])->subid, index.Node(children[k])->subid);
      }
    }
  }
  EXPECT_EQ(reached, static_cast<size_t>(index.Count()));
  ObjectId id;
  ASSERT_TRUE(ParseObjectId(".1.3.6.1.2.1.1.1.0", id));
  EXPECT_STREQ(index.Node(index.DeepestIndex(id))->label, "sysDescr");
  EXPECT_EQ(index.DeepestIndex({}), -1);
}

TEST(MibWalkLines, ResultLinesReadBack) {
  const struct {
    const char* oidText;
    const char* numeric;  // "" when no prefix makes it parsable
  } cases[] = {
      {"system.sysDescr.0", ".1.3.6.1.2.1.1.1.0"},
      {".1.3.6.1.2.1.1.5.0", ".1.3.6.1.2.1.1.5.0"},
      // Relative to the private subtree: the third prefix.
      {"enterprises.tesmoTest.tesmoTable.tesmoEntry.tesmoState.7", ".1.3.6.1.4.1.99999.1.1.2.7"},
      {"enterprises.9.1", ".1.3.6.1.4.1.9.1"},
      {"noSuchLabel.1", ""},
  };
  for (const auto& c : cases) {
    ObjectId id;
    const bool parsed = ParseResultOid(c.oidText, id);
    EXPECT_EQ(parsed, c.numeric[0] != 0) << c.oidText;
    if (parsed) {
      EXPECT_EQ(NumericOidText(id), c.numeric) << c.oidText;
    }
  }
  QString oid, value;
  ASSERT_TRUE(SplitResultLine("system.sysName.0  :  a  :  b", &oid, &value));
  EXPECT_EQ(oid, "system.sysName.0");
  EXPECT_EQ(value, "a  :  b");
  EXPECT_FALSE(SplitResultLine("system.sysName.0 : x", &oid, &value));
}

// Names as typed in the browser's fields and in --batch browser --oid: a
// path, or a label alone found anywhere in the tree (first in tree order).
TEST(ObjectNames, LabelsAreFoundAnywhereInTheTree) {
  const struct {
    const char* typed;
    const char* numeric;  // "" when the name names nothing
    size_t labelMatches;  // nodes carrying the label; 0 when read as a path
  } cases[] = {
      {"ifInOctets", ".1.3.6.1.2.1.2.2.1.10", 1},
      {"IFINOCTETS.3", ".1.3.6.1.2.1.2.2.1.10.3", 1},
      {"tesmoIndex.7", ".1.3.6.1.4.1.99999.1.1.1.7", 1},
      {"tesmoCount", ".1.3.6.1.4.1.99998.1", 2},
      {"system.sysDescr.0", ".1.3.6.1.2.1.1.1.0", 0},
      {".1.3.6.1.4.1.99999", ".1.3.6.1.4.1.99999", 0},
      {"noSuchLabel", "", 0},
      {"ifInOctets.bogus", "", 0},
      {".ifInOctets", "", 0},
      {"", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const ObjectNameMatch match = LookUpObjectName(c.typed);
    EXPECT_EQ(NumericOidText(match.id), c.numeric);
    EXPECT_EQ(match.nodes.size(), c.numeric[0] != 0 ? c.labelMatches : 0u);
  }
  // Both paths are told, the one chosen first.
  EXPECT_EQ(NameMatchText(LookUpObjectName("tesmoCount")),
            ".iso.org.dod.internet.private.enterprises.tesmoTwin.tesmoCount (also "
            ".iso.org.dod.internet.private.enterprises.tesmoTest.tesmoTable.tesmoEntry."
            "tesmoCount)");
}

}  // namespace
}  // namespace tesmo
