// A UDP socket on the loopback that never answers; counts what arrives.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

namespace tesmo {

class CSilentPeer {
 public:
  CSilentPeer() {
    fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~CSilentPeer() { close(fd); }
  CSilentPeer(const CSilentPeer&) = delete;
  CSilentPeer& operator=(const CSilentPeer&) = delete;

  // Datagrams that arrive within waitMs.
  int Received(int waitMs) {
    int count = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char buffer[2048];
      if (recv(fd, buffer, sizeof buffer, 0) >= 0) ++count;
    }
    return count;
  }

  int fd = -1;
  uint16_t port = 0;
};

}  // namespace tesmo
