#include "engine/transfer/isam_node_cache.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/transfer/isam_format.h"

namespace tallyscan {
namespace {

// Blocks follow the file's own layout, so that a node read or written is one block: block 0
// is the eight leading bytes and both headers, block n >= 1 the node at position
// 61 + (n - 1) * 456. A read at a position the layout does not expect (a damaged link) spans
// two blocks and is still served correctly.
constexpr std::uint64_t kHeaderBlockSize = IsamPositionToOffset(kIsamFirstNodePosition);

std::uint64_t BlockOf(std::uint64_t offset) {
  return offset < kHeaderBlockSize ? 0 : 1 + (offset - kHeaderBlockSize) / kIsamNodeSize;
}

std::uint64_t BlockStart(std::uint64_t block) {
  return block == 0 ? 0 : kHeaderBlockSize + (block - 1) * kIsamNodeSize;
}

std::uint64_t BlockLength(std::uint64_t block) {
  return block == 0 ? kHeaderBlockSize : kIsamNodeSize;
}

}  // namespace

struct IsamNodeCache::State {
  struct Block {
    std::uint64_t number = 0;
    bool dirty = false;  // changed here and not yet in the file (write-back mode only)
    std::array<std::uint8_t, kIsamNodeSize> bytes{};
  };

  explicit State(std::size_t blocks) : capacity(std::max<std::size_t>(blocks, 1)) {
    where.reserve(std::min<std::size_t>(capacity, 1 << 16));
  }

  // The block when held, moved to the front of the recency order.
  Block* Find(std::uint64_t number) {
    const auto it = where.find(number);
    if (it == where.end()) return nullptr;
    // The headers and the roots are asked for by every call: most hits are already in front.
    if (it->second != order.begin()) order.splice(order.begin(), order, it->second);
    return &*it->second;
  }

  // The block's bytes as far as the file has them; the rest reads as the zeros a gap in the
  // file holds (the size keeps them from being handed out as the file's).
  bool Fill(IsamStorage& file, Block& block) {
    const std::span<std::uint8_t> into(block.bytes.data(), BlockLength(block.number));
    const std::int64_t n = file.ReadAt(BlockStart(block.number), into);
    if (n < 0) return false;
    std::fill(into.begin() + n, into.end(), std::uint8_t{0});
    return true;
  }

  bool WriteOut(IsamStorage& file, const Block& block) {
    const std::uint64_t start = BlockStart(block.number);
    const std::uint64_t length = std::min(BlockLength(block.number), size - start);
    return file.WriteAt(start, std::span<const std::uint8_t>(block.bytes.data(), length));
  }

  // A block to fill for the number, at the front; when the cache is full the least recently
  // used one is taken over, so a full cache allocates nothing. Null when that one had to be
  // written back and the file refused it.
  Block* Take(IsamStorage& file, std::uint64_t number) {
    if (order.size() >= capacity) {
      Block& last = order.back();
      if (last.dirty) {
        if (!WriteOut(file, last)) return nullptr;
        last.dirty = false;
        --dirty_count;
      }
      order.splice(order.begin(), order, std::prev(order.end()));
      where.erase(order.front().number);
    } else {
      order.emplace_front();
    }
    Block& block = order.front();
    block.number = number;
    block.dirty = false;
    where[number] = order.begin();
    return &block;
  }

  // The block read from the file when not held; null on a failed read or write-back.
  Block* Load(IsamStorage& file, std::uint64_t number) {
    if (Block* held = Find(number)) return held;
    Block* block = Take(file, number);
    if (block == nullptr) return nullptr;
    if (!Fill(file, *block)) {
      Forget(number);
      return nullptr;
    }
    return block;
  }

  void Forget(std::uint64_t number) {
    const auto it = where.find(number);
    if (it == where.end()) return;
    if (it->second->dirty) --dirty_count;
    order.erase(it->second);
    where.erase(it);
  }

  bool KnowSize(IsamStorage& file) {
    if (!size_known) size_known = file.Size(size);
    return size_known;
  }

  bool WriteBackAll(IsamStorage& file) {
    std::vector<Block*> dirty;
    dirty.reserve(dirty_count);
    for (Block& block : order) {
      if (block.dirty) dirty.push_back(&block);
    }
    std::sort(dirty.begin(), dirty.end(),
              [](const Block* a, const Block* b) { return a->number < b->number; });
    for (Block* block : dirty) {
      if (!WriteOut(file, *block)) return false;
      block->dirty = false;
      --dirty_count;
    }
    return true;
  }

  bool WriteThrough(IsamStorage& file, std::uint64_t offset, std::span<const std::uint8_t> bytes);
  bool WriteHere(IsamStorage& file, std::uint64_t offset, std::span<const std::uint8_t> bytes);

