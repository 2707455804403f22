// The order in which the checks read the movements and documents: by offset, that is in file
// order, whatever order the index keeps them in.
#include "engine/checks/record_facts.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace tallyscan::checks {
namespace {

TEST(RecordFactsTest, FileOrderGivesEveryEntryByAscendingOffset) {
  std::mt19937_64 random(7);
  // Offsets small and large (past 4 GB, so that no digit of the sort is left out) and in
  // every count of entries around the widths of the packed element.
  for (const std::int64_t count : {0, 1, 2, 255, 256, 257, 70000}) {
    for (const std::int64_t spread : {std::int64_t{1000}, std::int64_t{1} << 40}) {
      RecordIndex<IndexEntry> index;
      index.Reset(count);
      std::vector<std::int64_t> offsets;
      for (std::int64_t i = 0; i < count; ++i) {
        offsets.push_back(static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(spread)));
      }
      std::sort(offsets.begin(), offsets.end());
      offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
      std::vector<std::int64_t> shuffled = offsets;
      std::shuffle(shuffled.begin(), shuffled.end(), random);
      for (const std::int64_t offset : shuffled) index.Append().Offset = offset;

      const FileOrder order(index);
      ASSERT_EQ(offsets.size(), order.size());
      for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_EQ(offsets[i], order.Offset(i)) << count << " entries, entry " << i;
        ASSERT_EQ(offsets[i], index[order.Element(i)].Offset) << count << " entries, entry " << i;
      }
    }
  }
}

// A stop while the checks wait for their facts cancels the sort as well: it is the longest
// stretch of the gathering that reads nothing.
TEST(RecordFactsTest, FileOrderEndsEarlyOnceCancelled) {
  for (const bool cancel : {false, true}) {
    RecordIndex<IndexEntry> index;
    index.Reset(70000);
    for (std::int64_t i = 0; i < 70000; ++i) index.Append().Offset = (i * 7919) % 70000;
    const std::atomic<bool> cancelled(cancel);
    const FileOrder order(index, cancelled);
    EXPECT_EQ(cancel, order.cancelled());
    if (!cancel) {
      EXPECT_EQ(69999, order.Offset(order.size() - 1));
    }
  }
}

TEST(RecordFactsTest, BatchedMovementKeepsAmountAndSideWhateverTheirSigns) {
  for (const std::int64_t amount :
       {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1}, std::int64_t{-3},
        std::int64_t{999999999999999}, std::int64_t{-999999999999999}}) {
    for (const bool credit : {false, true}) {
      const MovementAmount movement = BatchedMovement(-7, {amount, credit}).movement();
      EXPECT_EQ(amount, movement.amount) << amount << " " << credit;
      EXPECT_EQ(credit, movement.credit) << amount << " " << credit;
    }
  }
}

}  // namespace
}  // namespace tallyscan::checks
