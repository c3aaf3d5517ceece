// A small SNMPv1 agent on a loopback UDP port of its own, for faults a real
// agent does not produce: each request is answered with what a handler makes
// of the requested names. With a little BER to build the answers.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/base/snmp_target.h"
#include "core/snmp/snmp_types.h"

namespace tesmo::fake {

// ---- a little BER, enough for SNMPv1 requests and responses ----

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

inline std::string Tlv(uint8_t tag, const std::string& content) {
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

inline std::string Integer(long value, uint8_t tag = 0x02) {
  std::string bytes;
  for (int i = 7; i >= 0; --i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  while (bytes.size() > 1 &&
         ((bytes[0] == 0 && !(bytes[1] & 0x80)) || (bytes[0] == '\xff' && (bytes[1] & 0x80)))) {
    bytes.erase(0, 1);
  }
  return Tlv(tag, bytes);
}

inline std::string Oid(const ObjectId& id) {
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

inline ObjectId Join(const ObjectId& a, const ObjectId& b) {
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

// An SNMPv1/v2c agent on a loopback UDP port of its own that answers each
// request (GET, GETNEXT, GETBULK) with what the handler makes of the
// requested names; bulkFault, when given, changes each GETBULK answer before
// it goes out (cut it short, put an exception in). It stops when the test
// ends or after maxRequests requests.
class FakeAgent {
 public:
  using Handler = std::function<Answer(const std::vector<ObjectId>&)>;
  using BulkFault = std::function<void(Answer&)>;

  explicit FakeAgent(Handler handler, int maxRequests = 200, BulkFault bulkFault = {})
      : handler(std::move(handler)), bulkFault(std::move(bulkFault)), maxRequests(maxRequests) {
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
    while (!stop && requests < maxRequests) {
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
      const uint8_t command = tag;
      long requestId = pdu.Integer();
      pdu.Integer();
      const long maxRepetitions = pdu.Integer();  // error index, or a GETBULK's repetitions
      Reader list = pdu.Take(tag);
      std::vector<ObjectId> names;
      while (list.ok && list.p < list.end) {
        Reader binding = list.Take(tag);
        names.push_back(binding.Oid());
      }
      if (!message.ok || !body.ok || !pdu.ok) continue;
      Answer answer =
          command == 0xA5 ? Bulk(names, std::clamp(maxRepetitions, 1L, 50L)) : handler(names);
      if (command == 0xA5 && bulkFault) bulkFault(answer);
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

  // A GETBULK as an SNMPv2 agent answers it: the handler's GETNEXT answer
  // repeated from the names it gave, a column past the end of the MIB reads
  // endOfMibView from there on.
  Answer Bulk(std::vector<ObjectId> names, long repetitions) {
    Answer bulk;
    std::vector<bool> ended(names.size(), false);
    for (long r = 0; r < repetitions; ++r) {
      for (size_t i = 0; i < names.size(); ++i) {
        Answer one = ended[i] ? Answer{} : handler({names[i]});
        if (ended[i] || one.errorStatus != 0 || one.bindings.empty()) {
          ended[i] = true;
          bulk.bindings.push_back({names[i], Tlv(0x82, "")});
          continue;
        }
        bulk.bindings.push_back(one.bindings[0]);
        names[i] = one.bindings[0].first;
      }
    }
    return bulk;
  }

  Handler handler;
  BulkFault bulkFault;
  int maxRequests;
  int fd = -1;
  uint16_t port = 0;
  std::atomic<bool> stop{false};
  std::thread thread;
};

// A well-behaved agent over a fixed set of objects: each name's successor,
// or noSuchName past the last one.
inline FakeAgent::Handler TableAgent(std::map<ObjectId, std::string> objects) {
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

}  // namespace tesmo::fake
