#include "engine/checks/record_facts.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "engine/checks/dealer_number.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::checks {
namespace {

// The window the lines are read through: large enough that a read costs little beside its
// bytes, small beside the memory the indexes take.
constexpr std::size_t kWindowBytes = std::size_t{4} << 20;
// Records gathered between two looks at the cancel flag (and two counts of progress).
constexpr std::size_t kCancelEvery = 4096;
// How often the waiting run's thread asks its monitor: often enough that the window it
// pumps answers at once and a stop ends the wait well within a tenth of a second.
constexpr std::chrono::milliseconds kPollInterval(20);
// From this many movements on, two threads read them, each half of them.
constexpr std::size_t kSplitMovements = 4096;
// How far ahead of the movement being read the place of its amount is fetched.
constexpr std::size_t kWriteAhead = 16;
// From this many entries on, two threads sort an index into file order, each half of it.
constexpr std::size_t kSplitSort = 1 << 16;
// Keys sorted between two looks at the cancel flag: a few milliseconds of work.
constexpr std::size_t kCancelKeys = std::size_t{1} << 18;

// Lines read at offsets that ascend from call to call, through a window that moves forward
// over the file: one read per window, however many lines it holds.
class ForwardLines {
 public:
  explicit ForwardLines(const RecordStore& store) : store_(store), window_(kWindowBytes) {}

  // The line at `offset` as RecordReader::Line gives it: up to `width` bytes, cut at its line
  // end. Valid until the next call.
  std::string_view Line(std::int64_t offset, int width) {
    if (offset < 0 || width <= 0) return {};
    // One byte more than asked tells whether a CR at the limit is the line's own end.
    const std::int64_t want = width + 1;
    const std::int64_t end = start_ + static_cast<std::int64_t>(size_);
    const bool held = offset >= start_ && (offset + want <= end || (at_end_ && offset <= end));
    if (!held) {
      start_ = offset;
      size_ = store_.DataFile.ReadInto(offset, window_.data(), window_.size());
      at_end_ = size_ < window_.size();
    }
    const auto at = static_cast<std::size_t>(offset - start_);
    if (at >= size_) return {};
    return CutLine(std::string_view(window_.data() + at, size_ - at), width);
  }

  // A field (or run of positions) of the line at `offset`, as RecordReader::Field gives it.
  std::string_view Field(std::int64_t offset, Positions field) {
    if (field.start < 1 || field.width <= 0) return {};
    const std::string_view line = Line(offset, field.start - 1 + field.width);
    const auto begin = static_cast<std::size_t>(field.start - 1);
    return begin < line.size() ? line.substr(begin) : std::string_view();
  }

