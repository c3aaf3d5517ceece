// The Reachability page's --batch entry.
#include "batch/reachability_batch.h"

#include "batch/batch.h"
#include "core/icmp/reachability_report.h"

namespace tesmo {

int RunReachabilityBatchPage(BatchContext& context) {
  ReachabilityBatchOptions options;
  options.services.addressText = context.parameters.ipAddress.toStdString();
  options.services.readCommunity = context.parameters.readCommunity.toStdString();
  options.services.snmpTimeoutMs = context.parameters.timeoutMs;
  options.services.snmpRetries = context.parameters.retries;
  options.ping = ReadPingSettings();
  options.pings = context.options.Number("--pings").value_or(0);
  ReachabilityBatchResult result = RunReachabilityBatch(options);
  context.print(QString::fromStdString(result.report));
  return result.answered ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo
