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
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/net/address_text.h"
#include "core/net/dns_message.h"
#include "core/net/resolver_state.h"

namespace tesmo {

namespace {

// Room for any answer, the TCP retry of a truncated one included.
constexpr size_t kAnswerSize = 65536;

// Calls visit for each answer record of the given type (class IN) until it
// returns true; false when the message cannot be read or nothing matched. A
// message whose sections do not fill it exactly is refused whole, as the
// resolver library's own parser refuses it.
template <typename Visit>
bool ForEachAnswer(const std::vector<unsigned char>& answer, int length, ns_type type,
                   Visit visit) {
  if (length <= 0) return false;
  const CDnsMessage message(answer.data(), std::min(static_cast<size_t>(length), answer.size()));
  const DnsHeader header = message.Header();
  auto offset = message.SkipQuestions();
  if (!offset || message.EndOfRecords() != message.Size()) return false;
  DnsRecord record;
  for (uint16_t i = 0; i < header.answers; ++i) {
    if (!message.NextRecord(*offset, record)) return false;
    if (record.type != type || record.dnsClass != ns_c_in) continue;
    if (visit(message, record)) return true;
  }
  return false;
}

}  // namespace

std::string InternalNameOfAddress(const IpAddress& address) {
  const std::string question = address.ReverseName();
  if (question.empty()) return {};
  std::vector<unsigned char> answer(kAnswerSize);
  const int length = res_nquery(ResolverState(), question.c_str(), ns_c_in, ns_t_ptr, answer.data(),
                                static_cast<int>(answer.size()));
  std::string name;
  ForEachAnswer(answer, length, ns_t_ptr, [&](const CDnsMessage& message, const DnsRecord& record) {
    return message.ReadName(record.data, name).has_value();
  });
  return name;
}

std::string InternalAddressOfName(const std::string& name, IpAddress::Family family) {
  const bool v6 = family == IpAddress::Family::kV6;
  const ns_type type = v6 ? ns_t_aaaa : ns_t_a;
  std::vector<unsigned char> answer(kAnswerSize);
  // res_nsearch applies the search list (name.a, name.b, then the name alone
  // for a name without dots) and follows the server's CNAME chain.
  const int length = res_nsearch(ResolverState(), name.c_str(), ns_c_in, type, answer.data(),
                                 static_cast<int>(answer.size()));
  std::string address;
  ForEachAnswer(answer, length, type, [&](const CDnsMessage& message, const DnsRecord& record) {
    if (!v6) {
      if (record.dataLength != 4) return false;
      address = FormatAddress(message.U32(record.data));
      return true;
    }
    if (record.dataLength != 16) return false;  // NextRecord checked the bounds
    std::array<uint8_t, 16> bytes;
    std::memcpy(bytes.data(), message.Bytes() + record.data, 16);
    address = IpAddress::V6(bytes).Text();
    return true;
  });
  return address;
}

std::string SystemNameOfAddress(const IpAddress& address) {
  socklen_t length = 0;
  const sockaddr_storage socketAddress = address.ToSockaddr(0, &length);
  if (length == 0) return {};
  char host[NI_MAXHOST];
  // NI_NAMEREQD: no name is a failure, not the address text.
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), length, host, sizeof host,
                  nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  return host;
}

std::string SystemAddressOfName(const std::string& name, IpAddress::Family family) {
  const int socketFamily = family == IpAddress::Family::kV6 ? AF_INET6 : AF_INET;
  addrinfo hints{};
  hints.ai_family = socketFamily;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return {};
  std::string address;
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_family != socketFamily || !entry->ai_addr) continue;
    if (auto ip = IpAddress::FromSockaddr(entry->ai_addr, entry->ai_addrlen)) {
      address = ip->Text();
      break;
    }
  }
  freeaddrinfo(found);
  return address;
}

}  // namespace tesmo
