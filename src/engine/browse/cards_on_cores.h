#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The rows of many ledger cards made on every core and handed on in card order: the way the
// views and reports of a range of cards go through it. The cards are read a batch at a time
// (CardBatches); the rows of each batch are cut into stretches of about equal length, each
// made into a part of its own on a thread of its own, a round of one per core at a time, and
// the parts are taken one after the other in the cards' order while the next round is made.
// A stretch may end inside a card, so a card larger than the rest keeps every core busy too.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
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

// The rows a part holds at most, so that the parts made and not yet taken stay few however
// large a card is.
inline constexpr std::int64_t kRowsPerPart = 8192;

// Calls `make(part, card, row)` for every row of every card of `range` (row 0 the card's
// title, then rows 1..RowCount()), each into a default-made Part, and then `take(part)` for
// the parts in order; false as soon as `take` returns false. A batch's rows are cut into
// stretches of at most kRowsPerPart rows, at least one per maker, and made a round of
// `makers` stretches at a time on threads of their own, while the caller takes the parts of
// the round before: at most two rounds of parts are held. `make` runs on several threads at
// once and must only read what they share; `take` runs on the caller's thread. When `take`
// stops or a `make` throws, every maker stops at its next row; what `make` threw reaches the
// caller once every thread has ended. The store must stay unchanged during the call.
template <typename Part, typename Make, typename Take>
bool MakeCardRows(const RecordStore& store, const CardRange& range, Make make, Take take,
                  std::size_t makers = CardRowMakers()) {
  makers = std::max<std::size_t>(makers, 1);
  std::atomic<bool> stop = false;
  CardBatches batches(store, range);
  std::vector<LedgerCard> cards;
  while (batches.Next(cards)) {
    std::int64_t rows = 0;
    for (const LedgerCard& card : cards) rows += card.RowCount() + 1;
    const auto wanted = static_cast<std::size_t>((rows + kRowsPerPart - 1) / kRowsPerPart);
    const std::vector<CardStretch> stretches = CutCardRows(cards, std::max(makers, wanted));
    std::vector<Part> made[2];  // the round being made and the one being taken
    const auto make_part = [&cards, &stretches, &make, &stop](std::size_t n, Part& part) {
      try {
        const CardStretch& s = stretches[n];
        for (std::size_t c = s.first_card; c <= s.end_card && c < cards.size(); ++c) {
          const std::int64_t from = c == s.first_card ? s.first_row : 0;
          const std::int64_t to = c == s.end_card ? s.end_row : cards[c].RowCount() + 1;
          for (std::int64_t row = from; row < to; ++row) {
            if (stop.load(std::memory_order_relaxed)) return;
            make(part, cards[c], row);
          }
        }
      } catch (...) {
        stop = true;
        throw;
      }
    };
    // The futures wait for their threads when they go, whichever way this ends.
    std::vector<std::future<void>> making;
    const auto start_round = [&](std::size_t first) {
      std::vector<Part>& parts = made[first / makers % 2];
      parts.clear();
      parts.resize(std::min(makers, stretches.size() - first));
      making.clear();
      for (std::size_t n = 0; n < parts.size(); ++n) {
        making.push_back(std::async(std::launch::async, make_part, first + n, std::ref(parts[n])));
      }
    };
    const auto end_round = [&] {
      for (std::future<void>& part : making) part.get();
      making.clear();
    };
    if (!stretches.empty()) start_round(0);
    for (std::size_t first = 0; first < stretches.size(); first += makers) {
      end_round();
      if (first + makers < stretches.size()) start_round(first + makers);
      for (Part& part : made[first / makers % 2]) {
        if (!take(part)) {
          stop = true;
          return false;
        }
      }
    }
  }
  return true;
}

}  // namespace tallyscan
