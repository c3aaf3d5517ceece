// The Routing Table page's job: the target's IP routing table (ipRouteTable)
// with the host name of every next hop, sorted by destination.
#pragma once

#include "core/tables/table_job.h"

namespace tesmo {

// The page's settings (section "RouteTable"). Names are off unless the user
// turns them on: a router's table can be long.
struct RouteJobOptions {
  bool resolveNames = false;  // ResolveName: fill the "name" column

  static RouteJobOptions Load();
  void Save() const;
};

// The whole job, between BeginJob and EndJob: ten columns, progress texts
// naming the destination just fetched, rows sorted by destination (the
// zero-padded address texts sort in address order, the default route first).
TableJobOutcome RunRouteJob(CTableGrid& table, const SnmpTarget& target,
                            const RouteJobOptions& options);

// --batch HOST routetable.
int RunRouteBatch(BatchContext& context);

}  // namespace tesmo
