#include "engine/uniform/result_row.h"

namespace tallyscan {

std::string MakeRow(RowStatus status, std::initializer_list<std::string_view> cells) {
  std::size_t size = 1;
  for (const std::string_view cell : cells) size += 1 + cell.size();
  std::string row;
  row.reserve(size);
  row.push_back(static_cast<char>(status));
  for (const std::string_view cell : cells) {
    row.push_back('\t');
    row.append(cell);
  }
  return row;
}

std::string PlainNumber(std::int64_t value) { return std::to_string(value); }

}  // namespace tallyscan
