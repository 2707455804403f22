#pragma once

#include <string>
#include <string_view>

namespace tallyscan {

// Size of the main window's client area and whether it was maximised, as kept in
// Params/MainDlgPos ("width,height,flag").
struct MainDlgPos {
  int width = 0;
  int height = 0;
  bool maximised = false;

  bool operator==(const MainDlgPos&) const = default;
};

inline constexpr int kMainMinWidth = 710;
inline constexpr int kMainMinHeight = 560;
inline constexpr int kMainDefaultHeight = 540;  // only when nothing is stored
inline constexpr int kMaximisedStoredHeight = 485;

// The size to open with: 710 x 540 when nothing is stored; otherwise the stored fields, a
// width below 710 raised to 710 and a height below 560 raised to 560.
MainDlgPos ParseMainDlgPos(std::string_view stored);

// The text to store on close: a maximised window stores "710,485,1", any other its size
// with flag 0.
std::string FormatMainDlgPos(int width, int height, bool maximised);

}  // namespace tallyscan