 private:
  const RecordStore& store_;
  std::vector<char> window_;
  std::int64_t start_ = 0;
  std::size_t size_ = 0;
  bool at_end_ = false;
};

// Asks the system to back memory not yet touched with large pages, where it can.
void PreferLargePages(void* data, std::size_t bytes) {
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kLarge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Sorts keys[0, n) by their bits from `low` up to (not including) `high`, 11 bits at a time
// from the least significant, keys equal there keeping their order; `scratch` is room for n
// more. The counts of every digit are taken in one pass, and a digit that every key shares
// costs no pass at all. Returns false, the keys in no particular order, once `cancelled` is
// seen (looked at every kCancelKeys keys).
bool RadixSort(std::uint64_t* keys, std::uint64_t* scratch, std::size_t n, int low, int high,
               const std::atomic<bool>& cancelled) {
  constexpr int kDigitBits = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
  const auto passes = static_cast<std::size_t>((high - low + kDigitBits - 1) / kDigitBits);
  const auto shift = [low](std::size_t pass) {
    return static_cast<std::size_t>(low) + kDigitBits * pass;
  };
  std::vector<std::array<std::size_t, kBuckets>> counts(passes);
  for (auto& count : counts) count.fill(0);
  const auto stop = [&cancelled] { return cancelled.load(std::memory_order_relaxed); };
  for (std::size_t block = 0; block < n; block += kCancelKeys) {
    if (stop()) return false;
    for (std::size_t i = block; i < std::min(n, block + kCancelKeys); ++i) {
      for (std::size_t pass = 0; pass < passes; ++pass) {
        ++counts[pass][(keys[i] >> shift(pass)) & (kBuckets - 1)];
      }
    }
  }
  std::uint64_t* from = keys;
  std::uint64_t* to = scratch;
  for (std::size_t pass = 0; pass < passes; ++pass) {
    std::array<std::size_t, kBuckets>& count = counts[pass];
    if (std::find(count.begin(), count.end(), n) != count.end()) continue;
    std::size_t next = 0;
    for (std::size_t& bucket : count) next += std::exchange(bucket, next);
    const std::size_t by = shift(pass);
    for (std::size_t block = 0; block < n; block += kCancelKeys) {
      if (stop()) return false;
      for (std::size_t i = block; i < std::min(n, block + kCancelKeys); ++i) {
        to[count[(from[i] >> by) & (kBuckets - 1)]++] = from[i];
      }
    }
    std::swap(from, to);
  }
  if (from != keys) std::copy(from, from + n, keys);
  return true;
}

// On a thread of its own; where none can be had, on the caller's when the facts are taken.
template <typename Facts, typename Gather>
std::future<Facts> Launch(Gather gather) {
  try {
    return std::async(std::launch::async, gather);
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, gather);
  }
}

// Facts of fewer records than this are gathered on the caller's thread when they are taken:
// in less time than a thread takes to start, and so that a run over them asks its monitor as
// often however busy the machine is.
constexpr std::int64_t kGatheredAside = std::int64_t{1} << 14;

template <typename Facts, typename Gather>
std::future<Facts> LaunchFor(std::int64_t records, Gather gather) {
  if (records < kGatheredAside) return std::async(std::launch::deferred, gather);
  return Launch<Facts>(gather);
}

// The movements of entries [begin, end) of `order`, into their places in `facts`. Whether
// their batch numbers ascend, and the first and last of them, tell the caller whether the
// whole walk is in batch order. False when cancelled.
struct BatchRun {
  bool ascending = true;
  std::int64_t first = 0;
  std::int64_t last = 0;
};
bool GatherMovementRange(const RecordStore& store, const FileOrder& order, std::size_t begin,
                         std::size_t end, const std::atomic<bool>& cancelled,
                         std::atomic<std::int64_t>& gathered, MovementFacts& facts,
                         BatchRun& batches) {
  // The line up to the end of the amount holds the batch as well.
  constexpr int kWidth = kMovementAmountRun.start - 1 + kMovementAmountRun.width;
  static_assert(field::B100(1355).start < kMovementAmountRun.start);
  ForwardLines lines(store);
  // A copy, not a view: the window moves on under the lines it held.
  std::string characters;
  std::int64_t batch = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if ((i - begin) % kCancelEvery == 0) {
      if (cancelled.load(std::memory_order_relaxed)) return false;
      if (i > begin) gathered.fetch_add(kCancelEvery, std::memory_order_relaxed);
    }
    // The amounts go to their elements, which lie anywhere in the vector: the place of one
    // a little ahead is asked for now, so that its write does not wait for the memory.
    if (i + kWriteAhead < end) {
      __builtin_prefetch(
          &facts.amounts[static_cast<std::size_t>(order.Element(i + kWriteAhead) - 1)], 1);
    }
    const std::string_view line = lines.Line(order.Offset(i), kWidth);
    const MovementAmount amount = MovementAmountOf(SliceField(line, kMovementAmountRun));
    facts.amounts[static_cast<std::size_t>(order.Element(i) - 1)] = amount;
    // Equal characters are an equal number: the batch is parsed only when they change.
    // Blanks around it do not count, so the field as the line holds it reads as the key's
    // copy of it (padded with blanks where the line is short).
    const std::string_view batch_characters = SliceField(line, field::B100(1355));
    if (i == begin || batch_characters != characters) {
      characters.assign(batch_characters);
      const std::int64_t number = WholeNumber(characters);
      if (i == begin) batches.first = number;
      batches.ascending = batches.ascending && (i == begin || number >= batch);
      batch = number;
    }
    facts.by_batch[i] = BatchedMovement(batch, amount);
  }
  batches.last = batch;
  return true;
}

