#include "engine/text/csv.h"

namespace tallyscan {
namespace {

constexpr std::string_view kDebitSense = " ח";
constexpr std::string_view kCreditSense = " ז";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t LeadingDigits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  return n;
}

}  // namespace

bool IsCsvFigure(std::string_view cell) {
  if (cell.ends_with(kDebitSense)) {
    cell.remove_suffix(kDebitSense.size());
  } else if (cell.ends_with(kCreditSense)) {
    cell.remove_suffix(kCreditSense.size());
  }
  if (cell.starts_with('-')) cell.remove_prefix(1);
  const std::size_t head = LeadingDigits(cell);
  if (head < 1 || head > 3) return false;
  cell.remove_prefix(head);
  while (cell.starts_with(',')) {
    if (LeadingDigits(cell.substr(1)) != 3) return false;
    cell.remove_prefix(4);
  }
  if (cell.starts_with('.')) {
    const std::size_t decimals = LeadingDigits(cell.substr(1));
    if (decimals == 0) return false;
    cell.remove_prefix(1 + decimals);
  }
  return cell.empty();
}

bool StartsAsFormula(std::string_view cell) {
  return !cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@');
}

namespace {

void AppendCell(std::string& out, std::string_view cell) {
  // A spreadsheet would run a cell that starts like a formula; the apostrophe makes it text
  // there and shows nothing. Figures keep their minus: the spreadsheet reads them as numbers.
  const bool guarded = StartsAsFormula(cell) && !IsCsvFigure(cell);
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
    if (guarded) out += '\'';
    out += cell;
    return;
  }
  out += '"';
  if (guarded) out += '\'';
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
