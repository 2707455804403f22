#include "engine/checks/sums.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallyscan::checks {
namespace {

TEST(SumsTest, BeyondIsStrictBothWays) {
  constexpr AmountSum kPastSixtyFourBits = AmountSum{std::numeric_limits<std::int64_t>::max()} + 1;
  EXPECT_FALSE(Beyond(99, 99));
  EXPECT_FALSE(Beyond(-99, 99));
  EXPECT_TRUE(Beyond(100, 99));
  EXPECT_TRUE(Beyond(-100, 99));
  EXPECT_TRUE(Beyond(std::numeric_limits<std::int64_t>::min(), 99));
  EXPECT_TRUE(Beyond(kPastSixtyFourBits, 99));
  EXPECT_TRUE(Beyond(-kPastSixtyFourBits, 99));
  EXPECT_FALSE(Beyond(kPastSixtyFourBits - (kPastSixtyFourBits - 99), 99));
}

}  // namespace
}  // namespace tallyscan::checks
