// The Graph page's --batch entry:
//
//   tesmo --batch HOST graph --samples N [--period S] [--entry KIND:TARGET]...
//
// Polls the entries (KIND P: round trip to TARGET, any other: the SNMP
// object TARGET on HOST) until N samples are stored, one period apart (S
// seconds, default the stored refresh period), and prints a tab-separated
// table as it goes: a title line ("time" and the targets), then per sample
// its local time and one value per entry.
#pragma once

namespace tesmo {

struct BatchContext;

int RunGraphBatch(BatchContext& context);

}  // namespace tesmo
