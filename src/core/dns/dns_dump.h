// The debug dump of a whole DNS message: header, questions and the records
// of the three sections as resource record lines. The dump goes to the
// output sink; the note about a cut answer list goes to the log.
#pragma once

#include "core/dns/dns_record_lines.h"

namespace tesmo {

class CDnsOutput;
class CDnsLog;

// An A question with more answers than this shows only this many.
constexpr int kDumpMaxAddresses = 35;

void PrintDebugDump(CDnsOutput& out, CDnsLog& log, const CDnsMessage& message, DnsPrintFlags flags);

}  // namespace tesmo
