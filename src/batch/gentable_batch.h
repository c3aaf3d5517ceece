// The Gen. Table page's --batch entry:
//
//   tesmo --batch HOST gentable [--table N]
//
// Walks stored generic table N (default 0) and prints its grid as the page's
// Copy text: a title line, then one tab-separated line per row.
#pragma once

namespace tesmo {

struct BatchContext;

int RunGenTableBatch(BatchContext& context);

}  // namespace tesmo
