// The Reachability page's tool: continuous ping and the service checks.
#include "tools/reachability/reachability_report.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

// The services as records, the echoes' statistics as fields and metrics.
void ReportResult(const ReachabilityBatchResult& result, CBatchReport& report) {
  report.SetColumns({{QStringLiteral("service")}, {QStringLiteral("state")}});
  for (int row = 0; row < kServiceCount; ++row) {
    const ServiceState state = result.states[static_cast<size_t>(row)];
    const QString name = QLatin1String(kReachabilityServices[static_cast<size_t>(row)].name);
    report.AddRecord({name, QLatin1String(ServiceStateText(state))});
    if (state == ServiceState::Ok || state == ServiceState::NotReachable) {
      report.AddMetric({QStringLiteral("tesmo_service_up"),
                        QStringLiteral("1 when the service answered, 0 when it did not."),
                        {{QStringLiteral("service"), name}},
                        state == ServiceState::Ok ? 1.0 : 0.0});
    }
  }
  const PingStatistics& s = result.statistics;
  report.AddField(QStringLiteral("sent"), QString::number(s.sent), ReportType::kNumber);
  report.AddField(QStringLiteral("received"), QString::number(s.received), ReportType::kNumber);
  report.AddMetric({QStringLiteral("tesmo_ping_sent"),
                    QStringLiteral("Echo requests sent."),
                    {},
                    static_cast<double>(s.sent)});
  report.AddMetric({QStringLiteral("tesmo_ping_received"),
                    QStringLiteral("Echo replies received."),
                    {},
                    static_cast<double>(s.received)});
  if (s.sent > 0) {
    const double loss = 1.0 - static_cast<double>(s.received) / s.sent;
    report.AddMetric({QStringLiteral("tesmo_ping_loss_ratio"),
                      QStringLiteral("Share of echo requests without a reply."),
                      {},
                      loss});
  }
  if (s.received > 0) {
    const double average = static_cast<double>(s.total) / s.received;
    report.AddField(QStringLiteral("min ms"), QString::number(s.min), ReportType::kMilliseconds);
    report.AddField(QStringLiteral("avg ms"), QString::number(average), ReportType::kMilliseconds);
    report.AddField(QStringLiteral("max ms"), QString::number(s.max), ReportType::kMilliseconds);
    const char* help = "Round trip of the echoes that came back.";
    report.AddMetric({QStringLiteral("tesmo_ping_round_trip_milliseconds"),
                      QLatin1String(help),
                      {{QStringLiteral("stat"), QStringLiteral("min")}},
                      static_cast<double>(s.min)});
    report.AddMetric({QStringLiteral("tesmo_ping_round_trip_milliseconds"),
                      QLatin1String(help),
                      {{QStringLiteral("stat"), QStringLiteral("avg")}},
                      average});
    report.AddMetric({QStringLiteral("tesmo_ping_round_trip_milliseconds"),
                      QLatin1String(help),
                      {{QStringLiteral("stat"), QStringLiteral("max")}},
                      static_cast<double>(s.max)});
  }
  QStringList lines;
  for (const std::string& line : result.history) lines.append(QString::fromStdString(line));
  report.AddField(QStringLiteral("ping results"), lines.join(QLatin1Char('\n')));
}

int RunReachabilityBatchPage(BatchContext& context) {
  const ReachabilityBatchResult result = RunReachabilityBatch(
      context.job, ReadPingSettings(), context.options.Number("--pings").value_or(0));
  context.print(QString::fromStdString(result.report));
  if (context.report.Wanted()) ReportResult(result, context.report);
  return result.answered ? kBatchOk : kBatchNoAnswer;
}

const CToolRegistration registration({
    .sortKey = "G.Reachability",
    .name = "reachability",
    .captionId = 145,
    .select = {32785, "Test Reachability"},
    .summary = "ping statistics (--pings N) and ten service checks (Reachability page)",
    .options = {{"--pings", "N"}},
    .run = RunReachabilityBatchPage,
    .formats = {"openmetrics"},
});

}  // namespace
}  // namespace tesmo
