// libFuzzer targets over the DNS engine's readers of server messages: one
// source, built four times with DNS_FUZZ_READER naming the reader:
//
//   answer    reading an answer into the host information record
//   records   resource record lines, record after record
//   dump      the debug dump
//   listing   zone listing lines
//
// The first input byte sets the reader's options (type asked, debug levels,
// listed type); the rest is the message, copied into a buffer of exactly its
// size so that a read one byte past it trips AddressSanitizer.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "core/dns/dns_dump.h"
#include "core/dns/dns_host_info.h"
#include "core/dns/dns_output.h"
#include "core/dns/dns_record_lines.h"
#include "core/net/dns_message.h"

#ifndef DNS_FUZZ_READER
#error "DNS_FUZZ_READER must name the reader (answer, records, dump or listing)"
#endif

namespace {

#define DNS_FUZZ_STRINGIFY2(x) #x
#define DNS_FUZZ_STRINGIFY(x) DNS_FUZZ_STRINGIFY2(x)
constexpr std::string_view kReader = DNS_FUZZ_STRINGIFY(DNS_FUZZ_READER);

// Types a lookup or a listing asks for; the option byte picks one.
constexpr int kTypes[] = {1, 2, 5, 6, 11, 12, 13, 15, 16, 19, 20, 22, 26, 28, 29, 33, 35, 101, 255};

size_t OutputSize(const tesmo::CDnsOutput& out) {
  size_t size = out.PendingLine().size();
  for (const auto& line : out.Lines()) size += line.size() + 1;
  return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t options = data[0];
  std::unique_ptr<uint8_t[]> exact(new uint8_t[std::max<size_t>(size - 1, 1)]);
  std::memcpy(exact.get(), data + 1, size - 1);
  const tesmo::CDnsMessage message(exact.get(), size - 1);

  tesmo::CDnsOutput out;
  tesmo::CDnsLog log;
  size_t logged = 0;
  log.SetWriter([&](tesmo::CDnsLog::Stream, std::string_view text) { logged += text.size(); });
  const int type = kTypes[(options >> 3) % std::size(kTypes)];
  const tesmo::DnsPrintFlags flags{(options & 1) != 0, (options & 2) != 0};

  if (kReader == "answer") {
    tesmo::DnsHostInfo info;
    tesmo::DnsAnswerQuery query;
    query.type = type;
    query.addressQuery = (options & 4) != 0 && type == 12;
    query.toServer = (options & 4) != 0;
    query.flags = flags;
    query.hostIpv6 = (options & 4) != 0 && type == 28;
    tesmo::ReadDnsAnswer(message.Bytes(), message.Size(), query, info, out, log);
    if (info.aliases.size() > tesmo::DnsHostInfo::kMaxAliases ||
        info.addresses.size() > tesmo::DnsHostInfo::kMaxAddresses ||
        info.ipv6Addresses.size() > tesmo::DnsHostInfo::kMaxAddresses ||
        info.servers.size() > tesmo::DnsHostInfo::kMaxServers)
      __builtin_trap();
    for (const auto& server : info.servers) {
      if (server.addresses.size() > tesmo::DnsHostInfo::kMaxAddresses ||
          server.domains.size() > tesmo::DnsHostInfo::kMaxDomains)
        __builtin_trap();
    }
    tesmo::PrintHostInfo(out, "Name:", info);
  } else if (kReader == "records") {
    auto offset = message.SkipQuestions();
    for (int i = 0; offset && i < 4096; ++i) {
      offset = tesmo::PrintResourceRecord(out, message, *offset, flags);
    }
  } else if (kReader == "dump") {
    tesmo::PrintDebugDump(out, log, message, flags);
  } else {
    tesmo::DnsListing listing;
    listing.type = type;
    listing.domain = (options & 4) != 0 ? "dns.test." : "";
    listing.debug = flags.debug;
    tesmo::PrintZoneListingLines(out, message, listing);
  }

  // Every text is bounded by a small multiple of the message: a name of at
  // most 1025 characters per two bytes of pointer, a few words per byte.
  if (OutputSize(out) + logged > 1100 * size + 4096) __builtin_trap();
  return 0;
}