MovementFacts GatherMovements(const RecordStore& store, const std::atomic<bool>& cancelled,
                              std::atomic<std::int64_t>& gathered) {
  const RecordIndex<IndexEntry>& index = store.MovementIndex;
  const auto n = static_cast<std::size_t>(index.Count());
  MovementFacts facts;
  // The amounts are written in file order to places anywhere in their vector: on pages of
  // 2 MB rather than 4 KB the processor finds each place without a walk of the page tables.
  facts.amounts.reserve(n);
  PreferLargePages(facts.amounts.data(), n * sizeof(MovementAmount));
  facts.amounts.resize(n);
  if (cancelled.load(std::memory_order_relaxed)) return {};
  facts.by_batch.resize(n);
  if (cancelled.load(std::memory_order_relaxed)) return {};
  bool ascending = true;
  {
    const FileOrder order(index, cancelled);
    if (order.cancelled()) return {};
    // Two halves side by side when there are many: the lines are most of the file.
    const std::size_t half = n >= kSplitMovements ? n / 2 : n;
    BatchRun second;
    bool second_done = true;
    std::future<bool> second_half;
    if (half < n) {
      second_half = Launch<bool>([&] {
        return GatherMovementRange(store, order, half, n, cancelled, gathered, facts, second);
      });
    }
    BatchRun first;
    const bool first_done =
        GatherMovementRange(store, order, 0, half, cancelled, gathered, facts, first);
    if (second_half.valid()) second_done = second_half.get();
    if (!first_done || !second_done) return {};
    ascending = first.ascending && (half == n || (second.ascending && first.last <= second.first));
  }
  // A file written batch by batch is in batch order already: most often nothing is sorted.
  if (!ascending) {
    std::stable_sort(
        facts.by_batch.begin(), facts.by_batch.end(),
        [](const BatchedMovement& a, const BatchedMovement& b) { return a.batch() < b.batch(); });
  }
  return facts;
}

DocumentFact DocumentFactOf(const RecordStore& store, std::string_view line) {
  using field::C100;
  DocumentFact fact;
  fact.before = ReadAmount(SliceField(line, C100(1219)));
  fact.discount = ReadAmount(SliceField(line, C100(1220)));
  fact.after = ReadAmount(SliceField(line, C100(1221)));
  fact.vat = ReadAmount(SliceField(line, C100(1222)));
  fact.total = ReadAmount(SliceField(line, C100(1223)));
  fact.customer_missing = PrefixRange(store.AccountIndex, SliceField(line, C100(1225))).empty();
  const std::string_view dealer = SliceField(line, C100(1215));
  fact.dealer = WholeNumber(dealer) == 0    ? DealerState::kMissing
                : ValidDealerNumber(dealer) ? DealerState::kValid
                                            : DealerState::kInvalid;
  return fact;
}

DocumentLineFact DocumentLineFactOf(const RecordStore& store, std::string_view line) {
  using field::D110;
  DocumentLineFact fact;
  fact.quantity = ReadAmount(SliceField(line, D110(1264)));
  fact.price = ReadAmount(SliceField(line, D110(1265)));
  fact.discount = ReadAmount(SliceField(line, D110(1266)));
  fact.total = ReadAmount(SliceField(line, D110(1267)));
  fact.rate = ReadAmount(SliceField(line, D110(1268)));
  // The item index keeps codes trimmed and right-aligned in 20: the code is looked up in
  // that form.
  const std::string_view code = SliceField(line, D110(1259));
  fact.item_unknown =
      !TrimSpaces(code).empty() && PrefixRange(store.ItemIndex, ItemKeyPrefix(code)).empty();
  return fact;
}

