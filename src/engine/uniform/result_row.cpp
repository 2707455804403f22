#include "engine/uniform/result_row.h"

#include <limits>

#include "engine/text/text.h"

namespace tallyscan {

bool IsSafeCellText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    // The lead bytes of a C1 control (C2 80-9F) and of the heading marker.
    if (c == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) return false;
    }
    if (c == 0xE2 && text.substr(i).starts_with(kHeadingMarker)) return false;
  }
  return true;
}

std::string SafeCellText(std::string_view text) {
  if (IsSafeCellText(text)) return std::string(text);
  std::string safe;
  safe.reserve(text.size());
  while (!text.empty()) {
    // A C1 control (U+0080-U+009F, two bytes in UTF-8) is what an undefined code-page byte
    // converts to; a terminal reads some of them as the start of a control sequence.
    const bool c1_control = text.size() >= 2 && text[0] == '\xC2' &&
                            static_cast<unsigned char>(text[1]) >= 0x80 &&
                            static_cast<unsigned char>(text[1]) <= 0x9F;
    if (c1_control || text.starts_with(kHeadingMarker)) {
      safe += ' ';
      text.remove_prefix(c1_control ? 2 : kHeadingMarker.size());
      continue;
    }
    // Every C0 control and DEL: TAB, CR and LF would split the row, 0x1C and 0x1D mark a
    // cell, and ESC or BEL would reach the terminal that shows the output.
    const char c = text.front();
    const bool control = static_cast<unsigned char>(c) < 0x20 || c == '\x7F';
    safe += control ? ' ' : c;
    text.remove_prefix(1);
  }
  return safe;
}

namespace {

template <typename Cells>
std::string StatusRow(RowStatus status, const Cells& cells) {
  std::size_t size = 1;
  for (const auto& cell : cells) size += 1 + cell.size();
  std::string row;
  row.reserve(size);
  row.push_back(static_cast<char>(status));
  for (const auto& cell : cells) {
    row.push_back('\t');
    row.append(cell);
  }
  return row;
}

}  // namespace

std::string MakeRow(RowStatus status, std::initializer_list<std::string_view> cells) {
  return StatusRow(status, cells);
}

std::string MakeRow(RowStatus status, std::span<const std::string> cells) {
  return StatusRow(status, cells);
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

std::optional<AmountSum> CellAmount(const CellLook& cell, bool credit_side) {
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
  const std::optional<AmountSum> value = ReadAgorot(figure);
  if (!value) return std::nullopt;
  if (credit_sense) return *credit_sense && *value > 0 ? -*value : *value;
  return credit_side ? -*value : *value;
}

}  // namespace tallyscan
