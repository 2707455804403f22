#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// How wide the cells of ledger rows are when shown (in characters, markers left out), found
// for many rows without making their texts: a text field's width is read from its bytes, and
// a figure column keeps only its largest figures either way, whose shapes are the widest and
// are formatted once, when the widths are asked for. The widest cell of each column is what
// the text form of a ledger sizes its columns by.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/browse/ledger_card.h"
#include "engine/common/amount_sum.h"

namespace tallyscan {

class LedgerShownWidths {
 public:
  // Widens the columns to row `row` of `card`: row 0 its title (a row of one cell, "כרטיס
  // חשבון - " and the header), then its grid rows as LedgerRowCells makes them.
  void Widen(const RecordStore& store, const LedgerCard& card, std::int64_t row);
  // Takes in the widths found for other rows.
  void Merge(const LedgerShownWidths& other);
  // The widest shown cell of each column: none before any row, one column while only titles
  // were seen, kLedgerFieldCount once a grid row was.
  std::vector<std::size_t> Widths() const;

 private:
  // The figures a column was given, by the two that show widest: the largest and the
  // smallest (a minus sign counts).
  struct Figures {
    bool any = false;
    AmountSum highest = 0;
    AmountSum lowest = 0;
    void Take(AmountSum value);
    void Take(const Figures& other);
  };

  void Text(std::size_t column, std::size_t width);
  void Figure(std::size_t column, AmountSum value) { figures_[column].Take(value); }

  std::size_t columns_ = 0;
  std::array<std::size_t, kLedgerFieldCount> text_{};
  std::array<Figures, kLedgerFieldCount> figures_{};
};

}  // namespace tallyscan
