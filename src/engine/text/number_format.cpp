#include "engine/text/number_format.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>

namespace tallyscan {

namespace {

struct MaskShape {
  bool separators = false;     // "," in the integer part
  std::size_t min_digits = 1;  // "0"s in the integer part; a zero integer part still shows "0"
  std::size_t decimals = 0;    // characters after "."
};

MaskShape ParseMask(std::string_view mask) {
  MaskShape shape;
  const auto dot = mask.find('.');
  const std::string_view integer = mask.substr(0, dot);
  std::size_t zeros = 0;
  for (const char c : integer) {
    if (c == ',') shape.separators = true;
    if (c == '0') ++zeros;
  }
  if (zeros > shape.min_digits) shape.min_digits = zeros;
  if (dot != std::string_view::npos) shape.decimals = mask.size() - dot - 1;
  return shape;
}

// Formats the magnitude given as decimal digits (most significant first, no sign) worth
// digits * 10^-scale. `digits` is rewritten when rounding carries. Working on the digit
// string rather than on a binary value keeps every int64 and every double exact, and no
// intermediate can overflow.
std::string FormatDigits(const MaskShape& shape, bool negative, char* digits, std::size_t count,
                         long scale) {
  const auto decimals = static_cast<long>(shape.decimals);
  bool carry_digit = false;  // a rounding carry out of the top digit adds a leading "1"
  std::size_t trailing_zeros = 0;
  if (scale > decimals) {
    const auto drop = static_cast<std::size_t>(scale - decimals);
    bool round_up = false;
    if (drop < count) {
      round_up = digits[count - drop] >= '5';
      count -= drop;
    } else {
      round_up = drop == count && digits[0] >= '5';
      digits[0] = '0';
      count = 1;
    }
    if (round_up) {
      std::size_t i = count;
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        carry_digit = true;
      } else {
        ++digits[i - 1];
      }
    }
  } else {
    trailing_zeros = static_cast<std::size_t>(decimals - scale);
  }

  // Leading zeros of the kept digits carry no value.
  std::size_t first = 0;
  if (!carry_digit) {
    while (first + 1 < count && digits[first] == '0') ++first;
  }
  const bool zero = !carry_digit && digits[first] == '0';
  if (zero) trailing_zeros = 0;

  // The value is now the digit sequence D = ["1"] digits[first..count) 0^trailing_zeros, in
  // units of 10^-decimals.
  const std::size_t head = carry_digit ? 1 : 0;
  const std::size_t length = head + (count - first) + trailing_zeros;
  const auto digit_at = [&](std::size_t i) -> char {
    if (i < head) return '1';
    i -= head;
    return i < count - first ? digits[first + i] : '0';
  };

  const std::size_t integer_digits = length > shape.decimals ? length - shape.decimals : 0;
  const std::size_t shown = integer_digits > shape.min_digits ? integer_digits : shape.min_digits;
  const std::size_t padding = shown - integer_digits;

  std::string out;
  out.reserve(1 + shown + shown / 3 + 1 + shape.decimals);
  if (negative && !zero) out.push_back('-');
  for (std::size_t j = 0; j < shown; ++j) {
    if (shape.separators && j > 0 && (shown - j) % 3 == 0) out.push_back(',');
    out.push_back(j < padding ? '0' : digit_at(j - padding));
  }
  if (shape.decimals > 0) {
    out.push_back('.');
    // The fraction is the last `decimals` digits of D, zero-filled on the left.
    for (std::size_t f = 0; f < shape.decimals; ++f) {
      const std::size_t from_end = shape.decimals - f;  // 1-based position from the right
      out.push_back(from_end <= length ? digit_at(length - from_end) : '0');
    }
  }
  return out;
}

}  // namespace

std::string FormatNumber(std::string_view mask, AmountSum value, int scale) {
  const MaskShape shape = ParseMask(mask);
  const bool negative = value < 0;
  // Negating in unsigned arithmetic keeps the most negative value exact.
  __extension__ using Magnitude = unsigned __int128;
  Magnitude magnitude = static_cast<Magnitude>(value);
  if (negative) magnitude = 0 - magnitude;
  char digits[40];  // 2^128 has 39 digits
  std::size_t count = 0;
  if (magnitude <= std::numeric_limits<std::uint64_t>::max()) {
    count = static_cast<std::size_t>(
        std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(magnitude)).ptr -
        digits);
  } else {
    char reversed[sizeof digits];
    for (; magnitude != 0; magnitude /= 10) {
      reversed[count++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    }
    for (std::size_t i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];
  }
  return FormatDigits(shape, negative, digits, count, scale);
}

std::string FormatNumber(std::string_view mask, double value) {
  // A ratio over nothing has no value to show.
  if (!std::isfinite(value)) return {};
  const MaskShape shape = ParseMask(mask);
  // The shortest decimal form that reads back as the same double: 1.005 rounds as the
  // 1.005 the user sees, not as the 1.00499999... that the binary value holds.
  char text[400];
  const auto result =
      std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::fixed);
  if (result.ec != std::errc()) return {};
  char digits[sizeof text];
  std::size_t count = 0;
  long scale = 0;
  bool after_point = false;
  for (const char* p = text; p != result.ptr; ++p) {
    if (*p == '.') {
      after_point = true;
      continue;
    }
    digits[count++] = *p;
    if (after_point) ++scale;
  }
  return FormatDigits(shape, std::signbit(value), digits, count, scale);
}

std::string FigureShape(std::string_view shown) {
  std::string shape(shown);
  for (char& c : shape) {
    if (c >= '0' && c <= '9') c = '0';
  }
  return shape;
}

std::optional<AmountSum> ReadAgorot(std::string_view shown) {
  const bool negative = shown.starts_with('-');
  if (negative) shown.remove_prefix(1);
  if (shown.size() < 4 || shown[shown.size() - 3] != '.') return std::nullopt;
  const std::string_view integer = shown.substr(0, shown.size() - 3);
  // A leading "0" stands only for a zero integer part ("0.50", never "01.50").
  if (integer.size() > 1 && integer[0] == '0') return std::nullopt;
  // Read as a negative number, whose range reaches one further than the positive one, so
  // that the bound is tested before it is passed.
  constexpr AmountSum kLowest = -(AmountSum{1} << 126) - (AmountSum{1} << 126);
  AmountSum value = 0;
  const auto add_digit = [&value](char c) {
    if (c < '0' || c > '9' || value < (kLowest + (c - '0')) / 10) return false;
    value = value * 10 - (c - '0');
    return true;
  };
  // Counted from the point, every fourth character of the integer part is a separator and
  // every other one a digit.
  for (std::size_t i = 0; i < integer.size(); ++i) {
    const bool separator_place = (integer.size() - i) % 4 == 0;
    if (separator_place != (integer[i] == ',') || (separator_place && i == 0)) return std::nullopt;
    if (!separator_place && !add_digit(integer[i])) return std::nullopt;
  }
  for (const char c : shown.substr(shown.size() - 2)) {
    if (!add_digit(c)) return std::nullopt;
  }
  // The lowest value is refused too, so that every value read can be negated.
  if (value == kLowest) return std::nullopt;
  return negative ? value : -value;
}

}  // namespace tallyscan
