// The line store.
#include "core/lines/line_store.h"

#include <algorithm>
#include <iterator>

namespace tesmo {

CLineStore::CLineStore(size_t cap, Overflow overflow)
    : cap(std::max<size_t>(cap, 1)), overflow(overflow) {}

bool CLineStore::Append(std::string line) {
  {
    std::lock_guard guard(mutex);
    if (overflow == Overflow::kRefuse && appended >= cap) return false;
    ++appended;
    if (sink) {
      // Streamed: under the lock, so that lines keep their order.
      sink(line);
      return true;
    }
    if (lines.size() >= cap) lines.pop_front();
    lines.push_back(std::move(line));
  }
  Notify();
  return true;
}

void CLineStore::AppendLast(std::string line) {
  {
    std::lock_guard guard(mutex);
    ++appended;
    if (sink) {
      sink(line);
      return;
    }
    lines.push_back(std::move(line));
  }
  Notify();
}

bool CLineStore::Full() const {
  std::lock_guard guard(mutex);
  return overflow == Overflow::kRefuse && appended >= cap;
}

uint64_t CLineStore::Appended() const {
  std::lock_guard guard(mutex);
  return appended;
}

void CLineStore::SetSink(std::function<void(const std::string&)> next) {
  std::lock_guard guard(mutex);
  sink = std::move(next);
}

void CLineStore::Clear() {
  {
    std::lock_guard guard(mutex);
    lines.clear();
    ++epoch;
    appended = 0;
  }
  // The follower must learn that its lines are gone even if nothing follows.
  Notify();
}

void CLineStore::Notify() {
  std::lock_guard call(notifyMutex);
  {
    std::lock_guard guard(mutex);
    if (notifyPending || !notify) return;
    notifyPending = true;
  }
  notify();
}

void CLineStore::SetNotify(std::function<void()> next) {
  std::lock_guard call(notifyMutex);
  std::lock_guard guard(mutex);
  notify = std::move(next);
  notifyPending = false;
}

std::vector<std::string> CLineStore::Lines() const {
  std::lock_guard guard(mutex);
  return {lines.begin(), lines.end()};
}

size_t CLineStore::Count() const {
  std::lock_guard guard(mutex);
  return lines.size();
}

uint64_t CLineStore::Epoch() const {
  std::lock_guard guard(mutex);
  return epoch;
}

CLineStore::Update CLineStore::Fetch(uint64_t shownEpoch, uint64_t taken, size_t shown) {
  std::lock_guard guard(mutex);
  notifyPending = false;
  Update update;
  update.epoch = epoch;
  update.taken = appended;
  const uint64_t front = appended - lines.size();  // this epoch's number of lines[0]
  if (shownEpoch != epoch || taken > appended || shown > taken) {
    update.reset = true;
    update.lines.assign(lines.begin(), lines.end());
    return update;
  }
  // The follower shows lines taken - shown ... taken - 1 of this epoch.
  const uint64_t shownFront = taken - shown;
  update.dropFront =
      static_cast<size_t>(std::min<uint64_t>(shown, front > shownFront ? front - shownFront : 0));
  const uint64_t first = std::max(taken, front);
  update.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(first - front), lines.end());
  return update;
}

}  // namespace tesmo
