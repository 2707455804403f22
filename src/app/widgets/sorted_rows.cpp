#include "app/widgets/sorted_rows.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

std::string CellOf(std::string_view row, int field) { return std::string(RowField(row, field)); }

// The rows of one order, held apart from the page's.
class OrderedRows final : public GridRowSource {
 public:
  OrderedRows(std::shared_ptr<const SortedRows::Rows> rows, std::vector<int> order)
      : rows_(std::move(rows)), order_(std::move(order)) {}
  std::string CellText(int row, int field) const override {
    if (row < 0 || static_cast<std::size_t>(row) >= order_.size()) return {};
    return CellOf((*rows_)[static_cast<std::size_t>(order_[static_cast<std::size_t>(row)])], field);
  }

 private:
  std::shared_ptr<const SortedRows::Rows> rows_;
  std::vector<int> order_;
};

}  // namespace

SortedRows::Rows::Rows(const std::vector<std::string>& rows) {
  std::size_t length = 0;
  for (const std::string& row : rows) length += row.size();
  text_.reserve(length);
  ends_.reserve(rows.size());
  for (const std::string& row : rows) {
    text_ += row;
    ends_.push_back(text_.size());
  }
}

std::string_view SortedRows::Rows::operator[](std::size_t row) const {
  const std::size_t begin = row == 0 ? 0 : ends_[row - 1];
  return std::string_view(text_).substr(begin, ends_[row] - begin);
}

SortedRows::SortedRows() : rows_(std::make_shared<const Rows>()) {}

void SortedRows::Set(Rows rows) {
  rows_ = std::make_shared<const Rows>(std::move(rows));
  order_.resize(rows_->size());
  std::iota(order_.begin(), order_.end(), 0);
}

std::vector<int> SortedRows::SortedOrder(const Rows& rows, int field, ValueKind kind) {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<std::string> shown(rows.size());
  std::vector<std::optional<AmountSum>> values(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    CellLook cell = LookOfCell(RowField(rows[i], field));
    values[i] = CellValue(cell, kind);
    if (!values[i]) shown[i] = std::move(cell.shown);
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const auto& va = values[static_cast<std::size_t>(a)];
    const auto& vb = values[static_cast<std::size_t>(b)];
    if (va && vb) return *va < *vb;
    if (va || vb) return va.has_value();
    return shown[static_cast<std::size_t>(a)] < shown[static_cast<std::size_t>(b)];
  });
  return order;
}

ValueKind SortedRows::KindOf(int field) const {
  if (field < 1 || static_cast<std::size_t>(field) > kinds_.size()) return ValueKind::kText;
  return kinds_[static_cast<std::size_t>(field - 1)];
}

void SortedRows::SortBy(int field) { order_ = SortedOrder(*rows_, field, KindOf(field)); }

void SortedRows::SetOrder(std::vector<int> order) {
  if (order.size() == rows_->size()) order_ = std::move(order);
}

void SortedRows::Reverse() { std::reverse(order_.begin(), order_.end()); }

std::unique_ptr<GridRowSource> SortedRows::Snapshot() const {
  return std::make_unique<OrderedRows>(rows_, order_);
}

int SortedRows::Original(int row) const {
  if (row < 0 || row >= Count()) return -1;
  return order_[static_cast<std::size_t>(row)];
}

std::string_view SortedRows::Row(int row) const {
  return (*rows_)[static_cast<std::size_t>(Original(row))];
}

int SortedRows::Shown(int original) const {
  const auto at = std::find(order_.begin(), order_.end(), original);
  return at == order_.end() ? -1 : static_cast<int>(at - order_.begin());
}

std::string SortedRows::CellText(int row, int field) const {
  if (row < 0 || row >= Count()) return {};
  return CellOf(Row(row), field);
}

}  // namespace tallyscan
