#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The cells of figure columns: how their sign and their debit/credit letter are placed, which
// colour the HTML document and the workbook give them, and their value as a number. One set
// of rules for every target.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyscan {

// A figure as a cell shows it: optional blanks, an optional sense letter (ח debit, ז credit)
// before or after, an optional "-" or "+" at either end of the number, digits with optional
// "," separators and an optional "." with decimals.
struct Figure {
  std::int64_t units = 0;  // the digits as a whole number of 10^-decimals
  int decimals = 0;
  bool negative = false;  // a "-" sign
  int sense = 0;          // +1 for ח, -1 for ז, 0 without a letter

  bool Zero() const { return units == 0; }
};
// nullopt when the text is not such a figure (empty, a word, a date, a key).
std::optional<Figure> ParseFigure(std::string_view cell);

// Where a figure's sign goes: after it on pages and in the e-mail form, before it in the
// Excel form (a spreadsheet then reads a signed number).
enum class SignPlace { kEnd, kFront };

// The text of a cell of a column of `type`. For a figure column (type not 0) whose cell is a
// figure: the sense letter is put in front followed by one blank, and the sign is moved to
// `place`. Any other cell is returned as it is, so that a key or a word in a figure column
// is never changed.
std::string FigureText(std::string_view cell, int type, SignPlace place);

enum class CellColour { kNone, kDebit, kCredit };
// The colour a column of type 1-4 gives its cell: type 1 the debit colour and type 2 the
// credit colour when the value is not zero (a cell that is not a figure and not empty counts
// as not zero); type 3 the credit colour for a ז and the debit colour for a ח; type 4 the
// credit colour when the value is negative and the debit colour otherwise. Other types none.
CellColour ColourOfCell(std::string_view cell, int type);
// The same for a cell already read as a figure (ParseFigure(cell)).
CellColour ColourOfCell(std::string_view cell, int type, const std::optional<Figure>& figure);

}  // namespace tallyscan
