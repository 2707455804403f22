#pragma once

// The keyed-record engine of the bookkeeping product: B+-tree indexes over fixed-layout files,
// addressed by a file slot number 0-99. The transfer writes the product's index files with
// it; the byte map of those files is in isam_format.h. This is what isam/ offers the rest of
// the program, with the whole-file check of an index file (isam_check.h) and the storage
// files are reached through (isam_storage.h). Every other header of isam/ is private to it.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "engine/isam/isam_check.h"
#include "engine/isam/isam_format.h"
#include "engine/isam/isam_status.h"
#include "engine/isam/isam_storage.h"

namespace tallyscan {

// Receives a warning for the user: its lines joined by '\n', UTF-8. The app shows it with
// AppMessage, the command line prints it. The record manager never shows anything itself.
using IsamMessageSink = std::function<void(const std::string& text)>;

// The warning texts, line by line. A reason, when given, is put before the closing line.
std::string IsamOpenFailedMessage(const std::string& file_name, int error_number,
                                  const std::string& reason = {});
std::string IsamReadOnlyMessage(const std::string& file_name);

using IsamKeyBlock = std::span<const std::uint8_t, kIsamKeyBlockSize>;

// The 100 file slots and every operation on them. One object is one process's table of open
// index files; it owns the files it opened and closes them, as CloseDb does, when destroyed.
// Every call checks its slot first: a number outside 0-99 gives kBadSlot, a slot without an
// open file kNotOpen, and nothing is read or written. Not thread-safe: one thread drives it.
//
// Other programs may use a file at the same time. Every call that reads the file holds the
// shared lock between programs while it runs and every change holds the exclusive one, so a
// call never sees another program's change half made, and sees every change made before it
// (what is kept of the file in memory is dropped when another program has written since). A
// call that cannot have the lock within the file system's wait answers kLocked and does
// nothing.
//
// A crash (the process killed at any point) loses no record whose insert returned: a change
// is written in an order that keeps every earlier entry where a search finds it, and the
// file is marked as being written, in a side file, from its first change until it is closed.
// Opening a file whose mark was left by a writer that no longer runs checks the whole file;
// a file found damaged is opened for reading only, with the open-failure warning saying why,
// and every change to it answers kCorrupt. A damaged file still answers every search it can.
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
  // saying 0 takes the given number limited to 3. A file whose length is not the headers and
  // whole nodes (cut short, or not an index file) is refused with kCorrupt. A failed open
  // counts nothing and sends the open-failure warning; a write-protected file is opened for
  // reading after the read-only warning. The slot's cursor starts on key 1 with no node.
  //
  // IsamOpenMode::kBulk is for a file this process has just created where no other program
  // looks (the transfer's staging folder): the file is locked from opening to closing (an
  // open that cannot lock it fails with kLocked), its changes are kept in memory and reach
  // the file when memory runs short, at DbFlush and at CloseDb, and no side file marks it.
  // Bulk mode gives up crash safety: a crash before CloseDb returns leaves the file in no
  // usable state, and the caller must build it again; it also gives up letting other programs
  // see the changes as they are made. A file already open in this process cannot be opened
  // in bulk mode.
  IsamStatus OpenDb(const std::string& file_name, int slot, int number_of_keys,
                    IsamOpenMode mode = IsamOpenMode::kShared);
  // Counts down; at 0 the file is written out (bulk mode), synced to the disk and closed,
  // any DbLock still held is released, and the side file is removed. kIoError when the
  // last writing or the sync fails: the file is closed all the same, and its side file stays.
  IsamStatus CloseDb(int slot);

  // Inserts the record's entry into every key tree of the file; duplicates are kept. When
  // the inserted key is the cursor's key, the cursor moves onto it. Every key's tree is
  // prepared before anything is written: keys above the high sentinel (kBadArgument), a
  // damaged tree (kCorrupt) or a full file (kFileFull) leave the file as it was.
  IsamStatus DbInsert(int slot, IsamKeyBlock block);
  // Rewrites the key-1 entry's flag when the flags differ, then moves each key whose bytes
  // differ. The old entries are found by key and the old block's record pointer; when one
  // is missing nothing changes and the answer is kNotFound.
  IsamStatus DbUpdate(int slot, IsamKeyBlock new_block, IsamKeyBlock old_block);
  // Removes the record's entry (found by key and record pointer) from every key tree and
  // counts the record out. kNotFound, with nothing changed, when any entry is missing.
  IsamStatus DbDelete(int slot, IsamKeyBlock block);
  // Writes out what bulk mode holds and syncs the file to the disk.
  IsamStatus DbFlush(int slot);
  // DbLock takes the lock between programs and holds it across the calls that follow until
  // the matching DbUnLock (or CloseDb): exclusive, or shared on a file open for reading
  // only. Other programs wait for it as they wait for a call; the calls made meanwhile do
  // not wait. Calls nest: each DbLock that answered kOk needs one DbUnLock; a DbUnLock
  // without one does nothing. kLocked when another program held the lock past the wait.
  // The mode is not used.
  IsamStatus DbLock(int slot, int mode);
  IsamStatus DbUnLock(int slot, int mode);

  // Cursor functions on the selected key. They answer kNotFound at either end, for a key not
  // present and, except GetEqual, when the file holds no records; the cursor then stays.
  IsamStatus GetEqual(int slot, IsamEntry& entry);
  IsamStatus GetFirst(int slot, IsamEntry& entry);
  IsamStatus GetLast(int slot, IsamEntry& entry);
  // Step from the cursor. When the key under the cursor is no longer the entry's key (the
  // file changed since), the cursor is first found again from the entry. A walk that comes
  // round again along a circle of siblings answers kCorrupt.
  IsamStatus GetNext(int slot, IsamEntry& entry);
  IsamStatus GetPrev(int slot, IsamEntry& entry);
  // The first entry whose key is at least the entry's key.
  IsamStatus rStart(int slot, IsamEntry& entry);
  // The exact search of the cursor functions on any key, without moving the cursor. Under
  // key 2, which admits duplicates, the record pointer must match as well. The entry and
  // the place are written only when the answer is kOk.
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
  // The steps every call on an open file shares: the slot, the lock for the length of the
  // call, the headers; a change is then staged by the work and committed after it.
  template <typename Work>
  IsamStatus Read(int slot, Work&& work);
  template <typename Work>
  IsamStatus Change(int slot, Work&& work);
  bool Close(Slot& slot);

  IsamFileSystem& file_system_;
  IsamMessageSink messages_;
  std::array<std::unique_ptr<Slot>, kSlotCount> slots_;
};

}  // namespace tallyscan