  std::mutex mutex;
  const std::size_t capacity;
  std::list<Block> order;  // most recently used first
  std::unordered_map<std::uint64_t, std::list<Block>::iterator> where;
  // The file's length, kept as the writes extend it, so that allocating a node or bounding a
  // walk asks the system nothing. In write-back mode it counts the blocks not yet written.
  std::uint64_t size = 0;
  bool size_known = false;
  bool write_back = false;
  std::size_t dirty_count = 0;
};

bool IsamNodeCache::State::WriteThrough(IsamStorage& file, std::uint64_t offset,
                                        std::span<const std::uint8_t> bytes) {
  const std::uint64_t end = offset + bytes.size();
  const bool written = file.WriteAt(offset, bytes);
  for (std::uint64_t number = BlockOf(offset); number <= BlockOf(end - 1); ++number) {
    const std::uint64_t start = BlockStart(number);
    const std::uint64_t length = BlockLength(number);
    if (!written) {
      Forget(number);
      continue;
    }
    Block* block = Find(number);
    const bool whole = offset <= start && end >= start + length;
    // A block only partly written is left to be read when wanted: filling the rest here
    // would cost the read the cache is there to save.
    if (block == nullptr && !whole) continue;
    if (block == nullptr) block = Take(file, number);  // nothing is dirty: cannot fail
    const std::uint64_t from = std::max(offset, start);
    const std::uint64_t to = std::min(end, start + length);
    std::memcpy(block->bytes.data() + (from - start), bytes.data() + (from - offset), to - from);
  }
  if (!written) {
    // The file may have grown by part of the write: ask it again when next needed.
    size_known = false;
    return false;
  }
  if (size_known) size = std::max(size, end);
  return true;
}

bool IsamNodeCache::State::WriteHere(IsamStorage& file, std::uint64_t offset,
                                     std::span<const std::uint8_t> bytes) {
  if (!KnowSize(file)) return false;
  const std::uint64_t end = offset + bytes.size();
  for (std::uint64_t number = BlockOf(offset); number <= BlockOf(end - 1); ++number) {
    const std::uint64_t start = BlockStart(number);
    const std::uint64_t length = BlockLength(number);
    const bool whole = offset <= start && end >= start + length;
    Block* block = nullptr;
    if (whole) {
      block = Find(number);
      if (block == nullptr) block = Take(file, number);
    } else {
      block = Load(file, number);
    }
    if (block == nullptr) return false;
    const std::uint64_t from = std::max(offset, start);
    const std::uint64_t to = std::min(end, start + length);
    std::memcpy(block->bytes.data() + (from - start), bytes.data() + (from - offset), to - from);
    if (!block->dirty) {
      block->dirty = true;
      ++dirty_count;
    }
    size = std::max(size, end);
  }
  return true;
}

IsamNodeCache::IsamNodeCache(std::size_t capacity) : state_(std::make_unique<State>(capacity)) {}

IsamNodeCache::~IsamNodeCache() = default;

std::int64_t IsamNodeCache::ReadAt(IsamStorage& file, std::uint64_t offset,
                                   std::span<std::uint8_t> bytes) {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  if (!s.KnowSize(file)) return -1;
  if (offset >= s.size) return 0;
  const std::uint64_t wanted = std::min<std::uint64_t>(bytes.size(), s.size - offset);
  std::uint64_t done = 0;
  while (done < wanted) {
    const std::uint64_t at = offset + done;
    const std::uint64_t number = BlockOf(at);
    const std::uint64_t start = BlockStart(number);
    const State::Block* block = s.Load(file, number);
    if (block == nullptr) return -1;
    const std::uint64_t take = std::min(wanted - done, start + BlockLength(number) - at);
    std::memcpy(bytes.data() + done, block->bytes.data() + (at - start), take);
    done += take;
  }
  return static_cast<std::int64_t>(wanted);
}

bool IsamNodeCache::WriteAt(IsamStorage& file, std::uint64_t offset,
                            std::span<const std::uint8_t> bytes) {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  if (bytes.empty()) return file.WriteAt(offset, bytes);
  return s.write_back ? s.WriteHere(file, offset, bytes) : s.WriteThrough(file, offset, bytes);
}

bool IsamNodeCache::Size(IsamStorage& file, std::uint64_t& size) {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  if (!s.KnowSize(file)) return false;
  size = s.size;
  return true;
}

bool IsamNodeCache::SetWriteBack(IsamStorage& file, bool write_back) {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  if (!write_back && !s.WriteBackAll(file)) return false;
  s.write_back = write_back;
  return true;
}

bool IsamNodeCache::WriteBack(IsamStorage& file) {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  return s.WriteBackAll(file);
}

void IsamNodeCache::Clear() {
  State& s = *state_;
  const std::lock_guard lock(s.mutex);
  if (s.dirty_count > 0) {
    for (auto it = s.order.begin(); it != s.order.end();) {
      const auto next = std::next(it);
      if (!it->dirty) {
        s.where.erase(it->number);
        s.order.erase(it);
      }
      it = next;
    }
    return;
  }
  s.order.clear();
  s.where.clear();
  s.size_known = false;
}

namespace {

class CachedStorage final : public IsamStorage {
 public:
  CachedStorage(std::unique_ptr<IsamStorage> file, std::shared_ptr<IsamNodeCache> cache)
      : file_(std::move(file)), cache_(std::move(cache)) {}

  std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
    return cache_->ReadAt(*file_, offset, bytes);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    return cache_->WriteAt(*file_, offset, bytes);
  }
  bool Size(std::uint64_t& size) override { return cache_->Size(*file_, size); }
  bool Flush() override { return cache_->WriteBack(*file_) && file_->Flush(); }
  void Refresh() override { cache_->Clear(); }
  IsamStatus Lock(IsamLockMode mode) override { return file_->Lock(mode); }
  void Unlock() override { file_->Unlock(); }
  bool LeftUnfinished() override { return file_->LeftUnfinished(); }
  void ForgetUnfinished() override { file_->ForgetUnfinished(); }
  IsamStatus MarkWriting() override { return file_->MarkWriting(); }
  void KeepMark() override { file_->KeepMark(); }

 private:
  std::unique_ptr<IsamStorage> file_;
  std::shared_ptr<IsamNodeCache> cache_;
};

}  // namespace

std::unique_ptr<IsamStorage> MakeCachedIsamStorage(std::unique_ptr<IsamStorage> file,
                                                   std::shared_ptr<IsamNodeCache> cache) {
  return std::make_unique<CachedStorage>(std::move(file), std::move(cache));
}

}  // namespace tallyscan
