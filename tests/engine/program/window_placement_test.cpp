#include "engine/program/window_placement.h"

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

MainDlgPos Stored(int width, int height, bool maximised) {
  return {.stored = true, .width = width, .height = height, .maximised = maximised};
}

MainDlgPos StoredAt(int width, int height, int x, int y) {
  return {.stored = true, .width = width, .height = height, .has_position = true, .x = x, .y = y};
}

TEST(MainDlgPosTest, NothingStoredIsSaidSo) { EXPECT_EQ(MainDlgPos{}, ParseMainDlgPos("")); }

TEST(MainDlgPosTest, SmallSizesAreRaisedToTheMinimum) {
  EXPECT_EQ(Stored(710, 560, false), ParseMainDlgPos("500,400,0"));
  EXPECT_EQ(Stored(710, 560, true), ParseMainDlgPos("710,485,1"));
  EXPECT_EQ(Stored(900, 700, false), ParseMainDlgPos("900,700,0"));
}

TEST(MainDlgPosTest, DamagedTextFallsBackToTheMinimum) {
  EXPECT_EQ(Stored(710, 560, false), ParseMainDlgPos("garbage"));
  EXPECT_EQ(Stored(800, 560, false), ParseMainDlgPos("800"));
  EXPECT_EQ(Stored(800, 600, false), ParseMainDlgPos("800,600,0,15"));  // half a position
}

TEST(MainDlgPosTest, ThePositionFollowsTheThreeValues) {
  EXPECT_EQ(StoredAt(812, 603, -1900, 40), ParseMainDlgPos("812,603,0,-1900,40"));
  EXPECT_EQ("812,603,0,-1900,40", FormatMainDlgPos(812, 603, false, -1900, 40));
  EXPECT_EQ(StoredAt(812, 603, 5, 6), ParseMainDlgPos(FormatMainDlgPos(812, 603, false, 5, 6)));
}

TEST(MainDlgPosTest, MaximisedWindowKeepsItsNormalSizeAndPlace) {
  EXPECT_EQ("1200,700,1,30,20", FormatMainDlgPos(1200, 700, true, 30, 20));
  MainDlgPos expected = StoredAt(1200, 700, 30, 20);
  expected.maximised = true;
  EXPECT_EQ(expected, ParseMainDlgPos(FormatMainDlgPos(1200, 700, true, 30, 20)));
}

// A 1366 x 768 laptop whose task bar takes the bottom 40 pixels, and a frame with a
// 30-pixel title bar.
constexpr ScreenRect kLaptop{0, 0, 1366, 728};
constexpr FrameMargins kFrame{4, 30, 4, 4};

TEST(PlaceMainWindowTest, FirstStartTakesMostOfTheScreenCentred) {
  const ScreenRect place = PlaceMainWindow(MainDlgPos{}, kLaptop, kFrame);
  EXPECT_EQ((ScreenRect{72, 65, 1222, 624}), place);
  // Centred: the frame leaves equal room on both sides.
  EXPECT_EQ(place.x - kFrame.left, 1366 - (place.x + place.width + kFrame.right));
  EXPECT_EQ(place.y - kFrame.top, 728 - (place.y + place.height + kFrame.bottom));
  EXPECT_EQ((ScreenRect{-1820, 80, 1720, 905}),
            PlaceMainWindow(MainDlgPos{}, {-1920, 0, 1920, 1040}, kFrame));
}

TEST(PlaceMainWindowTest, WhatFitsStaysWhereItWas) {
  EXPECT_EQ((ScreenRect{200, 100, 800, 600}),
            PlaceMainWindow(StoredAt(800, 600, 200, 100), kLaptop, kFrame));
  // Without a stored position: centred.
  EXPECT_EQ((ScreenRect{283, 77, 800, 600}),
            PlaceMainWindow(Stored(800, 600, false), kLaptop, kFrame));
}

// The window closed on a large monitor opens on the laptop: cut to the screen, its title bar
// on it.
TEST(PlaceMainWindowTest, WhatDoesNotFitIsBroughtOntoTheScreen) {
  EXPECT_EQ((ScreenRect{4, 30, 1358, 694}),
            PlaceMainWindow(StoredAt(1900, 1000, 2500, 900), kLaptop, kFrame));
  EXPECT_EQ((ScreenRect{4, 30, 800, 600}),
            PlaceMainWindow(StoredAt(800, 600, -500, -200), kLaptop, kFrame));
  EXPECT_EQ((ScreenRect{562, 124, 800, 600}),
            PlaceMainWindow(StoredAt(800, 600, 1000, 700), kLaptop, kFrame));
  // A second screen to the left keeps its negative coordinates.
  const ScreenRect left_screen{-1920, 0, 1920, 1040};
  EXPECT_EQ((ScreenRect{-1500, 100, 800, 600}),
            PlaceMainWindow(StoredAt(800, 600, -1500, 100), left_screen, kFrame));
}

TEST(PlaceMainWindowTest, AScreenSmallerThanTheLeastSizeGetsTheWindowAtItsCorner) {
  EXPECT_EQ((ScreenRect{4, 30, 710, 540}),
            PlaceMainWindow(StoredAt(900, 700, 300, 300), {0, 0, 640, 480}, kFrame));
}

}  // namespace
}  // namespace tallyscan
