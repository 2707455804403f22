#pragma once

// The keyed-record engine of the bookkeeping product: B+-tree indexes over fixed-layout files,
// addressed by a file slot number 0-99. The transfer writes the product's index files with
// it; the byte map of those files is in isam_format.h.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "engine/transfer/isam_format.h"
#include "engine/transfer/isam_storage.h"

namespace tallyscan {

// The outcome of a record-manager call. kNotFound is the ordinary "status 1" of the cursor
// functions (no such key, end of the chain, empty file); the negative values are failures
// that leave the file as it was before the call, except kIoError, which may stop an
// operation half-way as a failing disk does.
enum class IsamStatus : int {
  kOk = 0,
  kNotFound = 1,
  kBadSlot = -1,      // slot number outside 0-99
  kNotOpen = -2,      // the slot has no open file
  kOpenFailed = -3,   // the file could not be opened (a warning was sent)
  kIoError = -4,      // the system failed a read or a write
  kCorrupt = -5,      // the file contradicts its own layout: a position past the end, a bad
                      // count, a broken link
  kBadArgument = -6,  // a key number, key count or key the file cannot hold
  kReadOnly = -7,     // a change was asked of a file opened for reading only
  kFileFull = -8,     // the file would outgrow its 32-bit node positions
};

// Receives a warning for the user: its lines joined by '\n', UTF-8. The app shows it with
// AppMessage, the command line prints it. The record manager never shows anything itself.
using IsamMessageSink = std::function<void(const std::string& text)>;

// The warning texts, line by line.
std::string IsamOpenFailedMessage(const std::string& file_name, int error_number);
std::string IsamReadOnlyMessage(const std::string& file_name);

using IsamKeyBlock = std::span<const std::uint8_t, kIsamKeyBlockSize>;

// The 100 file slots and every operation on them. One object is one process's table of open
// index files; it owns the files it opened and closes them when destroyed. Every call checks
// its slot first: a number outside 0-99 gives kBadSlot, a slot without an open file
// kNotOpen, and nothing is read or written. Not thread-safe: one thread drives it.
class RecordManager {
 public:
  static constexpr int kSlotCount = 100;

  RecordManager(IsamFileSystem& file_system, IsamMessageSink messages);
  ~RecordManager();
  RecordManager(const RecordManager&) = delete;
  RecordManager& operator=(const RecordManager&) = delete;

  // Opens (creating when missing) the index file on the slot. A second OpenDb on an open
  // slot only counts up and needs its own CloseDb. An empty file is laid out new with the
  // given number of keys (1-6); an existing file keeps the number in its header, and a header
  // saying 0 takes the given number limited to 3. A failed open counts nothing and sends the
  // open-failure warning; a write-protected file is opened for reading after the read-only
  // warning. The slot's cursor starts on key 1 with no node.
  IsamStatus OpenDb(const std::string& file_name, int slot, int number_of_keys);
  // Counts down; at 0 the file is closed, otherwise it is flushed.
  IsamStatus CloseDb(int slot);

  // Inserts the record's entry into every key tree of the file; duplicates are kept. When
  // the inserted key is the cursor's key, the cursor moves onto it. Keys above the high
  // sentinel are refused (kBadArgument) before anything is written.
  IsamStatus DbInsert(int slot, IsamKeyBlock block);
  // Rewrites the key-1 entry's flag when the flags differ, then moves each key whose bytes
  // differ. The old entries are found by key and the old block's record pointer; when one
  // is missing nothing changes and the answer is kNotFound.
  IsamStatus DbUpdate(int slot, IsamKeyBlock new_block, IsamKeyBlock old_block);
  // Removes the record's entry (found by key and record pointer) from every key tree and
  // counts the record out. kNotFound, with nothing changed, when any entry is missing.
  IsamStatus DbDelete(int slot, IsamKeyBlock block);
  IsamStatus DbFlush(int slot);
  // No locking between programs: these only check the slot, and DbLock drops the file's
  // nodes kept in memory, so that the calls after it read what other programs wrote.
  IsamStatus DbLock(int slot, int mode);
  IsamStatus DbUnLock(int slot, int mode);

  // Cursor functions on the selected key. They answer kNotFound at either end, for a key not
  // present and, except GetEqual, when the file holds no records; the cursor then stays.
  IsamStatus GetEqual(int slot, IsamEntry& entry);
  IsamStatus GetFirst(int slot, IsamEntry& entry);
  IsamStatus GetLast(int slot, IsamEntry& entry);
  // Step from the cursor. When the key under the cursor is no longer the entry's key (the
  // file changed since), the cursor is first found again from the entry.
  IsamStatus GetNext(int slot, IsamEntry& entry);
  IsamStatus GetPrev(int slot, IsamEntry& entry);
  // The first entry whose key is at least the entry's key.
  IsamStatus rStart(int slot, IsamEntry& entry);
  // The exact search of the cursor functions on any key, without moving the cursor. Under
  // key 2, which admits duplicates, the record pointer must match as well.
  IsamStatus GetMatch(int slot, int key_number, IsamEntry& entry, std::uint32_t& node_position,
                      int& entry_slot);
  // Looks the key up in key 1's tree (key 4's when selector is -99 and the file has four
  // keys or more), examining one leaf only. selector becomes 0 and the entry is filled when
  // found, 1 otherwise with the entry untouched. The cursor does not move.
  IsamStatus Search(int slot, IsamEntry& entry, int& selector);

  IsamStatus GetRecords(int slot, std::uint32_t& count);
  IsamStatus GetKey(int slot, int& key_number);
  // A number outside 1..number of keys selects key 1.
  IsamStatus SetKey(int slot, int key_number);
  IsamStatus GetStack(int slot, std::uint32_t& value);
  IsamStatus PutStack(int slot, std::uint32_t value);

  IsamStatus SaveFileStatus(int slot, int& key_number, std::uint32_t& node_position,
                            int& entry_slot);
  // Restores a saved cursor and fills the entry under it; kNotFound when that slot of the
  // leaf is no longer in use.
  IsamStatus RestFileStatus(int slot, int key_number, std::uint32_t node_position, int entry_slot,
                            IsamEntry& entry);

  // 0 for a closed slot or a number outside 0-99.
  int OpenCount(int slot) const;

 private:
  struct Slot;
  IsamStatus Acquire(int slot, Slot*& out);
  IsamStatus AcquireWritable(int slot, Slot*& out);

  IsamFileSystem& file_system_;
  IsamMessageSink messages_;
  std::array<std::unique_ptr<Slot>, kSlotCount> slots_;
};

}  // namespace tallyscan
