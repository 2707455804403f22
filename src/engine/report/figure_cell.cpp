#include "engine/report/figure_cell.h"

#include <limits>

#include "engine/text/text.h"

namespace tallyscan {
namespace {

constexpr std::string_view kDebitLetter = "ח";
constexpr std::string_view kCreditLetter = "ז";

// Takes a sense letter off either end of `text` (blanks around it included).
int TakeSense(std::string_view& text) {
  text = TrimSpaces(text);
  for (const auto& [letter, sense] : {std::pair{kDebitLetter, 1}, std::pair{kCreditLetter, -1}}) {
    if (text.starts_with(letter)) {
      text = TrimSpaces(text.substr(letter.size()));
      return sense;
    }
    if (text.ends_with(letter)) {
      text = TrimSpaces(text.substr(0, text.size() - letter.size()));
      return sense;
    }
  }
  return 0;
}

}  // namespace

std::optional<Figure> ParseFigure(std::string_view cell) {
  Figure figure;
  std::string_view text = cell;
  figure.sense = TakeSense(text);
  if (text.empty()) return std::nullopt;
  char sign = 0;
  if (text.front() == '-' || text.front() == '+') {
    sign = text.front();
    text.remove_prefix(1);
  } else if (text.back() == '-' || text.back() == '+') {
    sign = text.back();
    text.remove_suffix(1);
  }
  figure.negative = sign == '-';
  bool any_digit = false;
  bool in_decimals = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (figure.units > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return std::nullopt;
      figure.units = figure.units * 10 + (c - '0');
      any_digit = true;
      if (in_decimals) ++figure.decimals;
    } else if (c == ',' && !in_decimals && any_digit && i + 1 < text.size()) {
      continue;
    } else if (c == '.' && !in_decimals) {
      in_decimals = true;
    } else {
      return std::nullopt;
    }
  }
  if (!any_digit) return std::nullopt;
  return figure;
}

std::string FigureText(std::string_view cell, int type, SignPlace place) {
  if (type == 0) return std::string(cell);
  const std::optional<Figure> figure = ParseFigure(cell);
  if (!figure) return std::string(cell);
  std::string_view number = cell;
  TakeSense(number);
  char sign = 0;
  if (number.front() == '-' || number.front() == '+') {
    sign = number.front();
    number.remove_prefix(1);
  } else if (number.back() == '-' || number.back() == '+') {
    sign = number.back();
    number.remove_suffix(1);
  }
  std::string text;
  if (figure->sense != 0) {
    text += figure->sense > 0 ? kDebitLetter : kCreditLetter;
    text += ' ';
  }
  if (sign != 0 && place == SignPlace::kFront) text += sign;
  text += number;
  if (sign != 0 && place == SignPlace::kEnd) text += sign;
  return text;
}

CellColour ColourOfCell(std::string_view cell, int type) {
  if (type < 1 || type > 4) return CellColour::kNone;
  return ColourOfCell(cell, type, ParseFigure(cell));
}

CellColour ColourOfCell(std::string_view cell, int type, const std::optional<Figure>& figure) {
  if (type < 1 || type > 4) return CellColour::kNone;
  const bool nonzero = figure ? !figure->Zero() : !TrimSpaces(cell).empty();
  switch (type) {
    case 1:
      return nonzero ? CellColour::kDebit : CellColour::kNone;
    case 2:
      return nonzero ? CellColour::kCredit : CellColour::kNone;
    case 3:
      if (figure && figure->sense < 0) return CellColour::kCredit;
      if (figure && figure->sense > 0) return CellColour::kDebit;
      return CellColour::kNone;
    default:
      return figure && figure->negative && !figure->Zero() ? CellColour::kCredit
                                                           : CellColour::kDebit;
  }
}

}  // namespace tallyscan
