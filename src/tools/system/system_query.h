// The Parameters page's job: the eight objects of the system group in one GET.
#pragma once

#include "core/base/job_context.h"
#include "tools/system/parameters_data.h"

namespace tesmo {

struct SystemQueryOutcome {
  // A response without error: system holds the fetched texts.
  bool answered = false;
  int result = 0;  // the request layer's result code
  int status = 0;  // the response's error status
};

// Fetches sysDescr, sysObjectID, sysUpTime, sysContact, sysName, sysLocation,
// sysServices and ifNumber. An object the agent does not have (noSuchName
// with its error index) is dropped and the rest asked again; it reads
// "## NA ##". Only an answer without error changes system; any other error
// leaves the fields as they were and the request layer's "Error in packet:
// ..." in the status line (it is no success).
SystemQueryOutcome QuerySystemGroup(const JobContext& context, SystemGroup& system);

}  // namespace tesmo
