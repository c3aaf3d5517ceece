// --batch NAME dns: one Lookup or List, its lines and an exit code.
#include "tools/nslookup/dns_batch.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "core/dns/dns_engine.h"
#include "core/dns/dns_output.h"
#include "core/dns/dns_records.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

DnsBatchResult UsageError(const std::string& line) {
  return DnsBatchResult{{line}, kBatchUsage};
}

}  // namespace

DnsBatchResult RunDnsBatch(const DnsBatchOptions& options, const std::atomic<int>* stop) {
  const auto type = DnsTypeNumber(options.type);
  if (!type) return UsageError("unknown query type: " + options.type);
  const auto dnsClass = DnsClassNumber(options.dnsClass);
  if (!dnsClass) return UsageError("unknown query class: " + options.dnsClass);
  std::vector<IpAddress> servers;
  if (!options.server.empty()) {
    // An IPv4 server in the classic forms, as ever; an IPv6 one in any form.
    std::optional<IpAddress> address;
    if (const std::optional<uint32_t> ipv4 = ParseAddressText(options.server)) {
      address = IpAddress::V4(*ipv4);
    } else if (LooksLikeIpv6(options.server)) {
      address = ParseIpAddress(options.server);
    }
    if (!address) return UsageError("not a server address: " + options.server);
    servers.push_back(*address);
  }

  CDnsOutput out;
  if (options.print) out.Store().SetSink(options.print);
  if (options.record) out.SetRecordSink(options.record);
  CDnsEngine engine(out);
  // Standard output carries the report: the engine's notes for the log file
  // ("Non-authoritative answer:", debug titles) go to standard error.
  engine.Log().SetWriter([](CDnsLog::Stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
  });
  engine.SetStopFlag(stop);
  engine.SetServerPort(options.port);
  engine.SetServers(std::move(servers));
  engine.SetAskIpv6Addresses(options.ipv6Addresses);
  engine.SetQueryType(*type);
  engine.SetQueryClass(*dnsClass);
  const int result = engine.RunQuery(
      options.list ? CDnsEngine::Query::kList : CDnsEngine::Query::kLookup, options.name);

  DnsBatchResult batch;
  batch.lines = out.Lines();
  // A last piece without its line feed is still part of the report.
  if (std::string pending = out.PendingLine(); !pending.empty()) {
    if (options.print) {
      options.print(pending);
    } else {
      batch.lines.push_back(pending);
    }
  }
  batch.exitCode = result == kDnsSuccess ? kBatchOk : kBatchNoAnswer;
  return batch;
}

}  // namespace tesmo
