// The compact set of hit lines: whatever the density, it gives back exactly the numbers
// appended, in order, and holds at most 2 bytes a number and a bit a number once dense.
#include "engine/analytics/jet_line_set.h"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

JetLineSet SetOf(const std::vector<std::uint32_t>& numbers) {
  JetLineSet set;
  for (const std::uint32_t n : numbers) set.Append(n);
  set.Settle();
  return set;
}

TEST(JetLineSet, GivesBackWhatWasAppendedAtEveryDensity) {
  struct DensityCase {
    const char* name;
    std::uint32_t first;
    std::uint32_t step_most;  // gaps are 1..step_most
    std::size_t count;
  };
  const DensityCase cases[] = {
      {"every line", 1, 1, 300000},
      {"every other line or so", 7, 3, 100000},
      {"a block's dense threshold exactly", 65536, 1, 4096},
      {"one past it", 65536, 1, 4097},
      {"sparse over many blocks", 0, 40000, 5000},
      {"up to the largest number", 0xFFFFFFFF - 70000, 1, 70001},
  };
  std::mt19937 random(32);
  for (const DensityCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint32_t> numbers;
    std::uint32_t n = c.first;
    for (std::size_t i = 0; i < c.count; ++i) {
      numbers.push_back(n);
      if (i + 1 < c.count) n += 1 + random() % c.step_most;
    }
    const JetLineSet set = SetOf(numbers);
    ASSERT_EQ(numbers.size(), set.size());
    EXPECT_TRUE(std::equal(numbers.begin(), numbers.end(), set.begin(), set.end()));
    for (std::size_t i = 0; i < numbers.size(); i += 997) {
      EXPECT_TRUE(set.Contains(numbers[i])) << numbers[i];
      if (i + 1 < numbers.size() && numbers[i] + 1 != numbers[i + 1]) {
        EXPECT_FALSE(set.Contains(numbers[i] + 1)) << numbers[i] + 1;
      }
    }
    // 2 bytes a number, never more than a bit for each number a block spans, 16 bytes a block.
    const std::size_t blocks = (numbers.back() >> 16) - (numbers.front() >> 16) + 1;
    EXPECT_LE(set.HeapBytes(), std::min(2 * set.size(), blocks * 8192) + 16 * blocks);
  }
}

TEST(JetLineSet, KeepsEachNumberOnceAndComparesByItsNumbers) {
  JetLineSet set;
  for (const std::uint32_t n : {0u, 0u, 5u, 3u, 5u, 9u}) set.Append(n);
  EXPECT_EQ((JetLineSet{0, 5, 9}), set);
  EXPECT_NE((JetLineSet{0, 5}), set);
  EXPECT_TRUE(JetLineSet().empty());
  EXPECT_EQ(JetLineSet().begin(), JetLineSet().end());
}

}  // namespace
}  // namespace tallyscan
