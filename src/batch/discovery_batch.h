// --batch FIRSTHOST pingfind: the IP discovery sweep without a window.
#pragma once

namespace tesmo {

struct BatchContext;

// The sweep from the resolved first host over --count N addresses, with the
// stored Discovery settings unless --increment K, --threads W, --rounds R,
// --timeout MS (the first pass's echo time-out) or --timeout-increment MS
// say otherwise; then the whole grid as its Copy text, status column
// included. kBatchOk when at least one host answered, else kBatchNoAnswer;
// kBatchUsage without --count.
int RunDiscoveryBatchPage(BatchContext& context);

}  // namespace tesmo
