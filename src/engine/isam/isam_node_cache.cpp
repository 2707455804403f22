#include "engine/isam/isam_node_cache.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "engine/isam/isam_format.h"

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
    bool dirty = false;       // changed here and not yet in the file (write-back mode only)
    bool referenced = false;  // used since the clock hand last passed
    // Left unset until filled: a chunk of blocks is then only memory the system has
    // promised, and takes room as its blocks are used.
    std::array<std::uint8_t, kIsamNodeSize> bytes;
  };
  // Blocks live in chunks that never move, so a block's address holds while others come. A
  // cache for a whole file in bulk mode takes its memory in chunks of 2 MB pages: a million
  // records fill some 300,000 blocks, and the system would otherwise stop for each 4 KB.
  static constexpr std::size_t kBigCache = std::size_t{1} << 16;
  static constexpr std::size_t kPageBytes = std::size_t{2} << 20;
  struct FreeChunk {
    void operator()(Block* chunk) const { std::free(chunk); }
  };
  using Chunk = std::unique_ptr<Block[], FreeChunk>;

  explicit State(std::size_t blocks)
      : capacity(std::max<std::size_t>(blocks, 1)), chunk_shift(capacity >= kBigCache ? 12 : 6) {}

  Block& At(std::uint32_t index) {
    return chunks[index >> chunk_shift][index & ((std::uint32_t{1} << chunk_shift) - 1)];
  }

  // Blocks left unset (see Block): only memory the system has promised until used. Null when
  // the system has no memory to give: the call that needed the block then fails.
  Chunk NewChunk() const {
    const std::size_t bytes = (std::size_t{1} << chunk_shift) * sizeof(Block);
    const bool big = bytes >= kPageBytes / 2;
    const std::size_t rounded = big ? (bytes + kPageBytes - 1) / kPageBytes * kPageBytes : bytes;
    void* memory = std::aligned_alloc(big ? kPageBytes : alignof(Block), rounded);
    if (memory == nullptr) return nullptr;
#if defined(MADV_HUGEPAGE)
    if (big) ::madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    return Chunk(new (memory) Block[std::size_t{1} << chunk_shift]);
  }

  // The block when held. A block is found by its number in a table as long as the file has
  // blocks, since the numbers are dense: every descent asks for a dozen, and hashing or
  // reordering a list on each would cost more than the rest of the call.
  Block* Find(std::uint64_t number) {
    if (number >= where.size() || where[number] == 0) return nullptr;
    Block& block = At(where[number] - 1);
    block.referenced = true;
    return &block;
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

  // A block to fill for the number: a free one, a new one while there is room, or else the
  // first one the clock hand finds unused since it last passed (a held-back one is written
  // first). Null when that write failed, or memory for a new one could not be had.
  Block* Take(IsamStorage& file, std::uint64_t number) {
    std::uint32_t index = 0;
    if (!free.empty()) {
      index = free.back();
      free.pop_back();
    } else if (count < capacity) {
      if ((count >> chunk_shift) == chunks.size()) {
        Chunk chunk = NewChunk();
        if (chunk == nullptr) return nullptr;
        chunks.push_back(std::move(chunk));
      }
      index = static_cast<std::uint32_t>(count++);
    } else {
      for (;; hand = (hand + 1) % count) {
        Block& candidate = At(static_cast<std::uint32_t>(hand));
        if (!candidate.referenced) break;
        candidate.referenced = false;
      }
      index = static_cast<std::uint32_t>(hand);
      hand = (hand + 1) % count;
      Block& victim = At(index);
      if (victim.dirty) {
        if (!WriteOut(file, victim)) return nullptr;
        victim.dirty = false;
        --dirty_count;
      }
      where[victim.number] = 0;
    }
    if (number >= where.size()) where.resize(std::max<std::size_t>(number + 1, where.size() * 2));
    where[number] = index + 1;
    Block& block = At(index);
    block.number = number;
    block.dirty = false;
    block.referenced = true;
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
    if (number >= where.size() || where[number] == 0) return;
    const std::uint32_t index = where[number] - 1;
    Block& block = At(index);
    if (block.dirty) --dirty_count;
    block.dirty = false;
    // A free block is never the clock's victim: it is taken from the free list first.
    block.referenced = true;
    where[number] = 0;
    free.push_back(index);
  }

  bool KnowSize(IsamStorage& file) {
    if (!size_known) size_known = file.Size(size);
    return size_known;
  }

  // In file order (the table of numbers is sorted), with neighbouring blocks joined into one
  // write: a file written out at closing is mostly one run.
  bool WriteBackAll(IsamStorage& file) {
    constexpr std::size_t kRunBlocks = 256;
    std::vector<std::uint8_t> run;
    std::vector<Block*> in_run;
    std::uint64_t run_start = 0;
    auto write_run = [&] {
      if (in_run.empty()) return true;
      if (!file.WriteAt(run_start, run)) return false;
      for (Block* block : in_run) block->dirty = false;
      dirty_count -= in_run.size();
      run.clear();
      in_run.clear();
      return true;
    };
    for (std::uint64_t number = 0; number < where.size() && dirty_count > in_run.size(); ++number) {
      Block* block = where[number] == 0 ? nullptr : &At(where[number] - 1);
      if (block == nullptr || !block->dirty) {
        if (!write_run()) return false;
        continue;
      }
      const std::uint64_t start = BlockStart(number);
      if (in_run.empty()) run_start = start;
      const std::uint64_t length = std::min(BlockLength(number), size - start);
      run.insert(run.end(), block->bytes.begin(),
                 block->bytes.begin() + static_cast<std::ptrdiff_t>(length));
      in_run.push_back(block);
      if (in_run.size() == kRunBlocks && !write_run()) return false;
    }
    return write_run();
  }

  void ForgetAll(bool keep_dirty) {
    for (std::uint32_t index = 0; index < count; ++index) {
      const Block& block = At(index);
      const bool held = block.number < where.size() && where[block.number] == index + 1;
      if (held && !(keep_dirty && block.dirty)) Forget(block.number);
    }
  }

  bool WriteThrough(IsamStorage& file, std::uint64_t offset, std::span<const std::uint8_t> bytes);
  bool WriteHere(IsamStorage& file, std::uint64_t offset, std::span<const std::uint8_t> bytes);

  std::mutex mutex;
  const std::size_t capacity;
  const int chunk_shift;  // a chunk holds 2^chunk_shift blocks
  std::vector<Chunk> chunks;
  std::size_t count = 0;             // blocks made so far, up to capacity
  std::vector<std::uint32_t> where;  // block number -> index + 1, 0 when not held
  std::vector<std::uint32_t> free;   // indexes of blocks forgotten
  std::size_t hand = 0;
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
    // Nothing is held back in this mode, so only a lack of memory can refuse the block; the
    // file has the bytes all the same.
    if (block == nullptr) block = Take(file, number);
    if (block == nullptr) continue;
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
  s.ForgetAll(true);
  if (s.dirty_count == 0) s.size_known = false;
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
