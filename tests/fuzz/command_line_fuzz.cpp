// libFuzzer targets over the command line, one source built twice with
// COMMAND_LINE_FUZZ naming the reader:
//
//   graph   the chart set-up tokens (tesmo HOST graph REFRESH NBPTS ...),
//           applied to a chart
//   batch   the --batch arguments over pages with options of every kind
//
// The input is the argument list, arguments separated by NUL bytes (which
// no real argument holds).
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>

#include "batch/batch.h"
#include "core/base/number_text.h"
#include "tools/graph/graph_command_line.h"

#ifndef COMMAND_LINE_FUZZ
#error "COMMAND_LINE_FUZZ must name the reader (graph or batch)"
#endif
#define COMMAND_LINE_FUZZ_graph 1
#define COMMAND_LINE_FUZZ_batch 2
#define COMMAND_LINE_FUZZ_PICK2(x) COMMAND_LINE_FUZZ_##x
#define COMMAND_LINE_FUZZ_PICK(x) COMMAND_LINE_FUZZ_PICK2(x)

namespace {

QStringList Arguments(const uint8_t* data, size_t size) {
  QStringList arguments;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != 0) continue;
    arguments << QString::fromUtf8(reinterpret_cast<const char*>(data + start),
                                   static_cast<qsizetype>(i - start));
    start = i + 1;
  }
  return arguments;
}

#if COMMAND_LINE_FUZZ_PICK(COMMAND_LINE_FUZZ) == COMMAND_LINE_FUZZ_graph

// The tokens as the set-up rule cuts them.
QStringList Tokens(const QStringList& words) {
  QStringList tokens;
  QString token;
  for (QChar c : words.join(QLatin1Char(' ')) + QLatin1Char(' ')) {
    if (c == ' ' || c == '\t' || c == ',' || c == '\n' || c == ';') {
      if (!token.isEmpty()) tokens << token;
      token.clear();
    } else {
      token += c;
    }
  }
  return tokens;
}

void Check(const QStringList& words) {
  const tesmo::GraphSetUp setUp = tesmo::ParseGraphCommandLine(words);
  const QStringList tokens = Tokens(words);
  if (setUp.refreshSeconds && !std::isfinite(*setUp.refreshSeconds)) __builtin_trap();
  if (setUp.points && (*setUp.points < 0 || *setUp.points > tesmo::kMaxGraphPoints))
    __builtin_trap();
  const bool allRead =
      setUp.refreshSeconds && setUp.points && setUp.legend && setUp.xLabels && setUp.threeD;
  if (setUp.complete != static_cast<bool>(allRead)) __builtin_trap();
  const size_t pairs = setUp.complete && tokens.size() > 7 ? (tokens.size() - 7) / 2 : 0;
  if (setUp.entries.size() != pairs) __builtin_trap();
  for (size_t i = 0; i < pairs; ++i) {
    const tesmo::GraphEntryInfo& entry = setUp.entries[i];
    const QString& target = tokens[static_cast<qsizetype>(8 + 2 * i)];
    // An SNMP entry with its own agent came from HOST/OBJECT.
    const std::string typed = entry.agent.empty() ? entry.target : entry.agent + "/" + entry.target;
    if (entry.kind != tokens[static_cast<qsizetype>(7 + 2 * i)].at(0).toLatin1() ||
        typed != target.toStdString() || entry.label != entry.target ||
        (entry.kind == tesmo::kGraphRoundTrip && !entry.agent.empty()))
      __builtin_trap();
  }

  tesmo::CGraphData chart;
  tesmo::ApplyGraphSetUp(setUp, chart);
  if (chart.EntryCount() != static_cast<int>(pairs)) __builtin_trap();
  if (setUp.points && chart.View().points != *setUp.points) __builtin_trap();
  chart.Window();
}

#else

// Tools with options of every kind: numbers, texts, flags, repeated ones.
tesmo::ToolSpec Tool(const char* name, std::vector<tesmo::BatchOptionSpec> options) {
  return {.sortKey = name,
          .name = name,
          .captionId = 0,
          .summary = "a tool",
          .options = std::move(options),
          .run = [](tesmo::BatchContext&) { return 0; }};
}

const std::vector<tesmo::ToolSpec>& Tools() {
  static const std::vector<tesmo::ToolSpec> tools = {
      Tool("system", {}),
      Tool("reachability", {{"--pings", "N"}, {"--snmp", nullptr}}),
      Tool("pingfind", {{"--count", "N"}, {"--increment", "K"}, {"--threads", "W"}}),
      Tool("traceroute", {{"--dest", "DEST", false}}),
      Tool("graph",
           {{"--entry", "KIND:TARGET", false}, {"--period", "S", false}, {"--samples", "N"}}),
      Tool("dns", {{"--type", "T", false}, {"--class", "C", false}}),
  };
  return tools;
}

void Check(const QStringList& arguments) {
  QString error;
  const std::optional<tesmo::BatchOptions> options =
      tesmo::ParseBatchArguments(arguments, Tools(), &error);
  if (!options) {
    if (error.isEmpty()) __builtin_trap();
    return;
  }
  bool known = false;
  for (const tesmo::ToolSpec& tool : Tools()) known = known || options->page == tool.name;
  if (!known || !arguments.contains(options->host) || options->host.startsWith("--"))
    __builtin_trap();
  if (options->port && (*options->port == 0 || *options->port > 65535)) __builtin_trap();
  for (const auto& [name, value] : options->pageOptions) {
    const QStringList values = options->Values(name.toUtf8().constData());
    if (values.isEmpty() || values.last() != value) __builtin_trap();
    const std::optional<unsigned> number = options->Number(name.toUtf8().constData());
    uint32_t parsed = 0;
    if (number.has_value() != tesmo::ParseUnsignedText(value, &parsed) ||
        (number && *number != parsed))
      __builtin_trap();
  }
  tesmo::BatchUsage(Tools());
}

#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(Arguments(data, size));
  return 0;
}
