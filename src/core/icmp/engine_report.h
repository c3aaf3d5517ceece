// What the plain entries of the sweep and the traces hand back to --batch:
// the page's Copy text and an exit code.
#pragma once

#include <QString>

namespace tesmo {

// Exit codes of a plain entry; the same numbers as the batch front end's.
enum EngineExit : int {
  kEngineAnswered = 0,    // the sweep found a live host, the trace reached its end
  kEngineUnresolved = 1,  // a host text could not be turned into an address
  kEngineNoAnswer = 2,    // nothing answered, or the run ended early
};

struct EngineReport {
  // The whole grid as its Copy text: the title line, then one line per row.
  QString copyText;
  int exitCode = kEngineNoAnswer;
};

}  // namespace tesmo
