#include "engine/isam/isam.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "engine/isam/isam_check.h"
#include "engine/isam/isam_index_file.h"
#include "engine/isam/isam_tree.h"
#include "engine/isam/isam_try.h"

namespace tallyscan {
namespace {

constexpr int kSearchKey4Selector = -99;

// Why an open failed or fell back to reading only: the line the warning adds.
constexpr const char* kCutShortReason =
    "אורך הקובץ אינו מתאים למבנה קובץ אינדקס - ייתכן שהקובץ נקטע";
constexpr const char* kDamagedReason =
    "עבודה קודמת על הקובץ לא הסתיימה והקובץ פגום - הוא נפתח לקריאה בלבד";
constexpr const char* kLockedReason = "הקובץ תפוס בידי תכנית אחרת";

IsamEntry EntryOfBlock(IsamKeyBlock block, int key_number) {
  IsamEntry entry;
  const auto from = static_cast<std::size_t>(key_number - 1) * kIsamKeyLength;
  std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(from), kIsamKeyLength, entry.key.begin());
  entry.flag = block[kIsamKeyBlockFlagAt];
  for (int i = 3; i >= 0; --i) {
    entry.pointer =
        (entry.pointer << 8) | block[kIsamKeyBlockPointerAt + static_cast<std::size_t>(i)];
  }
  return entry;
}

bool AboveSentinel(const IsamKey& key) { return CompareKeys(key, SentinelKey()) > 0; }

// The headers and whole nodes: anything else was cut short or is not an index file.
bool IsWholeFile(std::uint64_t size) {
  const std::uint64_t nodes_at = IsamPositionToOffset(kIsamFirstNodePosition);
  return size >= nodes_at && (size - nodes_at) % kIsamNodeSize == 0;
}

// Holds the storage's lock for the length of a call.
class LockHold {
 public:
  explicit LockHold(IsamStorage& storage) : storage_(storage) {}
  ~LockHold() {
    if (held_) storage_.Unlock();
  }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;
  IsamStatus Take(IsamLockMode mode) {
    const IsamStatus status = storage_.Lock(mode);
    held_ = status == IsamStatus::kOk;
    return status;
  }

 private:
  IsamStorage& storage_;
  bool held_ = false;
};

}  // namespace

std::string IsamOpenFailedMessage(const std::string& file_name, int error_number,
                                  const std::string& reason) {
  return "ארעה טעות קריטית בזמן פתיחת קובץ\nשם הקובץ - " + file_name + " " +
         std::to_string(error_number) + (reason.empty() ? "" : "\n" + reason) +
         "\nהפסק מיד את פעולת התכנית ופעל לברור הסיבה";
}

std::string IsamReadOnlyMessage(const std::string& file_name) {
  return "שים לב - הקובץ מוגדר כקובץ לקריאה בלבד\nשם הקובץ - " + file_name +
         "\n\nעליך לברר את הסיבה שגרמה לכך - אל תמשיך בעבודה";
}

struct RecordManager::Slot {
  int open_count = 0;
  std::unique_ptr<IsamStorage> storage;
  std::string file_name;
  bool read_only = false;
  bool damaged = false;  // found damaged on opening: read only, changes answer kCorrupt
  int number_of_keys = 0;
  int current_key = 1;
  IsamCursor cursor;
  // Leaves passed in one direction since the cursor was last placed or turned: a chain that
  // is not a circle has no more leaves than the file has nodes.
  std::uint64_t walk_moves = 0;
  bool walking_forward = true;
  int locks_held = 0;  // DbLock calls not yet matched by DbUnLock

  void PlaceCursor(IsamCursor at) {
    cursor = at;
    walk_moves = 0;
  }
  void Walk(bool forward) {
    if (forward != walking_forward) walk_moves = 0;
    walking_forward = forward;
  }
};

RecordManager::RecordManager(IsamFileSystem& file_system, IsamMessageSink messages)
    : file_system_(file_system), messages_(std::move(messages)) {}

RecordManager::~RecordManager() {
  for (std::unique_ptr<Slot>& slot : slots_) {
    if (slot != nullptr && slot->open_count > 0) (void)Close(*slot);
  }
}

