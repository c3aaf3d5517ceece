// The chart set-up of the command line.
#include "tools/graph/graph_command_line.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace tesmo {

GraphSetUp ParseGraphCommandLine(const QStringList& words) {
  static const QRegularExpression separators(QStringLiteral("[ \\t,\\n;]+"));
  const QStringList tokens = words.join(QLatin1Char(' ')).split(separators, Qt::SkipEmptyParts);
  GraphSetUp setUp;
  // Tokens 0 and 1 are the host and "graph".
  auto integer = [&](qsizetype i) -> std::optional<int> {
    if (i >= tokens.size()) return std::nullopt;
    bool ok = false;
    const int value = tokens[i].toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
  };
  if (tokens.size() <= 2) return setUp;
  bool ok = false;
  const double refresh = tokens[2].toDouble(&ok);
  if (!ok || !std::isfinite(refresh)) return setUp;
  setUp.refreshSeconds = refresh;
  const std::optional<int> points = integer(3);
  if (!points) return setUp;
  setUp.points = std::clamp(*points, 0, kMaxGraphPoints);
  std::optional<bool>* flags[] = {&setUp.legend, &setUp.xLabels, &setUp.threeD};
  for (qsizetype k = 0; k < 3; ++k) {
    const std::optional<int> flag = integer(4 + k);
    if (!flag) return setUp;
    *flags[k] = *flag != 0;
  }
  setUp.complete = true;
  for (qsizetype i = 7; i + 1 < tokens.size(); i += 2) {
    const char kind = tokens[i].at(0).toLatin1();
    // A target that does not read as HOST/OBJECT is the object as typed: it
    // plots lost samples, as an object the agent lacks does.
    setUp.entries.push_back(GraphEntryOf(kind, tokens[i + 1])
                                .value_or(GraphEntryInfo(kind, tokens[i + 1].toStdString(),
                                                         tokens[i + 1].toStdString())));
  }
  return setUp;
}

void ApplyGraphSetUp(const GraphSetUp& setUp, CGraphData& data) {
  GraphView view = data.View();
  if (setUp.refreshSeconds) view.refreshSeconds = std::max(*setUp.refreshSeconds, 0.0);
  if (setUp.points) view.points = *setUp.points;
  if (setUp.legend) view.legend = *setUp.legend;
  if (setUp.xLabels) view.xLabels = *setUp.xLabels;
  if (setUp.threeD) view.threeD = *setUp.threeD;
  data.SetView(view);
  if (!setUp.complete) return;
  for (const GraphEntryInfo& entry : setUp.entries) data.AddEntry(entry);
}

}  // namespace tesmo
