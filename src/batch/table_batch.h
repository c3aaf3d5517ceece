// --batch for the table pages.
#pragma once

namespace tesmo {

struct BatchContext;
struct TableDescription;

// Runs the table job with the page's stored flags on a grid of its own,
// prints the whole grid as its Copy text (all rows and columns, the title
// line first) and returns kBatchOk, or kBatchNoAnswer when a walk failed (the
// rows fetched before the failure are printed all the same).
int RunTableBatch(BatchContext& context, const TableDescription& description);

}  // namespace tesmo