IsamStatus RecordManager::Acquire(int slot, Slot*& out) {
  if (slot < 0 || slot >= kSlotCount) return IsamStatus::kBadSlot;
  Slot* s = slots_[static_cast<std::size_t>(slot)].get();
  if (s == nullptr || s->open_count <= 0) return IsamStatus::kNotOpen;
  out = s;
  return IsamStatus::kOk;
}

template <typename Work>
IsamStatus RecordManager::Read(int slot, Work&& work) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  LockHold hold(*s->storage);
  ISAM_TRY(hold.Take(IsamLockMode::kShared));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  return work(*s, file);
}

// A change that fails before its commit has written nothing. One that fails during it (the
// system refused a write) may have written part: the side file then stays, so that the next
// opening checks the file.
template <typename Work>
IsamStatus RecordManager::Change(int slot, Work&& work) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  if (s->read_only) return IsamStatus::kReadOnly;
  if (s->damaged) return IsamStatus::kCorrupt;
  LockHold hold(*s->storage);
  ISAM_TRY(hold.Take(IsamLockMode::kExclusive));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  ISAM_TRY(work(*s, file));
  file.Store();
  ISAM_TRY(s->storage->MarkWriting());
  bool wrote_any = false;
  const IsamStatus committed = file.Commit(wrote_any);
  if (committed != IsamStatus::kOk && wrote_any) s->storage->KeepMark();
  return committed;
}

int RecordManager::OpenCount(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return 0;
  const Slot* s = slots_[static_cast<std::size_t>(slot)].get();
  return s == nullptr ? 0 : s->open_count;
}

// A failed open counts nothing: counting it would leave a slot that looks open over no file,
// and every later OpenDb on it would do nothing.
IsamStatus RecordManager::OpenDb(const std::string& file_name, int slot, int number_of_keys,
                                 IsamOpenMode mode) {
  auto warn = [&](int error_number, const std::string& reason) {
    if (messages_) messages_(IsamOpenFailedMessage(file_name, error_number, reason));
  };
  if (slot < 0 || slot >= kSlotCount) {
    warn(0, {});
    return IsamStatus::kBadSlot;
  }
  std::unique_ptr<Slot>& entry = slots_[static_cast<std::size_t>(slot)];
  if (entry != nullptr && entry->open_count > 0) {
    ++entry->open_count;
    return IsamStatus::kOk;
  }
  IsamOpenResult opened = file_system_.Open(file_name, mode);
  if (opened.storage == nullptr) {
    warn(opened.error_number, opened.failure == IsamStatus::kLocked ? kLockedReason : "");
    return opened.failure;
  }
  if (opened.read_only && messages_) messages_(IsamReadOnlyMessage(file_name));
  IsamStorage& storage = *opened.storage;

  // Exclusive, so that two programs creating one file do not both lay it out.
  LockHold hold(storage);
  if (const IsamStatus s =
          hold.Take(opened.read_only ? IsamLockMode::kShared : IsamLockMode::kExclusive);
      s != IsamStatus::kOk) {
    warn(s == IsamStatus::kLocked ? EWOULDBLOCK : 0, s == IsamStatus::kLocked ? kLockedReason : "");
    return s;
  }
  std::uint64_t size = 0;
  if (!storage.Size(size)) return IsamStatus::kIoError;
  int keys = 0;
  bool damaged = false;
  if (size == 0) {
    if (number_of_keys < 1 || number_of_keys > kIsamMaxKeys) return IsamStatus::kBadArgument;
    if (opened.read_only) return IsamStatus::kReadOnly;
    ISAM_TRY(IndexFile::Create(storage, number_of_keys));
    keys = number_of_keys;
  } else {
    if (!IsWholeFile(size)) {
      warn(0, kCutShortReason);
      return IsamStatus::kCorrupt;
    }
    IndexFile file(storage);
    // A file claiming more keys than a file can have is not an index file: refuse it rather
    // than read roots that are not there.
    if (const IsamStatus s = file.Load(); s != IsamStatus::kOk) {
      warn(0, {});
      return s;
    }
    keys = file.HeaderA().number_of_keys;
    if (keys > kIsamMaxKeys) {
      warn(0, {});
      return IsamStatus::kCorrupt;
    }
    if (keys == 0) keys = std::min(number_of_keys, kIsamKeysPerHeader);
    if (keys < 1) return IsamStatus::kBadArgument;
    // A writer stopped in the middle of a change: the file is trusted only after a check.
    if (storage.LeftUnfinished()) {
      IsamFileReport report;
      const IsamStatus inspected = InspectIndexFile(storage, report);
      if (inspected != IsamStatus::kOk || !report.problems.empty()) {
        damaged = true;
        const std::string first =
            report.problems.empty() ? std::string() : "\n" + report.problems.front();
        warn(0, kDamagedReason + first);
      } else {
        storage.ForgetUnfinished();
      }
    }
  }

  entry = std::make_unique<Slot>();
  entry->open_count = 1;
  entry->storage = std::move(opened.storage);
  entry->file_name = file_name;
  entry->read_only = opened.read_only;
  entry->damaged = damaged;
  entry->number_of_keys = keys;
  return IsamStatus::kOk;
}

