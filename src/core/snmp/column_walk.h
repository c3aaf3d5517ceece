// The column walk: several columns of an SNMP table fetched in parallel, one
// GETNEXT per row carrying every column, turned into row records of texts.
//
// Rows are keyed by the instance of the first column (the sub-identifiers
// after its column OID). A column with a hole at that instance reads
// "## NA ##" in that row and keeps its place for the rows after it, so a value
// never lands in another instance's row; a column whose objects have run out
// reads "## NA ##" and is no longer asked for.
//
// A walk runs on a job's worker thread with a copy of the target taken when
// the job started; it checks the target's stop flag before every step, and a
// step waiting for its answer gives up at it too.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/base/snmp_target.h"
#include "core/snmp/snmp_types.h"

namespace tesmo {

struct TableRow {
  ObjectId instance;               // instance of the first column's object
  std::vector<std::string> texts;  // one value text per column, in column order
};

// Rows a walk fetches at most: a table larger than any grid may hold, or an
// agent whose table never ends, stops there (the manual page names it).
constexpr size_t kMaxWalkRows = 2000000;

struct ColumnWalkOptions {
  // Column whose text follows "Getting " in the progress status, posted at
  // most every 300 ms after a kept row; -1 posts no progress.
  int progressColumn = -1;
  // Called on the walking thread for each row, which is then not stored
  // (pages that draw while they walk keep no second copy).
  std::function<void(const TableRow&)> onRow;
  // Called on the walking thread with the rows fetched so far, at the pace of
  // the progress texts (at most every 300 ms after a kept row).
  std::function<void(size_t rows)> onProgress;
  size_t maxRows = kMaxWalkRows;
};

struct ColumnWalkResult {
  int result = 0;        // result code of the last step (0 response, 1 failure, 2 time-out)
  int status = 0;        // status of the last step (EndOfSubtree at the end of the table)
  bool stopped = false;  // ended by the stop flag
  bool full = false;     // ended at options.maxRows
  size_t rows = 0;       // rows fetched by this walk (kept, or handed to onRow)
};

// Walks the columns (dotted OIDs, ".1.3.6.1.2.1.2.2.1.1" and the like, the
// first one drives the rows) on the target with its read community and
// appends one row per instance of the first column. The request layer posts
// its own status text when a step fails.
ColumnWalkResult WalkColumns(const SnmpTarget& target, const std::vector<std::string>& columnOids,
                             std::vector<TableRow>& rows, const ColumnWalkOptions& options = {});

}  // namespace tesmo
