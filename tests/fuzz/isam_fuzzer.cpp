// Opens an index file made of the fuzzer's input and drives the record manager over it with
// calls also taken from the input. Input: one byte of options (bit 0 bulk mode, bits 1-3 the
// number of keys of a new file), a 32-bit little-endian length, that many bytes of file (none:
// a new file), then the calls, one opcode byte and its operands each.
//
// Any input must end without a crash, a hang or a sanitizer report. A file that is sound to
// begin with (or new) must stay sound whatever the calls: no call may call it damaged or fail
// to read or write it, its record count follows the inserts and deletes that succeeded, and
// the file's check finds nothing at the end.
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/isam/isam.h"

namespace {

using tallyscan::IsamEntry;
using tallyscan::IsamStatus;

constexpr int kSlot = 7;

// Removes every file of the folder: the index file and the side files a run left.
void EmptyFolder(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) std::abort();
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ::unlink((folder + "/" + entry->d_name).c_str());
  }
  ::closedir(dir);
}

// In memory when the system offers it: the file is rewritten for every input. Removed when
// the fuzzer exits.
std::string MakeFolder() {
  static std::string made;
  std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/tallyscan-isam-fuzz-XXXXXX"
                                                        : "/tmp/tallyscan-isam-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  made = pattern;
  std::atexit([] {
    EmptyFolder(made);
    ::rmdir(made.c_str());
  });
  return made;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

bool IsSound(const std::string& path) {
  int error_number = 0;
  auto storage = tallyscan::OpenIsamStorageForReading(path, error_number);
  if (storage == nullptr) return false;
  tallyscan::IsamFileReport report;
  return tallyscan::InspectIndexFile(*storage, report) == IsamStatus::kOk &&
         report.problems.empty();
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Word() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    return value;
  }
  std::string_view Bytes(std::size_t n) {
    n = std::min(n, size_ - std::min(at_, size_));
    const std::string_view out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Keys from a few values, so that calls meet the keys of earlier ones and runs of equal keys
// grow past a leaf.
tallyscan::IsamKey KeyOf(std::uint8_t value) {
  tallyscan::IsamKey key;
  key.fill(' ');
  const std::string text = "K" + std::to_string(value % 61);
  std::memcpy(key.data() + key.size() - text.size(), text.data(), text.size());
  return key;
}

using Block = std::array<std::uint8_t, tallyscan::kIsamKeyBlockSize>;

Block BlockOf(Input& in) {
  Block block;
  block.fill(' ');
  for (int k = 0; k < tallyscan::kIsamMaxKeys; ++k) {
    const tallyscan::IsamKey key = KeyOf(in.Byte());
    std::memcpy(block.data() + k * tallyscan::kIsamKeyLength, key.data(), key.size());
  }
  block[tallyscan::kIsamKeyBlockFlagAt] = in.Byte() % 3;
  block[tallyscan::kIsamKeyBlockPointerAt] = in.Byte();
  for (std::size_t i = 1; i < 4; ++i) block[tallyscan::kIsamKeyBlockPointerAt + i] = 0;
  return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = MakeFolder();
  const std::string path = folder + "/FUZZ.IDX";
  EmptyFolder(folder);
  Input in(data, size);
  const std::uint8_t options = in.Byte();
  const auto mode =
      (options & 1) != 0 ? tallyscan::IsamOpenMode::kBulk : tallyscan::IsamOpenMode::kShared;
  const int new_keys = 1 + (options >> 1) % tallyscan::kIsamMaxKeys;
  const std::string_view image = in.Bytes(in.Word());
  WriteFile(path, image);
  const bool sound = image.empty() || IsSound(path);

  tallyscan::PosixIsamOptions file_options;
  file_options.cache_nodes = 4;  // small, so that nodes come and go between calls
  file_options.bulk_cache_nodes = 4;
  file_options.lock_wait = std::chrono::milliseconds(10);
  tallyscan::PosixIsamFileSystem files(file_options);
  tallyscan::RecordManager manager(files, nullptr);
  if (manager.OpenDb(path, kSlot, new_keys, mode) != IsamStatus::kOk) {
    if (sound && image.empty()) std::abort();
    return 0;
  }
  std::uint32_t initial = 0;
  if (manager.GetRecords(kSlot, initial) != IsamStatus::kOk) {
    if (sound) std::abort();
    return 0;
  }
  std::vector<Block> inserted;  // what this run inserted and has not deleted
  IsamEntry entry;
  int saved_key = 1;
  std::uint32_t saved_node = 0;
  int saved_slot = 0;
  auto expect = [&](IsamStatus status) {
    if (sound && (status == IsamStatus::kCorrupt || status == IsamStatus::kIoError)) std::abort();
  };
  while (!in.Empty()) {
    const std::uint8_t op = in.Byte();
    switch (op % 18) {
      case 0:
      case 1: {
        const Block block = BlockOf(in);
        const IsamStatus s = manager.DbInsert(kSlot, block);
        expect(s);
        if (s == IsamStatus::kOk) inserted.push_back(block);
        break;
      }
      case 2: {
        if (inserted.empty()) break;
        const std::size_t victim = in.Byte() % inserted.size();
        const IsamStatus s = manager.DbDelete(kSlot, inserted[victim]);
        expect(s);
        if (sound && s != IsamStatus::kOk) std::abort();  // it was inserted: it is there
        if (s == IsamStatus::kOk) inserted.erase(inserted.begin() + static_cast<long>(victim));
        break;
      }
      case 3: {
        if (inserted.empty()) break;
        const std::size_t victim = in.Byte() % inserted.size();
        Block changed = BlockOf(in);
        std::memcpy(changed.data() + tallyscan::kIsamKeyBlockPointerAt,
                    inserted[victim].data() + tallyscan::kIsamKeyBlockPointerAt, 4);
        const IsamStatus s = manager.DbUpdate(kSlot, changed, inserted[victim]);
        expect(s);
        if (sound && s != IsamStatus::kOk) std::abort();
        if (s == IsamStatus::kOk) inserted[victim] = changed;
        break;
      }
      case 4:
        entry.key = KeyOf(in.Byte());
        entry.pointer = in.Byte();
        expect(manager.GetEqual(kSlot, entry));
        break;
      case 5:
        expect(manager.GetFirst(kSlot, entry));
        break;
      case 6:
        expect(manager.GetLast(kSlot, entry));
        break;
      case 7:
        expect(manager.GetNext(kSlot, entry));
        break;
      case 8:
        expect(manager.GetPrev(kSlot, entry));
        break;
      case 9:
        entry.key = KeyOf(in.Byte());
        expect(manager.rStart(kSlot, entry));
        break;
      case 10: {
        IsamEntry wanted{KeyOf(in.Byte()), 0, in.Byte()};
        std::uint32_t node = 0;
        int slot = 0;
        expect(manager.GetMatch(kSlot, 1 + in.Byte() % 7, wanted, node, slot));
        break;
      }
      case 11: {
        IsamEntry wanted{KeyOf(in.Byte()), 0, 0};
        int selector = in.Byte() % 2 == 0 ? -99 : 0;
        expect(manager.Search(kSlot, wanted, selector));
        break;
      }
      case 12:
        expect(manager.SetKey(kSlot, in.Byte() % 8));
        break;
      case 13: {
        std::uint32_t value = 0;
        expect(manager.PutStack(kSlot, in.Word()));
        expect(manager.GetStack(kSlot, value));
        break;
      }
      case 14:
        if (in.Byte() % 2 == 0) {
          expect(manager.SaveFileStatus(kSlot, saved_key, saved_node, saved_slot));
        } else {
          // A place from the input may be anything: only damage it may not cause.
          const std::uint32_t node = in.Byte() % 2 == 0 ? saved_node : in.Word();
          const IsamStatus s =
              manager.RestFileStatus(kSlot, saved_key, node, in.Byte() % 22, entry);
          if (s == IsamStatus::kIoError && sound) std::abort();
        }
        break;
      case 15:
        expect(in.Byte() % 2 == 0 ? manager.DbLock(kSlot, 0) : manager.DbUnLock(kSlot, 0));
        break;
      case 16:
        expect(manager.DbFlush(kSlot));
        break;
      case 17:
        expect(manager.CloseDb(kSlot));
        if (manager.OpenDb(path, kSlot, new_keys, mode) != IsamStatus::kOk) {
          if (sound) std::abort();
          return 0;
        }
        break;
    }
  }
  std::uint32_t records = 0;
  expect(manager.GetRecords(kSlot, records));
  expect(manager.CloseDb(kSlot));
  if (sound) {
    if (records != initial + inserted.size()) std::abort();
    if (!IsSound(path)) std::abort();
  }
  return 0;
}
