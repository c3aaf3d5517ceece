// The Graph page's --batch entry.
#include "batch/graph_batch.h"

#include <QDateTime>
#include <cmath>
#include <cstdio>

#include "batch/batch.h"
#include "core/icmp/ping_settings.h"
#include "core/mib/graph_poll.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {
namespace {

int Usage(const char* text) {
  std::fprintf(stderr, "tesmo: graph: %s\n", text);
  return kBatchUsage;
}

}  // namespace

int RunGraphBatch(BatchContext& context) {
  const std::optional<unsigned> samples = context.options.Number("--samples");
  if (!samples || *samples == 0 || *samples > 100000000) {
    return Usage("--samples N (1 or more) is required");
  }
  double period = LoadGraphRefreshSeconds();
  auto given = context.options.pageOptions.find(QStringLiteral("--period"));
  if (given != context.options.pageOptions.end()) {
    bool ok = false;
    period = given->second.toDouble(&ok);
    if (!ok || !std::isfinite(period) || period < 0) return Usage("--period S needs seconds");
  }
  CGraphData data;
  QString title = QStringLiteral("time");
  for (const QString& entry : context.options.Values("--entry")) {
    const qsizetype colon = entry.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon + 1 >= entry.size()) return Usage("--entry needs KIND:TARGET");
    const QString target = entry.mid(colon + 1);
    data.AddEntry({entry.at(0).toLatin1(), target.toStdString(), target.toStdString()});
    title += QLatin1Char('\t') + target;
  }
  if (data.EntryCount() == 0) return Usage("at least one --entry KIND:TARGET is required");
  context.print(title + QLatin1Char('\n'));

  GraphPollOptions options;
  options.target = TargetOf(context.parameters);
  options.ping = ReadPingSettings();
  options.periodSeconds = period;
  options.samples = static_cast<int>(*samples);
  size_t printed = 0;
  options.onPoll = [&] {
    // Only the samples not printed yet are copied out.
    const GraphSamples stored = data.Samples(printed);
    for (size_t i = 0; i < stored.times.size(); ++i) {
      QString line =
          QDateTime::fromSecsSinceEpoch(stored.times[i]).toString(QStringLiteral("hh:mm:ss"));
      for (const std::vector<double>& values : stored.values) {
        line += QLatin1Char('\t') + QString::asprintf("%f", values[i]);
      }
      context.print(line + QLatin1Char('\n'));
    }
    printed = stored.first + stored.times.size();
  };
  RunGraphPolling(data, options);
  // An entry that never got an answer (no agent, no echo reply) is a failed run.
  for (int answered : data.Samples().answered) {
    if (answered == 0) return kBatchNoAnswer;
  }
  return kBatchOk;
}

}  // namespace tesmo