ReceiptLineFact ReceiptLineFactOf(std::string_view line) {
  using field::D120;
  ReceiptLineFact fact;
  fact.amount = ReadAmount(SliceField(line, D120(1312)));
  fact.cheque = SliceField(line, D120(1306)) == "2";
  fact.no_cheque_number = WholeNumber(SliceField(line, D120(1310))) == 0;
  fact.bank = WholeNumber(SliceField(line, D120(1307)));
  fact.branch = WholeNumber(SliceField(line, D120(1308)));
  fact.account = WholeNumber(SliceField(line, D120(1309)));
  return fact;
}

DocumentFacts GatherDocuments(const RecordStore& store, const std::atomic<bool>& cancelled,
                              std::atomic<std::int64_t>& gathered) {
  DocumentFacts facts;
  facts.documents.resize(static_cast<std::size_t>(store.DocumentIndex.Count()));
  facts.lines.resize(static_cast<std::size_t>(store.DocumentLineIndex.Count()));
  facts.receipts.resize(static_cast<std::size_t>(store.ReceiptLineIndex.Count()));
  // The headers and both kinds of lines, merged into one walk in file order, so that the
  // part of the file that holds them is read once.
  const std::array<const RecordIndex<IndexEntry>*, 3> indexes = {
      &store.DocumentIndex, &store.DocumentLineIndex, &store.ReceiptLineIndex};
  const std::array<FileOrder, 3> orders = {FileOrder(*indexes[0], cancelled),
                                           FileOrder(*indexes[1], cancelled),
                                           FileOrder(*indexes[2], cancelled)};
  for (const FileOrder& order : orders) {
    if (order.cancelled()) return {};
  }
  std::array<std::size_t, 3> next = {0, 0, 0};
  ForwardLines lines(store);
  for (std::size_t walked = 1;; ++walked) {
    if (walked % kCancelEvery == 0) {
      if (cancelled.load(std::memory_order_relaxed)) return {};
      gathered.fetch_add(kCancelEvery, std::memory_order_relaxed);
    }
    std::size_t kind = indexes.size();
    std::int64_t offset = 0;
    for (std::size_t k = 0; k < indexes.size(); ++k) {
      if (next[k] == orders[k].size()) continue;
      const std::int64_t at = orders[k].Offset(next[k]);
      if (kind == indexes.size() || at < offset) {
        kind = k;
        offset = at;
      }
    }
    if (kind == indexes.size()) break;
    const auto slot = static_cast<std::size_t>(orders[kind].Element(next[kind]++) - 1);
    switch (kind) {
      case 0:
        facts.documents[slot] =
            DocumentFactOf(store, lines.Line(offset, LayoutOf(RecordType::kC100).full_width));
        break;
      case 1:
        facts.lines[slot] =
            DocumentLineFactOf(store, lines.Line(offset, LayoutOf(RecordType::kD110).full_width));
        break;
      default:
        facts.receipts[slot] =
            ReceiptLineFactOf(lines.Line(offset, LayoutOf(RecordType::kD120).full_width));
        break;
    }
  }
  return facts;
}

template <typename Facts>
void WaitIfStarted(const std::future<Facts>& facts) {
  if (facts.valid() && facts.wait_for(std::chrono::seconds(0)) != std::future_status::deferred) {
    facts.wait();
  }
}

// Waits for `facts` as RecordFacts::TakeMovements and TakeDocuments say.
template <typename Facts>
std::optional<Facts> Await(std::future<Facts>& facts, CheckRun& run, std::atomic<bool>& cancelled,
                           const std::atomic<std::int64_t>& gathered, std::int64_t total) {
  ProgressTracker progress(run.monitor(), total);
  // Asked once even when the facts are ready, so that the polls of a run do not depend on
  // how fast the threads were.
  while (!run.PollStop()) {
    if (facts.wait_for(kPollInterval) != std::future_status::timeout) {
      run.ResetProgress();
      return facts.get();
    }
    progress.Advance(gathered.load(std::memory_order_relaxed));
  }
  cancelled.store(true);
  WaitIfStarted(facts);
  run.ResetProgress();
  return std::nullopt;
}

}  // namespace

