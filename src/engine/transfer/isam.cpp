#include "engine/transfer/isam.h"

#include <algorithm>
#include <vector>

#include "engine/transfer/isam_tree.h"

namespace tallyscan {
namespace {

constexpr int kSearchKey4Selector = -99;

#define ISAM_TRY(expr)                                                  \
  do {                                                                  \
    if (const IsamStatus s_ = (expr); s_ != IsamStatus::kOk) return s_; \
  } while (false)

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

}  // namespace

std::string IsamOpenFailedMessage(const std::string& file_name, int error_number) {
  return "ארעה טעות קריטית בזמן פתיחת קובץ\nשם הקובץ - " + file_name + " " +
         std::to_string(error_number) + "\nהפסק מיד את פעולת התכנית ופעל לברור הסיבה";
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
  int number_of_keys = 0;
  int current_key = 1;
  IsamCursor cursor;
};

RecordManager::RecordManager(IsamFileSystem& file_system, IsamMessageSink messages)
    : file_system_(file_system), messages_(std::move(messages)) {}

RecordManager::~RecordManager() = default;

IsamStatus RecordManager::Acquire(int slot, Slot*& out) {
  if (slot < 0 || slot >= kSlotCount) return IsamStatus::kBadSlot;
  Slot* s = slots_[static_cast<std::size_t>(slot)].get();
  if (s == nullptr || s->open_count <= 0) return IsamStatus::kNotOpen;
  out = s;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::AcquireWritable(int slot, Slot*& out) {
  ISAM_TRY(Acquire(slot, out));
  return out->read_only ? IsamStatus::kReadOnly : IsamStatus::kOk;
}

int RecordManager::OpenCount(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return 0;
  const Slot* s = slots_[static_cast<std::size_t>(slot)].get();
  return s == nullptr ? 0 : s->open_count;
}

// A failed open counts nothing: counting it would leave a slot that looks open over no file,
// and every later OpenDb on it would do nothing.
IsamStatus RecordManager::OpenDb(const std::string& file_name, int slot, int number_of_keys) {
  auto warn = [&](const std::string& text) {
    if (messages_) messages_(text);
  };
  if (slot < 0 || slot >= kSlotCount) {
    warn(IsamOpenFailedMessage(file_name, 0));
    return IsamStatus::kBadSlot;
  }
  std::unique_ptr<Slot>& entry = slots_[static_cast<std::size_t>(slot)];
  if (entry != nullptr && entry->open_count > 0) {
    ++entry->open_count;
    return IsamStatus::kOk;
  }
  IsamOpenResult opened = file_system_.Open(file_name);
  if (opened.storage == nullptr) {
    warn(IsamOpenFailedMessage(file_name, opened.error_number));
    return IsamStatus::kOpenFailed;
  }
  if (opened.read_only) warn(IsamReadOnlyMessage(file_name));

  std::uint64_t size = 0;
  if (!opened.storage->Size(size)) return IsamStatus::kIoError;
  int keys = 0;
  if (size == 0) {
    if (number_of_keys < 1 || number_of_keys > kIsamMaxKeys) return IsamStatus::kBadArgument;
    if (opened.read_only) return IsamStatus::kReadOnly;
    ISAM_TRY(IndexFile::Create(*opened.storage, number_of_keys));
    keys = number_of_keys;
  } else {
    IndexFile file(*opened.storage);
    // A file too short for its headers, or one claiming more keys than a file can have, is
    // not an index file: refuse it rather than read roots that are not there.
    if (const IsamStatus s = file.Load(); s != IsamStatus::kOk) {
      warn(IsamOpenFailedMessage(file_name, 0));
      return s;
    }
    keys = file.HeaderA().number_of_keys;
    if (keys > kIsamMaxKeys) {
      warn(IsamOpenFailedMessage(file_name, 0));
      return IsamStatus::kCorrupt;
    }
    if (keys == 0) keys = std::min(number_of_keys, kIsamKeysPerHeader);
    if (keys < 1) return IsamStatus::kBadArgument;
  }

  entry = std::make_unique<Slot>();
  entry->open_count = 1;
  entry->storage = std::move(opened.storage);
  entry->file_name = file_name;
  entry->read_only = opened.read_only;
  entry->number_of_keys = keys;
  return IsamStatus::kOk;
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
  entry.reset();
  return IsamStatus::kOk;
}

IsamStatus RecordManager::DbInsert(int slot, IsamKeyBlock block) {
  Slot* s = nullptr;
  ISAM_TRY(AcquireWritable(slot, s));
  for (int k = 1; k <= s->number_of_keys; ++k) {
    if (AboveSentinel(EntryOfBlock(block, k).key)) return IsamStatus::kBadArgument;
  }
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  for (int k = 1; k <= s->number_of_keys; ++k) {
    IsamCursor landed;
    ISAM_TRY(IsamTree(file, k).Insert(EntryOfBlock(block, k), landed));
    if (k == s->current_key) s->cursor = landed;
  }
  ++file.MutableHeaderA().record_count;
  return file.Store();
}

IsamStatus RecordManager::DbUpdate(int slot, IsamKeyBlock new_block, IsamKeyBlock old_block) {
  Slot* s = nullptr;
  ISAM_TRY(AcquireWritable(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  // Find every old entry before changing any, so that a missing one changes nothing.
  struct Change {
    int key_number;
    IsamCursor at;
    IsamEntry replacement;
  };
  std::vector<Change> changes;
  const IsamEntry old_first = EntryOfBlock(old_block, 1);
  const IsamEntry new_first = EntryOfBlock(new_block, 1);
  for (int k = 1; k <= s->number_of_keys; ++k) {
    const IsamEntry old_entry = EntryOfBlock(old_block, k);
    const IsamEntry new_entry = EntryOfBlock(new_block, k);
    const bool key_changes = old_entry.key != new_entry.key;
    if (!key_changes && !(k == 1 && old_first.flag != new_first.flag)) continue;
    if (key_changes && AboveSentinel(new_entry.key)) return IsamStatus::kBadArgument;
    Change change{k, {}, new_entry};
    IsamEntry found;
    ISAM_TRY(IsamTree(file, k).Find(old_entry.key, &old_entry.pointer, change.at, found));
    changes.push_back(change);
  }
  for (const Change& change : changes) {
    IsamTree tree(file, change.key_number);
    const IsamEntry old_entry = EntryOfBlock(old_block, change.key_number);
    if (old_entry.key == change.replacement.key) {
      ISAM_TRY(tree.SetFlag(change.at, change.replacement.flag));
      continue;
    }
    ISAM_TRY(tree.Remove(change.at));
    IsamCursor landed;
    ISAM_TRY(tree.Insert(change.replacement, landed));
    if (change.key_number == s->current_key) s->cursor = landed;
  }
  return file.Store();
}

IsamStatus RecordManager::DbDelete(int slot, IsamKeyBlock block) {
  Slot* s = nullptr;
  ISAM_TRY(AcquireWritable(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  std::vector<IsamCursor> places;
  for (int k = 1; k <= s->number_of_keys; ++k) {
    const IsamEntry entry = EntryOfBlock(block, k);
    IsamCursor at;
    IsamEntry found;
    ISAM_TRY(IsamTree(file, k).Find(entry.key, &entry.pointer, at, found));
    places.push_back(at);
  }
  for (int k = 1; k <= s->number_of_keys; ++k) {
    ISAM_TRY(IsamTree(file, k).Remove(places[static_cast<std::size_t>(k - 1)]));
  }
  IsamHeader& header = file.MutableHeaderA();
  if (header.record_count > 0) --header.record_count;
  return file.Store();
}

IsamStatus RecordManager::DbFlush(int slot) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  return s->storage->Flush() || s->read_only ? IsamStatus::kOk : IsamStatus::kIoError;
}

// Another program may have changed the file since the last call; a caller that locks before
// a multi-step operation expects to work on the file as it now is, so the nodes kept in
// memory are dropped.
IsamStatus RecordManager::DbLock(int slot, int) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  s->storage->Refresh();
  return IsamStatus::kOk;
}

IsamStatus RecordManager::DbUnLock(int slot, int) {
  Slot* s = nullptr;
  return Acquire(slot, s);
}

IsamStatus RecordManager::GetMatch(int slot, int key_number, IsamEntry& entry,
                                   std::uint32_t& node_position, int& entry_slot) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  if (key_number < 1 || key_number > s->number_of_keys) return IsamStatus::kBadArgument;
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  IsamCursor at;
  IsamEntry found;
  const std::uint32_t* pointer = key_number == 2 ? &entry.pointer : nullptr;
  ISAM_TRY(IsamTree(file, key_number).Find(entry.key, pointer, at, found));
  entry = found;
  node_position = at.node;
  entry_slot = at.slot;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::GetEqual(int slot, IsamEntry& entry) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  IsamEntry found = entry;
  std::uint32_t node = 0;
  int entry_slot = 0;
  ISAM_TRY(GetMatch(slot, s->current_key, found, node, entry_slot));
  s->cursor = IsamCursor{node, entry_slot};
  entry = found;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::rStart(int slot, IsamEntry& entry) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  if (file.HeaderA().record_count == 0) return IsamStatus::kNotFound;
  IsamCursor at;
  IsamEntry found;
  ISAM_TRY(IsamTree(file, s->current_key).LowerBound(entry.key, at, found));
  s->cursor = at;
  entry = found;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::GetFirst(int slot, IsamEntry& entry) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  if (file.HeaderA().record_count == 0) return IsamStatus::kNotFound;
  IsamCursor at;
  ISAM_TRY(IsamTree(file, s->current_key).First(at, entry));
  s->cursor = at;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::GetLast(int slot, IsamEntry& entry) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  if (file.HeaderA().record_count == 0) return IsamStatus::kNotFound;
  IsamCursor at;
  ISAM_TRY(IsamTree(file, s->current_key).Last(at, entry));
  s->cursor = at;
  return IsamStatus::kOk;
}

namespace {

// The file may have changed under the cursor (an insertion shifts a leaf's entries, a
// deletion frees leaves): when the cursor no longer stands on the entry's key, the entry is
// found again before the cursor steps.
IsamStatus CursorOnEntry(IndexFile& file, IsamTree& tree, int key_number, const IsamEntry& entry,
                         IsamCursor& cursor) {
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
  return IsamStatus::kOk;
}

}  // namespace

IsamStatus RecordManager::GetNext(int slot, IsamEntry& entry) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  if (s->cursor.node == 0) return IsamStatus::kNotFound;
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  IsamTree tree(file, s->current_key);
  ISAM_TRY(CursorOnEntry(file, tree, s->current_key, entry, s->cursor));
  IsamCursor at = s->cursor;
  ISAM_TRY(tree.Next(at, entry));
  s->cursor = at;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::GetPrev(int slot, IsamEntry& entry) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  if (s->cursor.node == 0) return IsamStatus::kNotFound;
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  IsamTree tree(file, s->current_key);
  ISAM_TRY(CursorOnEntry(file, tree, s->current_key, entry, s->cursor));
  IsamCursor at = s->cursor;
  ISAM_TRY(tree.Prev(at, entry));
  s->cursor = at;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::Search(int slot, IsamEntry& entry, int& selector) {
  Slot* s = nullptr;
  const int asked = selector;
  selector = 1;
  ISAM_TRY(Acquire(slot, s));
  const int key_number = asked == kSearchKey4Selector && s->number_of_keys >= 4 ? 4 : 1;
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
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
}

IsamStatus RecordManager::GetRecords(int slot, std::uint32_t& count) {
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  count = file.HeaderA().record_count;
  return IsamStatus::kOk;
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
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  value = file.HeaderA().stack;
  return IsamStatus::kOk;
}

IsamStatus RecordManager::PutStack(int slot, std::uint32_t value) {
  Slot* s = nullptr;
  ISAM_TRY(AcquireWritable(slot, s));
  IndexFile file(*s->storage);
  ISAM_TRY(file.Load());
  file.MutableHeaderA().stack = value;
  return file.Store();
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
  Slot* s = nullptr;
  ISAM_TRY(Acquire(slot, s));
  if (key_number < 1 || key_number > s->number_of_keys) return IsamStatus::kBadArgument;
  s->current_key = key_number;
  s->cursor = IsamCursor{node_position, entry_slot};
  if (node_position == 0) return IsamStatus::kNotFound;
  IndexFile file(*s->storage);
  IsamNode leaf;
  ISAM_TRY(file.ReadNode(node_position, leaf));
  if (leaf.leaf != 1) return IsamStatus::kCorrupt;
  if (entry_slot < leaf.FirstUsed() || entry_slot > kIsamSlotsPerNode ||
      IsamTree::IsSentinel(leaf, entry_slot)) {
    return IsamStatus::kNotFound;
  }
  entry = leaf.Slot(entry_slot);
  return IsamStatus::kOk;
}

}  // namespace tallyscan
