// A gate for data loaded on a thread of its own while the window shows (the
// MIB tree, the vendor file): readers wait at it until the load has ended,
// and go straight through once it has, or when no load was begun.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace tesmo {

class CLoadGate {
 public:
  // Returns once no load is in progress.
  void Wait();
  // Whether Wait would return at once.
  bool Open() const { return loading.load(std::memory_order_acquire) == 0; }
  // For the loader: a load begins (readers wait from now on) and ends.
  void Begin();
  void End();

 private:
  std::mutex mutex;
  std::condition_variable opened;
  std::atomic<int> loading{0};
};

}  // namespace tesmo
