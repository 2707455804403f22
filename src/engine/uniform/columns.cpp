#include "engine/uniform/columns.h"

namespace tallyscan {
namespace {

// More digits than this may not fit in an AmountSum once scaled.
constexpr std::size_t kMostDigits = 30;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits alone as their number.
std::optional<AmountSum> Digits(std::string_view text) {
  if (text.empty() || text.size() > kMostDigits) return std::nullopt;
  AmountSum value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "-1,234.5678" in ten-thousandths: a sign, digits with separators, up to four decimals.
std::optional<AmountSum> TenThousandths(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() || whole.front() == ',' || whole.back() == ',' || decimals.size() > 4 ||
      (point != std::string_view::npos && decimals.empty())) {
    return std::nullopt;
  }
  std::string digits;
  for (const char c : whole) {
    if (c != ',') digits += c;
  }
  digits.append(decimals);
  digits.append(4 - decimals.size(), '0');
  const std::optional<AmountSum> value = Digits(digits);
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<AmountSum> DateNumber(std::string_view text) {
  if (text.size() != 10) return std::nullopt;
  if (text[4] == '-' && text[7] == '-') {
    return Digits(std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) +
                  std::string(text.substr(8, 2)));
  }
  if (text[2] == '/' && text[5] == '/') {
    return Digits(std::string(text.substr(6, 4)) + std::string(text.substr(3, 2)) +
                  std::string(text.substr(0, 2)));
  }
  return std::nullopt;
}

}  // namespace

std::optional<AmountSum> CellValue(const CellLook& cell, ValueKind kind) {
  std::string_view shown = cell.shown;
  switch (kind) {
    case ValueKind::kAgorot:
      return CellAmount(cell);
    case ValueKind::kShare:
      if (!shown.ends_with('%')) return std::nullopt;
      shown.remove_suffix(1);
      return TenThousandths(shown);
    case ValueKind::kCount:
    case ValueKind::kQuantity:
    case ValueKind::kLine:
      return TenThousandths(shown);
    case ValueKind::kDate:
      return DateNumber(shown);
    case ValueKind::kKey:
      return Digits(shown);
    case ValueKind::kText:
      break;
  }
  return std::nullopt;
}

std::vector<std::string> ColumnNames(std::span<const ResultColumn> table, bool status_first) {
  std::vector<std::string> names;
  names.reserve(table.size() + 1);
  if (status_first) names.emplace_back("status");
  for (const ResultColumn& column : table) names.emplace_back(column.name);
  return names;
}

}  // namespace tallyscan
