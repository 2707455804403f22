#include "app/jet/sorted_rows.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <optional>

#include "engine/uniform/result_row.h"

namespace tallyscan {
namespace {

// The value of a cell that reads as a figure: digits with separators, a sign, a percent.
std::optional<double> FigureOf(std::string_view shown) {
  if (!shown.empty() && shown.back() == '%') shown.remove_suffix(1);
  std::string digits;
  for (const char c : shown) {
    if (c != ',') digits += c;
  }
  if (digits.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

void SortedRows::Set(std::vector<std::string> rows) {
  rows_ = std::move(rows);
  order_.resize(rows_.size());
  std::iota(order_.begin(), order_.end(), 0);
}

void SortedRows::SortBy(int field) {
  std::iota(order_.begin(), order_.end(), 0);
  std::vector<std::string> shown(rows_.size());
  std::vector<std::optional<double>> figures(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    shown[i] = LookOfCell(RowField(rows_[i], field)).shown;
    figures[i] = FigureOf(shown[i]);
  }
  std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
    const auto& fa = figures[static_cast<std::size_t>(a)];
    const auto& fb = figures[static_cast<std::size_t>(b)];
    if (fa && fb) return *fa < *fb;
    if (fa || fb) return fa.has_value();
    return shown[static_cast<std::size_t>(a)] < shown[static_cast<std::size_t>(b)];
  });
}

void SortedRows::Reverse() { std::reverse(order_.begin(), order_.end()); }

int SortedRows::Original(int row) const {
  if (row < 0 || row >= Count()) return -1;
  return order_[static_cast<std::size_t>(row)];
}

const std::string& SortedRows::Row(int row) const {
  return rows_[static_cast<std::size_t>(Original(row))];
}

int SortedRows::Shown(int original) const {
  const auto at = std::find(order_.begin(), order_.end(), original);
  return at == order_.end() ? -1 : static_cast<int>(at - order_.begin());
}

std::string SortedRows::CellText(int row, int field) const {
  if (row < 0 || row >= Count()) return {};
  return std::string(RowField(Row(row), field));
}

}  // namespace tallyscan
