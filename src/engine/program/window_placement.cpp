#include "engine/program/window_placement.h"

#include <algorithm>
#include <charconv>

namespace tallyscan {
namespace {

// The leading integer of a comma-separated field, as the conversion of a C run-time would
// read it: blanks skipped, a sign and digits up to the first other character, 0 when there
// are none.
int LeadingInt(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) {
    field.remove_prefix(1);
  }
  int value = 0;
  std::from_chars(field.data(), field.data() + field.size(), value);
  return value;
}

std::string_view NextField(std::string_view& rest) {
  const std::size_t comma = rest.find(',');
  const std::string_view field = rest.substr(0, comma);
  rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  return field;
}

// `start` moved as little as possible so that [start, start + length) lies within
// [low, high); when it cannot, it starts at `low`.
int Within(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

}  // namespace

MainDlgPos ParseMainDlgPos(std::string_view stored) {
  MainDlgPos pos;
  if (stored.empty()) return pos;
  pos.stored = true;
  std::string_view rest = stored;
  pos.width = std::max(LeadingInt(NextField(rest)), kMainMinWidth);
  pos.height = std::max(LeadingInt(NextField(rest)), kMainMinHeight);
  pos.maximised = LeadingInt(NextField(rest)) != 0;
  const std::string_view x = NextField(rest);
  const std::string_view y = NextField(rest);
  if (!x.empty() && !y.empty()) {
    pos.has_position = true;
    pos.x = LeadingInt(x);
    pos.y = LeadingInt(y);
  }
  return pos;
}

std::string FormatMainDlgPos(int width, int height, bool maximised, int x, int y) {
  return std::to_string(width) + "," + std::to_string(height) + (maximised ? ",1," : ",0,") +
         std::to_string(x) + "," + std::to_string(y);
}

ScreenRect PlaceMainWindow(const MainDlgPos& pos, const ScreenRect& screen,
                           const FrameMargins& frame) {
  // The largest client area whose frame still fits the screen.
  const int room_width = screen.width - frame.left - frame.right;
  const int room_height = screen.height - frame.top - frame.bottom;
  ScreenRect place;
  if (pos.stored) {
    place.width = std::min(pos.width, room_width);
    place.height = std::min(pos.height, room_height);
  } else {
    place.width = room_width * kFirstStartSharePercent / 100;
    place.height = room_height * kFirstStartSharePercent / 100;
  }
  place.width = std::max(place.width, kMainLeastWidth);
  place.height = std::max(place.height, kMainLeastHeight);

  const int outer_width = place.width + frame.left + frame.right;
  const int outer_height = place.height + frame.top + frame.bottom;
  int left = screen.x + (screen.width - outer_width) / 2;
  int top = screen.y + (screen.height - outer_height) / 2;
  if (pos.stored && pos.has_position) {
    left = pos.x - frame.left;
    top = pos.y - frame.top;
  }
  left = Within(left, outer_width, screen.x, screen.x + screen.width);
  top = Within(top, outer_height, screen.y, screen.y + screen.height);
  place.x = left + frame.left;
  place.y = top + frame.top;
  return place;
}

}  // namespace tallyscan
