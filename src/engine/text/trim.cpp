#include "engine/text/trim.h"

#include <cstdint>
#include <cstring>

namespace tallyscan {
namespace {

// The end of `text` without its trailing spaces, at most back to `first`. Fields are padded
// with long runs of spaces: they are passed eight at a time.
std::size_t EndWithoutSpaces(std::string_view text, std::size_t first) {
  constexpr std::uint64_t kEightSpaces = 0x2020202020202020;
  std::size_t last = text.size();
  while (last - first >= 8) {
    std::uint64_t eight;
    std::memcpy(&eight, text.data() + last - 8, 8);
    if (eight != kEightSpaces) break;
    last -= 8;
  }
  while (last > first && text[last - 1] == ' ') --last;
  return last;
}

}  // namespace

std::string_view TrimSpaces(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && text[first] == ' ') ++first;
  return text.substr(first, EndWithoutSpaces(text, first) - first);
}

std::string_view StripLeadingBlanksAndZeros(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && (text[first] == ' ' || text[first] == '0')) ++first;
  return text.substr(first, EndWithoutSpaces(text, first) - first);
}

}  // namespace tallyscan
