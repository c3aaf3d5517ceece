// The Reachability report and the batch run that produces it.
#include "tools/reachability/reachability_report.h"

#include "core/base/status_channel.h"
#include "tools/reachability/ping_loop.h"

namespace tesmo {

std::string ReachabilityReport(const CServiceResults::States& states,
                               const std::vector<std::string>& historyLines) {
  std::string text = "Reachability parameters\n-----------------------\n";
  for (int row = 0; row < kServiceCount; ++row) {
    text += kReachabilityServices[static_cast<size_t>(row)].name;
    text += " : ";
    text += ServiceStateText(states[static_cast<size_t>(row)]);
    text += '\n';
  }
  text += "\nping results\n------------\n";
  for (const std::string& line : historyLines) text += line + "\n";
  return text;
}

const char* ServiceStateText(ServiceState state) {
  switch (state) {
    case ServiceState::Ok:
      return "OK";
    case ServiceState::NotReachable:
      return "not reachable";
    default:
      return "?";
  }
}

ReachabilityBatchResult RunReachabilityBatch(const JobContext& context, const PingSettings& ping,
                                             uint32_t pings, const EchoFunction& echo) {
  CPingLoop loop(echo);
  loop.SetSettings(ping);
  CServiceResults results;
  PostStatus("Getting reachability variables");
  loop.RunEchoes(context.target.address, pings, *context.stop);
  TestServices({context.target}, results);
  PostStatus("Ready");

  ReachabilityBatchResult batch;
  CServiceResults::States states = results.All();
  batch.history = loop.History().Lines();
  batch.report = ReachabilityReport(states, batch.history);
  batch.states = states;
  batch.statistics = loop.Statistics();
  batch.answered = loop.Statistics().received > 0;
  for (ServiceState state : states) batch.answered = batch.answered || state == ServiceState::Ok;
  return batch;
}

}  // namespace tesmo
