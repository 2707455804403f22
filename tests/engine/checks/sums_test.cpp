#include "engine/checks/sums.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallyscan::checks {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(SumsTest, SumsStopAtTheLimitsInsteadOfWrapping) {
  EXPECT_EQ(5, Plus(2, 3));
  EXPECT_EQ(kMax, Plus(kMax - 1, 99999999999999));
  EXPECT_EQ(kMin, Plus(kMin + 1, -99999999999999));
  EXPECT_EQ(-1, Minus(2, 3));
  EXPECT_EQ(kMax, Minus(kMax, -1));
  EXPECT_EQ(kMin, Minus(kMin, 1));
  EXPECT_EQ(kMax, Minus(0, kMin));
}

TEST(SumsTest, BeyondIsStrictBothWays) {
  EXPECT_FALSE(Beyond(99, 99));
  EXPECT_FALSE(Beyond(-99, 99));
  EXPECT_TRUE(Beyond(100, 99));
  EXPECT_TRUE(Beyond(-100, 99));
  EXPECT_TRUE(Beyond(kMin, 99));
}

}  // namespace
}  // namespace tallyscan::checks
