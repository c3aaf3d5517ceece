// A fake name server on 127.0.0.1 (UDP and TCP on one port of its own) for
// the faults a real named does not produce. Everything it sends stays on
// loopback, and it stops when destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace tesmo::test {

class CFakeNameServer {
 public:
  enum class Mode {
    // Answers every UDP query, but always with another message id.
    kStaleIds,
    // Reads queries and connections and never answers.
    kSilent,
    // Answers a zone transfer with one whole message (SOA and two A records)
    // and then half of a second message before closing the connection.
    kCutTransfer,
    // Answers UDP queries with the truncation flag and no records, and TCP
    // queries with the first bytes of an answer before closing.
    kTruncatedThenCut,
    // Answers UDP queries with the truncation flag, and TCP queries (a
    // lookup's or a zone transfer's) with a whole answer sent one byte every
    // dripMs.
    kTruncatedThenDrip,
    // Answers a zone transfer of cut.test in three messages, the second
    // beginning with the SOA record of another zone: only the zone's own
    // SOA, sent again, ends it.
    kForeignSoaTransfer,
    // Answers UDP queries with "no such name", and a zone transfer of
    // cut.test with its SOA and then A records, message after message, never
    // ending, until the client hangs up.
    kEndlessTransfer,
  };

  explicit CFakeNameServer(Mode mode, int dripMs = 300);
  ~CFakeNameServer();
  CFakeNameServer(const CFakeNameServer&) = delete;
  CFakeNameServer& operator=(const CFakeNameServer&) = delete;

  bool Ok() const { return port != 0; }
  uint16_t Port() const { return port; }
  // Datagrams and connections received so far.
  int Requests() const { return requests.load(); }

 private:
  void Run();
  void ServeConnection(int connection);

  Mode mode;
  int dripMs;
  int udp = -1;
  int tcp = -1;
  int wake[2] = {-1, -1};
  uint16_t port = 0;
  std::atomic<int> requests{0};
  std::thread thread;
};

}  // namespace tesmo::test
