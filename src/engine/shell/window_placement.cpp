#include "engine/shell/window_placement.h"

#include <algorithm>
#include <charconv>

namespace tallyscan {
namespace {

// The leading integer of a comma-separated field, as the conversion of a C run-time would
// read it: blanks skipped, digits up to the first other character, 0 when there are none.
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

}  // namespace

MainDlgPos ParseMainDlgPos(std::string_view stored) {
  if (stored.empty()) return {kMainMinWidth, kMainDefaultHeight, false};
  std::string_view rest = stored;
  MainDlgPos pos;
  pos.width = std::max(LeadingInt(NextField(rest)), kMainMinWidth);
  pos.height = std::max(LeadingInt(NextField(rest)), kMainMinHeight);
  pos.maximised = LeadingInt(NextField(rest)) != 0;
  return pos;
}

std::string FormatMainDlgPos(int width, int height, bool maximised) {
  if (maximised) {
    return std::to_string(kMainMinWidth) + "," + std::to_string(kMaximisedStoredHeight) + ",1";
  }
  return std::to_string(width) + "," + std::to_string(height) + ",0";
}

}  // namespace tallyscan
