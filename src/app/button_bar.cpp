#include "app/button_bar.h"

namespace tallyscan {

std::array<int, kPageCount> ButtonBarTops(int current_button, int client_height,
                                          int button_height) {
  std::array<int, kPageCount> tops{};
  const int k = current_button;
  int y = client_height - 25;
  for (int button = kPageCount; button > k; --button) {
    y = y - button_height + 2;
    tops[static_cast<std::size_t>(button - 1)] = y;
  }
  y = 60;
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
