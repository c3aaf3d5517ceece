// Walks against small fake agents on the loopback: faults a real snmpd does
// not produce (an answer that does not follow the question, a table with
// holes, a short last column at the end of the MIB).
#include "core/snmp/column_walk.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "core/base/job_runner.h"
#include "core/base/status_channel.h"
#include "core/snmp/snmp_request.h"
#include "support/fake_agent.h"
#include "support/status_log.h"
#include "tools/browser/mib_walk.h"

namespace {

using namespace tesmo::fake;
using tesmo::ObjectId;

const ObjectId kEntry = {1, 3, 6, 1, 4, 1, 424242, 1, 1};
ObjectId Column(uint32_t c) {
  return Join(kEntry, {c});
}
std::string ColumnText(uint32_t c) {
  return "." + [&] {
    std::string text;
    for (uint32_t s : Column(c)) text += (text.empty() ? "" : ".") + std::to_string(s);
    return text;
  }();
}
std::string Text(const std::string& s) {
  return Tlv(0x04, s);
}

std::vector<std::vector<std::string>> Texts(const std::vector<tesmo::TableRow>& rows) {
  std::vector<std::vector<std::string>> texts;
  for (const auto& row : rows) texts.push_back(row.texts);
  return texts;
}

// The MIB tree is loaded once for the whole program (snmp_text_test.cpp).
using SnmpWalkTest = ::testing::Test;

const char* const NA = tesmo::kNotAvailableText;

TEST_F(SnmpWalkTest, AnswerThatDoesNotFollowTheQuestionEndsTheWalk) {
  // The agent answers every question with the same object.
  const ObjectId stuck = Join(Column(1), {5});
  FakeAgent agent([&](const std::vector<ObjectId>& names) {
    Answer answer;
    for (size_t i = 0; i < names.size(); ++i) answer.bindings.push_back({stuck, Text("v")});
    return answer;
  });
  tesmo::CStatusLog log;
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(agent.Target(), {ColumnText(1)}, rows);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.status, tesmo::kSnmpNotIncreasing);
  EXPECT_EQ(Texts(rows), (std::vector<std::vector<std::string>>{{"v"}}));
  EXPECT_EQ(agent.requests, 2);
  ASSERT_FALSE(log.StdTexts().empty());
  EXPECT_EQ(log.StdTexts().back(), "Error: OID not increasing: enterprises.424242.1.1.1.5");
}

TEST_F(SnmpWalkTest, AnswerBehindTheQuestionInAnyColumnEndsTheWalk) {
  // Column 2 goes backwards on the second step.
  FakeAgent agent([&](const std::vector<ObjectId>& names) {
    Answer answer;
    answer.bindings.push_back(
        {Join(Column(1), {names[0].size() == Column(1).size() ? 1u : 2u}), Text("a")});
    answer.bindings.push_back({Join(Column(2), {1}), Text("b")});
    return answer;
  });
  tesmo::CStatusLog log;
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(agent.Target(), {ColumnText(1), ColumnText(2)}, rows);
  EXPECT_EQ(outcome.status, tesmo::kSnmpNotIncreasing);
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_EQ(log.StdTexts().back(), "Error: OID not increasing: enterprises.424242.1.1.2.1");
}

TEST_F(SnmpWalkTest, HolesNeverShiftValuesIntoOtherRows) {
  std::map<ObjectId, std::string> objects;
  for (uint32_t i : {1, 2, 3, 4}) objects[Join(Column(1), {i})] = Integer(i * 10);
  for (uint32_t i : {1, 3})
    objects[Join(Column(2), {i})] = Text("b" + std::to_string(i));  // holes at 2, 4
  for (uint32_t i : {2, 3, 4})
    objects[Join(Column(3), {i})] = Text("c" + std::to_string(i));         // hole at 1
  for (uint32_t i : {1, 2}) objects[Join(Column(4), {i, 7})] = Text("d");  // other instances
  objects[Join(Column(5), {9})] = Text("after");                           // the next table
  FakeAgent agent(TableAgent(objects));
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(
      agent.Target(), {ColumnText(1), ColumnText(2), ColumnText(3), ColumnText(4)}, rows);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
  EXPECT_EQ(Texts(rows), (std::vector<std::vector<std::string>>{
                             {"10", "b1", NA, NA},
                             {"20", NA, "c2", NA},
                             {"30", "b3", "c3", NA},
                             {"40", NA, "c4", NA},
                         }));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2].instance, ObjectId{3});
  // One request per row, and one that leaves the table.
  EXPECT_EQ(agent.requests, 5);
}

