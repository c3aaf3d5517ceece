// The machine-readable forms of a --batch report (--format): one JSON
// document, CSV (RFC 4180), OpenMetrics text and a Prometheus file_sd
// target list, each made from the report's structured cells
// (tools/batch_report.h). The text form is the page's own report and never
// passes through here.
#pragma once

#include <QJsonValue>
#include <QString>
#include <optional>

#include "tools/batch_report.h"

namespace tesmo {

enum class BatchFormat { kText, kJson, kCsv, kOpenMetrics, kPrometheusSd };

// "text", "json", "csv", "openmetrics", "prometheus-sd"; nothing otherwise.
std::optional<BatchFormat> ParseBatchFormat(const QString& name);
// "text|json|csv|openmetrics|prometheus-sd"
QString BatchFormatChoice();

// What the run was, beside the report.
struct BatchRunInfo {
  QString tool;     // the page's name
  QString target;   // HOST as given
  QString address;  // the address it resolved to, empty when none
  QString started;  // ISO 8601, UTC
  QString status;   // the last status text
  int exit = 0;
};

// A cell as its type gives it: a number (or a time in ms) as a number, an
// address without the grid's zero padding, null for a cell that holds none
// ("*", "## NA ##", empty); a text cell as it is.
QJsonValue TypedCell(const QString& cell, ReportType type);

// One JSON document on one line, with its line feed.
QString JsonReport(const BatchRunInfo& run, const CBatchReport& report);
// The header row and the rows (or the fields as name,value), CRLF line ends.
QString CsvReport(const CBatchReport& report);
// One CSV field, quoted when it holds a comma, a quote, CR or LF.
QString CsvField(const QString& text);
// The report's numbers as OpenMetrics gauges, ending with "# EOF".
QString OpenMetricsReport(const BatchRunInfo& run, const CBatchReport& report);
// A file_sd target list of the hosts found alive, labelled with their names.
QString PrometheusSdReport(const CBatchReport& report);

}  // namespace tesmo
