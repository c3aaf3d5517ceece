// The chart set-up of the command line:
//
//   tesmo HOST graph REFRESH NBPTS LEGEND XLABELS 3D [KIND TARGET]...
//
// The line is cut into tokens at blanks, tabs, commas, line feeds and
// semicolons. REFRESH is in seconds (a real number), NBPTS an integer, the
// three flags integers (0 off). Each KIND TARGET pair adds an entry of the
// kind's first character with TARGET as its target and label; an SNMP
// entry's TARGET may be HOST/OBJECT, naming the agent it asks (see
// GraphEntryOf). An odd last token is ignored. The values are taken in order up to the first one
// missing (or unreadable): then no entry is added and nothing starts.
#pragma once

#include <QStringList>
#include <optional>
#include <vector>

#include "tools/graph/graph_data.h"

namespace tesmo {

struct GraphSetUp {
  std::optional<double> refreshSeconds;
  std::optional<int> points;
  std::optional<bool> legend, xLabels, threeD;
  std::vector<GraphEntryInfo> entries;
  // All five values were read: the entries are added and polling starts.
  bool complete = false;
};

// words: the command line after the program name ("HOST", "graph", ...).
GraphSetUp ParseGraphCommandLine(const QStringList& words);

// The values read go into the chart's view settings; a complete set-up adds
// its entries.
void ApplyGraphSetUp(const GraphSetUp& setUp, CGraphData& data);

}  // namespace tesmo
