// A gate readers pass once a load beside them has ended.
#include "core/base/load_gate.h"

namespace tesmo {

void CLoadGate::Wait() {
  if (Open()) return;
  std::unique_lock lock(mutex);
  opened.wait(lock, [this] { return Open(); });
}

void CLoadGate::Begin() {
  const std::lock_guard lock(mutex);
  loading.fetch_add(1, std::memory_order_acq_rel);
}

void CLoadGate::End() {
  {
    const std::lock_guard lock(mutex);
    loading.fetch_sub(1, std::memory_order_acq_rel);
  }
  opened.notify_all();
}

}  // namespace tesmo
