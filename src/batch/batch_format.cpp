// The machine-readable forms of a --batch report.
#include "batch/batch_format.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <map>

#include "core/grid/grid_data.h"
#include "core/net/ip_address.h"

namespace tesmo {
namespace {

struct FormatName {
  BatchFormat format;
  const char* name;
};
constexpr FormatName kFormats[] = {
    {BatchFormat::kText, "text"},
    {BatchFormat::kJson, "json"},
    {BatchFormat::kCsv, "csv"},
    {BatchFormat::kOpenMetrics, "openmetrics"},
    {BatchFormat::kPrometheusSd, "prometheus-sd"},
};

const char* TypeName(ReportType type) {
  switch (type) {
    case ReportType::kNumber:
      return "number";
    case ReportType::kAddress:
      return "address";
    case ReportType::kMilliseconds:
      return "ms";
    case ReportType::kText:
      break;
  }
  return "text";
}

// A number as JSON: an integer stays exact (64-bit counters), anything else
// a double; nothing for what is not a finite number.
std::optional<QJsonValue> JsonNumber(QStringView text) {
  const QStringView trimmed = text.trimmed();
  bool ok = false;
  const qlonglong whole = trimmed.toLongLong(&ok);
  if (ok) return QJsonValue(static_cast<qint64>(whole));
  const qulonglong big = trimmed.toULongLong(&ok);
  if (ok) return QJsonValue(static_cast<double>(big));
  double value = 0;
  if (ReadsAsNumber(trimmed, &value) && std::isfinite(value)) return QJsonValue(value);
  return std::nullopt;
}

// The grid pads IPv4 addresses with zeros so that they sort
// ("010.001.002.003"); the dotted form has none.
QString UnpaddedAddress(const QString& cell) {
  const QString text = cell.trimmed();
  static const QRegularExpression padded(
      QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
  const QRegularExpressionMatch match = padded.match(text);
  if (match.hasMatch()) {
    QStringList parts;
    for (int i = 1; i <= 4; ++i) {
      const int octet = match.captured(i).toInt();
      if (octet > 255) return text;
      parts.append(QString::number(octet));
    }
    return parts.join(QLatin1Char('.'));
  }
  // Only a dotted or colon form is an address here: "1" stays a number.
  if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char(':'))) return text;
  const std::string canonical = CanonicalIpText(text.toStdString());
  return canonical.empty() ? text : QString::fromStdString(canonical);
}

QString MetricNumber(double value) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("+Inf") : QStringLiteral("-Inf");
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    return QString::number(static_cast<qint64>(value));
  }
  return QString::number(value, 'g', 17);
}

// A label value: backslash, double quote and line feed escaped.
QString LabelValue(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (c == QLatin1Char('\\')) {
      out += QStringLiteral("\\\\");
    } else if (c == QLatin1Char('"')) {
      out += QStringLiteral("\\\"");
    } else if (c == QLatin1Char('\n')) {
      out += QStringLiteral("\\n");
    } else {
      out += c;
    }
  }
  return out;
}

QString CsvLine(const QStringList& cells) {
  QStringList fields;
  for (const QString& cell : cells) fields.append(CsvField(cell));
  return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

}  // namespace

std::optional<BatchFormat> ParseBatchFormat(const QString& name) {
  for (const FormatName& entry : kFormats) {
    if (name == QLatin1String(entry.name)) return entry.format;
  }
  return std::nullopt;
}

QString BatchFormatChoice() {
  QStringList names;
  for (const FormatName& entry : kFormats) names.append(QLatin1String(entry.name));
  return names.join(QLatin1Char('|'));
}

