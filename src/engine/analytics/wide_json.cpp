#include "engine/analytics/wide_json.h"

#include <string_view>

namespace tallyscan::analytics {

namespace {

constexpr std::string_view kWideMark = "\xEE\x80\x80";  // U+E000

std::string Unmark(std::string text) {
  const std::string opening = "\"" + std::string(kWideMark);
  const std::string closing = std::string(kWideMark) + "\"";
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  for (std::size_t found; (found = text.find(opening, at)) != std::string::npos;) {
    const std::size_t end = text.find(closing, found + opening.size());
    out.append(text, at, found - at);
    out.append(text, found + opening.size(), end - found - opening.size());
    at = end + closing.size();
  }
  out.append(text, at, std::string::npos);
  return out;
}

}  // namespace

Json WideInteger(AmountSum value) {
  if (value >= INT64_MIN && value <= INT64_MAX) return Json(static_cast<std::int64_t>(value));
  const bool negative = value < 0;
  __extension__ using Unsigned = unsigned __int128;
  Unsigned magnitude = negative ? static_cast<Unsigned>(0) - static_cast<Unsigned>(value)
                                : static_cast<Unsigned>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  return Json(std::string(kWideMark) + (negative ? "-" : "") + digits + std::string(kWideMark));
}

std::string WideDump(const Json& json) {
  return Unmark(json.dump(2, ' ', false, Json::error_handler_t::replace)) + "\n";
}

}  // namespace tallyscan::analytics
