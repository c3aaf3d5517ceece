// The Interfaces page's job: the target's interface table (ifTable) joined
// with its address table on the interface index, with hardware vendors, and
// the filters that hide interfaces which are down.
#pragma once

#include "core/tables/table_job.h"

namespace tesmo {

// The page's settings (section "Interfaces").
struct InterfacesJobOptions {
  bool adminUpOnly = false;  // AdminUpOnly: hide interfaces whose ifAdminStatus reads "down"
  bool operUpOnly = false;   // OperUpOnly: hide interfaces whose ifOperStatus reads "down"

  static InterfacesJobOptions Load();
  void Save() const;
};

// The whole job, between BeginJob and EndJob: the interface walk, the address
// walk, then one row per shown interface with all its addresses and masks in
// one cell each (one line per address, the row as many lines high), sorted by
// interface index.
TableJobOutcome RunInterfacesJob(CTableGrid& table, const SnmpTarget& target,
                                 const InterfacesJobOptions& options);

// --batch HOST interfaces.
int RunInterfacesBatch(BatchContext& context);

}  // namespace tesmo
