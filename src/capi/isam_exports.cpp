// The record manager behind its exported names.
#include <span>
#include <string>

#include "engine/isam/isam.h"
#include "library_messages.h"
#include "tallyscan.h"

namespace tallyscan {
namespace {

// The library's one table of open index files. The exported functions take no handle, so
// the slots must outlive each call: this is the C interface's process state, kept here and
// nowhere in the engine.
struct LibraryState {
  PosixIsamFileSystem files;
  // A lambda, not the function itself: the type of a plain function pointer would give the
  // library's interface a typeinfo symbol of the standard library's.
  RecordManager manager{files, [](const std::string& text) { LibraryMessage(text); }};
};

LibraryState& State() {
  static LibraryState state;
  return state;
}

RecordManager& Manager() { return State().manager; }

int32_t Code(IsamStatus status) { return static_cast<int32_t>(status); }

IsamKeyBlock BlockAt(const uint8_t* bytes) { return IsamKeyBlock(bytes, kIsamKeyBlockSize); }

std::span<uint8_t, kIsamEntrySize> EntryAt(uint8_t* bytes) {
  return std::span<uint8_t, kIsamEntrySize>(bytes, kIsamEntrySize);
}

// Runs a cursor call on the entry buffer: decoded in, encoded back only on success.
template <typename Call>
int32_t WithEntry(uint8_t* entry, Call call) {
  if (entry == nullptr) return Code(IsamStatus::kBadArgument);
  IsamEntry decoded = DecodeEntry(EntryAt(entry));
  const IsamStatus status = call(decoded);
  if (status == IsamStatus::kOk) EncodeEntry(decoded, EntryAt(entry));
  return Code(status);
}

}  // namespace
}  // namespace tallyscan

using tallyscan::Code;
using tallyscan::IsamEntry;
using tallyscan::IsamStatus;
using tallyscan::Manager;

extern "C" {

int32_t OpenDb(const char* file_name, int32_t slot, int32_t number_of_keys) {
  if (file_name == nullptr) return Code(IsamStatus::kBadArgument);
  return Code(Manager().OpenDb(file_name, slot, number_of_keys));
}

int32_t CloseDb(int32_t slot) { return Code(Manager().CloseDb(slot)); }

int32_t DbInsert(int32_t slot, const uint8_t* key_block) {
  if (key_block == nullptr) return Code(IsamStatus::kBadArgument);
  return Code(Manager().DbInsert(slot, tallyscan::BlockAt(key_block)));
}

int32_t DbUpdate(int32_t slot, const uint8_t* new_key_block, const uint8_t* old_key_block) {
  if (new_key_block == nullptr || old_key_block == nullptr) return Code(IsamStatus::kBadArgument);
  return Code(Manager().DbUpdate(slot, tallyscan::BlockAt(new_key_block),
                                 tallyscan::BlockAt(old_key_block)));
}

int32_t DbDelete(int32_t slot, const uint8_t* key_block) {
  if (key_block == nullptr) return Code(IsamStatus::kBadArgument);
  return Code(Manager().DbDelete(slot, tallyscan::BlockAt(key_block)));
}

int32_t DbFlush(int32_t slot) { return Code(Manager().DbFlush(slot)); }
int32_t DbLock(int32_t slot, int32_t mode) { return Code(Manager().DbLock(slot, mode)); }
int32_t DbUnLock(int32_t slot, int32_t mode) { return Code(Manager().DbUnLock(slot, mode)); }

int32_t GetEqual(int32_t slot, uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) { return Manager().GetEqual(slot, e); });
}
int32_t GetFirst(int32_t slot, uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) { return Manager().GetFirst(slot, e); });
}
int32_t GetLast(int32_t slot, uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) { return Manager().GetLast(slot, e); });
}
int32_t GetNext(int32_t slot, uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) { return Manager().GetNext(slot, e); });
}
int32_t GetPrev(int32_t slot, uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) { return Manager().GetPrev(slot, e); });
}
int32_t rStart(int32_t slot, uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) { return Manager().rStart(slot, e); });
}

int32_t GetMatch(int32_t slot, int32_t key_number, uint8_t* entry, uint32_t* node_position,
                 int32_t* entry_slot) {
  if (node_position == nullptr || entry_slot == nullptr) return Code(IsamStatus::kBadArgument);
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) {
    int found_slot = 0;
    const IsamStatus s = Manager().GetMatch(slot, key_number, e, *node_position, found_slot);
    if (s == IsamStatus::kOk) *entry_slot = found_slot;
    return s;
  });
}

int32_t Search(int32_t slot, uint8_t* entry, int32_t* selector) {
  if (selector == nullptr) return Code(IsamStatus::kBadArgument);
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) {
    int value = *selector;
    const IsamStatus s = Manager().Search(slot, e, value);
    *selector = value;
    return s;
  });
}

int64_t GetRecords(int32_t slot) {
  uint32_t count = 0;
  const IsamStatus s = Manager().GetRecords(slot, count);
  return s == IsamStatus::kOk ? static_cast<int64_t>(count) : Code(s);
}

int32_t GetKey(int32_t slot) {
  int key = 0;
  const IsamStatus s = Manager().GetKey(slot, key);
  return s == IsamStatus::kOk ? key : Code(s);
}

int32_t SetKey(int32_t slot, int32_t key_number) {
  return Code(Manager().SetKey(slot, key_number));
}

int64_t GetStack(int32_t slot) {
  uint32_t value = 0;
  const IsamStatus s = Manager().GetStack(slot, value);
  return s == IsamStatus::kOk ? static_cast<int64_t>(value) : Code(s);
}

int32_t PutStack(int32_t slot, uint32_t value) { return Code(Manager().PutStack(slot, value)); }

int32_t SaveFileStatus(int32_t slot, int32_t* key_number, uint32_t* node_position,
                       int32_t* entry_slot) {
  if (key_number == nullptr || node_position == nullptr || entry_slot == nullptr) {
    return Code(IsamStatus::kBadArgument);
  }
  int key = 0;
  int at = 0;
  const IsamStatus s = Manager().SaveFileStatus(slot, key, *node_position, at);
  if (s == IsamStatus::kOk) {
    *key_number = key;
    *entry_slot = at;
  }
  return Code(s);
}

int32_t RestFileStatus(int32_t slot, int32_t key_number, uint32_t node_position, int32_t entry_slot,
                       uint8_t* entry) {
  return tallyscan::WithEntry(entry, [&](IsamEntry& e) {
    return Manager().RestFileStatus(slot, key_number, node_position, entry_slot, e);
  });
}

}  // extern "C"
