#include "engine/uniform/record_store.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "engine/text/text.h"

namespace tallyscan {

namespace {

// Room an index has before the import knows better.
constexpr std::int64_t kInitialRoom = 1000;

// Copies positions start..start+width-1 of `line` into `out`, spaces where the line ends.
void CopyPadded(std::string_view line, Positions positions, char* out) {
  const std::string_view part = SliceField(line, positions);
  if (!part.empty()) std::memcpy(out, part.data(), part.size());
  std::memset(out + part.size(), ' ', static_cast<std::size_t>(positions.width) - part.size());
}

// `text` trimmed of spaces and right-aligned in `width` (leading spaces); a longer text
// keeps its first `width` characters.
void RightAligned(std::string_view text, int width, char* out) {
  const std::string_view trimmed = TrimSpaces(text);
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t n = std::min(trimmed.size(), w);
  std::memset(out, ' ', w - n);
  if (n > 0) std::memcpy(out + (w - n), trimmed.data(), n);
}

// Keys compare as three big-endian words (the last one overlaps the second by one byte,
// which does not change the order because the overlapped byte already compared equal), then
// by offset.
inline std::uint64_t Word(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return __builtin_bswap64(w);
}

inline bool EntryLess(const IndexEntry& a, const IndexEntry& b) {
  const std::uint64_t a0 = Word(a.Key), b0 = Word(b.Key);
  if (a0 != b0) return a0 < b0;
  const std::uint64_t a1 = Word(a.Key + 8), b1 = Word(b.Key + 8);
  if (a1 != b1) return a1 < b1;
  const std::uint64_t a2 = Word(a.Key + 15), b2 = Word(b.Key + 15);
  if (a2 != b2) return a2 < b2;
  return a.Offset < b.Offset;
}

struct EntryOrder {
  bool operator()(const IndexEntry& a, const IndexEntry& b) const { return EntryLess(a, b); }
};

// Sorts entries whose keys agree on their first `depth` bytes by the byte at `depth`, then
// each group by the bytes after it. A group that fits into `room` (of `room_size` entries)
// is dealt out into it and copied back, which reads and writes in long runs; a larger one is
// sorted into its buckets in place, one swap per entry. Small groups, and keys equal to
// their end, are left to std::sort, which orders equal keys by offset.
void SortFromByte(IndexEntry* first, IndexEntry* last, IndexEntry* room, std::ptrdiff_t room_size,
                  int depth) {
  constexpr std::ptrdiff_t kSmall = 64;
  for (;;) {
    const std::ptrdiff_t n = last - first;
    if (n < kSmall || depth == kKeyLength) {
      std::sort(first, last, EntryOrder());
      return;
    }
    std::array<std::ptrdiff_t, 256> count{};
    for (const IndexEntry* p = first; p != last; ++p) {
      ++count[static_cast<unsigned char>(p->Key[depth])];
    }
    if (count[static_cast<unsigned char>(first->Key[depth])] == n) {  // nothing to sort by
      ++depth;
      continue;
    }
    std::array<std::ptrdiff_t, 256> next;
    std::ptrdiff_t at = 0;
    for (std::size_t b = 0; b < 256; ++b) {
      next[b] = at;
      at += count[b];
    }
    if (n <= room_size) {
      for (const IndexEntry* p = first; p != last; ++p) {
        room[next[static_cast<unsigned char>(p->Key[depth])]++] = *p;
      }
      std::copy(room, room + n, first);
    } else {
      std::array<std::ptrdiff_t, 256> end;
      for (std::size_t b = 0; b < 256; ++b) end[b] = next[b] + count[b];
      for (std::size_t b = 0; b < 256; ++b) {
        while (next[b] != end[b]) {
          const auto d = static_cast<unsigned char>(first[next[b]].Key[depth]);
          if (d == b) {
            ++next[b];
          } else {
            std::swap(first[next[b]], first[next[d]++]);
          }
        }
      }
    }
    IndexEntry* begin = first;
    for (std::size_t b = 0; b < 256; ++b) {
      if (count[b] > 1) SortFromByte(begin, begin + count[b], room, room_size, depth + 1);
      begin += count[b];
    }
    return;
  }
}

int CompareKeyPrefix(const IndexEntry& entry, std::string_view key) {
  return key.empty() ? 0 : std::memcmp(entry.Key, key.data(), key.size());
}

}  // namespace

RecordStore::RecordStore() {
  for (auto* index : {&DocumentIndex, &DocumentLineIndex, &ReceiptLineIndex, &MovementIndex,
                      &AccountIndex, &ItemIndex}) {
    index->Reset(kInitialRoom);
  }
  AccountListIndex.Reset(kInitialRoom);
  ItemListIndex.Reset(kInitialRoom);
}

void RecordStore::Clear() {
  std::string folder = std::move(DataFolder);
  const std::uint64_t load_number = LoadNumber;
  *this = RecordStore();
  DataFolder = std::move(folder);
  LoadNumber = load_number + 1;
}

void MakeKey(RecordType type, std::string_view line, char (&key)[kKeyLength]) {
  using namespace field;
  switch (type) {
    case RecordType::kC100:
      CopyPadded(line, kDocumentKey, key);
      return;
    case RecordType::kD110:
      CopyPadded(line, kDocumentLineKey, key);
      return;
    case RecordType::kD120:
      CopyPadded(line, D120(1303), key + kKeyDocumentType.offset);
      RightAligned(SliceField(line, D120(1304)), kKeyDocumentNumber.width,
                   key + kKeyDocumentNumber.offset);
      return;
    case RecordType::kB100:
      CopyPadded(line, B100(1364), key + kKeyAccount.offset);
      CopyPadded(line, B100(1355), key + kKeyBatch.offset);
      return;
    case RecordType::kB110:
      CopyPadded(line, B110(1403), key + kKeyAccount.offset);
      std::memset(key + kKeyAccount.width, ' ', kKeyLength - kKeyAccount.width);
      return;
    case RecordType::kM100:
      RightAligned(SliceField(line, M100(1455)), kKeyItem.width, key + kKeyItem.offset);
      std::memset(key + kKeyItem.width, ' ', kKeyLength - kKeyItem.width);
      return;
    default:
      std::memset(key, ' ', kKeyLength);
      return;
  }
}

std::string ReceiptLineKeyOf(const IndexEntry& document) {
  std::string key(document.Part(kKeyDocumentType));
  key.resize(kKeyLength);
  RightAligned(document.Part(kKeyDocumentNumber), kKeyDocumentNumber.width,
               key.data() + kKeyDocumentNumber.offset);
  return key;
}

std::string ItemKeyPrefix(std::string_view item_code) {
  std::string prefix(kKeyItem.width, ' ');
  RightAligned(item_code, kKeyItem.width, prefix.data());
  return prefix;
}

ListEntry MakeAccountListEntry(const IndexEntry& entry) {
  ListEntry out;
  std::memcpy(out.Key, entry.Key, kKeyLength);
  RightAligned(entry.Part(kKeyAccount), kShortKeyLength, out.ShortKey);
  out.Offset = entry.Offset;
  return out;
}

ListEntry MakeItemListEntry(const IndexEntry& entry) {
  ListEntry out;
  std::memcpy(out.Key, entry.Key, kKeyLength);
  std::memset(out.ShortKey, ' ', kShortKeyLength);
  out.Offset = entry.Offset;
  return out;
}

void SortIndex(RecordIndex<IndexEntry>& index) {
  const std::span<IndexEntry> entries = index.MutableEntries();
  // A file written in key order (the accounts' chart, often the documents) needs no sorting;
  // the look stops at the first entry out of order.
  if (std::is_sorted(entries.begin(), entries.end(), EntryOrder())) return;
  // Room for groups of up to 8 MB: the largest ones are sorted in place.
  constexpr std::size_t kRoomEntries = (std::size_t{8} << 20) / sizeof(IndexEntry);
  std::vector<IndexEntry> room(std::min(entries.size(), kRoomEntries));
  SortFromByte(entries.data(), entries.data() + entries.size(), room.data(),
               static_cast<std::ptrdiff_t>(room.size()), 0);
}

void MergeSortedRuns(RecordIndex<IndexEntry>& index, std::span<const std::int64_t> run_lengths) {
  const std::span<IndexEntry> entries = index.MutableEntries();
  std::vector<std::size_t> bounds = {0};
  for (const std::int64_t length : run_lengths) {
    if (length > 0) bounds.push_back(bounds.back() + static_cast<std::size_t>(length));
  }
  // Neighbouring runs are merged in pairs, round after round, until one is left.
  while (bounds.size() > 2) {
    std::vector<std::size_t> merged = {0};
    std::size_t run = 0;
    for (; run + 2 < bounds.size(); run += 2) {
      std::inplace_merge(entries.begin() + static_cast<std::ptrdiff_t>(bounds[run]),
                         entries.begin() + static_cast<std::ptrdiff_t>(bounds[run + 1]),
                         entries.begin() + static_cast<std::ptrdiff_t>(bounds[run + 2]),
                         [](const IndexEntry& a, const IndexEntry& b) { return EntryLess(a, b); });
      merged.push_back(bounds[run + 2]);
    }
    if (run + 1 < bounds.size()) merged.push_back(bounds.back());
    bounds = std::move(merged);
  }
}

std::string PadKey(std::string_view key) {
  std::string padded(key.substr(0, kKeyLength));
  padded.resize(kKeyLength, ' ');
  return padded;
}

ElementRange PrefixRange(const RecordIndex<IndexEntry>& index, std::string_view prefix) {
  if (prefix.size() > static_cast<std::size_t>(kKeyLength)) prefix = prefix.substr(0, kKeyLength);
  const std::span<const IndexEntry> entries = index.Entries();
  const auto lower = std::lower_bound(
      entries.begin(), entries.end(), prefix,
      [](const IndexEntry& e, std::string_view p) { return CompareKeyPrefix(e, p) < 0; });
  const auto upper = std::upper_bound(
      lower, entries.end(), prefix,
      [](std::string_view p, const IndexEntry& e) { return CompareKeyPrefix(e, p) > 0; });
  // Element numbers are positions in the span plus one (element 0 is not in the span).
  return {static_cast<std::int64_t>(lower - entries.begin()) + 1,
          static_cast<std::int64_t>(upper - entries.begin()) + 1};
}

ElementRange EqualRange(const RecordIndex<IndexEntry>& index, std::string_view key) {
  return PrefixRange(index, PadKey(key));
}

std::int64_t FindFirst(const RecordIndex<IndexEntry>& index, std::string_view key) {
  const ElementRange range = EqualRange(index, key);
  return range.empty() ? 0 : range.first;
}

std::string ReadRecordLine(const RecordStore& store, std::int64_t offset, RecordType type) {
  return store.DataFile.ReadLine(offset, LayoutOf(type).full_width);
}

std::string ReadRecordField(const RecordStore& store, std::int64_t offset, Positions field) {
  return store.DataFile.ReadField(offset, field.start, field.width);
}

}  // namespace tallyscan
