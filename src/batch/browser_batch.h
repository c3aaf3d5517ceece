// The MBrowser page's --batch entry:
//
//   tesmo --batch HOST browser --oid OID
//
// Walks the subtree of OID (any form the browser's OID fields take) and
// prints the page's report: the query's textual and numeric OID, then one
// "OID  :  value" line per object.
#pragma once

namespace tesmo {

struct BatchContext;

int RunBrowserBatch(BatchContext& context);

}  // namespace tesmo
