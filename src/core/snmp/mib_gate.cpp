// The gate every reader of the MIB tree passes.
#include "core/snmp/mib_gate.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include "core/base/load_gate.h"

namespace tesmo {
namespace {

CLoadGate gate;

}  // namespace

void WaitForMibs() {
  gate.Wait();
}

bool MibsReady() {
  return gate.Open();
}

const tree* MibTreeHead() {
  gate.Wait();
  return get_tree_head();
}

void MarkMibLoadBegun() {
  gate.Begin();
}

void MarkMibLoadEnded() {
  gate.End();
}

}  // namespace tesmo