QJsonValue TypedCell(const QString& cell, ReportType type) {
  switch (type) {
    case ReportType::kText:
      return cell;
    case ReportType::kAddress: {
      // A cell of several lines (an interface's addresses) is a list.
      static const QRegularExpression lineBreak(QStringLiteral("[\r\n]+"));
      const QStringList lines = cell.split(lineBreak, Qt::SkipEmptyParts);
      if (lines.size() > 1) {
        QJsonArray addresses;
        for (const QString& line : lines) addresses.append(UnpaddedAddress(line));
        return addresses;
      }
      const QString address = UnpaddedAddress(cell);
      return address.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(address);
    }
    case ReportType::kMilliseconds: {
      static const QRegularExpression ms(QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*ms\\s*$"));
      const QRegularExpressionMatch match = ms.match(cell);
      if (match.hasMatch()) {
        if (auto number = JsonNumber(match.captured(1))) return *number;
      }
      return JsonNumber(cell).value_or(QJsonValue(QJsonValue::Null));
    }
    case ReportType::kNumber:
      return JsonNumber(cell).value_or(QJsonValue(QJsonValue::Null));
  }
  return cell;
}

QString JsonReport(const BatchRunInfo& run, const CBatchReport& report) {
  QJsonObject document;
  document[QStringLiteral("tool")] = run.tool;
  document[QStringLiteral("target")] = run.target;
  if (!run.address.isEmpty()) document[QStringLiteral("address")] = run.address;
  document[QStringLiteral("started")] = run.started;
  document[QStringLiteral("version")] = QStringLiteral(TESMO_VERSION);
  document[QStringLiteral("status")] = run.status;
  document[QStringLiteral("exit")] = run.exit;

  const std::vector<ReportColumn> columns = report.Columns();
  const std::vector<QStringList> rows = report.Rows();
  const CBatchReport::Shape shape = report.GetShape();
  if (shape != CBatchReport::Shape::kNone) {
    QJsonArray names, types;
    for (const ReportColumn& column : columns) {
      names.append(column.name);
      types.append(QLatin1String(TypeName(column.type)));
    }
    document[QStringLiteral("columns")] = names;
    document[QStringLiteral("types")] = types;
  }
  const auto typed = [&](const QStringList& row, size_t c) {
    const QString cell =
        static_cast<qsizetype>(c) < row.size() ? row[static_cast<qsizetype>(c)] : QString();
    return TypedCell(cell, columns[c].type);
  };
  if (shape == CBatchReport::Shape::kGrid) {
    QJsonArray cells, values;
    for (const QStringList& row : rows) {
      QJsonArray shown, read;
      for (size_t c = 0; c < columns.size(); ++c) {
        shown.append(static_cast<qsizetype>(c) < row.size() ? row[static_cast<qsizetype>(c)]
                                                            : QString());
        read.append(typed(row, c));
      }
      cells.append(shown);
      values.append(read);
    }
    document[QStringLiteral("rows")] = cells;
    document[QStringLiteral("values")] = values;
  } else if (shape == CBatchReport::Shape::kRecords) {
    QJsonArray records;
    for (const QStringList& row : rows) {
      QJsonObject record;
      for (size_t c = 0; c < columns.size(); ++c) record[columns[c].name] = typed(row, c);
      records.append(record);
    }
    document[QStringLiteral("records")] = records;
  }
  const std::vector<ReportField> fields = report.Fields();
  if (!fields.empty()) {
    QJsonObject object;
    for (const ReportField& field : fields) object[field.name] = TypedCell(field.value, field.type);
    document[QStringLiteral("fields")] = object;
  }
  return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Compact)) +
         QLatin1Char('\n');
}

QString CsvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) {
    return text;
  }
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvReport(const CBatchReport& report) {
  QString out;
  if (report.GetShape() != CBatchReport::Shape::kNone) {
    QStringList header;
    const std::vector<ReportColumn> columns = report.Columns();
    for (const ReportColumn& column : columns) header.append(column.name);
    out += CsvLine(header);
    for (QStringList row : report.Rows()) {
      while (row.size() < header.size()) row.append(QString());
      out += CsvLine(row);
    }
    return out;
  }
  out += CsvLine({QStringLiteral("field"), QStringLiteral("value")});
  for (const ReportField& field : report.Fields()) out += CsvLine({field.name, field.value});
  return out;
}

QString OpenMetricsReport(const BatchRunInfo& run, const CBatchReport& report) {
  // Samples of one metric stand together under its TYPE and HELP lines, in
  // the order the metrics first appear.
  std::vector<QString> order;
  std::map<QString, std::pair<QString, QStringList>> families;
  for (const ReportMetric& metric : report.Metrics()) {
    auto found = families.find(metric.name);
    if (found == families.end()) {
      order.push_back(metric.name);
      found = families.emplace(metric.name, std::make_pair(metric.help, QStringList())).first;
    }
    QStringList labels{QStringLiteral("target=\"%1\"").arg(LabelValue(run.target))};
    for (const auto& [name, value] : metric.labels) {
      labels.append(QStringLiteral("%1=\"%2\"").arg(name, LabelValue(value)));
    }
    found->second.second.append(
        QStringLiteral("%1{%2} %3")
            .arg(metric.name, labels.join(QLatin1Char(',')), MetricNumber(metric.value)));
  }
  QString out;
  for (const QString& name : order) {
    const auto& [help, samples] = families[name];
    out += QStringLiteral("# TYPE %1 gauge\n").arg(name);
    if (!help.isEmpty()) out += QStringLiteral("# HELP %1 %2\n").arg(name, help);
    for (const QString& sample : samples) out += sample + QLatin1Char('\n');
  }
  return out + QStringLiteral("# EOF\n");
}

QString PrometheusSdReport(const CBatchReport& report) {
  QJsonArray groups;
  for (const ReportHost& host : report.Hosts()) {
    QJsonObject labels;
    if (!host.name.isEmpty()) labels[QStringLiteral("name")] = host.name;
    groups.append(
        QJsonObject{{QStringLiteral("targets"), QJsonArray{UnpaddedAddress(host.address)}},
                    {QStringLiteral("labels"), labels}});
  }
  return QString::fromUtf8(QJsonDocument(groups).toJson(QJsonDocument::Indented));
}

}  // namespace tesmo
