// What a --batch page hands over besides its text report: the same result
// as structured cells, which the batch driver writes as JSON, CSV or metrics.
//
// A page fills it once, next to printing its text: a grid page its grid
// (SetGrid), a line page one record per line (SetColumns, AddRecord), the
// Parameters page its fields (AddField). The text report never reads it, so
// the default output stays as it is; the driver reads it only when a
// machine-readable format was asked for (Wanted()).
#pragma once

#include <QString>
#include <QStringList>
#include <mutex>
#include <utility>
#include <vector>

namespace tesmo {

class CGridData;
class CTableGrid;

// What a cell holds beyond its text: a number, a host address (shown
// padded in grids) or a time in milliseconds ("12 ms", "<1 ms").
enum class ReportType { kText, kNumber, kAddress, kMilliseconds };

struct ReportColumn {
  QString name;
  ReportType type = ReportType::kText;
};

struct ReportField {
  QString name;
  QString value;
  ReportType type = ReportType::kText;
};

// A host a sweep found alive, and its name (empty when unknown).
struct ReportHost {
  QString address;
  QString name;
};

// A number for the metrics formats: a gauge of name with its labels
// (the driver adds the target's).
struct ReportMetric {
  QString name;  // tesmo_..., with its unit
  QString help;
  std::vector<std::pair<QString, QString>> labels;
  double value = 0;
};

// The structured result of one run. Safe to fill from the job's thread
// while the driver waits; read once the job has ended.
class CBatchReport {
 public:
  enum class Shape { kNone, kGrid, kRecords };

  // Set by the driver: a structured format was asked for. Pages may skip
  // filling the report without it.
  void SetWanted(bool on) { wanted = on; }
  bool Wanted() const { return wanted; }

  // A grid page: its header row names the columns, the data rows are the
  // cells as the grid shows them; column types come from the table's column
  // descriptors (numeric sort: number, host column: address).
  void SetGrid(const CGridData& grid, const CTableGrid& table);
  // The same with types given; types shorter than the header leave text.
  void SetGrid(const CGridData& grid, const std::vector<ReportType>& types);
  // Retypes one column of the grid set (a time column of a numeric sort).
  void SetColumnType(int column, ReportType type);

  // A line page: its record fields, then one record per line.
  void SetColumns(std::vector<ReportColumn> columns);
  void AddRecord(const QStringList& cells);

  // Named fields (the Parameters page, statistics of a run).
  void AddField(const QString& name, const QString& value, ReportType type = ReportType::kText);
  // A host a sweep found alive.
  void AddHost(const QString& address, const QString& name);
  void AddMetric(ReportMetric metric);

  Shape GetShape() const;
  std::vector<ReportColumn> Columns() const;
  std::vector<QStringList> Rows() const;
  std::vector<ReportField> Fields() const;
  std::vector<ReportHost> Hosts() const;
  std::vector<ReportMetric> Metrics() const;

 private:
  bool wanted = false;
  mutable std::mutex mutex;
  Shape shape = Shape::kNone;
  std::vector<ReportColumn> columns;
  std::vector<QStringList> rows;
  std::vector<ReportField> fields;
  std::vector<ReportHost> hosts;
  std::vector<ReportMetric> metrics;
};

// The types of a table's columns from their descriptors.
std::vector<ReportType> ReportTypesOf(const CTableGrid& table, int columnCount);

}  // namespace tesmo
