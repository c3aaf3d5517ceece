// --batch NAME dns [--type T] [--class C] [--server ADDR] [--list] [--port N]:
// the NSLookup page without a window.
#pragma once

namespace tesmo {

struct BatchContext;

// A Lookup of NAME (the HOST argument, not resolved first), or with --list a
// listing of the zone NAME, with the type and class mnemonics given (A and IN
// by default), at the stored DNS servers or at --server, on port 53 or
// --port. Prints the lines the page's result list would show. kBatchOk when
// the query was answered, kBatchNoAnswer when not (or answered with an
// error), kBatchUsage for an unknown type or class or a server that is no
// address.
int RunDnsBatchPage(BatchContext& context);

}  // namespace tesmo
