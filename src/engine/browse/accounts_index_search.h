#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The accounts index as a window sizes and filters it, made once for a store so that neither
// costs a pass over every row: the shapes of each figure column's cells (a window whose face
// draws every digit at one width finds a column's widest figure by measuring those few texts:
// a handful per column, however many rows),
// and the rows whose shown cells hold a typed word, narrowed from the previous word's rows
// while the word only grows.
//
// A word matches as the filter box and a grid's search match it: Hebrew as typed, Latin letters
// without regard to case, and a figure both as shown and by its digits ("7083", "7083.1" and
// "7,083.10" all find 7,083.10; a balance's sense letter after it is no part of its digits).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uniform/uniform.h"

namespace tallyscan {

class AccountsIndexSearch {
 public:
  // Reads every account's line once, in the order of AccountListIndex as it stands, and keeps
  // the texts of `fields` (1-19; the image column 1 shows no text and is never searched) of
  // every row. Throws std::bad_alloc like the index itself.
  AccountsIndexSearch(const RecordStore& store, std::span<const int> fields);

  // The distinct shapes of the cells of figure field `field` (kFirstIndexFigure to
  // kLastIndexFigure) as shown, markers left out, every digit written as "0", the totals row
  // included, in no particular order; none for any other field.
  const std::vector<std::string>& FigureShapes(int field) const;

  // The rows (1-based, in the list's order) whose searched cells hold `word`; every row when
  // the word is blank. When the word extends the previous one, only the rows that one kept
  // are looked at. The span lives until the next call.
  std::span<const std::int64_t> Filter(std::string_view word);

  // The list was sorted anew (SortAccountList): the rows follow their accounts to their new
  // places. The store must hold the same set.
  void Reorder(const RecordStore& store);

 private:
  // The searched texts of every row end to end, the rows in the list's order: a keystroke
  // goes through one block of memory rather than a string per row.
  struct Texts {
    std::string bytes;
    std::vector<std::size_t> ends;  // where each row's texts end
    std::string_view Of(std::size_t row) const {
      const std::size_t begin = row == 0 ? 0 : ends[row - 1];
      return std::string_view(bytes).substr(begin, ends[row] - begin);
    }
    void Add(std::string_view row) {
      bytes += row;
      ends.push_back(bytes.size());
    }
    // The rows (0-based) whose texts hold `word`, in order, added to `rows`.
    void RowsHolding(std::string_view word, std::vector<std::size_t>& rows) const;
  };
  bool Matches(std::size_t row, std::string_view word, std::string_view digits) const;

  std::vector<std::int64_t> offsets_;  // of each row's account line: who it is after a sort
  Texts text_;    // the searched cells, Latin letters in lower case, each ended by 0x1F
  Texts digits_;  // the digits of the figure cells among them, each ended by 0x1F
  std::vector<std::vector<std::string>> shapes_;  // per field
  std::string word_;                              // the word of the last Filter
  bool filtered_ = false;                         // whether `kept_` belongs to `word_`
  std::vector<std::int64_t> kept_;
};

}  // namespace tallyscan
