#include "engine/text/csv.h"

namespace tallyscan {
namespace {

void AppendCell(std::string& out, std::string_view cell) {
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += cell;
    return;
  }
  out += '"';
  for (const char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

template <typename Cell>
std::string Record(std::span<const Cell> cells) {
  std::string out;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out += ',';
    AppendCell(out, cells[i]);
  }
  out += "\r\n";
  return out;
}

}  // namespace

std::string CsvRecord(std::span<const std::string_view> cells) { return Record(cells); }
std::string CsvRecord(std::span<const std::string> cells) { return Record(cells); }

}  // namespace tallyscan
