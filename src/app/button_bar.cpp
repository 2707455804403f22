#include "app/button_bar.h"

namespace tallyscan {

int ButtonOfPage(int page) {
  switch (page) {
    case 8:
      return 6;
    case 6:
      return 7;
    case 7:
      return 8;
    default:
      return page;
  }
}

std::array<int, 8> ButtonBarTops(int current_page, int client_height, int button_height) {
  std::array<int, 8> tops{};
  const int k = ButtonOfPage(current_page);
  int y = client_height - 25;
  for (int button = 8; button > k; --button) {
    y = y - button_height + 2;
    tops[static_cast<std::size_t>(button - 1)] = y;
  }
  y = 60;
  for (int button = 1; button <= k; ++button) {
    y = y + button_height - 2;
    tops[static_cast<std::size_t>(button - 1)] = y;
  }
  return tops;
}

}  // namespace tallyscan
