#include "engine/browse/ledger_widths.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The characters of a cell as it is shown: its code points, the markers left out.
std::size_t ShownLength(std::string_view cell) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < cell.size(); ++at) {
    if (cell.substr(at).starts_with(kHeadingMarker)) {
      at += kHeadingMarker.size() - 1;
      continue;
    }
    const char c = cell[at];
    if (c == kDebitMarker || c == kCreditMarker) continue;
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

// A byte of a field that is one character of its cell, unchanged by making the cell safe:
// printable ASCII, and the upper half of the code page but for its C1 controls and its two
// direction marks (the first of which is the heading marker).
constexpr bool Plain(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x20 && b <= 0x7E) || (b >= 0xA0 && b <= 0xFC);
}
bool AllPlain(std::string_view text) { return std::all_of(text.begin(), text.end(), Plain); }

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The width of the name of each three-digit document type, found once.
std::size_t DocumentTypeWidth(int code) {
  static const std::vector<std::size_t> kWidths = [] {
    std::vector<std::size_t> widths(1000);
    for (int c = 0; c < 1000; ++c) {
      char digits[4];
      std::snprintf(digits, sizeof digits, "%03d", c);
      widths[static_cast<std::size_t>(c)] = ShownLength(DocumentTypeCell(digits));
    }
    return widths;
  }();
  return kWidths[static_cast<std::size_t>(code)];
}

// The width of FieldCell(line, field, dos): read off the field's bytes when they are plain,
// otherwise measured on the cell made of them.
std::size_t FieldWidth(std::string_view line, const FieldLayout& field, bool dos) {
  const std::string_view raw = SliceField(line, field);
  switch (field.kind) {
    case FieldKind::kKey: {
      const std::string_view kept = StripLeadingBlanksAndZeros(raw);
      if (AllPlain(kept)) return kept.size();
      break;
    }
    case FieldKind::kText: {
      const std::string_view kept = TrimSpaces(raw);
      if (!(dos && field.converted) && AllPlain(kept)) return kept.size();
      break;
    }
    case FieldKind::kDate:
      if (TrimSpaces(raw).empty()) return 0;
      // DD/MM/YYYY of eight bytes none of which is a blank or a control.
      if (raw.size() == 8 &&
          std::none_of(raw.begin(), raw.end(), [](char c) { return c == ' ' || !Plain(c); })) {
        return 10;
      }
      break;
    case FieldKind::kDoctype:
      if (TrimSpaces(raw).empty()) return 0;
      if (raw.size() == 3 && AllDigits(raw)) {
        return DocumentTypeWidth(static_cast<int>(ReadInteger(raw)));
      }
      break;
    default:
      break;
  }
  return ShownLength(FieldCell(line, field, dos));
}

// The running balance (column 19) is shown with its sense; every other figure as a figure.
constexpr std::size_t kBalanceColumn = 18;

std::size_t DigitCount(std::int64_t value) {
  std::size_t digits = value < 0 ? 2 : 1;
  for (value /= 10; value != 0; value /= 10) ++digits;
  return digits;
}

}  // namespace

void LedgerShownWidths::Figures::Take(AmountSum value) {
  if (!any) {
    any = true;
    highest = lowest = value;
    return;
  }
  highest = std::max(highest, value);
  lowest = std::min(lowest, value);
}

void LedgerShownWidths::Figures::Take(const Figures& other) {
  if (!other.any) return;
  Take(other.highest);
  Take(other.lowest);
}

void LedgerShownWidths::Text(std::size_t column, std::size_t width) {
  text_[column] = std::max(text_[column], width);
}

void LedgerShownWidths::Widen(const RecordStore& store, const LedgerCard& card, std::int64_t row) {
  if (row == 0) {
    columns_ = std::max<std::size_t>(columns_, 1);
    Text(0, ShownLength(kCardTitle) + ShownLength(card.header));
    return;
  }
  columns_ = kLedgerFieldCount;
  // The cells LedgerRowCells makes, column by column (column c holds field c + 1).
  const auto rows = static_cast<std::int64_t>(card.rows.size());
  if (row == rows + 1) {
    Text(0, 1);
    Text(11, ShownLength(kCardTotalsCaption));
    Figure(16, card.debit_total);
    Figure(17, card.credit_total);
    return;
  }
  if (row == rows + 2 && card.difference != 0) {
    Text(0, 1);
    Text(11, ShownLength(kCardIndexDifference));
    Figure(15, card.difference);
    Figure(card.difference > 0 ? 16 : 17, card.difference > 0 ? card.difference : -card.difference);
    return;
  }
  if (row < 1 || row > rows) return;
  const LedgerRow& r = card.rows[static_cast<std::size_t>(row - 1)];
  const std::string_view line = r.line;
  if (line.empty()) return;
  const bool dos = store.DosCodePage;
  const auto text = [&](std::size_t column, const FieldLayout& f) {
    Text(column, FieldWidth(line, f, dos));
  };
  const bool credit = SliceField(line, field::B100(1366)) == "2";
  const std::int64_t amount = ReadAmount(SliceField(line, field::B100(1368)));
  const std::int64_t amount_fx = ReadAmount(SliceField(line, field::B100(1369)));

  Text(0, DigitCount(8 + ReadInteger(SliceField(line, field::B100(1366)))));
  text(5, field::B100(1362));
  text(8, field::B100(1363));
  text(11, field::B100(1361));
  Figure(15, credit ? -AmountSum{amount} : AmountSum{amount});
  Figure(credit ? 17 : 16, amount);
  Figure(kBalanceColumn, r.balance);
  Figure(19, credit ? -AmountSum{amount_fx} : AmountSum{amount_fx});
  Figure(credit ? 21 : 20, amount_fx);
  text(24, field::B100(1375));
  if (r.opening) return;

  text(1, field::B100(1353));
  text(2, field::B100(1354));
  text(3, field::B100(1355));
  text(4, field::B100(1356));
  text(6, field::B100(1357));
  text(7, field::B100(1358));
  text(9, field::B100(1359));
  text(10, field::B100(1360));
  text(12, field::B100(1365));
  if (r.counter_name) Text(13, ShownLength(*r.counter_name));
  text(14, field::B100(1367));
  text(22, field::B100(1371));
  text(23, field::B100(1372));
  text(25, field::B100(1376));
}

void LedgerShownWidths::Merge(const LedgerShownWidths& other) {
  columns_ = std::max(columns_, other.columns_);
  for (std::size_t c = 0; c < kLedgerFieldCount; ++c) {
    Text(c, other.text_[c]);
    figures_[c].Take(other.figures_[c]);
  }
}

std::vector<std::size_t> LedgerShownWidths::Widths() const {
  std::vector<std::size_t> widths(text_.begin(),
                                  text_.begin() + static_cast<std::ptrdiff_t>(columns_));
  for (std::size_t c = 0; c < columns_; ++c) {
    const Figures& figures = figures_[c];
    if (!figures.any) continue;
    const bool sense = c == kBalanceColumn;
    widths[c] = std::max({widths[c], ShownLength(BalanceText(figures.highest, sense)),
                          ShownLength(BalanceText(figures.lowest, sense))});
  }
  return widths;
}

}  // namespace tallyscan
