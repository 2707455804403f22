#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The rows of many ledger cards made on every core and handed on in card order: the way the
// views and reports of a range of cards go through it. The cards are read a batch at a time
// (CardBatches); the rows of each batch are cut into stretches of about equal length, one per
// core, each made into a part of its own on a thread of its own (the first on the caller's),
// and the parts are taken one after the other in the cards' order once all are made. A
// stretch may end inside a card, so a card larger than the rest keeps every core busy too.

#include <cstddef>
#include <cstdint>
#include <future>
#include <span>
#include <vector>

#include "engine/browse/ledger_card.h"

namespace tallyscan {

// The threads that make the rows of a batch: the machine's cores, at most eight.
std::size_t CardRowMakers();

// A stretch of a batch's rows, from row `first_row` of card `first_card` up to, and without,
// row `end_row` of card `end_card`. Row 0 is a card's title; rows 1..RowCount() its grid rows.
struct CardStretch {
  std::size_t first_card = 0;
  std::int64_t first_row = 0;
  std::size_t end_card = 0;
  std::int64_t end_row = 0;
};

// The rows of `cards` (every card's title and grid rows) cut into `parts` stretches in order
// that together cover them exactly once; fewer when there are fewer rows than parts.
std::vector<CardStretch> CutCardRows(std::span<const LedgerCard> cards, std::size_t parts);

// Calls `make(part, card, row)` for every row of every card of `range` (row 0 the card's
// title, then rows 1..RowCount()), each batch's stretches on threads of their own into a
// default-made Part each, and then `take(part)` for those parts in order; false as soon as
// `take` returns false. `make` runs on several threads at once and must only read what they
// share; `take` runs on the caller's thread. What `make` throws reaches the caller once every
// thread of the batch has ended. The store must stay unchanged during the call.
template <typename Part, typename Make, typename Take>
bool MakeCardRows(const RecordStore& store, const CardRange& range, Make make, Take take,
                  std::size_t makers = CardRowMakers()) {
  CardBatches batches(store, range);
  std::vector<LedgerCard> cards;
  std::vector<Part> parts;
  while (batches.Next(cards)) {
    const std::vector<CardStretch> stretches = CutCardRows(cards, makers);
    parts.clear();
    parts.resize(stretches.size());
    const auto make_part = [&cards, &stretches, &parts, &make](std::size_t n) {
      const CardStretch& s = stretches[n];
      for (std::size_t c = s.first_card; c <= s.end_card && c < cards.size(); ++c) {
        const std::int64_t from = c == s.first_card ? s.first_row : 0;
        const std::int64_t to = c == s.end_card ? s.end_row : cards[c].RowCount() + 1;
        for (std::int64_t row = from; row < to; ++row) make(parts[n], cards[c], row);
      }
    };
    {
      // The futures wait for their threads when they go, even when the first part throws.
      std::vector<std::future<void>> others;
      for (std::size_t n = 1; n < stretches.size(); ++n) {
        others.push_back(std::async(std::launch::async, make_part, n));
      }
      if (!stretches.empty()) make_part(0);
      for (std::future<void>& other : others) other.get();
    }
    for (Part& part : parts) {
      if (!take(part)) return false;
    }
  }
  return true;
}

}  // namespace tallyscan
