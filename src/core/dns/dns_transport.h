// Sending a DNS query and waiting for its answer (UDP with doubling waits,
// TCP when asked for, when the query is long or when the UDP answer came
// truncated), and the TCP stream a zone transfer reads.
//
// Every wait is cut into slices of at most kDnsPollSliceMs, after each of
// which the stop flag is looked at, so Stop ends a request within that time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/net/ip_address.h"

namespace tesmo {

class CDnsOutput;
class CDnsLog;

constexpr int kDnsPollSliceMs = 100;
// The longest answer a server can send (its TCP length is 16 bits).
constexpr size_t kDnsMaxMessage = 65535;

// True when the flag asks to stop (any value but 0); a null flag never does.
inline bool DnsStopRequested(const std::atomic<int>* stop) {
  return stop != nullptr && stop->load() != 0;
}

struct DnsTransportOptions {
  int retransmit = 2;  // seconds of the first UDP wait; each attempt doubles it
  int retries = 2;     // attempts; none when 0 or less
  bool debug = false;
  bool debug2 = false;
  uint16_t port = 53;
  const std::atomic<int>* stop = nullptr;
};

// Sends query to server (either family) and puts the answer into
// answer. Returns 0 with an answer; over UDP -1 when datagrams arrived but
// none was the answer and -5 when nothing arrived; over TCP -5 when the
// server refused the connection and -3 otherwise. A stop request ends the
// attempts at once, with the result the attempts so far give. Debug texts go
// to log, the dumps of queries and answers to out.
int SendDnsRequest(const DnsTransportOptions& options, const IpAddress& server,
                   const uint8_t* query, size_t length, std::vector<uint8_t>& answer,
                   CDnsOutput& out, CDnsLog& log);

// A TCP connection whose waits poll the stop flag. Each call's time-out
// bounds the whole call, however the peer doles its bytes out, and an
// overall deadline, when set, bounds every call after it.
class CDnsStream {
 public:
  enum class Status {
    kOk,
    kClosed,    // the peer closed the connection before the bytes came
    kFailed,    // a socket call failed; Error() tells why
    kRefused,   // the server refused the connection
    kTimedOut,  // the call's time-out or the overall deadline passed
    kStopped,   // the stop flag asked to stop
  };

  explicit CDnsStream(const std::atomic<int>* stop) : stop(stop) {}
  ~CDnsStream() { Close(); }
  CDnsStream(const CDnsStream&) = delete;
  CDnsStream& operator=(const CDnsStream&) = delete;

  // A socket of the server's family (AF_INET or AF_INET6).
  Status Open(int family);
  void SetDeadline(std::chrono::steady_clock::time_point at) { deadline = at; }
  Status Connect(const IpAddress& server, uint16_t port, int timeoutMs);
  // The 2-byte big-endian length and the message, in one gathered write.
  Status SendMessage(const uint8_t* message, size_t length, int timeoutMs);
  // Exactly count bytes, all within timeoutMs. got tells how many came
  // before a failure.
  Status Read(uint8_t* buffer, size_t count, int timeoutMs, size_t& got);
  void Close();
  int Error() const { return error; }

 private:
  // Waits for events on the socket in slices until until (or the overall
  // deadline); kOk when they came.
  Status Wait(short events, std::chrono::steady_clock::time_point until);

  const std::atomic<int>* stop;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  int fd = -1;
  int error = 0;
};

}  // namespace tesmo
