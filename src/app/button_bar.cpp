#include "app/button_bar.h"

#include <algorithm>

namespace tallyscan {
namespace {

// Where the bar starts (below the banner) and where it ends (above the status bar).
constexpr int kBarTop = 110;
constexpr int kBarBottomMargin = 23;

}  // namespace

int ButtonBarButtonHeight(int client_height, int full_height) {
  // Nine buttons overlapping by 2 pixels, and the gap that splits them at the current page.
  const int room = client_height - kBarBottomMargin - kBarTop - kBarLeastGap + 2 * (kPageCount - 1);
  return std::clamp(room / kPageCount, kBarLeastButtonHeight, full_height);
}

std::array<int, kPageCount> ButtonBarTops(int current_button, int client_height,
                                          int button_height) {
  std::array<int, kPageCount> tops{};
  const int k = current_button;
  int y = client_height - kBarBottomMargin - 2;
  for (int button = kPageCount; button > k; --button) {
    y = y - button_height + 2;
    tops[static_cast<std::size_t>(button - 1)] = y;
  }
  y = kBarTop - button_height + 2;
  for (int button = 1; button <= k; ++button) {
    y = y + button_height - 2;
    tops[static_cast<std::size_t>(button - 1)] = y;
  }
  // On a tall window the buttons standing on the bottom would be far from the rest: they
  // follow the hanging ones with a small gap instead, which still marks the current page.
  if (k < kPageCount) {
    const int together = tops[static_cast<std::size_t>(k - 1)] + button_height - 2 + kBarSplitGap;
    const int lift = tops[static_cast<std::size_t>(k)] - together;
    if (lift > 0) {
      for (int button = k + 1; button <= kPageCount; ++button)
        tops[static_cast<std::size_t>(button - 1)] -= lift;
    }
  }
  return tops;
}

}  // namespace tallyscan
