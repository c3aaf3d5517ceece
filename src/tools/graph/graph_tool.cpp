// The Graph page's tool: a live chart of SNMP values and round-trip times.
#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/icmp/ping_settings.h"
#include "tools/graph/graph_command_line.h"
#include "tools/graph/graph_poll.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

int Usage(const char* text) {
  std::fprintf(stderr, "tesmo: graph: %s\n", text);
  return kBatchUsage;
}

// Each entry's last value and its readings, for a metrics scrape.
void AddGraphMetrics(const GraphSamples& samples, CBatchReport& report) {
  for (size_t e = 0; e < samples.entries.size(); ++e) {
    const GraphEntryInfo& info = samples.entries[e].info;
    const bool roundTrip = info.kind == kGraphRoundTrip;
    const std::vector<std::pair<QString, QString>> labels{
        {QStringLiteral("kind"), roundTrip ? QStringLiteral("round_trip") : QStringLiteral("snmp")},
        {QStringLiteral("entry"), QString::fromStdString(info.target)}};
    const std::vector<double>& values = samples.values[e];
    const auto last = std::find_if(values.rbegin(), values.rend(),
                                   [](double value) { return !IsGraphGap(value); });
    if (last != values.rend()) {
      report.AddMetric({roundTrip ? QStringLiteral("tesmo_graph_round_trip_milliseconds")
                                  : QStringLiteral("tesmo_graph_value"),
                        roundTrip
                            ? QStringLiteral("Last round trip of the entry.")
                            : QStringLiteral("Last value of the entry as the chart shows it."),
                        labels, *last});
    }
    report.AddMetric({QStringLiteral("tesmo_graph_answered_readings"),
                      QStringLiteral("Readings of the entry that were answered."), labels,
                      static_cast<double>(samples.answered[e])});
    report.AddMetric({QStringLiteral("tesmo_graph_lost_readings"),
                      QStringLiteral("Readings of the entry that got no answer."), labels,
                      static_cast<double>(samples.lost[e])});
  }
}

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
    const std::optional<GraphEntryInfo> info = GraphEntryOf(entry.at(0).toLatin1(), target);
    if (!info) return Usage("--entry S:HOST/OID needs both a host and an object");
    data.AddEntry(*info);
    title += QLatin1Char('\t') + target;
  }
  if (data.EntryCount() == 0) return Usage("at least one --entry KIND:TARGET is required");
  context.print(title + QLatin1Char('\n'));
  const bool structured = context.report.Wanted();
  if (structured) {
    // One record per sample: its time as the text shows it, then each
    // entry's value by its target.
    std::vector<ReportColumn> columns{{QStringLiteral("time")}};
    const QStringList names = title.split(QLatin1Char('\t'));
    for (qsizetype i = 1; i < names.size(); ++i) columns.push_back({names[i], ReportType::kNumber});
    context.report.SetColumns(std::move(columns));
  }

  GraphPollOptions options;
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
      QStringList cells{line};
      for (const std::vector<double>& values : stored.values) {
        // A lost sample is an empty cell, never a number.
        line += QLatin1Char('\t');
        cells.append(IsGraphGap(values[i]) ? QString() : QString::asprintf("%f", values[i]));
        line += cells.back();
      }
      context.print(line + QLatin1Char('\n'));
      if (structured) context.report.AddRecord(cells);
    }
    printed = stored.first + stored.times.size();
  };
  RunGraphPolling(data, context.job, options);
  if (structured) AddGraphMetrics(data.Samples(), context.report);
  // Any reading without an answer (no echo reply, an agent silent or
  // answering with an error) fails the run, the priming one included.
  for (int lost : data.Samples().lost) {
    if (lost > 0) return kBatchNoAnswer;
  }
  return kBatchOk;
}

// "HOST graph REFRESH NBPTS LEGEND XLABELS 3D [KIND TARGET]...": the chart's
// view settings, then (when complete) its entries and a Start.
bool TakeGraphCommandLine(const QStringList& words) {
  const GraphSetUp setUp = ParseGraphCommandLine(words);
  ApplyGraphSetUp(setUp, GraphData());
  return setUp.complete;
}

const CToolRegistration registration({
    .sortKey = "L.Graph",
    .name = "graph",
    .captionId = 154,
    .actions = {{32784, "Graph Round Trip Delay"}},
    .summary = "polls SNMP values and round-trip times, one tab-separated line per sample (Graph "
               "page)",
    .options = {{"--samples", "N"}, {"--period", "S", false}, {"--entry", "KIND:TARGET", false}},
    .run = RunGraphBatch,
    .formats = {"openmetrics"},
    .commandLine = TakeGraphCommandLine,
});

}  // namespace
}  // namespace tesmo
