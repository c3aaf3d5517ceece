// The NSLookup page's --batch entry.
#include "batch/dns_batch_page.h"

#include <cstdio>

#include "batch/batch.h"
#include "core/base/job_control.h"
#include "core/dns/dns_batch.h"

namespace tesmo {

int RunDnsBatchPage(BatchContext& context) {
  DnsBatchOptions options;
  options.name = context.options.host.toStdString();
  const auto& given = context.options.pageOptions;
  const auto text = [&](const char* name, std::string& value) {
    if (auto found = given.find(QString::fromUtf8(name)); found != given.end()) {
      value = found->second.toStdString();
    }
  };
  text("--type", options.type);
  text("--class", options.dnsClass);
  text("--server", options.server);
  options.list = given.count(QStringLiteral("--list")) != 0;
  // The common --port names the servers' port here (a name server on a port
  // of its own); the stored SNMP port means nothing to DNS.
  if (context.options.port) options.port = static_cast<uint16_t>(*context.options.port);

  const DnsBatchResult result = RunDnsBatch(options, &StopFlag);
  if (result.exitCode == kBatchUsage) {
    for (const std::string& line : result.lines) std::fprintf(stderr, "tesmo: %s\n", line.c_str());
    return kBatchUsage;
  }
  QString report;
  for (const std::string& line : result.lines) report += QString::fromStdString(line) + '\n';
  context.print(report);
  return result.exitCode == kBatchOk ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo
