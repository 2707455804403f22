#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// The record store: what an import leaves behind for every other subsystem. For each record
// type a sorted index of (key, byte offset) entries, the header values of INI.TXT, the four
// account totals, and BKMVDATA.TXT itself kept open for reading. Records are never held in
// memory; a consumer reads a line or a single field back at the stored offset.
//
// One writer (the import) rebuilds the store from scratch; readers use it on the same
// thread. The store is an ordinary object: the app owns one, tests make their own.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "engine/common/amount_sum.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/layouts.h"
#include "engine/uniform/random_access_file.h"
#include "engine/uniform/record_index.h"

namespace tallyscan {

inline constexpr int kKeyLength = 23;
inline constexpr int kShortKeyLength = 6;

// Where the parts of an index key lie within it (see MakeKey), each as wide as the field it
// is cut from.
struct KeyPart {
  int offset;  // 0-based, within Key
  int width;
};
inline constexpr KeyPart kKeyDocumentType{0, field::C100(1203).width};  // C100, D110, D120
inline constexpr KeyPart kKeyDocumentNumber{kKeyDocumentType.width, field::C100(1204).width};
inline constexpr KeyPart kKeyAccount{0, field::B110(1403).width};                // B110, B100
inline constexpr KeyPart kKeyBatch{kKeyAccount.width, field::B100(1355).width};  // B100
inline constexpr KeyPart kKeyItem{0, field::M100(1455).width};                   // M100
static_assert(kKeyDocumentNumber.offset + kKeyDocumentNumber.width == kKeyLength &&
                  field::kDocumentKey.width == kKeyLength &&
                  field::kDocumentLineKey.width == kKeyLength &&
                  field::D120(1303).width == kKeyDocumentType.width &&
                  field::D120(1304).width == kKeyDocumentNumber.width,
              "a document's key, its lines' and its receipt lines' keys compare part by part");
static_assert(field::B100(1364).width == kKeyAccount.width &&
                  kKeyBatch.offset + kKeyBatch.width == kKeyLength,
              "a movement's key begins with its account's key");
static_assert(kKeyItem.width <= kKeyLength);

// One indexed record: a key cut from its line (space padded) and the byte offset of the
// line's first character in BKMVDATA.TXT.
struct IndexEntry {
  char Key[kKeyLength];
  std::int64_t Offset;

  std::string_view KeyView() const { return {Key, kKeyLength}; }
  std::string_view Part(KeyPart part) const {
    return {Key + part.offset, static_cast<std::size_t>(part.width)};
  }
};

// A row of the accounts-index or item-catalogue view.
struct ListEntry {
  char Key[kKeyLength];
  char ShortKey[kShortKeyLength];
  std::int64_t Offset;

  std::string_view KeyView() const { return {Key, kKeyLength}; }
  std::string_view ShortKeyView() const { return {ShortKey, kShortKeyLength}; }
};

static_assert(sizeof(IndexEntry) == 32, "an index entry costs 32 bytes per record");

class RecordStore {
 public:
  // Every index empty (element 0 only).
  RecordStore();

  // Forgets everything loaded: indexes emptied, header values and totals cleared, the data
  // file closed, `LoadedFolder` empty. `DataFolder` is kept.
  void Clear();

  RecordIndex<IndexEntry> DocumentIndex;      // C100
  RecordIndex<IndexEntry> DocumentLineIndex;  // D110
  RecordIndex<IndexEntry> ReceiptLineIndex;   // D120
  RecordIndex<IndexEntry> MovementIndex;      // B100
  RecordIndex<IndexEntry> AccountIndex;       // B110
  RecordIndex<IndexEntry> ItemIndex;          // M100
  RecordIndex<ListEntry> AccountListIndex;    // one per AccountIndex entry, same order
  RecordIndex<ListEntry> ItemListIndex;       // one per ItemIndex entry, same order

  // Header values from INI.TXT. Texts are UTF-8.
  std::string DealerNumber;          // A000 field 1003 as stored
  std::string BusinessName;          // field 1018, trimmed, converted when DosCodePage
  std::string BusinessAddress;       // fields 1019-1022, trimmed, non-empty parts joined by a space
  std::int32_t TaxYear = 0;          // field 1023, or the year of field 1025 when that is 0
  bool DosCodePage = false;          // field 1029 is 2
  std::int32_t BookkeepingType = 0;  // field 1013: 1 single-entry, 2 double-entry
  std::int64_t FormatVersion = 0;    // positions 52-55 in ten-thousandths: 13100 is 1.31

  // Sums over every B110 line read, in hundredths of the currency unit (agorot), exact for
  // any file.
  AmountSum TotalOpeningBalance = 0;    // field 1414
  AmountSum TotalDebit = 0;             // field 1415
  AmountSum TotalCredit = 0;            // field 1416
  AmountSum TotalOpeningBalanceFx = 0;  // field 1422

  std::string DataFolder;     // the folder named for the last import
  std::string LoadedFolder;   // the folder whose data is in the store; empty when none is, and
                              // while an import runs or after one was interrupted
  std::int64_t LoadedAt = 0;  // when the loaded set was read (seconds since 1970); 0 when none
  // Changes with every change of the set held (each Clear, each completed import), also
  // within one second: a view compares it to know whether its rows still belong to the store.
  std::uint64_t LoadNumber = 0;
  RandomAccessFile DataFile;  // BKMVDATA.TXT of the loaded set (possibly an extracted copy)
  // The SHA-256 of the bytes of DataFile the import read, 64 lower-case hex digits, when the
  // import was asked for it (ImportOptions::digest) and read the file to its end; else empty.
  std::string DataSha256;
};

// Index entries of one record type. Keys are cut from the line as it stands; a line too short
// for a key part contributes the characters it has and spaces for the rest.
//   C100, D110  document type + document number (1203-1204, 1253-1254: positions 23-45)
//   D120        document type 1303 + document number 1304 trimmed and right-aligned in 20
//   B100        account key 1364 + batch 1355
//   B110        account key 1403 + 8 spaces
//   M100        internal item code 1455 trimmed and right-aligned in 20 + 3 spaces
// Types that are not indexed leave the key blank.
void MakeKey(RecordType type, std::string_view line, char (&key)[kKeyLength]);

// The key under which the receipt lines of a document (a DocumentIndex entry) are found:
// the receipt-line index keeps the document number trimmed and right-aligned.
std::string ReceiptLineKeyOf(const IndexEntry& document);

// The prefix under which ItemIndex keeps an item code (trimmed, right-aligned in 20).
std::string ItemKeyPrefix(std::string_view item_code);

// The list entry of an account (short key: the trimmed account key right-aligned in 6, or
// its first 6 characters when longer) or of an item (short key blank).
ListEntry MakeAccountListEntry(const IndexEntry& entry);
ListEntry MakeItemListEntry(const IndexEntry& entry);

// Sorts by key in byte order; entries with equal keys stay in file order (by offset).
void SortIndex(RecordIndex<IndexEntry>& index);

// An index made of consecutive runs, each sorted as SortIndex sorts (their lengths in order,
// adding up to Count()), merged into one sorted as SortIndex would sort it. Needs room for
// half the index besides it; with less it merges more slowly, never wrongly.
void MergeSortedRuns(RecordIndex<IndexEntry>& index, std::span<const std::int64_t> run_lengths);

// A key of 23 bytes from a shorter one, padded with spaces (longer ones are cut).
std::string PadKey(std::string_view key);

// Element numbers in a sorted index. Ranges are [first, last) of element numbers; an empty
// range has first == last.
struct ElementRange {
  std::int64_t first = 1;
  std::int64_t last = 1;
  std::int64_t size() const { return last - first; }
  bool empty() const { return first == last; }
};

// Entries whose whole key equals `key` (padded to 23 with spaces when shorter).
ElementRange EqualRange(const RecordIndex<IndexEntry>& index, std::string_view key);

// The lowest element whose whole key equals `key`; 0 when none. The entries with that key
// follow it without a gap.
std::int64_t FindFirst(const RecordIndex<IndexEntry>& index, std::string_view key);

// Entries whose key begins with `prefix` (at most 23 bytes), in key order.
ElementRange PrefixRange(const RecordIndex<IndexEntry>& index, std::string_view prefix);

// The line of a record, up to the width its layout covers, without the line end.
std::string ReadRecordLine(const RecordStore& store, std::int64_t offset, RecordType type);

// One field of the record at `offset`, read by itself.
std::string ReadRecordField(const RecordStore& store, std::int64_t offset, Positions field);

// The lines of many records, read with few reads: records that lie close together in the
// file (the accounts of a chart, the movements of a batch) are read in blocks rather than
// line by line. `use(i, line)` is called once for each `offsets[i]`, in ascending order of
// offset (equal offsets in the order given), with the line as ReadRecordLine gives it (empty
// for an offset past the end of the file); the line lives until `use` returns. `use` returns
// false to stop; ForEachRecordLine then returns false at once. Lines at most `gap_bytes`
// apart are read together; a caller whose lines fill most of the file may read through wider
// gaps than the default.
inline constexpr std::int64_t kNearLinesGapBytes = 1024;
bool ForEachRecordLine(const RecordStore& store, std::span<const std::int64_t> offsets,
                       RecordType type,
                       const std::function<bool(std::size_t, std::string_view)>& use,
                       std::int64_t gap_bytes = kNearLinesGapBytes);

}  // namespace tallyscan
