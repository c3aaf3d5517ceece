// The line store: what a follower is handed as lines arrive, the cap pushes
// the oldest out and the list is emptied, and how often it is told.
#include "core/lines/line_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tesmo;

namespace {

using Lines = std::vector<std::string>;

// A follower as the list model is: it applies every update to what it shows.
struct Follower {
  uint64_t epoch = 0, taken = 0;
  Lines shown;
  void Take(CLineStore& store) {
    CLineStore::Update update = store.Fetch(epoch, taken, shown.size());
    epoch = update.epoch;
    taken = update.taken;
    if (update.reset) shown.clear();
    shown.erase(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(update.dropFront));
    shown.insert(shown.end(), update.lines.begin(), update.lines.end());
  }
};

// Steps: a number appends that many lines ("n0", "n1", ...), "clear" empties
// the store, "take" lets the follower catch up; after each take it shows
// what the store holds.
TEST(LineStore, FollowerEndsUpShowingWhatTheStoreHolds) {
  const struct {
    const char* what;
    size_t cap;
    std::vector<std::string> steps;
  } cases[] = {
      {"grows", 100, {"3", "take", "2", "take", "take"}},
      {"cap pushes out between takes", 5, {"3", "take", "4", "take"}},
      {"cap pushes out more than shown", 5, {"3", "take", "20", "take"}},
      {"cleared with nothing after", 10, {"3", "take", "clear", "take"}},
      {"cleared then refilled past the cap", 4, {"3", "take", "clear", "9", "take"}},
      {"cap of one", 1, {"2", "take", "1", "take"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CLineStore store(c.cap, CLineStore::Overflow::kDropOldest);
    Follower follower;
    int next = 0;
    for (const std::string& step : c.steps) {
      if (step == "clear") {
        store.Clear();
      } else if (step == "take") {
        follower.Take(store);
        EXPECT_EQ(follower.shown, store.Lines());
      } else {
        for (int i = std::stoi(step); i > 0; --i) store.Append("n" + std::to_string(next++));
      }
      EXPECT_LE(store.Count(), c.cap);
    }
  }
}

// A result list takes no line past its cap, and says so; its last line (why
// it ended) still goes in. A sink gets every line and nothing is kept.
TEST(LineStore, AResultListStopsAtItsCapAndStreamsToASink) {
  CLineStore store(3);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(store.Append(std::to_string(i)), i < 3) << i;
  EXPECT_TRUE(store.Full());
  store.AppendLast("stopped");
  EXPECT_EQ(store.Lines(), (Lines{"0", "1", "2", "stopped"}));
  store.Clear();
  EXPECT_FALSE(store.Full());

  Lines streamed;
  store.SetSink([&](const std::string& line) { streamed.push_back(line); });
  for (int i = 0; i < 4; ++i) store.Append(std::to_string(i));
  store.AppendLast("why");
  EXPECT_EQ(streamed, (Lines{"0", "1", "2", "why"}));
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(store.Appended(), 4u);
}

TEST(LineStore, NotifiesOncePerFetchAndOnAClear) {
  CLineStore store;
  int notices = 0;
  store.SetNotify([&] { ++notices; });
  for (int i = 0; i < 1000; ++i) store.Append("line");
  EXPECT_EQ(notices, 1);
  Follower follower;
  follower.Take(store);
  store.Append("more");
  store.Append("and more");
  EXPECT_EQ(notices, 2);
  follower.Take(store);
  EXPECT_EQ(follower.shown.size(), 1002u);
  store.Clear();  // the follower must hear of it even if nothing follows
  EXPECT_EQ(notices, 3);
  follower.Take(store);
  EXPECT_TRUE(follower.shown.empty());
  store.SetNotify({});
  store.Append("unheard");
  EXPECT_EQ(notices, 3);
}

}  // namespace