TEST_F(SnmpWalkTest, ShortLastColumnAtTheEndOfTheMibKeepsTheRows) {
  // The second column's objects are the agent's last: SNMPv1 answers the
  // step past them with noSuchName for the whole request.
  std::map<ObjectId, std::string> objects;
  for (uint32_t i : {1, 2, 3}) objects[Join(Column(1), {i})] = Text("a" + std::to_string(i));
  for (uint32_t i : {1, 2}) objects[Join(Column(2), {i})] = Text("b" + std::to_string(i));
  FakeAgent agent(TableAgent(objects));
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(agent.Target(), {ColumnText(1), ColumnText(2)}, rows);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
  EXPECT_EQ(Texts(rows),
            (std::vector<std::vector<std::string>>{{"a1", "b1"}, {"a2", "b2"}, {"a3", NA}}));
}

// Under SNMPv2c a walk steps through GETBULK answers: holes, columns that end
// early and the end of the MIB give the rows the GETNEXT walk gives, in
// fewer requests.
TEST_F(SnmpWalkTest, BulkWalkGivesTheRowsOfTheGetNextWalk) {
  std::map<ObjectId, std::string> holes;
  for (uint32_t i = 1; i <= 40; ++i) holes[Join(Column(1), {i})] = Integer(i);
  for (uint32_t i = 1; i <= 40; i += 3) holes[Join(Column(2), {i})] = Text("b");
  for (uint32_t i = 2; i <= 40; i += 2) holes[Join(Column(3), {i})] = Text("c");
  holes[Join(Column(5), {1})] = Text("the next table");
  std::map<ObjectId, std::string> shortLast;  // the MIB ends inside the table
  for (uint32_t i : {1, 2, 3}) shortLast[Join(Column(1), {i})] = Text("a");
  for (uint32_t i : {1, 2}) shortLast[Join(Column(2), {i})] = Text("b");
  for (const auto& objects : {holes, shortLast}) {
    std::vector<std::vector<std::string>> byVersion[2];
    int requests[2] = {0, 0};
    for (int v = 0; v < 2; ++v) {
      FakeAgent agent(TableAgent(objects));
      tesmo::SnmpTarget target = agent.Target();
      target.version = v == 0 ? tesmo::SnmpVersion::kV1 : tesmo::SnmpVersion::kV2c;
      std::vector<tesmo::TableRow> rows;
      const auto outcome =
          tesmo::WalkColumns(target, {ColumnText(1), ColumnText(2), ColumnText(3)}, rows);
      EXPECT_EQ(outcome.result, 0);
      byVersion[v] = Texts(rows);
      requests[v] = agent.requests;
    }
    EXPECT_EQ(byVersion[1], byVersion[0]);
    EXPECT_LT(requests[1], requests[0]);
  }
}

// An SNMPv2c agent may drop objects from the end of a GETBULK answer so that
// it fits (RFC 3416, 4.2.3), and a broken one puts exceptions inside it or
// answers nothing at all. A cut answer loses no column: the walk gives the
// rows of the SNMPv1 walk. An exception ends its own column only; an empty
// answer is an error, not an empty table.
TEST_F(SnmpWalkTest, BulkAnswersCutShortOrBrokenLoseNoColumn) {
  std::map<ObjectId, std::string> objects;
  for (uint32_t i = 1; i <= 30; ++i) {
    for (uint32_t c = 1; c <= 3; ++c) objects[Join(Column(c), {i})] = Text(std::string(c, 'x'));
  }
  const std::vector<std::string> columns = {ColumnText(1), ColumnText(2), ColumnText(3)};
  std::vector<tesmo::TableRow> v1Rows;
  {
    FakeAgent agent(TableAgent(objects));
    tesmo::WalkColumns(agent.Target(), columns, v1Rows);
    ASSERT_EQ(v1Rows.size(), 30u);
  }
  const auto keepFirst = [](size_t count) {
    return [count](Answer& answer) {
      if (answer.bindings.size() > count) answer.bindings.resize(count);
    };
  };
  struct Case {
    std::string name;
    FakeAgent::BulkFault fault;
    int status;           // of the walk's last step
    size_t rows;          // rows fetched
    int columnEndsAtRow;  // from this row on column 2 reads "## NA ##" (0: never)
  };
  std::vector<Case> cases;
  // Cut at every position of the first two rows, and mid-row further on.
  for (size_t keep : {1, 2, 3, 4, 5, 7, 11, 40}) {
    cases.push_back(
        {"cut to " + std::to_string(keep), keepFirst(keep), tesmo::EndOfSubtree, 30, 0});
  }
  cases.push_back({"no objects at all", keepFirst(0), tesmo::kSnmpShortAnswer, 0, 0});
  cases.push_back({"noSuchInstance in column 2 of row 2",
                   [once = std::make_shared<bool>(true)](Answer& answer) {
                     if (*once && answer.bindings.size() > 4) {
                       answer.bindings[4].second = Tlv(0x81, "");
                       *once = false;
                     }
                   },
                   tesmo::EndOfSubtree, 30, 2});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAgent agent(TableAgent(objects), 400, c.fault);
    tesmo::SnmpTarget target = agent.Target();
    target.version = tesmo::SnmpVersion::kV2c;
    std::vector<tesmo::TableRow> rows;
    const auto outcome = tesmo::WalkColumns(target, columns, rows);
    EXPECT_EQ(outcome.status, c.status);
    ASSERT_EQ(rows.size(), c.rows);
    for (size_t r = 0; r < rows.size(); ++r) {
      std::vector<std::string> expected = v1Rows[r].texts;
      if (c.columnEndsAtRow > 0 && r + 1 >= static_cast<size_t>(c.columnEndsAtRow)) {
        expected[1] = NA;
      }
      EXPECT_EQ(rows[r].texts, expected) << "row " << r + 1;
    }
  }
}

