// --batch HOST system: the Parameters page without a window.
#pragma once

namespace tesmo {

struct BatchContext;

// The system group query, then the page's report; kBatchNoAnswer when the
// agent did not answer or answered with an error.
int RunSystemBatch(BatchContext& context);

}  // namespace tesmo
