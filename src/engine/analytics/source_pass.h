#pragma once

// Private to analytics/.
//
// The one reading of the data file: from its first byte to its end, in file order, in large
// blocks through the store's own open handle (the file the import indexed). Lines are
// numbered as the import numbers them: LF ends a line, a CR just before the LF belongs to
// the line end, a lone CR stays in the line, a last line without LF still counts. The
// SHA-256 of the bytes is computed on a thread of its own while the lines are examined, so
// hashing costs no second reading and little time.

#include <openssl/evp.h>

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/common/progress.h"
#include "engine/common/status.h"

namespace tallyscan {

class RecordStore;

namespace analytics {

// SHA-256 of bytes given in order.
class Sha256 {
 public:
  Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  ~Sha256();
  void Add(const char* bytes, std::size_t count);
  std::string HexDigest();  // once, at the end

 private:
  EVP_MD_CTX* context_;
};

struct FileFacts {
  std::string name;  // as on disk, without the folder
  std::int64_t bytes = 0;
  std::string sha256;
};

// Reads a whole file for its size and digest; `first_line` (when given) receives its first
// line without the line end. Fails (kIoError) when the file cannot be read to its end.
Status DigestFile(const std::string& path, FileFacts& facts, std::string* first_line = nullptr);

// Hashes blocks handed to it, in order, on a thread of its own. A block must stay unchanged
// until Done(ticket) says it was hashed.
class BlockHasher {
 public:
  BlockHasher();
  BlockHasher(const BlockHasher&) = delete;
  BlockHasher& operator=(const BlockHasher&) = delete;
  // Stops the thread; what was not yet hashed is dropped.
  ~BlockHasher();

  // Queues a block; returns its ticket (0, 1, 2 ...).
  std::uint64_t Add(const char* bytes, std::size_t count);
  // Waits until the block of `ticket` and all before it were hashed.
  void WaitFor(std::uint64_t ticket);
  // Waits for every block and gives the digest.
  std::string Finish();

 private:
  void Work();

  Sha256 sha_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<const char*, std::size_t>> queue_;
  std::uint64_t queued_ = 0;
  std::uint64_t hashed_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

// The bytes a line keeps: every field of every layout lies well within them. A longer line
// is still one line; only its first bytes are looked at.
inline constexpr std::size_t kLineHeadBytes = 4096;

// The reading of the store's data file. Run() calls visit(number, head) for every line,
// `head` without its line end (the first kLineHeadBytes of a longer line) and valid only
// during the call; visit returns false when it needs no further line (Run then returns Ok,
// with no digest). The monitor is told the share of bytes read and asked once per line
// whether to stop: then Run returns kInterrupted at once. A file that cannot be read to
// the end it had when the reading began gives kIoError. During a visit, line_offset() is
// the offset of the line's first byte in the file (as the store's indexes keep it).
class DataPass {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  static constexpr std::size_t kSlots = 3;

  explicit DataPass(const RecordStore& store, bool hash = true);

  template <typename Visit>
  Status Run(ProgressMonitor& monitor, Visit&& visit);

  std::int64_t bytes() const { return bytes_; }
  const std::string& sha256() const { return sha256_; }
  std::int64_t line_offset() const { return line_offset_; }

 private:
  // Fills `slot` with the next block; its size, 0 at the end.
  std::size_t ReadBlock(std::size_t slot, std::int64_t offset);
  Status ReadFailed() const;

  const RecordStore& store_;
  bool hash_;
  std::int64_t size_ = -1;
  std::vector<std::unique_ptr<char[]>> slots_;
  std::int64_t bytes_ = 0;
  std::int64_t line_offset_ = 0;
  std::string sha256_;
};

template <typename Visit>
Status DataPass::Run(ProgressMonitor& monitor, Visit&& visit) {
  if (size_ < 0) return ReadFailed();
  std::unique_ptr<BlockHasher> hasher;
  if (hash_) hasher = std::make_unique<BlockHasher>();
  ProgressTracker progress(monitor, size_);
  std::string carry;               // the head of a line that runs on into the next block
  bool pending = false;            // bytes of an unfinished line were seen
  std::size_t pending_length = 0;  // how many
  char pending_last = 0;           // the last of them
  std::int64_t pending_start = 0;  // the offset of the unfinished line
  std::int64_t number = 0;
  std::int64_t offset = 0;
  // A stop asked for ends the reading with kInterrupted; a visit that answers false ends it
  // as complete (it found all it wanted).
  Status ended = Status::Ok();
  auto line = [&](std::string_view head, std::int64_t start) -> bool {
    if (monitor.StopRequested()) {
      ended = Status::Interrupted(std::string());
      return false;
    }
    line_offset_ = start;
    return visit(++number, head);
  };
  auto keep = [&](std::int64_t start, const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (!pending) pending_start = start;
    const std::size_t room = kLineHeadBytes - std::min(carry.size(), kLineHeadBytes);
    carry.append(bytes, std::min(room, count));
    pending = true;
    pending_length += count;
    pending_last = bytes[count - 1];
  };
  for (std::uint64_t block = 0; offset < size_; ++block) {
    const std::size_t slot = block % kSlots;
    if (hasher && block >= kSlots) hasher->WaitFor(block - kSlots);
    const std::size_t size = ReadBlock(slot, offset);
    if (size == 0) return ReadFailed();
    const char* data = slots_[slot].get();
    if (hasher) hasher->Add(data, size);
    const std::int64_t block_start = offset;
    offset += static_cast<std::int64_t>(size);
    progress.Advance(offset);
    std::size_t at = 0;
    if (pending) {
      const void* lf = std::memchr(data, '\n', size);
      if (lf == nullptr) {
        keep(block_start, data, size);
        continue;
      }
      const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      const bool whole = pending_length + end <= kLineHeadBytes;
      keep(block_start, data, end);
      const char last = end > 0 ? data[end - 1] : pending_last;
      if (last == '\r' && whole) carry.pop_back();
      if (!line(carry, pending_start)) return ended;
      carry.clear();
      pending = false;
      pending_length = 0;
      at = end + 1;
    }
    while (at < size) {
      const void* lf = std::memchr(data + at, '\n', size - at);
      if (lf == nullptr) break;
      const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      std::size_t length = end - at;
      if (length > 0 && data[end - 1] == '\r') --length;
      if (!line(std::string_view(data + at, std::min(length, kLineHeadBytes)),
                block_start + static_cast<std::int64_t>(at))) {
        return ended;
      }
      at = end + 1;
    }
    keep(block_start + static_cast<std::int64_t>(at), data + at, size - at);
  }
  // A last line without LF keeps a CR it ends with.
  if (pending && !line(carry, pending_start)) return ended;
  bytes_ = offset;
  if (hasher) sha256_ = hasher->Finish();
  return Status::Ok();
}

}  // namespace analytics
}  // namespace tallyscan