// The slot's last close: what DbLock still holds is released and the file is written out and
// synced; a failure there (false) leaves the side file for the next opening to find.
bool RecordManager::Close(Slot& slot) {
  for (; slot.locks_held > 0; --slot.locks_held) slot.storage->Unlock();
  const bool flushed = slot.read_only || slot.storage->Flush();
  if (!flushed) slot.storage->KeepMark();
  slot.open_count = 0;
  slot.storage.reset();
  return flushed;
}

IsamStatus RecordManager::CloseDb(int slot) {
  if (slot < 0 || slot >= kSlotCount) return IsamStatus::kBadSlot;
  std::unique_ptr<Slot>& entry = slots_[static_cast<std::size_t>(slot)];
  if (entry == nullptr || entry->open_count <= 0) {
    entry.reset();
    return IsamStatus::kNotOpen;
  }
  if (--entry->open_count > 0) {
    return entry->storage->Flush() || entry->read_only ? IsamStatus::kOk : IsamStatus::kIoError;
  }
  const bool flushed = Close(*entry);
  entry.reset();
  return flushed ? IsamStatus::kOk : IsamStatus::kIoError;
}

IsamStatus RecordManager::DbInsert(int slot, IsamKeyBlock block) {
  IsamCursor cursor;
  bool cursor_moved = false;
  Slot* s = nullptr;
  const IsamStatus changed = Change(slot, [&](Slot& open, IndexFile& file) {
    s = &open;
    for (int k = 1; k <= open.number_of_keys; ++k) {
      if (AboveSentinel(EntryOfBlock(block, k).key)) return IsamStatus::kBadArgument;
    }
    for (int k = 1; k <= open.number_of_keys; ++k) {
      IsamCursor landed;
      ISAM_TRY(IsamTree(file, k).Insert(EntryOfBlock(block, k), landed));
      if (k == open.current_key) {
        cursor = landed;
        cursor_moved = true;
      }
    }
    ++file.MutableHeaderA().record_count;
    return IsamStatus::kOk;
  });
  if (changed != IsamStatus::kOk) return changed;
  if (cursor_moved) s->PlaceCursor(cursor);
  return IsamStatus::kOk;
}

IsamStatus RecordManager::DbUpdate(int slot, IsamKeyBlock new_block, IsamKeyBlock old_block) {
  IsamCursor cursor;
  bool cursor_moved = false;
  Slot* s = nullptr;
  const IsamStatus changed = Change(slot, [&](Slot& open, IndexFile& file) {
    s = &open;
    // Find every old entry before changing any, so that a missing one changes nothing.
    struct Move {
      int key_number;
      IsamCursor at;
      IsamEntry replacement;
    };
    std::vector<Move> moves;
    const IsamEntry old_first = EntryOfBlock(old_block, 1);
    const IsamEntry new_first = EntryOfBlock(new_block, 1);
    for (int k = 1; k <= open.number_of_keys; ++k) {
      const IsamEntry old_entry = EntryOfBlock(old_block, k);
      const IsamEntry new_entry = EntryOfBlock(new_block, k);
      const bool key_changes = old_entry.key != new_entry.key;
      if (!key_changes && !(k == 1 && old_first.flag != new_first.flag)) continue;
      if (key_changes && AboveSentinel(new_entry.key)) return IsamStatus::kBadArgument;
      Move move{k, {}, new_entry};
      IsamEntry found;
      ISAM_TRY(IsamTree(file, k).Find(old_entry.key, &old_entry.pointer, move.at, found));
      moves.push_back(move);
    }
    for (const Move& move : moves) {
      IsamTree tree(file, move.key_number);
      const IsamEntry old_entry = EntryOfBlock(old_block, move.key_number);
      if (old_entry.key == move.replacement.key) {
        ISAM_TRY(tree.SetFlag(move.at, move.replacement.flag));
        continue;
      }
      ISAM_TRY(tree.Remove(move.at));
      IsamCursor landed;
      ISAM_TRY(tree.Insert(move.replacement, landed));
      if (move.key_number == open.current_key) {
        cursor = landed;
        cursor_moved = true;
      }
    }
    return IsamStatus::kOk;
  });
  if (changed != IsamStatus::kOk) return changed;
  if (cursor_moved) s->PlaceCursor(cursor);
  return IsamStatus::kOk;
}

