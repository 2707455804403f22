#pragma once

#include <array>

#include "app/pages/page_table.h"

namespace tallyscan {

// The main buttons as a stacked bar: the buttons up to the current page's button (the
// `current_button`th, counted from 1) hang from the top, the others stand on the bottom,
// neighbours overlapping by 2 pixels; on a window tall enough to leave more than kBarSplitGap
// between the two groups, the lower group follows the upper one at that gap. Returns the top
// y of each button in bar order for a client area `client_height` high.
std::array<int, kPageCount> ButtonBarTops(int current_button, int client_height, int button_height);
inline constexpr int kBarSplitGap = 12;

// The height of each main button in a client area `client_height` high: the full height where
// the bar fits with the two groups at least kBarLeastGap apart, on a lower window as much as
// fits, never below kBarLeastButtonHeight (room for the picture and the caption). The window's
// least height leaves the buttons more than that.
int ButtonBarButtonHeight(int client_height, int full_height);
inline constexpr int kBarLeastGap = 2;
inline constexpr int kBarLeastButtonHeight = 42;

}  // namespace tallyscan