// An agent whose table never ends: every object has a successor in the table.
Answer EndlessTable(const std::vector<ObjectId>& names) {
  Answer answer;
  for (const ObjectId& name : names) {
    const uint32_t last = name.size() > Column(1).size() ? name.back() : 0;
    answer.bindings.push_back({Join(Column(1), {last + 1}), Integer(last + 1)});
  }
  return answer;
}

// A table or walk that never ends stops at its bound and says so.
TEST_F(SnmpWalkTest, EndlessTablesStopAtTheirBound) {
  FakeAgent agent(EndlessTable, 400);
  std::vector<tesmo::TableRow> rows;
  tesmo::ColumnWalkOptions options;
  options.maxRows = 40;
  const auto walk = tesmo::WalkColumns(agent.Target(), {ColumnText(1)}, rows, options);
  EXPECT_TRUE(walk.full);
  EXPECT_EQ(rows.size(), 40u);

  tesmo::CLineStore lines(30);
  tesmo::CStatusLog status;
  tesmo::MibWalkOutcome outcome;
  tesmo::RunJobHere([&] { outcome = tesmo::RunMibWalk(agent.Target(), ColumnText(1), lines); });
  EXPECT_TRUE(outcome.full);
  EXPECT_FALSE(outcome.answered);
  EXPECT_EQ(outcome.count, 30u);
  EXPECT_EQ(status.Texts().last(), "Stopped after 30 lines, the most a walk shows");
}

TEST_F(SnmpWalkTest, EmptyTableGivesNoRowsAfterOneRequest) {
  std::map<ObjectId, std::string> objects;
  objects[Join(Column(5), {1})] = Text("elsewhere");
  FakeAgent agent(TableAgent(objects));
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(agent.Target(), {ColumnText(1), ColumnText(2)}, rows);
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(agent.requests, 1);
}

TEST_F(SnmpWalkTest, StopFlagEndsTheWalkBeforeTheNextStep) {
  std::map<ObjectId, std::string> objects;
  for (uint32_t i = 1; i <= 20; ++i) objects[Join(Column(1), {i})] = Integer(i);
  FakeAgent agent(TableAgent(objects));
  std::atomic<int> stop{0};
  tesmo::ColumnWalkOptions options;
  options.onRow = [&](const tesmo::TableRow& row) {
    if (row.instance == ObjectId{3}) stop = 1;
  };
  std::vector<tesmo::TableRow> rows;
  tesmo::SnmpTarget target = agent.Target();
  target.stop = &stop;
  auto outcome = tesmo::WalkColumns(target, {ColumnText(1)}, rows, options);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.rows, 3);
  EXPECT_TRUE(rows.empty());  // rows handed to onRow are not kept
  EXPECT_EQ(agent.requests, 3);
}

TEST_F(SnmpWalkTest, ProgressNamesTheChosenColumnOfAKeptRow) {
  // Every answer takes longer than the 300 ms between two progress texts.
  std::map<ObjectId, std::string> objects;
  objects[Join(Column(1), {1})] = Text("first");
  objects[Join(Column(1), {2})] = Text("second");
  objects[Join(Column(2), {1})] = Text("name-1");
  objects[Join(Column(2), {2})] = Text("name-2");
  objects[Join(Column(3), {1})] = Text("after");
  auto table = TableAgent(objects);
  FakeAgent agent([&](const std::vector<ObjectId>& names) {
    std::this_thread::sleep_for(std::chrono::milliseconds(320));
    return table(names);
  });
  tesmo::CStatusLog log;
  tesmo::ColumnWalkOptions options;
  options.progressColumn = 1;
  std::vector<tesmo::TableRow> rows;
  tesmo::SnmpTarget target = agent.Target();
  target.timeoutMs = 2000;
  tesmo::WalkColumns(target, {ColumnText(1), ColumnText(2)}, rows, options);
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(log.StdTexts(), (std::vector<std::string>{"Getting name-1", "Getting name-2"}));
}

TEST_F(SnmpWalkTest, ErrorStatusOtherThanNoSuchNameEndsTheWalk) {
  FakeAgent agent([](const std::vector<ObjectId>&) {
    Answer answer;
    answer.errorStatus = 5;
    answer.errorIndex = 1;
    return answer;
  });
  tesmo::CStatusLog log;
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(agent.Target(), {ColumnText(1)}, rows);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.status, 5);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(log.StdTexts().back(), "Error in packet");
}

}  // namespace
