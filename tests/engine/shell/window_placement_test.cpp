#include "engine/shell/window_placement.h"

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

TEST(MainDlgPosTest, NothingStoredOpensAtTheDefaultSize) {
  EXPECT_EQ((MainDlgPos{710, 540, false}), ParseMainDlgPos(""));
}

TEST(MainDlgPosTest, SmallSizesAreRaisedToTheMinimum) {
  EXPECT_EQ((MainDlgPos{710, 560, false}), ParseMainDlgPos("500,400,0"));
  EXPECT_EQ((MainDlgPos{710, 560, true}), ParseMainDlgPos("710,485,1"));
  EXPECT_EQ((MainDlgPos{900, 700, false}), ParseMainDlgPos("900,700,0"));
}

TEST(MainDlgPosTest, DamagedTextFallsBackToTheMinimum) {
  EXPECT_EQ((MainDlgPos{710, 560, false}), ParseMainDlgPos("garbage"));
  EXPECT_EQ((MainDlgPos{800, 560, false}), ParseMainDlgPos("800"));
}

TEST(MainDlgPosTest, MaximisedWindowStoresTheFixedSize) {
  EXPECT_EQ("710,485,1", FormatMainDlgPos(1920, 1040, true));
  EXPECT_EQ("812,603,0", FormatMainDlgPos(812, 603, false));
  EXPECT_EQ((MainDlgPos{812, 603, false}), ParseMainDlgPos(FormatMainDlgPos(812, 603, false)));
}

}  // namespace
}  // namespace tallyscan
