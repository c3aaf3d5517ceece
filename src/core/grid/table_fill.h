// The grid side of every table job: the grid reset with the page's columns,
// the fill with redraw suspended, the count label, the final sort and the one
// refresh at the end, and the pacing of progress texts.
//
// A job runs on its own thread between its runner's BeginJob and EndJob:
//
//   PrepareTable(table, kColumns);          // empty label, fresh grid, titles
//   PostStatus("Getting ...");
//   ... column walks into row records ...
//   CTableFill fill(table);                 // redraw off
//   for (const Record& record : records) {
//     if (hidden by the page's filter) continue;
//     fill.AddRow({...cell texts...}, lines);
//   }
//   FinishTable(table, fill.Count(), 0, kSortNumericAscending);
//
// FinishTable posts "Ready" (or the walk's error); the view shows the whole table in one refresh
// when it turns redraw back on.
#pragma once

#include <QStringList>
#include <chrono>
#include <functional>
#include <span>

#include "core/grid/table_grid.h"

namespace tesmo {

// Redraw off, empty count label, the grid reset to the header row and
// columns.size() columns, the columns defined in order, redraw on again.
void PrepareTable(CTableGrid& table, std::span<const CColumnInfo> columns);

// Appends rows 1, 2, ... to a prepared table with redraw off.
class CTableFill {
 public:
  explicit CTableFill(CTableGrid& table);
  // The next row with all its texts; lines > 1 for cells holding that many
  // lines (the row is made that many default rows high).
  void AddRow(const QStringList& cells, int lines = 1);
  // Rows added so far.
  int Count() const { return count; }

 private:
  CTableGrid& table;
  int count = 0;
};

// The end of the fill: "%u entry(s)" with rowCount, the final sort of
// sortColumn with sortCode (none when sortCode is 0 or sortColumn is -1),
// redraw on (the one refresh of the view), then finalStatus on the status
// line: "Ready", or the error that cut a walk short.
void FinishTable(CTableGrid& table, int rowCount, int sortColumn = -1, int sortCode = 0,
                 const QString& finalStatus = QStringLiteral("Ready"));

// The count label text.
QString EntryCountText(int rowCount);

// Paces progress texts: Due() is true when more than the period has passed
// since the last time it was true (at first: since construction, i.e. before
// the first walk step).
class CProgressThrottle {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  explicit CProgressThrottle(std::chrono::milliseconds period = std::chrono::milliseconds(300),
                             Clock clock = &std::chrono::steady_clock::now);
  bool Due();

 private:
  std::chrono::milliseconds period;
  Clock clock;
  std::chrono::steady_clock::time_point last;
};

}  // namespace tesmo