IsamStatus RecordManager::DbDelete(int slot, IsamKeyBlock block) {
  return Change(slot, [&](Slot& open, IndexFile& file) {
    std::vector<IsamCursor> places;
    for (int k = 1; k <= open.number_of_keys; ++k) {
      const IsamEntry entry = EntryOfBlock(block, k);
      IsamCursor at;
      IsamEntry found;
      ISAM_TRY(IsamTree(file, k).Find(entry.key, &entry.pointer, at, found));
      places.push_back(at);
    }
    for (int k = 1; k <= open.number_of_keys; ++k) {
      ISAM_TRY(IsamTree(file, k).Remove(places[static_cast<std::size_t>(k - 1)]));
    }
    IsamHeader& header = file.MutableHeaderA();
    if (header.record_count > 0) --header.record_count;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::DbFlush(int slot) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  return s->storage->Flush() || s->read_only ? IsamStatus::kOk : IsamStatus::kIoError;
}

IsamStatus RecordManager::DbLock(int slot, int) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  const bool writes = !s->read_only && !s->damaged;
  ISAM_TRY(s->storage->Lock(writes ? IsamLockMode::kExclusive : IsamLockMode::kShared));
  ++s->locks_held;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::DbUnLock(int slot, int) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  if (s->locks_held > 0) {
    --s->locks_held;
    s->storage->Unlock();
  }
  return IsamStatus::kOk;
}

IsamStatus RecordManager::GetMatch(int slot, int key_number, IsamEntry& entry,
                                   std::uint32_t& node_position, int& entry_slot) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (key_number < 1 || key_number > s.number_of_keys) return IsamStatus::kBadArgument;
    IsamCursor at;
    IsamEntry found;
    const std::uint32_t* pointer = key_number == 2 ? &entry.pointer : nullptr;
    ISAM_TRY(IsamTree(file, key_number).Find(entry.key, pointer, at, found));
    entry = found;
    node_position = at.node;
    entry_slot = at.slot;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::GetEqual(int slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    IsamCursor at;
    IsamEntry found;
    const std::uint32_t* pointer = s.current_key == 2 ? &entry.pointer : nullptr;
    ISAM_TRY(IsamTree(file, s.current_key).Find(entry.key, pointer, at, found));
    s.PlaceCursor(at);
    entry = found;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::rStart(int slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (file.HeaderA().record_count == 0) return IsamStatus::kNotFound;
    IsamCursor at;
    IsamEntry found;
    ISAM_TRY(IsamTree(file, s.current_key).LowerBound(entry.key, at, found));
    s.PlaceCursor(at);
    entry = found;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::GetFirst(int slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (file.HeaderA().record_count == 0) return IsamStatus::kNotFound;
    IsamCursor at;
    ISAM_TRY(IsamTree(file, s.current_key).First(at, entry));
    s.PlaceCursor(at);
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::GetLast(int slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (file.HeaderA().record_count == 0) return IsamStatus::kNotFound;
    IsamCursor at;
    ISAM_TRY(IsamTree(file, s.current_key).Last(at, entry));
    s.PlaceCursor(at);
    return IsamStatus::kOk;
  });
}

namespace {

// The file may have changed under the cursor (an insertion shifts a leaf's entries, a
// deletion frees leaves): when the cursor no longer stands on the entry's key, the entry is
// found again before the cursor steps, and the walk starts afresh from there.
IsamStatus CursorOnEntry(IndexFile& file, IsamTree& tree, int key_number, const IsamEntry& entry,
                         IsamCursor& cursor, std::uint64_t& walk_moves) {
  IsamNode leaf;
  const IsamStatus read = file.ReadNode(cursor.node, leaf);
  const bool stale = read != IsamStatus::kOk || leaf.leaf != 1 || cursor.slot < leaf.FirstUsed() ||
                     cursor.slot > kIsamSlotsPerNode || leaf.Slot(cursor.slot).key != entry.key;
  if (!stale) return IsamStatus::kOk;
  IsamEntry found;
  const std::uint32_t* pointer = key_number == 2 ? &entry.pointer : nullptr;
  IsamCursor at = cursor;
  ISAM_TRY(tree.Find(entry.key, pointer, at, found));
  cursor = at;
  walk_moves = 0;
  return IsamStatus::kOk;
}

}  // namespace

IsamStatus RecordManager::GetNext(int slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (s.cursor.node == 0) return IsamStatus::kNotFound;
    IsamTree tree(file, s.current_key);
    ISAM_TRY(CursorOnEntry(file, tree, s.current_key, entry, s.cursor, s.walk_moves));
    IsamCursor at = s.cursor;
    s.Walk(true);
    ISAM_TRY(tree.Next(at, entry, s.walk_moves));
    s.cursor = at;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::GetPrev(int slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (s.cursor.node == 0) return IsamStatus::kNotFound;
    IsamTree tree(file, s.current_key);
    ISAM_TRY(CursorOnEntry(file, tree, s.current_key, entry, s.cursor, s.walk_moves));
    IsamCursor at = s.cursor;
    s.Walk(false);
    ISAM_TRY(tree.Prev(at, entry, s.walk_moves));
    s.cursor = at;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::Search(int slot, IsamEntry& entry, int& selector) {
  const int asked = selector;
  selector = 1;
  return Read(slot, [&](Slot& s, IndexFile& file) {
    const int key_number = asked == kSearchKey4Selector && s.number_of_keys >= 4 ? 4 : 1;
    std::uint32_t position = 0;
    IsamNode leaf;
    ISAM_TRY(IsamTree(file, key_number).Descend(entry.key, position, leaf));
    for (int slot_number = kIsamSlotsPerNode; slot_number >= leaf.FirstUsed(); --slot_number) {
      if (IsamTree::IsSentinel(leaf, slot_number)) continue;
      const int order = CompareKeys(leaf.Slot(slot_number).key, entry.key);
      if (order < 0) break;
      if (order == 0) {
        entry = leaf.Slot(slot_number);
        selector = 0;
        break;
      }
    }
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::GetRecords(int slot, std::uint32_t& count) {
  return Read(slot, [&](Slot&, IndexFile& file) {
    count = file.HeaderA().record_count;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::GetKey(int slot, int& key_number) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  key_number = s->current_key;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::SetKey(int slot, int key_number) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  s->current_key = key_number < 1 || key_number > s->number_of_keys ? 1 : key_number;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::GetStack(int slot, std::uint32_t& value) {
  return Read(slot, [&](Slot&, IndexFile& file) {
    value = file.HeaderA().stack;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::PutStack(int slot, std::uint32_t value) {
  return Change(slot, [&](Slot&, IndexFile& file) {
    file.MutableHeaderA().stack = value;
    return IsamStatus::kOk;
  });
}

IsamStatus RecordManager::SaveFileStatus(int slot, int& key_number, std::uint32_t& node_position,
                                         int& entry_slot) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  key_number = s->current_key;
  node_position = s->cursor.node;
  entry_slot = s->cursor.slot;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::RestFileStatus(int slot, int key_number, std::uint32_t node_position,
                                         int entry_slot, IsamEntry& entry) {
  return Read(slot, [&](Slot& s, IndexFile& file) {
    if (key_number < 1 || key_number > s.number_of_keys) return IsamStatus::kBadArgument;
    s.current_key = key_number;
    s.PlaceCursor(IsamCursor{node_position, entry_slot});
    if (node_position == 0) return IsamStatus::kNotFound;
    IsamNode leaf;
    ISAM_TRY(file.ReadNode(node_position, leaf));
    if (leaf.leaf != 1) return IsamStatus::kCorrupt;
    if (entry_slot < leaf.FirstUsed() || entry_slot > kIsamSlotsPerNode ||
        IsamTree::IsSentinel(leaf, entry_slot)) {
      return IsamStatus::kNotFound;
    }
    entry = leaf.Slot(entry_slot);
    return IsamStatus::kOk;
  });
}

}  // namespace tallyscan
