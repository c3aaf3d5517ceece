// The chart's samples as comma-separated values: a title line ("time" and
// each entry's legend text), then one line per sample with its time stamp in
// ISO 8601 (local time with its offset) and one cell per entry, empty where
// the sample was lost.
#pragma once

#include <QByteArray>
#include <QString>

#include "tools/graph/graph_data.h"

namespace tesmo {

// currentTarget names the agent of SNMP entries that have not been polled
// yet (GraphLegendText).
QByteArray GraphSamplesCsv(const GraphSamples& samples, const QString& currentTarget = {});

}  // namespace tesmo
