// The window's result lists: the one list model follows lines written by a
// job thread, in batches, through a clear, and past the store's cap.
#include <gtest/gtest.h>

#include <QTest>
#include <thread>

#include "core/dns/dns_output.h"
#include "ui/widgets/line_list_model.h"

using namespace tesmo;

namespace {

TEST(LineListModel, FollowsAWriterThreadInBatches) {
  CDnsOutput out;
  CLineListModel model(out.Store());
  constexpr int kLines = 100000;
  std::thread writer([&] {
    for (int i = 0; i < kLines; ++i) out.Print("%d\n", i);
  });
  (void)QTest::qWaitFor([&] { return model.rowCount() == kLines; }, 20000);
  writer.join();
  ASSERT_EQ(model.rowCount(), kLines);
  EXPECT_LT(model.Batches(), kLines / 100);
  for (int i = 0; i < kLines; i += 9973) {
    EXPECT_EQ(model.index(i).data().toString(), QString::number(i));
  }
  out.Clear();
  (void)QTest::qWaitFor([&] { return model.rowCount() == 0; }, 20000);
  EXPECT_EQ(model.rowCount(), 0);
}

TEST(LineListModel, DropsWhatTheCapPushesOut) {
  CLineStore store(3, CLineStore::Overflow::kDropOldest);
  CLineListModel model(store);
  for (const char* line : {"a", "b", "c"}) store.Append(line);
  model.Refresh();
  EXPECT_EQ(model.Lines(), QStringList({"a", "b", "c"}));
  for (const char* line : {"d", "e"}) store.Append(line);
  model.Refresh();
  EXPECT_EQ(model.Lines(), QStringList({"c", "d", "e"}));
}

}  // namespace
