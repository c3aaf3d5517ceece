// The result lists of the window: a list model that follows lines written by
// a job thread.
#include <gtest/gtest.h>

#include <QTest>
#include <thread>

#include "core/dns/dns_output.h"
#include "ui/nslookup/dns_result_model.h"

using namespace tesmo;

namespace {

// The result list follows a writer thread: every line in order, taken in
// batches rather than line by line, and emptied with the sink.
TEST(DnsResultModel, FollowsAWriterThreadInBatches) {
  CDnsOutput out;
  CDnsResultModel model(out);
  constexpr int kLines = 100000;
  std::thread writer([&] {
    for (int i = 0; i < kLines; ++i) out.Print("%d\n", i);
  });
  QTest::qWaitFor([&] { return model.rowCount() == kLines; }, 20000);
  writer.join();
  ASSERT_EQ(model.rowCount(), kLines);
  EXPECT_LT(model.Batches(), kLines / 100);
  for (int i = 0; i < kLines; i += 9973) {
    EXPECT_EQ(model.index(i).data().toString(), QString::number(i));
  }
  out.Clear();
  QTest::qWaitFor([&] { return model.rowCount() == 0; }, 20000);
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
