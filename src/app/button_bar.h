#pragma once

#include <array>

namespace tallyscan {

// The main buttons as a stacked bar: the buttons up to the current page's button hang from
// the top, the others stand on the bottom, neighbours overlapping by 2 pixels; on a window
// tall enough to leave more than kBarSplitGap between the two groups, the lower group follows
// the upper one at that gap. Returns the top y of buttons 1..8 (index 0..7) for a client area
// `client_height` high.
std::array<int, 8> ButtonBarTops(int current_page, int client_height, int button_height);
inline constexpr int kBarSplitGap = 12;

// The button (1..8) that opens page `page` (1..8): pages 6, 7 and 8 are on buttons 7, 8, 6.
int ButtonOfPage(int page);

}  // namespace tallyscan
