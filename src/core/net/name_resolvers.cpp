// The internal resolver (resolver library, the program's own lists) and the
// system resolver (getaddrinfo/getnameinfo).
#include "core/net/name_resolvers.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/net/address_text.h"
#include "core/net/resolver_state.h"

namespace tesmo {

namespace {

// Room for any answer, the TCP retry of a truncated one included.
constexpr size_t kAnswerSize = 65536;

// Calls visit for each answer record of the given type (class IN) until it
// returns true; false when the message cannot be read or nothing matched.
template <typename Visit>
bool ForEachAnswer(const std::vector<unsigned char>& answer, int length, ns_type type,
                   Visit visit) {
  if (length <= 0) return false;
  ns_msg message;
  if (ns_initparse(answer.data(), std::min<int>(length, static_cast<int>(answer.size())),
                   &message) < 0)
    return false;
  const int count = ns_msg_count(message, ns_s_an);
  for (int i = 0; i < count; ++i) {
    ns_rr record;
    if (ns_parserr(&message, ns_s_an, i, &record) < 0) return false;
    if (ns_rr_type(record) != type || ns_rr_class(record) != ns_c_in) continue;
    if (visit(message, record)) return true;
  }
  return false;
}

}  // namespace

std::string InternalNameOfAddress(uint32_t address) {
  char question[32];
  std::snprintf(question, sizeof question, "%u.%u.%u.%u.in-addr.arpa", address & 0xFF,
                (address >> 8) & 0xFF, (address >> 16) & 0xFF, address >> 24);
  std::vector<unsigned char> answer(kAnswerSize);
  const int length = res_nquery(ResolverState(), question, ns_c_in, ns_t_ptr, answer.data(),
                                static_cast<int>(answer.size()));
  std::string name;
  ForEachAnswer(answer, length, ns_t_ptr, [&](const ns_msg& message, const ns_rr& record) {
    char expanded[NS_MAXDNAME];
    if (dn_expand(ns_msg_base(message), ns_msg_end(message), ns_rr_rdata(record), expanded,
                  sizeof expanded) < 0)
      return false;
    name = expanded;
    return true;
  });
  return name;
}

std::string InternalAddressOfName(const std::string& name) {
  std::vector<unsigned char> answer(kAnswerSize);
  // res_nsearch applies the search list (name.a, name.b, then the name alone
  // for a name without dots) and follows the server's CNAME chain.
  const int length = res_nsearch(ResolverState(), name.c_str(), ns_c_in, ns_t_a, answer.data(),
                                 static_cast<int>(answer.size()));
  std::string address;
  ForEachAnswer(answer, length, ns_t_a, [&](const ns_msg&, const ns_rr& record) {
    if (ns_rr_rdlen(record) != 4) return false;
    const unsigned char* bytes = ns_rr_rdata(record);
    address = FormatAddress((uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                            (uint32_t{bytes[2]} << 8) | bytes[3]);
    return true;
  });
  return address;
}

std::string SystemNameOfAddress(uint32_t address) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_addr.s_addr = htonl(address);
  char host[NI_MAXHOST];
  // NI_NAMEREQD: no name is a failure, not the address text.
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, host,
                  sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  return host;
}

std::string SystemAddressOfName(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return {};
  std::string address;
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || !entry->ai_addr) continue;
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    address = FormatAddress(ntohl(ipv4->sin_addr.s_addr));
    break;
  }
  freeaddrinfo(found);
  return address;
}

}  // namespace tesmo
