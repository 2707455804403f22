#pragma once

// Private to analytics/.
//
// The one reading of the data file: from its first byte to its end, in file order, in large
// blocks through the store's own open handle (the file the import indexed). Lines are
// numbered as the import numbers them: LF ends a line, a CR just before the LF belongs to
// the line end, a lone CR stays in the line, a last line without LF still counts. The bytes
// are read ahead and their SHA-256 computed on a thread of its own while the lines are
// examined, so hashing costs no second reading and little time.

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/common/progress.h"
#include "engine/common/sha256.h"
#include "engine/common/status.h"

namespace tallyscan {

class RecordStore;

namespace analytics {

struct FileFacts {
  std::string name;  // as on disk, without the folder
  std::int64_t bytes = 0;
  std::string sha256;
};

// Reads a whole file for its size and digest; `first_line` (when given) receives its first
// line without the line end. Fails (kIoError) when the file cannot be read to its end.
Status DigestFile(const std::string& path, FileFacts& facts, std::string* first_line = nullptr);

// Reads a file's blocks in order, ahead of their use, and hashes them, on a thread of its
// own: the thread that examines the lines neither copies nor hashes a byte. A block handed
// out stays unchanged until the next is asked for.
class BlockReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 19;
  static constexpr std::size_t kSlots = 4;

  // Reads the bytes [begin, end) of the store's data file; hashes them when `hash`.
  BlockReader(const RecordStore& store, std::int64_t begin, std::int64_t end, bool hash);
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;
  // Stops the thread; what was not yet read or hashed is dropped.
  ~BlockReader();

  // The next block, giving back the one before; empty at the end, and when a block could not
  // be read whole.
  std::string_view Next();
  // After the last block: waits for its hashing and gives the digest.
  std::string Digest();

 private:
  void Work();

  const RecordStore& store_;
  const std::int64_t begin_;
  const std::int64_t end_;
  const std::uint64_t blocks_;
  const bool hash_;
  Sha256 sha_;
  std::vector<std::unique_ptr<char[]>> slots_;
  std::vector<std::size_t> lengths_;  // by slot
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t read_ = 0;   // blocks read
  std::uint64_t taken_ = 0;  // blocks handed out
  bool hashed_ = false;      // every block
  bool failed_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// The failure of a reading of the store's data file that did not reach its end (kIoError).
Status DataFileReadFailed(const RecordStore& store);

// The bytes a line keeps: every field of every layout lies well within them. A longer line
// is still one line; only its first bytes are looked at.
inline constexpr std::size_t kLineHeadBytes = 4096;

// Cuts a file's blocks, handed over in order, into its lines as the import numbers them. A
// line that runs on from one block into the next is carried over (its head only).
class LineCutter {
 public:
  // Calls line(head, start) for every line that ends in `block` (the bytes of the file from
  // `block_start`), `head` without its line end and `start` the offset of the line's first
  // byte; a line answering false ends the cutting, and Take answers false too.
  template <typename Line>
  bool Take(std::string_view block, std::int64_t block_start, Line&& line);
  // After the last block: the last line, when it has no LF (it keeps a CR it ends with).
  template <typename Line>
  bool Finish(Line&& line) {
    return !pending_ || line(std::string_view(carry_), pending_start_);
  }

 private:
  // Bytes of a line that goes on past the block.
  void Keep(std::int64_t start, const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (!pending_) pending_start_ = start;
    const std::size_t room = kLineHeadBytes - std::min(carry_.size(), kLineHeadBytes);
    carry_.append(bytes, std::min(room, count));
    pending_ = true;
    pending_length_ += count;
    pending_last_ = bytes[count - 1];
  }
  // Ends the carried line at the LF at `end` in `data`.
  template <typename Line>
  bool EndCarried(const char* data, std::size_t end, std::int64_t block_start, Line& line);

  std::string carry_;               // the head of a line that runs on into the next block
  bool pending_ = false;            // bytes of an unfinished line were seen
  std::size_t pending_length_ = 0;  // how many
  char pending_last_ = 0;           // the last of them
  std::int64_t pending_start_ = 0;  // the offset of the unfinished line
};

template <typename Line>
bool LineCutter::EndCarried(const char* data, std::size_t end, std::int64_t block_start,
                            Line& line) {
  const bool whole = pending_length_ + end <= kLineHeadBytes;
  Keep(block_start, data, end);
  const char last = end > 0 ? data[end - 1] : pending_last_;
  if (last == '\r' && whole) carry_.pop_back();
  if (!line(std::string_view(carry_), pending_start_)) return false;
  carry_.clear();
  pending_ = false;
  pending_length_ = 0;
  return true;
}

template <typename Line>
bool LineCutter::Take(std::string_view block, std::int64_t block_start, Line&& line) {
  const char* data = block.data();
  const std::size_t size = block.size();
  std::size_t at = 0;
  if (pending_) {
    const void* lf = std::memchr(data, '\n', size);
    if (lf == nullptr) {
      Keep(block_start, data, size);
      return true;
    }
    const auto end = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
    if (!EndCarried(data, end, block_start, line)) return false;
    at = end + 1;
  }
  while (at < size) {
    const void* lf = std::memchr(data + at, '\n', size - at);
    if (lf == nullptr) break;
    const auto end = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
    std::size_t length = end - at;
    if (length > 0 && data[end - 1] == '\r') --length;
    if (!line(std::string_view(data + at, std::min(length, kLineHeadBytes)),
              block_start + static_cast<std::int64_t>(at))) {
      return false;
    }
    at = end + 1;
  }
  Keep(block_start + static_cast<std::int64_t>(at), data + at, size - at);
  return true;
}

// The reading of the store's data file. Run() calls visit(number, head) for every line,
// `head` without its line end (the first kLineHeadBytes of a longer line) and valid only
// during the call; visit returns false when it needs no further line (Run then returns Ok,
// with no digest). The monitor is told the share of bytes read and asked once per line
// whether to stop: then Run returns kInterrupted at once. A file that cannot be read to
// the end it had when the reading began gives kIoError. During a visit, line_offset() is
// the offset of the line's first byte in the file (as the store's indexes keep it).
class DataPass {
 public:
  explicit DataPass(const RecordStore& store, bool hash = true);

  template <typename Visit>
  Status Run(ProgressMonitor& monitor, Visit&& visit);

  std::int64_t bytes() const { return bytes_; }
  const std::string& sha256() const { return sha256_; }
  std::int64_t line_offset() const { return line_offset_; }

 private:
  const RecordStore& store_;
  bool hash_;
  std::int64_t size_ = -1;
  std::int64_t bytes_ = 0;
  std::int64_t line_offset_ = 0;
  std::string sha256_;
};

template <typename Visit>
Status DataPass::Run(ProgressMonitor& monitor, Visit&& visit) {
  if (size_ < 0) return DataFileReadFailed(store_);
  BlockReader reader(store_, 0, size_, hash_);
  ProgressTracker progress(monitor, size_);
  LineCutter cutter;
  std::int64_t number = 0;
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
  std::int64_t offset = 0;
  while (offset < size_) {
    const std::string_view block = reader.Next();
    if (block.empty()) return DataFileReadFailed(store_);
    const std::int64_t block_start = offset;
    offset += static_cast<std::int64_t>(block.size());
    progress.Advance(offset);
    if (!cutter.Take(block, block_start, line)) return ended;
  }
  if (!cutter.Finish(line)) return ended;
  bytes_ = offset;
  if (hash_) sha256_ = reader.Digest();
  return Status::Ok();
}

}  // namespace analytics
}  // namespace tallyscan
