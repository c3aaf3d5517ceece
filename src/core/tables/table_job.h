// What the table pages' jobs share beyond the grid side (table_fill.h): the
// walk options of a job, how a walk ended, the cells the jobs compute (host
// names and hardware vendors), the page settings flags and the --batch frame.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "core/tables/column_walk.h"
#include "core/tables/table_grid.h"

namespace tesmo {

struct BatchContext;
struct SnmpTarget;

// How a table job ended.
struct TableJobOutcome {
  int rows = 0;          // rows drawn ("%u entry(s)")
  bool answered = true;  // every walk reached the end of its table, or Stop ended it
  bool stopped = false;  // Stop ended a walk
};

// Walk options of a job: the walk ends before its next step once StopFlag
// reads 1; progressColumn as in ColumnWalkOptions (-1: no progress texts).
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

// The "name" cell of an address: its host name when resolve is on and no stop
// has been requested, so the rows drawn after a Stop cost no lookup; empty
// otherwise and when no name is found.
QString NameCell(bool resolve, const std::string& addressText);

// The "Vendor" cell of a hardware address text: the vendor file's text for its
// first six characters, exactly as written (case counts), else empty.
QString VendorCell(const std::string& hardwareAddress);

// A 0/1 flag of a page's settings section, read with its default when absent.
bool ReadPageFlag(const char* section, const char* value, bool defaultValue);
void WritePageFlag(const char* section, const char* value, bool on);

// --batch for a table page: runs job on a grid of its own, prints the whole
// grid as its Copy text (all rows and columns, the title line first) and
// returns kBatchOk, or kBatchNoAnswer when a walk failed (the rows fetched
// before the failure are printed all the same).
using TableJob = std::function<TableJobOutcome(CTableGrid& table, const SnmpTarget& target)>;
int RunTableBatch(BatchContext& context, const TableJob& job);

}  // namespace tesmo
