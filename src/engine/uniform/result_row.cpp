#include "engine/uniform/result_row.h"

#include <limits>

#include "engine/text/number_format.h"

namespace tallyscan {

std::string SafeCellText(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  while (!text.empty()) {
    if (text.starts_with(kHeadingMarker)) {
      safe += ' ';
      text.remove_prefix(kHeadingMarker.size());
      continue;
    }
    const char c = text.front();
    const bool structural =
        c == '\t' || c == '\r' || c == '\n' || c == kDebitMarker || c == kCreditMarker;
    safe += structural ? ' ' : c;
    text.remove_prefix(1);
  }
  return safe;
}

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

namespace {

template <typename Cells>
std::string Joined(const Cells& cells) {
  std::size_t size = 0;
  for (const auto& cell : cells) size += cell.size() + 1;
  std::string row;
  row.reserve(size);
  bool first = true;
  for (const auto& cell : cells) {
    if (!first) row.push_back('\t');
    row.append(cell);
    first = false;
  }
  return row;
}

}  // namespace

std::string JoinCells(std::span<const std::string> cells) { return Joined(cells); }

std::string JoinCells(std::initializer_list<std::string_view> cells) { return Joined(cells); }

std::string PlainNumber(std::int64_t value) { return std::to_string(value); }

std::string_view RowField(std::string_view row, int field) {
  if (field < 1) return {};
  for (int i = 1; i < field; ++i) {
    const std::size_t tab = row.find('\t');
    if (tab == std::string_view::npos) return {};
    row.remove_prefix(tab + 1);
  }
  return row.substr(0, row.find('\t'));
}

CellLook LookOfCell(std::string_view cell) {
  CellLook look;
  look.shown.reserve(cell.size());
  while (!cell.empty()) {
    if (cell.starts_with(kHeadingMarker)) {
      look.heading = true;
      cell.remove_prefix(kHeadingMarker.size());
      continue;
    }
    const char c = cell.front();
    cell.remove_prefix(1);
    if (c == kDebitMarker) {
      look.debit = true;
    } else if (c == kCreditMarker) {
      look.credit = true;
    } else {
      look.shown += c;
    }
  }
  return look;
}

DecodedRow DecodeRow(std::string_view row) {
  DecodedRow decoded;
  const std::size_t tab = row.find('\t');
  const std::string_view first = row.substr(0, tab);
  if (first.size() == 1) {
    switch (static_cast<RowStatus>(first[0])) {
      case RowStatus::kHeading:
      case RowStatus::kError:
      case RowStatus::kInfo:
      case RowStatus::kStopped:
        decoded.status = static_cast<RowStatus>(first[0]);
        break;
    }
  }
  if (tab != std::string_view::npos) decoded.cells = DecodeCells(row.substr(tab + 1));
  return decoded;
}

std::vector<CellLook> DecodeCells(std::string_view cells) {
  std::vector<CellLook> looks;
  for (;;) {
    const std::size_t end = cells.find('\t');
    looks.push_back(LookOfCell(cells.substr(0, end)));
    if (end == std::string_view::npos) return looks;
    cells.remove_prefix(end + 1);
  }
}

std::optional<std::int64_t> CellAmount(const CellLook& cell, bool credit_side) {
  static constexpr std::string_view kDebitSense = " ח";
  static constexpr std::string_view kCreditSense = " ז";
  std::string_view figure = cell.shown;
  std::optional<bool> credit_sense;  // a balance writes its magnitude and its sense
  if (figure.ends_with(kCreditSense)) {
    figure.remove_suffix(kCreditSense.size());
    credit_sense = true;
  } else if (figure.ends_with(kDebitSense)) {
    figure.remove_suffix(kDebitSense.size());
    credit_sense = false;
  }
  const std::optional<std::int64_t> value = ReadAgorot(figure);
  if (!value) return std::nullopt;
  // The lowest value has no positive counterpart: it stays as it is.
  const auto negated = [](std::int64_t v) {
    return v == std::numeric_limits<std::int64_t>::min() ? v : -v;
  };
  if (credit_sense) return *credit_sense && *value > 0 ? negated(*value) : *value;
  return credit_side ? negated(*value) : *value;
}

}  // namespace tallyscan
