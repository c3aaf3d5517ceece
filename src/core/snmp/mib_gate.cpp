// The gate every reader of the MIB tree passes.
#include "core/snmp/mib_gate.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace tesmo {
namespace {

std::mutex gateMutex;
std::condition_variable gateOpened;
// Loads in progress; read without the lock on the quick path.
std::atomic<int> loading{0};

}  // namespace

void WaitForMibs() {
  if (loading.load(std::memory_order_acquire) == 0) return;
  std::unique_lock lock(gateMutex);
  gateOpened.wait(lock, [] { return loading.load(std::memory_order_acquire) == 0; });
}

bool MibsReady() {
  return loading.load(std::memory_order_acquire) == 0;
}

const tree* MibTreeHead() {
  WaitForMibs();
  return get_tree_head();
}

void MarkMibLoadBegun() {
  const std::lock_guard lock(gateMutex);
  loading.fetch_add(1, std::memory_order_acq_rel);
}

void MarkMibLoadEnded() {
  {
    const std::lock_guard lock(gateMutex);
    loading.fetch_sub(1, std::memory_order_acq_rel);
  }
  gateOpened.notify_all();
}

}  // namespace tesmo
