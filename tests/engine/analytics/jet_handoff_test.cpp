// The hand-off from the reading thread to the readers' thread: every batch worked once and in
// order, a failure there seen here and thrown on the caller's thread, and an early end that
// stops the worker without working what is left.
#include "engine/analytics/jet_handoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace tallyscan::analytics {
namespace {

struct Numbers {
  std::vector<int> values;
  void clear() { values.clear(); }
};

// Fills `batches` batches of `per_batch` consecutive numbers each, handing each over.
void Fill(BatchHandoff<Numbers>& handoff, int batches, int per_batch) {
  int next = 0;
  for (int b = 0; b < batches; ++b) {
    for (int i = 0; i < per_batch; ++i) handoff.Filling().values.push_back(next++);
    if (!handoff.Hand()) return;
  }
}

TEST(BatchHandoff, EveryBatchIsWorkedOnceInTheOrderHandedOver) {
  struct Case {
    int batches;
    int per_batch;
  };
  for (const Case c : {Case{0, 0}, Case{1, 5}, Case{3, 1}, Case{4, 7}, Case{5, 2}, Case{200, 13}}) {
    SCOPED_TRACE(testing::Message() << c.batches << " x " << c.per_batch);
    std::vector<int> seen;
    int worked = 0;
    BatchHandoff<Numbers> handoff([&](Numbers& n) {
      ++worked;
      seen.insert(seen.end(), n.values.begin(), n.values.end());
    });
    Fill(handoff, c.batches, c.per_batch);
    handoff.Filling().values.push_back(-1);  // the last batch, handed by Finish
    handoff.Finish();
    EXPECT_EQ(worked, c.batches + 1);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(c.batches * c.per_batch) + 1);
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<int>(i));
    EXPECT_EQ(seen.back(), -1);
    EXPECT_FALSE(handoff.Failed());
  }
}

TEST(BatchHandoff, AFailureOnTheWorkerEndsTheHandingAndIsThrownByFinish) {
  int worked = 0;
  BatchHandoff<Numbers> handoff([&](Numbers& n) {
    if (n.values.front() == 30) throw std::runtime_error("no room");
    ++worked;
  });
  int handed = 0;
  for (int b = 0; b < 100; ++b) {
    handoff.Filling().values.push_back(b * 10);
    if (!handoff.Hand()) break;
    ++handed;
  }
  // The failure is seen within the batches in flight, never a hundred batches later.
  EXPECT_LT(handed, 3 + static_cast<int>(BatchHandoff<Numbers>::kSlots) + 1);
  EXPECT_TRUE(handoff.Failed());
  EXPECT_EQ(worked, 3);  // the batches before the one that failed, none after it
  EXPECT_THROW(handoff.Finish(), std::runtime_error);
}

TEST(BatchHandoff, EndingWithoutFinishStopsTheWorkerAndDropsWhatIsLeft) {
  std::atomic<int> worked{0};
  {
    BatchHandoff<Numbers> handoff([&](Numbers&) { ++worked; });
    Fill(handoff, 50, 3);
  }  // a stopped reading: the hand-off goes without its last batch
  EXPECT_LE(worked.load(), 50);
}

}  // namespace
}  // namespace tallyscan::analytics
