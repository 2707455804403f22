#pragma once

// Private to analytics/.
//
// How the tests read a field, the same in every test: what makes an amount, a key or a number
// usable, and the transaction a line belongs to.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tallyscan::analytics {

// A field holding only blanks, or lying beyond the end of a short line.
inline bool IsBlank(std::string_view field) {
  return field.find_first_not_of(' ') == std::string_view::npos;
}

// An amount field that is "+" or "-" followed by exactly 14 digits: agorot with that sign.
inline std::optional<std::int64_t> ReadUsableAmount(std::string_view field) {
  if (field.size() != 15 || (field[0] != '+' && field[0] != '-')) return std::nullopt;
  std::int64_t value = 0;
  for (std::size_t i = 1; i < 15; ++i) {
    const unsigned digit = static_cast<unsigned char>(field[i]) - static_cast<unsigned>('0');
    if (digit > 9) return std::nullopt;
    value = value * 10 + digit;
  }
  return field[0] == '-' ? -value : value;
}

// A key or number without leading blanks and zeros and without trailing blanks; "0" when it
// is all zeros; empty when it is blank. The view lies within `field`.
inline std::string_view NumberKey(std::string_view field) {
  const std::size_t first = field.find_first_not_of(" 0");
  if (first == std::string_view::npos) {
    const std::size_t zero = field.find('0');
    return zero == std::string_view::npos ? std::string_view() : field.substr(zero, 1);
  }
  const std::size_t last = field.find_last_not_of(' ');
  return field.substr(first, last - first + 1);
}

// Whether a non-empty text is all digits.
inline bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace tallyscan::analytics
