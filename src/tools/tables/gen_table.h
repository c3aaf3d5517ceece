// The job of a generic table: any SNMP table the user has defined
// (core/snmp/table_definitions.h), walked with the one table job.
#pragma once

#include "core/snmp/table_definitions.h"
#include "tools/tables/table_job.h"

namespace tesmo {

// The job of a stored table: "Getting Table", then its columns walked with a
// row per instance of the first, drawn as they come, "%u entry(s)" and
// "Ready". A table without columns leaves the grid and its label as they
// were.
TableJobOutcome RunCustomTableJob(unsigned table, CTableGrid& grid, const JobContext& context);

// The description RunCustomTableJob runs for these columns.
TableDescription CustomTableDescription(const std::vector<ColumnDefinition>& columns);

}  // namespace tesmo
