// Walks against small fake agents on the loopback: faults a real snmpd does
// not produce (an answer that does not follow the question, a table with
// holes, a short last column at the end of the MIB).
#include "core/tables/column_walk.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "core/base/status_channel.h"
#include "core/snmp/snmp_request.h"
#include "support/status_log.h"

namespace {

using tesmo::ObjectId;

// ---- a little BER, enough for SNMPv1 GETNEXT requests and responses ----

struct Reader {
  const uint8_t* p;
  const uint8_t* end;
  bool ok = true;
  // Reads a tag and length; returns the content as a sub-reader.
  Reader Take(uint8_t& tag) {
    if (end - p < 2) return Fail();
    tag = *p++;
    size_t length = *p++;
    if (length & 0x80) {
      int bytes = length & 0x7f;
      if (bytes > 4 || end - p < bytes) return Fail();
      length = 0;
      while (bytes-- > 0) length = (length << 8) | *p++;
    }
    if (static_cast<size_t>(end - p) < length) return Fail();
    Reader inner{p, p + length};
    p += length;
    return inner;
  }
  Reader Fail() {
    ok = false;
    return Reader{end, end, false};
  }
  long Integer() {
    uint8_t tag;
    Reader r = Take(tag);
    long value = (r.p < r.end && (*r.p & 0x80)) ? -1 : 0;
    while (r.p < r.end) value = (value << 8) | *r.p++;
    return value;
  }
  ObjectId Oid() {
    uint8_t tag;
    Reader r = Take(tag);
    ObjectId id;
    if (r.p == r.end) return id;
    id.push_back(*r.p / 40);
    id.push_back(*r.p++ % 40);
    uint32_t sub = 0;
    while (r.p < r.end) {
      sub = (sub << 7) | (*r.p & 0x7f);
      if (!(*r.p++ & 0x80)) {
        id.push_back(sub);
        sub = 0;
      }
    }
    return id;
  }
};

std::string Tlv(uint8_t tag, const std::string& content) {
  std::string out(1, static_cast<char>(tag));
  size_t n = content.size();
  if (n < 128) {
    out += static_cast<char>(n);
  } else {
    out += static_cast<char>(0x82);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(n & 0xff);
  }
  return out + content;
}

std::string Integer(long value, uint8_t tag = 0x02) {
  std::string bytes;
  for (int i = 7; i >= 0; --i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  while (bytes.size() > 1 &&
         ((bytes[0] == 0 && !(bytes[1] & 0x80)) || (bytes[0] == '\xff' && (bytes[1] & 0x80)))) {
    bytes.erase(0, 1);
  }
  return Tlv(tag, bytes);
}

std::string Oid(const ObjectId& id) {
  std::string bytes(1, static_cast<char>(id[0] * 40 + id[1]));
  for (size_t i = 2; i < id.size(); ++i) {
    std::string sub(1, static_cast<char>(id[i] & 0x7f));
    for (uint32_t v = id[i] >> 7; v != 0; v >>= 7) {
      sub.insert(sub.begin(), static_cast<char>(0x80 | (v & 0x7f)));
    }
    bytes += sub;
  }
  return Tlv(0x06, bytes);
}

ObjectId Join(const ObjectId& a, const ObjectId& b) {
  ObjectId id = a;
  id.insert(id.end(), b.begin(), b.end());
  return id;
}

// One answer of the fake agent: name and encoded value, or an error status
// with its index.
struct Answer {
  std::vector<std::pair<ObjectId, std::string>> bindings;
  int errorStatus = 0;
  int errorIndex = 0;
};

// An SNMPv1 agent on a loopback UDP port of its own that answers each
// GETNEXT with what the handler makes of the requested names. It stops when
// the test ends or after 200 requests.
class FakeAgent {
 public:
  using Handler = std::function<Answer(const std::vector<ObjectId>&)>;

  explicit FakeAgent(Handler handler) : handler(std::move(handler)) {
    fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    thread = std::thread([this] { Serve(); });
  }
  ~FakeAgent() {
    stop = true;
    thread.join();
    close(fd);
  }
  tesmo::SnmpTarget Target() const {
    tesmo::SnmpTarget target;
    target.address = "127.0.0.1";
    target.port = port;
    target.timeoutMs = 500;
    target.retries = 0;
    return target;
  }
  int requests = 0;

 private:
  void Serve() {
    while (!stop && requests < 200) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      uint8_t buffer[4096];
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      ssize_t n =
          recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (n <= 0) continue;
      ++requests;
      Reader message{buffer, buffer + n};
      uint8_t tag;
      Reader body = message.Take(tag);
      long version = body.Integer();
      Reader community = body.Take(tag);
      Reader pdu = body.Take(tag);
      long requestId = pdu.Integer();
      pdu.Integer();
      pdu.Integer();
      Reader list = pdu.Take(tag);
      std::vector<ObjectId> names;
      while (list.ok && list.p < list.end) {
        Reader binding = list.Take(tag);
        names.push_back(binding.Oid());
      }
      if (!message.ok || !body.ok || !pdu.ok) continue;
      Answer answer = handler(names);
      std::string bindings;
      for (const auto& [name, value] : answer.bindings) bindings += Tlv(0x30, Oid(name) + value);
      if (answer.errorStatus != 0) {
        bindings.clear();
        for (const ObjectId& name : names) bindings += Tlv(0x30, Oid(name) + Tlv(0x05, ""));
      }
      std::string response =
          Tlv(0x30, Integer(version) +
                        Tlv(0x04, std::string(reinterpret_cast<const char*>(community.p),
                                              community.end - community.p)) +
                        Tlv(0xA2, Integer(requestId) + Integer(answer.errorStatus) +
                                      Integer(answer.errorIndex) + Tlv(0x30, bindings)));
      sendto(fd, response.data(), response.size(), 0, reinterpret_cast<sockaddr*>(&from),
             fromLength);
    }
  }

  Handler handler;
  int fd = -1;
  uint16_t port = 0;
  std::atomic<bool> stop{false};
  std::thread thread;
};

// A well-behaved agent over a fixed set of objects: each name's successor,
// or noSuchName past the last one.
FakeAgent::Handler TableAgent(std::map<ObjectId, std::string> objects) {
  return [objects = std::move(objects)](const std::vector<ObjectId>& names) {
    Answer answer;
    for (size_t i = 0; i < names.size(); ++i) {
      auto next = objects.upper_bound(names[i]);
      if (next == objects.end()) {
        answer.errorStatus = 2;
        answer.errorIndex = static_cast<int>(i + 1);
        return answer;
      }
      answer.bindings.push_back(*next);
    }
    return answer;
  };
}

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
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
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
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
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
  options.stopFlag = &stop;
  options.onRow = [&](const tesmo::TableRow& row) {
    if (row.instance == ObjectId{3}) stop = 1;
  };
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(agent.Target(), {ColumnText(1)}, rows, options);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(rows.size(), 3u);
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
