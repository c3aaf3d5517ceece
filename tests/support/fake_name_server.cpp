// The fake name server's one thread: it waits on its UDP socket, its TCP
// listener and a pipe that tells it to end.
#include "support/fake_name_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "support/dns_message_builder.h"

namespace tesmo::test {

namespace {

// Reads exactly count bytes; false on close, error or a 2 s silence.
bool ReadAll(int fd, uint8_t* buffer, size_t count) {
  size_t got = 0;
  while (got < count) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 2000) <= 0) return false;
    const ssize_t n = recv(fd, buffer + got, count - got, 0);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

bool SendAll(int fd, const Bytes& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

Bytes Framed(const Bytes& message, size_t send) {
  Bytes framed = U16(static_cast<uint32_t>(message.size()));
  framed.insert(framed.end(), message.begin(), message.begin() + static_cast<long>(send));
  return framed;
}

Bytes Soa() {
  return Concat({WireName("ns1.cut.test"), WireName("hostmaster.cut.test"), U32(7), U32(3600),
                 U32(600), U32(86400), U32(300)});
}

}  // namespace

CFakeNameServer::CFakeNameServer(Mode mode, int dripMs) : mode(mode), dripMs(dripMs) {
  if (pipe(wake) != 0) return;
  // UDP on an ephemeral port, then TCP on the same one; a port whose TCP side
  // is taken is given back and another tried.
  for (int attempt = 0; attempt < 20 && port == 0; ++attempt) {
    udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    tcp = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const int on = 1;
    setsockopt(tcp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(udp, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
        bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(tcp, 8) == 0) {
      port = ntohs(address.sin_port);
      break;
    }
    close(udp);
    close(tcp);
    udp = tcp = -1;
  }
  if (port != 0) thread = std::thread([this] { Run(); });
}

CFakeNameServer::~CFakeNameServer() {
  if (thread.joinable()) {
    const char end = 'x';
    (void)!write(wake[1], &end, 1);
    thread.join();
  }
  for (int fd : {udp, tcp, wake[0], wake[1]}) {
    if (fd >= 0) close(fd);
  }
}

void CFakeNameServer::ServeConnection(int connection) {
  uint8_t prefix[2];
  if (!ReadAll(connection, prefix, 2)) return;
  std::vector<uint8_t> query(static_cast<size_t>(prefix[0] << 8 | prefix[1]));
  if (query.size() < 12 || !ReadAll(connection, query.data(), query.size())) return;
  const uint16_t id = static_cast<uint16_t>(query[0] << 8 | query[1]);
  if (mode == Mode::kTruncatedThenDrip) {
    // A whole answer to the query, one byte at a time, until the client
    // gives up (the send fails) or the server is told to end.
    Bytes answer(query.begin(), query.end());
    answer[2] |= 0x84;  // a response, authoritative
    const Bytes framed = Framed(answer, answer.size());
    for (uint8_t byte : framed) {
      // The server is told to end, or the client hung up.
      pollfd ended[2] = {{wake[0], POLLIN, 0}, {connection, POLLRDHUP, 0}};
      if (poll(ended, 2, dripMs) != 0) return;
      if (send(connection, &byte, 1, MSG_NOSIGNAL) != 1) return;
    }
    return;
  }
  if (mode == Mode::kTruncatedThenCut) {
    // A length of 100, then the query's own 12 header bytes, then nothing.
    Bytes cut = U16(100);
    cut.insert(cut.end(), query.begin(), query.begin() + 12);
    SendAll(connection, cut);
    return;
  }

  const Bytes first = CDnsMessageBuilder()
                          .Id(id)
                          .Flags(0x8400)
                          .Question("cut.test", 252)
                          .Answer("cut.test", 6, Soa())
                          .Answer("a.cut.test", 1, {10, 99, 0, 1})
                          .Answer("b.cut.test", 1, {10, 99, 0, 2})
                          .Build();
  const Bytes second = CDnsMessageBuilder()
                           .Id(id)
                           .Flags(0x8400)
                           .Answer("c.cut.test", 1, {10, 99, 0, 3})
                           .Answer("d.cut.test", 1, {10, 99, 0, 4})
                           .Answer("cut.test", 6, Soa())
                           .Build();
  if (mode == Mode::kEndlessTransfer) {
    SendAll(connection, Framed(first, first.size()));
    for (uint32_t n = 0;; ++n) {
      CDnsMessageBuilder more;
      more.Id(id).Flags(0x8400);
      for (uint32_t k = 0; k < 50; ++k) {
        const uint32_t host = n * 50 + k;
        more.Answer("h" + std::to_string(host) + ".cut.test", 1,
                    {10, static_cast<uint8_t>(host >> 16), static_cast<uint8_t>(host >> 8),
                     static_cast<uint8_t>(host)});
      }
      const Bytes message = more.Build();
      pollfd ended[2] = {{wake[0], POLLIN, 0}, {connection, POLLRDHUP, 0}};
      if (poll(ended, 2, 0) != 0) return;
      if (!SendAll(connection, Framed(message, message.size()))) return;
    }
  }
  if (mode == Mode::kForeignSoaTransfer) {
    const Bytes foreign = CDnsMessageBuilder()
                              .Id(id)
                              .Flags(0x8400)
                              .Answer("other.test", 6, Soa())
                              .Answer("e.cut.test", 1, {10, 99, 0, 5})
                              .Build();
    SendAll(connection, Framed(first, first.size()));
    SendAll(connection, Framed(foreign, foreign.size()));
    SendAll(connection, Framed(second, second.size()));
    return;
  }
  SendAll(connection, Framed(first, first.size()));
  SendAll(connection, Framed(second, second.size() / 2));
}

void CFakeNameServer::Run() {
  std::vector<int> held;  // connections a silent server keeps open
  for (;;) {
    pollfd ready[3] = {{udp, POLLIN, 0}, {tcp, POLLIN, 0}, {wake[0], POLLIN, 0}};
    if (poll(ready, 3, -1) < 0) continue;
    if (ready[2].revents) break;
    if (ready[0].revents & POLLIN) {
      uint8_t buffer[4096];
      sockaddr_in from{};
      socklen_t size = sizeof from;
      const ssize_t n =
          recvfrom(udp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
      if (n >= 12) {
        ++requests;
        if (mode == Mode::kEndlessTransfer) {
          buffer[2] |= 0x84;
          buffer[3] = static_cast<uint8_t>((buffer[3] & 0xF0) | 3);  // NXDOMAIN
          sendto(udp, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr*>(&from), size);
        } else if (mode == Mode::kStaleIds || mode == Mode::kTruncatedThenCut ||
                   mode == Mode::kTruncatedThenDrip) {
          // The query turned into an empty answer: under an id that was never
          // asked, or under its own id with the truncation flag.
          if (mode == Mode::kStaleIds) buffer[0] ^= 0x55;
          buffer[2] |= mode == Mode::kStaleIds ? 0x80 : 0x82;
          sendto(udp, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr*>(&from), size);
        }
      }
    }
    if (ready[1].revents & POLLIN) {
      const int connection = accept4(tcp, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection >= 0) {
        ++requests;
        if (mode != Mode::kStaleIds && mode != Mode::kSilent) {
          ServeConnection(connection);
          close(connection);
        } else {
          held.push_back(connection);
        }
      }
    }
  }
  for (int connection : held) close(connection);
}

}  // namespace tesmo::test
