// The one list of result lines: a job thread appends, the window (or a batch
// run, or a Copy) reads. The DNS output, the MIB walk and the ping history
// are each one of these.
//
// Thread-safe, and capped, so nothing a peer sends grows it without bound:
// a history (kDropOldest) lets each new line push the oldest out; a result
// list (kRefuse) takes no line past its cap and says it is Full(), and the
// job filling it stops there. Emptying it starts a new epoch.
//
// A batch run streams instead of keeping: with a sink, every line goes to
// the sink as it comes and is only counted.
//
// A view follows it like this (ui/widgets/line_list_model.h does):
//   - SetNotify(f): f is called on the appending thread when lines arrive (or
//     the list is emptied) after the follower's last Fetch, and then not
//     again until the next Fetch; f should only queue a call to the follower.
//   - In that call the follower asks Fetch(epoch, taken, shown) with the
//     epoch it shows, how many lines of that epoch it has taken in all, and
//     how many it shows now. The update says whether to start over, how many
//     of the shown lines to drop from the front (pushed out by the cap), and
//     the lines to append, in one piece.
// So 100,000 lines reach a view as a few large inserts, never line by line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tesmo {

class CLineStore {
 public:
  // Lines a result list takes at most (a walk, a listing); the manual page
  // names the figure.
  static constexpr size_t kDefaultCap = 2000000;
  enum class Overflow { kRefuse, kDropOldest };

  explicit CLineStore(size_t cap = kDefaultCap, Overflow overflow = Overflow::kRefuse);
  CLineStore(const CLineStore&) = delete;
  CLineStore& operator=(const CLineStore&) = delete;

  // False (and the line is dropped) when a result list is full.
  bool Append(std::string line);
  // The line that says why a full list ended: taken past the cap.
  void AppendLast(std::string line);
  // A result list that took its cap of lines in this epoch.
  bool Full() const;
  // Lines appended in this epoch, streamed or kept.
  uint64_t Appended() const;
  // Lines go to sink as they come and are not kept; empty: kept again.
  void SetSink(std::function<void(const std::string&)> sink);
  // Empties the list and starts a new epoch; the follower hears of it.
  void Clear();

  // Copies for readers that do not follow the list (Copy, --batch, tests).
  std::vector<std::string> Lines() const;
  size_t Count() const;
  uint64_t Epoch() const;
  size_t Cap() const { return cap; }

  struct Update {
    uint64_t epoch = 0;              // the epoch the follower shows after applying this
    uint64_t taken = 0;              // lines of that epoch taken in all, after applying
    bool reset = false;              // the list was emptied: lines replace all shown lines
    size_t dropFront = 0;            // shown lines the cap pushed out, to drop first
    std::vector<std::string> lines;  // to append (or to show, when reset)
  };
  // What a follower lacks; re-arms the notification.
  Update Fetch(uint64_t epoch, uint64_t taken, size_t shown);

  // The follower's notice (see the top of the file); empty: none. Returns
  // only when no call of the previous notice is in progress, so a follower
  // that unsets it in its destructor is never called afterwards.
  void SetNotify(std::function<void()> notify);

 private:
  // Calls the notice unless one is outstanding; force also for no new line.
  void Notify();

  const size_t cap;
  const Overflow overflow;
  mutable std::mutex mutex;
  std::function<void(const std::string&)> sink;
  std::deque<std::string> lines;
  uint64_t epoch = 1;
  uint64_t appended = 0;  // lines appended in this epoch, pushed out ones included
  bool notifyPending = false;

  // Held while the notice is set or called.
  std::mutex notifyMutex;
  std::function<void()> notify;
};

}  // namespace tesmo
