// The one table job: a table description says which columns to walk, how the
// rows are built from them and which check boxes (settings flags) the page
// has; RunTableJob runs any description on a grid. The Interfaces,
// Addresses, Arp and Routing Table pages are descriptions (table_pages.h).
//
// A job runs on its own thread between BeginJob and EndJob (its runner's):
//
//   PrepareTable(table, columns);          empty label, fresh grid, titles
//   for each walk: PostStatus(walk.status), the column walk into row records
//   PostStatus(drawStatus) when there is one
//   build(records, flags, fill)            one AddRow per shown row
//   FinishTable(table, count, sortColumn, sortCode)   count label, sort, "Ready"
#pragma once

#include <QString>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/base/job_context.h"
#include "core/grid/table_fill.h"
#include "core/grid/table_grid.h"
#include "core/snmp/column_walk.h"

namespace tesmo {

// How a table job ended.
struct TableJobOutcome {
  int rows = 0;          // rows drawn ("%u entry(s)")
  bool answered = true;  // every walk reached the end of its table, or Stop ended it
  bool stopped = false;  // Stop ended a walk
};

// A check box of a table page and the settings value behind it (0/1).
struct TableFlagSpec {
  const char* value;    // settings value name in the page's section
  const char* caption;  // the check box's caption
  int controlId;        // the check box's id (its tool tip)
  bool defaultOn;       // built-in value
};

// When a walk of a job runs.
enum class TableWalkRun {
  kAlways,  // whatever the walks before it gave
  // A walk added to a page's older tables: only when every walk before it
  // answered (a silent agent costs no second time-out), and its status text
  // is posted only when the walks before it found no row (otherwise the
  // page's status line reads as it always did).
  kAdded,
  // Only when every walk before it answered without a row: the table read
  // instead of older ones the agent does not serve.
  kInsteadOfEmpty,
};

// One column walk of a job.
struct TableWalkSpec {
  const char* status;             // posted before the walk
  std::vector<std::string> oids;  // the columns, the first drives the rows
  int progressColumn = -1;        // as in ColumnWalkOptions
  // A table of the same layout walked instead when this one ends without an
  // error and without a row (agents that serve only the newer table), with
  // its own status text.
  std::vector<std::string> fallbackOids = {};
  const char* fallbackStatus = nullptr;
  TableWalkRun run = TableWalkRun::kAlways;
};

// The page's flags, in the order of TableDescription::flags.
// One byte per flag, 0 or 1 (a vector<bool> hands out proxies that dangle
// when taken from a temporary).
using TableFlags = std::vector<uint8_t>;
// The records of each walk, in the order of TableDescription::walks.
using TableRecords = std::vector<std::vector<TableRow>>;
// Adds the shown rows, built from the records under the flags, to fill.
using TableRowBuilder =
    std::function<void(const TableRecords& records, const TableFlags& flags, CTableFill& fill)>;

struct TableDescription {
  const char* section;  // settings section of the flags
  int gridId;           // the grid's control id (its tool tip)
  std::vector<TableFlagSpec> flags;
  std::vector<TableWalkSpec> walks;
  const char* drawStatus = nullptr;  // posted before the rows are built, when set
  std::vector<CColumnInfo> columns;
  TableRowBuilder build;
  int sortColumn = -1;  // the final sort, none when -1 or sortCode 0
  int sortCode = 0;
  // Rows go to the grid as the walk fetches them, one cell per column of the
  // (one) walk: no records, no build, no final sort, and the rows fetched
  // before a failure stay. Generic tables, whose columns are the user's.
  bool rowsWhileWalking = false;
  // The status text of a whole result instead of "Ready", when set and it
  // gives one: says which table the rows were read from when they came from
  // a newer table instead of the page's usual one.
  std::function<const char*(const TableRecords& records)> readyStatus = {};

  // The built-in flags.
  TableFlags DefaultFlags() const;
  // The stored flags, each with its built-in value when absent or damaged.
  TableFlags LoadFlags() const;
  void SaveFlags(const TableFlags& flags) const;
};

// The whole job on the caller's thread: walks, rows, sort, count and "Ready".
TableJobOutcome RunTableJob(const TableDescription& description, const TableFlags& flags,
                            CTableGrid& table, const JobContext& context);

// The count label while a walk whose rows are drawn at its end goes on.
QString FetchedCountText(size_t rows);

// The status line after Stop ended a walk: the table on screen is cut short.
QString StoppedTableText(int rows);

// Walk options of a job: progressColumn as in ColumnWalkOptions (-1: no
// progress texts).
ColumnWalkOptions JobWalkOptions(int progressColumn = -1);

// True when the agent answered every step up to the end of the table (the
// end of the subtree, or noSuchName past the end of an SNMPv1 agent's MIB),
// or when Stop ended the walk; false after a time-out, a transport failure or
// an error answer.
bool WalkEndedNormally(const ColumnWalkResult& walk);

// Adds one walk's ending to a job's outcome.
void NoteWalk(TableJobOutcome& outcome, const ColumnWalkResult& walk);

// A value text of the request layer as a cell text.
inline QString CellText(const std::string& text) {
  return QString::fromStdString(text);
}

// The label of an enumeration value that the request layer printed as a bare
// number because no loaded MIB module declares its column (labels[value],
// when there is one); any other text as it is.
std::string EnumLabel(const std::string& text, std::span<const char* const> labels);

// The "name" cell of an address: its host name when resolve is on and no stop
// has been requested, so the rows drawn after a Stop cost no lookup; empty
// otherwise and when no name is found.
QString NameCell(bool resolve, const std::string& addressText);

// The "Vendor" cell of a hardware address text: the vendor file's text for its
// first six characters, exactly as written (case counts), else empty.
QString VendorCell(const std::string& hardwareAddress);

}  // namespace tesmo
