// The NSLookup page's tool: DNS lookups and zone listings with the program's
// own resolver settings.
#include <cstdio>

#include "tools/nslookup/dns_batch.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

int RunDnsBatchPage(BatchContext& context) {
  DnsBatchOptions options;
  options.name = context.options.host.toStdString();
  const auto text = [&](const char* name, std::string& value) {
    if (auto given = context.options.Text(name)) value = given->toStdString();
  };
  text("--type", options.type);
  text("--class", options.dnsClass);
  text("--server", options.server);
  options.list = context.options.Has("--list");
  options.ipv6Addresses = context.options.Has("--aaaa");
  // The common --port names the servers' port here (a name server on a port
  // of its own); the stored SNMP port means nothing to DNS.
  if (context.options.port) options.port = static_cast<uint16_t>(*context.options.port);
  // The lines are printed as they come: a listing holds no memory.
  options.print = [&context](const std::string& line) {
    context.print(QString::fromStdString(line) + QLatin1Char('\n'));
  };

  if (context.report.Wanted()) {
    context.report.SetColumns({{QStringLiteral("name")},
                               {QStringLiteral("type")},
                               {QStringLiteral("class")},
                               {QStringLiteral("ttl"), ReportType::kNumber},
                               {QStringLiteral("data")}});
    options.record = [&context](const DnsRecordFields& record) {
      context.report.AddRecord(
          {QString::fromStdString(record.name), QString::fromStdString(record.type),
           QString::fromStdString(record.dnsClass), QString::fromStdString(record.ttl),
           QString::fromStdString(record.data)});
    };
  }
  const DnsBatchResult result = RunDnsBatch(options, context.job.stop);
  if (result.exitCode == kBatchUsage) {
    for (const std::string& line : result.lines) std::fprintf(stderr, "tesmo: %s\n", line.c_str());
    return kBatchUsage;
  }
  return result.exitCode == kBatchOk ? kBatchOk : kBatchNoAnswer;
}

const CToolRegistration registration({
    .sortKey = "I.NSLookup",
    .name = "dns",
    .captionId = 110,
    .summary =
        "DNS lookup of NAME as HOST, or with --list the zone listing of NAME (NSLookup page)",
    .options = {{"--type", "T", false},
                {"--class", "C", false},
                {"--server", "ADDR", false},
                {"--list", nullptr},
                {"--aaaa", nullptr}},
    .run = RunDnsBatchPage,
    .resolvesHost = false,
});

}  // namespace
}  // namespace tesmo
