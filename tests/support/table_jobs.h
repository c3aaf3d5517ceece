// The table pages' jobs as tests run them: on the test's thread between
// BeginJob and EndJob, with the page's built-in flags unless given.
#pragma once

#include "core/base/job_runner.h"
#include "core/base/snmp_target.h"
#include "tools/tables/table_pages.h"

namespace tesmo {

inline TableJobOutcome RunPageJob(const TableDescription& description, CTableGrid& table,
                                  const SnmpTarget& target, TableFlags flags = {}) {
  if (flags.empty()) flags = description.DefaultFlags();
  TableJobOutcome outcome;
  RunJobHere([&] { outcome = RunTableJob(description, flags, table, target); });
  return outcome;
}

}  // namespace tesmo
