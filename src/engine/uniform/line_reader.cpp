#include "engine/uniform/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/common/sha256.h"
#include "engine/uniform/line_end.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tallyscan {

namespace {
inline bool IsControl(char c) { return static_cast<unsigned char>(c - 1) < 30; }
}  // namespace

FileHandle::FileHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
  if (fd_ < 0) open_error_ = errno;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileHandle::IsRegular() const {
  struct stat st;
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t FileHandle::Size() const {
  struct stat st;
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

bool HasControlBytes(const char* bytes, std::size_t count) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // c is in 1..30 exactly when (c - 1) taken unsigned is at most 29.
  const __m128i one = _mm_set1_epi8(1);
  const __m128i limit = _mm_set1_epi8(29);
  __m128i found = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i v =
        _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)), one);
    found = _mm_or_si128(found, _mm_cmpeq_epi8(_mm_min_epu8(v, limit), v));
  }
  if (_mm_movemask_epi8(found) != 0) return true;
#endif
  for (; i < count; ++i) {
    if (IsControl(bytes[i])) return true;
  }
  return false;
}

LineReader::LineReader(int fd, std::size_t block_size, ReadCall read, std::int64_t limit)
    : fd_(fd),
      read_(read != nullptr ? read : &::read),
      block_size_(block_size < kLineHeadLimit ? kLineHeadLimit : block_size),
      block_(new char[block_size_]),
      head_(new char[kLineHeadLimit]),
      limit_(limit) {}

bool LineReader::Fill() {
  if (eof_) return false;
  if (begin_ > 0) {
    std::memmove(block_.get(), block_.get() + begin_, end_ - begin_);
    block_offset_ += static_cast<std::int64_t>(begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (end_ < block_size_) {
    std::size_t room = block_size_ - end_;
    if (limit_ >= 0) {
      const std::int64_t left = limit_ - block_offset_ - static_cast<std::int64_t>(end_);
      if (left <= 0) {
        eof_ = true;
        return false;
      }
      if (static_cast<std::uint64_t>(left) < room) room = static_cast<std::size_t>(left);
    }
    const ssize_t n = read_(fd_, block_.get() + end_, room);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error_ = errno != 0 ? errno : EIO;
    if (n <= 0) {
      eof_ = true;
      return false;
    }
    if (digest_ != nullptr) digest_->Add(block_.get() + end_, static_cast<std::size_t>(n));
    end_ += static_cast<std::size_t>(n);
    return true;
  }
  return true;
}

bool LineReader::Next(TextLine& line) {
  for (;;) {
    const char* start = block_.get() + begin_;
    const std::size_t available = end_ - begin_;
    const void* lf = available ? std::memchr(start, '\n', available) : nullptr;
    if (lf != nullptr) {
      const std::size_t consumed =
          static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1;
      const std::size_t length = WithoutLineEnd(std::string_view(start, consumed - 1)).size();
      line.offset = block_offset_ + static_cast<std::int64_t>(begin_);
      line.length = static_cast<std::int64_t>(length);
      line.head = std::string_view(start, length);
      line.has_control = HasControlBytes(start, length);
      begin_ += consumed;
      return true;
    }
    if (eof_) {
      // After a read error the bytes left are a line cut off by it, not a last line.
      if (available == 0 || error_ != 0) return false;
      line.offset = block_offset_ + static_cast<std::int64_t>(begin_);
      line.length = static_cast<std::int64_t>(available);
      line.head = std::string_view(start, available);
      line.has_control = HasControlBytes(start, available);
      begin_ = end_;
      return true;
    }
    if (begin_ == 0 && end_ == block_size_) return ReadLongLine(line);
    Fill();
  }
}

// The block is full and holds no line end: keep the line's first bytes aside and scan the
// rest block by block until its end.
bool LineReader::ReadLongLine(TextLine& line) {
  line.offset = block_offset_;
  std::memcpy(head_.get(), block_.get(), kLineHeadLimit);
  line.head = std::string_view(head_.get(), kLineHeadLimit);
  std::int64_t length = 0;
  bool control = false;
  bool pending_cr = false;  // the block ended in a CR that may be the line end's first half
  for (;;) {
    const char* start = block_.get() + begin_;
    const std::size_t available = end_ - begin_;
    const void* lf = available ? std::memchr(start, '\n', available) : nullptr;
    std::size_t part =
        lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : available;
    if (pending_cr && !(lf != nullptr && part == 0)) {
      control = true;  // that CR was not followed by LF: an ordinary control byte
      ++length;
    }
    pending_cr = false;
    std::size_t scanned = part;
    if (scanned > 0 && start[scanned - 1] == '\r') {
      --scanned;
      pending_cr = true;
    }
    control = control || HasControlBytes(start, scanned);
    length += static_cast<std::int64_t>(scanned);
    if (lf != nullptr) {
      begin_ += part + 1;
      break;
    }
    begin_ = end_;
    if (!Fill()) {
      if (error_ != 0) return false;
      if (pending_cr) {  // a CR at the end of the file, not followed by LF
        control = true;
        ++length;
      }
      break;
    }
  }
  line.length = length;
  line.has_control = control;
  return true;
}

}  // namespace tallyscan
