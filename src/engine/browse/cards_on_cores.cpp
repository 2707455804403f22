#include "engine/browse/cards_on_cores.h"

#include <algorithm>
#include <thread>

namespace tallyscan {

std::size_t CardRowMakers() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
}

std::vector<CardStretch> CutCardRows(std::span<const LedgerCard> cards, std::size_t parts) {
  std::int64_t total = 0;
  for (const LedgerCard& card : cards) total += card.RowCount() + 1;
  parts = static_cast<std::size_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(parts), 1,
                                                            std::max<std::int64_t>(total, 1)));
  std::vector<CardStretch> stretches;
  if (total == 0) return stretches;
  stretches.reserve(parts);
  // Each stretch ends where the rows before it reach its share of the whole; the walk keeps the
  // card and row where the last one ended.
  std::size_t card = 0;
  std::int64_t row = 0;     // in `card`
  std::int64_t before = 0;  // rows of the cards before `card`
  for (std::size_t n = 0; n < parts; ++n) {
    CardStretch stretch{card, row, card, row};
    const std::int64_t end =
        total * static_cast<std::int64_t>(n + 1) / static_cast<std::int64_t>(parts);
    while (card < cards.size() && before + cards[card].RowCount() + 1 <= end) {
      before += cards[card].RowCount() + 1;
      ++card;
    }
    row = end - before;
    stretch.end_card = card;
    stretch.end_row = row;
    stretches.push_back(stretch);
  }
  return stretches;
}

}  // namespace tallyscan
