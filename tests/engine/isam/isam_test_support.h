#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/isam/isam.h"

namespace tallyscan::isam_test {

// An index file in memory that can be told to fail its writes and that counts its reads.
// Its side file is a flag: set by a writer, cleared when the writer's storage goes unless a
// change stopped half-way; a writer that never goes is a writer killed.
struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  int writes_left = -1;  // -1: never fail
  bool count_reads = true;
  std::multiset<std::uint64_t> read_offsets;
  bool marked = false;  // the side file is there
  int writers = 0;      // storages alive that marked it
};

class MemoryStorage final : public IsamStorage {
 public:
  explicit MemoryStorage(std::shared_ptr<MemoryFile> file) : file_(std::move(file)) {}
  ~MemoryStorage() override {
    if (!marking_) return;
    --file_->writers;
    if (!keep_mark_ && file_->writers == 0) file_->marked = false;
  }
  std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (file_->count_reads) file_->read_offsets.insert(offset);
    if (offset >= file_->bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(out.size(), file_->bytes.size() - offset);
    std::memcpy(out.data(), file_->bytes.data() + offset, n);
    return static_cast<std::int64_t>(n);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override {
    if (file_->writes_left == 0) return false;
    if (file_->writes_left > 0) --file_->writes_left;
    if (file_->bytes.size() < offset + in.size()) file_->bytes.resize(offset + in.size());
    std::memcpy(file_->bytes.data() + offset, in.data(), in.size());
    return true;
  }
  bool Size(std::uint64_t& size) override {
    size = file_->bytes.size();
    return true;
  }
  bool Flush() override { return true; }
  bool LeftUnfinished() override { return file_->marked && file_->writers == 0; }
  void ForgetUnfinished() override { file_->marked = false; }
  IsamStatus MarkWriting() override {
    if (!marking_) ++file_->writers;
    marking_ = file_->marked = true;
    return IsamStatus::kOk;
  }
  void KeepMark() override { keep_mark_ = true; }

 private:
  std::shared_ptr<MemoryFile> file_;
  bool marking_ = false;
  bool keep_mark_ = false;
};

class MemoryFileSystem final : public IsamFileSystem {
 public:
  IsamOpenResult Open(const std::string& name, IsamOpenMode = IsamOpenMode::kShared) override {
    IsamOpenResult result;
    if (name.empty()) {
      result.error_number = 2;
      return result;
    }
    auto& file = files[name];
    if (!file) file = std::make_shared<MemoryFile>();
    result.storage = std::make_unique<MemoryStorage>(file);
    return result;
  }
  std::map<std::string, std::shared_ptr<MemoryFile>> files;
};

// A key as the transfer builds them: the text right-aligned in 17 characters.
inline IsamKey Key(const std::string& text) {
  IsamKey key;
  key.fill(' ');
  const std::size_t n = std::min(text.size(), key.size());
  std::memcpy(key.data() + key.size() - n, text.data() + text.size() - n, n);
  return key;
}

inline IsamKey Key(long number) { return Key(std::to_string(number)); }

inline std::string Text(const IsamKey& key) { return std::string(key.begin(), key.end()); }

struct Block {
  std::array<std::uint8_t, kIsamKeyBlockSize> bytes{};
  Block(std::vector<IsamKey> keys, std::uint32_t pointer, std::uint8_t flag = 0) {
    bytes.fill(' ');
    for (std::size_t k = 0; k < keys.size(); ++k) {
      std::memcpy(bytes.data() + k * kIsamKeyLength, keys[k].data(), kIsamKeyLength);
    }
    bytes[kIsamKeyBlockFlagAt] = flag;
    for (int i = 0; i < 4; ++i) {
      bytes[kIsamKeyBlockPointerAt + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(pointer >> (8 * i));
    }
  }
  operator IsamKeyBlock() const { return IsamKeyBlock(bytes); }
};

inline IsamEntry Wanted(const IsamKey& key, std::uint32_t pointer = 0) {
  return IsamEntry{key, 0, pointer};
}

// A file name in the test's temporary folder, removed first.
inline std::string TempIndex(const std::string& name) {
  const std::string path = ::testing::TempDir() + "tallyscan_" + name + ".ndx";
  std::remove(path.c_str());
  return path;
}

}  // namespace tallyscan::isam_test
