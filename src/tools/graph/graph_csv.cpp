// The chart's samples as CSV.
#include "tools/graph/graph_csv.h"

#include <QDateTime>

namespace tesmo {
namespace {

// A field as RFC 4180 wants it: quoted when it holds a separator, a quote
// or a line break, quotes doubled.
QString CsvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
    return text;
  }
  return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

QString IsoTime(int64_t stamp) {
  const QDateTime local = QDateTime::fromSecsSinceEpoch(stamp);
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

}  // namespace

QByteArray GraphSamplesCsv(const GraphSamples& samples, const QString& currentTarget) {
  QString text = QStringLiteral("time");
  for (const GraphEntryShown& entry : samples.entries) {
    text += QLatin1Char(',') + CsvField(GraphLegendText(entry, currentTarget));
  }
  text += QStringLiteral("\r\n");
  for (size_t i = 0; i < samples.times.size(); ++i) {
    text += IsoTime(samples.times[i]);
    for (const std::vector<double>& values : samples.values) {
      text += QLatin1Char(',');
      if (i < values.size() && !IsGraphGap(values[i])) text += QString::number(values[i], 'f', 6);
    }
    text += QStringLiteral("\r\n");
  }
  return text.toUtf8();
}

}  // namespace tesmo