FileOrder::FileOrder(const RecordIndex<IndexEntry>& index, const std::atomic<bool>& cancelled)
    : index_(index) {
  const auto n = static_cast<std::size_t>(index.Count());
  // Each walk over a large index takes long: the flag is looked at between blocks of it.
  const auto stop = [&] {
    cancelled_ = cancelled.load(std::memory_order_relaxed);
    return cancelled_;
  };
  const auto offset_of = [&index](std::size_t i) {
    return index[static_cast<std::int64_t>(i) + 1].Offset;
  };
  keys_.resize(n);
  std::int64_t last_offset = 0;
  bool negative = false;
  for (std::size_t block = 0; block < n; block += kCancelKeys) {
    if (stop()) return;
    for (std::size_t i = block; i < std::min(n, block + kCancelKeys); ++i) {
      last_offset = std::max(last_offset, offset_of(i));
      negative = negative || offset_of(i) < 0;
    }
  }
  element_bits_ = std::bit_width(static_cast<std::uint64_t>(n));
  const int offset_bits = std::bit_width(static_cast<std::uint64_t>(last_offset));
  packed_ = !negative && element_bits_ + offset_bits <= 64;
  if (packed_) {
    // Offset and element in one word, sorted by their digits: no comparison at all.
    element_mask_ = (std::uint64_t{1} << element_bits_) - 1;
    for (std::size_t block = 0; block < n; block += kCancelKeys) {
      if (stop()) return;
      for (std::size_t i = block; i < std::min(n, block + kCancelKeys); ++i) {
        keys_[i] = static_cast<std::uint64_t>(offset_of(i)) << element_bits_ | (i + 1);
      }
    }
    std::vector<std::uint64_t> scratch(n);
    if (stop()) return;
    // Offsets are unique: the element bits below them need no sorting.
    const int low = element_bits_;
    const int high = element_bits_ + offset_bits;
    // A large index in two halves side by side, then merged.
    const std::size_t half = n >= kSplitSort ? n / 2 : n;
    std::future<bool> second;
    if (half < n) {
      second = Launch<bool>([&] {
        return RadixSort(keys_.data() + half, scratch.data() + half, n - half, low, high,
                         cancelled);
      });
    }
    const bool first_sorted = RadixSort(keys_.data(), scratch.data(), half, low, high, cancelled);
    const bool second_sorted = !second.valid() || second.get();
    if (!first_sorted || !second_sorted || stop()) {
      cancelled_ = true;
      return;
    }
    if (half < n) {
      std::merge(keys_.begin(), keys_.begin() + static_cast<std::ptrdiff_t>(half),
                 keys_.begin() + static_cast<std::ptrdiff_t>(half), keys_.end(), scratch.begin());
      keys_.swap(scratch);
    }
    return;
  }
  for (std::size_t i = 0; i < n; ++i) keys_[i] = i + 1;
  std::stable_sort(keys_.begin(), keys_.end(), [&](std::uint64_t a, std::uint64_t b) {
    return index[static_cast<std::int64_t>(a)].Offset < index[static_cast<std::int64_t>(b)].Offset;
  });
}

RecordFacts::RecordFacts(const RecordStore& store, bool movements, bool documents) {
  if (movements) {
    movements_total_ = store.MovementIndex.Count();
    movements_ = LaunchFor<MovementFacts>(movements_total_, [this, &store] {
      return GatherMovements(store, cancelled_, movements_gathered_);
    });
  }
  if (documents) {
    documents_total_ = store.DocumentIndex.Count() + store.DocumentLineIndex.Count() +
                       store.ReceiptLineIndex.Count();
    documents_ = LaunchFor<DocumentFacts>(documents_total_, [this, &store] {
      return GatherDocuments(store, cancelled_, documents_gathered_);
    });
  }
}

std::optional<MovementFacts> RecordFacts::TakeMovements(CheckRun& run) {
  return Await(movements_, run, cancelled_, movements_gathered_, movements_total_);
}

std::optional<DocumentFacts> RecordFacts::TakeDocuments(CheckRun& run) {
  return Await(documents_, run, cancelled_, documents_gathered_, documents_total_);
}

RecordFacts::~RecordFacts() {
  cancelled_.store(true);
  WaitIfStarted(movements_);
  WaitIfStarted(documents_);
}

}  // namespace tallyscan::checks
