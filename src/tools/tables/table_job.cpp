// The one table job.
#include "tools/tables/table_job.h"

#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/base/vendor_map.h"
#include "core/net/name_resolution.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

TableFlags TableDescription::DefaultFlags() const {
  TableFlags result;
  for (const TableFlagSpec& flag : flags) result.push_back(flag.defaultOn);
  return result;
}

TableFlags TableDescription::LoadFlags() const {
  TableFlags result;
  for (const TableFlagSpec& flag : flags) {
    result.push_back(CSettingsStore::ReadInt(QString::fromUtf8(section),
                                             QString::fromUtf8(flag.value),
                                             flag.defaultOn ? 1 : 0) != 0);
  }
  return result;
}

void TableDescription::SaveFlags(const TableFlags& values) const {
  for (size_t i = 0; i < flags.size() && i < values.size(); ++i) {
    CSettingsStore::WriteInt(QString::fromUtf8(section), QString::fromUtf8(flags[i].value),
                             values[i] ? 1 : 0);
  }
}

TableJobOutcome RunTableJob(const TableDescription& description, const TableFlags& flags,
                            CTableGrid& table, const JobContext& context) {
  const SnmpTarget& target = context.target;
  TableJobOutcome outcome;
  PrepareTable(table, description.columns);
  // A failed walk keeps its rows and the walks after it still run.
  TableRecords records(description.walks.size());
  // The request layer's text of the first walk that failed ("No SNMP
  // Response from %s", "Error: OID not increasing: %s"): it stays in the
  // status line when the job ends, instead of "Ready".
  QString failure;
  for (size_t i = 0; i < description.walks.size(); ++i) {
    const TableWalkSpec& walk = description.walks[i];
    bool rowsBefore = false;
    for (size_t k = 0; k < i; ++k) rowsBefore = rowsBefore || !records[k].empty();
    if (walk.run != TableWalkRun::kAlways) {
      if (!failure.isEmpty() || outcome.stopped || !outcome.answered) continue;
      if (walk.run == TableWalkRun::kInsteadOfEmpty && rowsBefore) continue;
    }
    if (walk.run != TableWalkRun::kAdded || !rowsBefore) PostStatus("%s", walk.status);
    ColumnWalkOptions options = JobWalkOptions(walk.progressColumn);
    if (description.rowsWhileWalking) {
      options.onRow = [&](const TableRow& row) {
        QStringList cells;
        for (const std::string& text : row.texts) cells << CellText(text);
        table.InsertRowTexts(++outcome.rows, cells);
      };
      // The rows are on screen already: the label counts them.
      options.onProgress = [&](size_t) { table.SetStatusLabel(EntryCountText(outcome.rows)); };
    } else {
      // The rows are drawn at the end: meanwhile the label counts the rows
      // fetched (before the page's filters), beside the walk's status text.
      options.onProgress = [&](size_t fetched) { table.SetStatusLabel(FetchedCountText(fetched)); };
    }
    ColumnWalkResult result = WalkColumns(target, walk.oids, records[i], options);
    if (outcome.rows == 0 && records[i].empty() && !result.stopped && WalkEndedNormally(result) &&
        !walk.fallbackOids.empty()) {
      PostStatus("%s", walk.fallbackStatus);
      result = WalkColumns(target, walk.fallbackOids, records[i], options);
    }
    NoteWalk(outcome, result);
    if (result.full && failure.isEmpty()) {
      failure = QStringLiteral("Stopped after %1 rows, the most a table shows").arg(result.rows);
    }
    if (!WalkEndedNormally(result) && failure.isEmpty())
      failure = CStatusChannel::Instance().Text();
  }
  // After Stop the page says its table is cut short, not "Ready".
  const auto finalStatus = [&] {
    if (outcome.stopped) return StoppedTableText(outcome.rows);
    if (!failure.isEmpty()) return failure;
    const char* ready = description.readyStatus ? description.readyStatus(records) : nullptr;
    return ready != nullptr ? QString::fromUtf8(ready) : QStringLiteral("Ready");
  };
  if (description.rowsWhileWalking) {
    FinishTable(table, outcome.rows, -1, 0, finalStatus());
    return outcome;
  }
  if (description.drawStatus != nullptr) PostStatus("%s", description.drawStatus);
  CTableFill fill(table);
  TableFlags shown = flags;
  shown.resize(description.flags.size(), false);
  description.build(records, shown, fill);
  outcome.rows = fill.Count();
  const QString status = finalStatus();
  records.clear();
  FinishTable(table, outcome.rows, description.sortColumn, description.sortCode, status);
  return outcome;
}

QString FetchedCountText(size_t rows) {
  return QStringLiteral("%1 fetched").arg(rows);
}

QString StoppedTableText(int rows) {
  return QStringLiteral("Stopped: %1 entry(s) shown, the table is incomplete").arg(rows);
}

ColumnWalkOptions JobWalkOptions(int progressColumn) {
  ColumnWalkOptions options;
  options.progressColumn = progressColumn;
  return options;
}

bool WalkEndedNormally(const ColumnWalkResult& walk) {
  if (walk.stopped) return true;
  if (walk.result != kSnmpResponse) return false;
  return walk.status == EndOfSubtree || walk.status == kSnmpNoSuchName ||
         walk.status == kSnmpNoError;
}

void NoteWalk(TableJobOutcome& outcome, const ColumnWalkResult& walk) {
  if (!WalkEndedNormally(walk) || walk.full) outcome.answered = false;
  if (walk.stopped) outcome.stopped = true;
}

std::string EnumLabel(const std::string& text, std::span<const char* const> labels) {
  if (text.empty() || text.size() > 3) return text;
  size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return text;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  if (value >= labels.size() || labels[value] == nullptr) return text;
  return labels[value];
}

QString NameCell(bool resolve, const std::string& addressText) {
  if (!resolve || StopRequested()) return QString();
  return QString::fromStdString(ResolveAddressToName(addressText));
}

QString VendorCell(const std::string& hardwareAddress) {
  return QString::fromStdString(VendorOf(hardwareAddress));
}

}  // namespace tesmo
