// Times the accounts index and the ledger cards against the import of the same data set, in
// one process: the import is the baseline for printing every card, and reading a card's
// lines is the baseline for opening it. The index's search (figure shapes, filter keystrokes)
// is timed on its own.
//
//   browse_bench DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "engine/browse/browse.h"
#include "engine/common/progress.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace tallyscan;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The seconds of `work`, the least of three runs.
template <typename Work>
double Best(Work work) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const Clock::time_point start = Clock::now();
    work();
    best = std::min(best, Seconds(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: browse_bench DIR\n");
    return 2;
  }
  RecordStore store;
  SilentProgress silent;
  Clock::time_point start = Clock::now();
  const ImportResult imported = ImportFolder(store, argv[1], silent);
  const double import_seconds = Seconds(start);
  if (!imported.status.ok()) {
    std::fprintf(stderr, "import failed\n");
    return 1;
  }
  std::printf("import: %.3f s (%lld accounts, %lld movements)\n", import_seconds,
              static_cast<long long>(store.AccountIndex.Count()),
              static_cast<long long>(store.MovementIndex.Count()));

  const double sort_seconds = Best([&] { SortAccountList(store, 3); });
  std::printf("index sorted by name: %.3f s (target under 0.2 s)\n", sort_seconds);

  // What a window of the index asks of the engine: the figures' shapes to size its columns by,
  // and a filter keystroke by keystroke, narrowing, against the same words each from scratch.
  std::vector<int> fields(kIndexFieldCount);
  std::iota(fields.begin(), fields.end(), 1);
  start = Clock::now();
  AccountsIndexSearch search(store, fields);
  std::printf("index search made: %.3f s (once, off the window's thread)\n", Seconds(start));
  std::size_t shapes = 0;
  for (int field = kFirstIndexFigure; field <= kLastIndexFigure; ++field) {
    shapes += search.FigureShapes(field).size();
  }
  std::printf("  figure shapes to measure for the column widths: %zu in all\n", shapes);
  double slowest_narrowed = 0;
  double slowest_fresh = 0;
  for (const std::string_view word : {"2", "20", "200", "2000", "20001", "200012"}) {
    start = Clock::now();
    const std::size_t kept = search.Filter(word).size();
    slowest_narrowed = std::max(slowest_narrowed, Seconds(start));
    AccountsIndexSearch fresh_search(store, fields);
    start = Clock::now();
    fresh_search.Filter(word);
    slowest_fresh = std::max(slowest_fresh, Seconds(start));
    std::printf("  \"%.*s\": %zu rows\n", static_cast<int>(word.size()), word.data(), kept);
  }
  std::printf(
      "filter keystroke, slowest: %.1f ms narrowing the previous result, %.1f ms from every row "
      "(target at most 100 ms)\n",
      slowest_narrowed * 1e3, slowest_fresh * 1e3);

  // Cards by their number of movements.
  std::vector<std::pair<std::int64_t, std::int64_t>> sizes;  // movements, account
  for (std::int64_t a = 1; a <= store.AccountIndex.Count(); ++a) {
    sizes.emplace_back(
        PrefixRange(store.MovementIndex, store.AccountIndex[a].Part(kKeyAccount)).size(), a);
  }
  std::sort(sizes.begin(), sizes.end());
  CounterNames names;
  const auto card_of = [&](std::int64_t account) {
    LedgerCard card = LoadCard(store, account, &names);
    std::size_t bytes = 0;
    for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
      bytes += JoinCells(LedgerRowCells(store, card, r)).size();
    }
    return bytes;
  };
  const auto lines_of = [&](std::int64_t account) {
    const ElementRange run =
        PrefixRange(store.MovementIndex, store.AccountIndex[account].Part(kKeyAccount));
    std::size_t bytes = 0;
    for (std::int64_t e = run.first; e < run.last; ++e) {
      bytes += ReadRecordLine(store, store.MovementIndex[e].Offset, RecordType::kB100).size();
    }
    return bytes;
  };
  if (!sizes.empty()) {
    const auto [median_rows, median] = sizes[sizes.size() / 2];
    const auto [largest_rows, largest] = sizes.back();
    std::printf(
        "median card (%lld movements) opened with its cells: %.4f s (target under 0.05 s)\n",
        static_cast<long long>(median_rows), Best([&] { card_of(median); }));
    const double largest_card = Best([&] { card_of(largest); });
    const double largest_lines = Best([&] { lines_of(largest); });
    std::printf("  of which loading the card without its cells: %.4f s\n",
                Best([&] { LoadCard(store, largest); }));
    std::printf(
        "largest card (%lld movements): %.4f s; reading its lines one by one: %.4f s; ratio %.2f "
        "(target within 2)\n",
        static_cast<long long>(largest_rows), largest_card, largest_lines,
        largest_card / largest_lines);
  }

  // Every card as `view ledger` prints it, each movement once.
  start = Clock::now();
  std::size_t bytes = 0;
  for (std::int64_t a = 1; a <= store.AccountIndex.Count(); ++a) bytes += card_of(a);
  const double all_cards = Seconds(start);
  std::printf("all cards: %.3f s, %zu bytes of rows; ratio to the import %.2f (target within 3)\n",
              all_cards, bytes, all_cards / import_seconds);
  start = Clock::now();
  for (std::int64_t a = 1; a <= store.AccountIndex.Count(); ++a) LoadCard(store, a, &names);
  std::printf("  of which loading every card without its cells: %.3f s\n", Seconds(start));
  return 0;
}
