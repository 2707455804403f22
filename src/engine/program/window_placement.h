#pragma once

// Private to program/: the rest of the program includes program/program.h.

#include <string>
#include <string_view>

namespace tallyscan {

// The main window as kept in Params/MainDlgPos: "width,height,flag,x,y". Width and height are
// the client size, the flag says whether it was maximised, x and y are where the client area
// stood (of the normal, unmaximised window). Values written before the position was kept have
// only the first three fields.
struct MainDlgPos {
  bool stored = false;  // false: nothing was stored, the window fits itself to the screen
  int width = 0;
  int height = 0;
  bool maximised = false;
  bool has_position = false;  // x and y were stored
  int x = 0;
  int y = 0;

  bool operator==(const MainDlgPos&) const = default;
};

inline constexpr int kMainMinWidth = 710;
inline constexpr int kMainMinHeight = 560;
// The least client size the window can be made: its outer 720 x 580 less a frame.
inline constexpr int kMainLeastWidth = 710;
inline constexpr int kMainLeastHeight = 540;

// The stored text read back: nothing stored gives `stored` false; otherwise a width below 710
// is raised to 710 and a height below 560 to 560, and the position is kept when both of its
// fields are there.
MainDlgPos ParseMainDlgPos(std::string_view stored);

// The text to store on close: the size of the normal (unmaximised) window, the flag, then
// its position, so that a window closed maximised opens maximised and returns to where it
// stood before when it is restored.
std::string FormatMainDlgPos(int width, int height, bool maximised, int x, int y);

// A rectangle in screen coordinates.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const ScreenRect&) const = default;
};

// What the window frame adds around the client area on each side (the title bar on top).
struct FrameMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Where the client area opens on a screen whose usable area (without task bars) is `screen`:
//  - nothing stored: most of the screen (kFirstStartShare of each side), centred;
//  - a stored size larger than the screen is cut to it, and a stored position that would put
//    any part of the frame off the screen moves the window onto it, so that the title bar and
//    the button bar can always be reached; a window without a stored position is centred.
// The size never goes below the least client size (710 x 540); a screen smaller than that
// gets the window at its top-left corner.
ScreenRect PlaceMainWindow(const MainDlgPos& pos, const ScreenRect& screen,
                           const FrameMargins& frame);
inline constexpr int kFirstStartSharePercent = 90;

}  // namespace tallyscan
