#pragma once

// Private to uniform/.
//
// Reads a text file line by line in large blocks, without an allocation per line. A line
// ends at LF; a CR just before the LF belongs to the line end. A last line without LF still
// counts. Lines of any length are handled in bounded memory: a line longer than the block
// yields its first bytes, its full length and whether it holds control characters.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tallyscan {

class Sha256;

struct TextLine {
  std::int64_t offset = 0;   // of the line's first byte in the file
  std::int64_t length = 0;   // without the line end
  std::string_view head;     // the whole line, or its first kLineHeadLimit bytes when longer
                             // than a block; valid until the next call of Next()
  bool has_control = false;  // a byte 0x01-0x1E somewhere in the line
};

// True when a byte 0x01-0x1E occurs in the range.
bool HasControlBytes(const char* bytes, std::size_t count);

// A file opened for reading by its path, closed when the handle goes out of scope: the
// descriptor a LineReader reads from.
class FileHandle {
 public:
  explicit FileHandle(const std::string& path);
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // The errno of a failed open; 0 when the file is open.
  int open_error() const { return open_error_; }
  // Whether the file is a regular file (not a folder or a device).
  bool IsRegular() const;
  // The file's size in bytes; 0 when it is not open.
  std::int64_t Size() const;

 private:
  int fd_;
  int open_error_ = 0;
};

// The system call a LineReader reads with: ::read, or a stand-in that fails on purpose.
using ReadCall = ssize_t (*)(int fd, void* buffer, std::size_t count);

class LineReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  static constexpr std::size_t kLineHeadLimit = 4096;

  // Reads from `fd` (not owned) from its current position, which is taken as offset 0, in
  // blocks of `block_size` bytes (at least kLineHeadLimit): a small file needs no large block.
  // A `limit` of 0 or more reads no more than that many bytes, as if the file ended there (a
  // part of a file that ends at a line end); a negative one reads to the end of the file.
  explicit LineReader(int fd, std::size_t block_size = kBlockSize, ReadCall read = nullptr,
                      std::int64_t limit = -1);

  // The next line; false at the end of the file or at a read error. After a read error
  // failed() is true and error() is the system's errno: the lines given before it are all
  // complete, but the file was not read to its end, so the caller must not take the lines
  // for the whole file.
  bool Next(TextLine& line);
  bool failed() const { return error_ != 0; }
  int error() const { return error_; }

  // Every byte read from here on is also handed to `digest` (not owned; null: none), in file
  // order, as it comes from the file.
  void HashInto(Sha256* digest) { digest_ = digest; }

 private:
  // Appends what the file gives into the free tail of the block; false at end of file.
  bool Fill();
  bool ReadLongLine(TextLine& line);

  int fd_;
  ReadCall read_;
  std::size_t block_size_;
  std::unique_ptr<char[]> block_;
  std::unique_ptr<char[]> head_;
  std::size_t begin_ = 0;          // first unread byte in block_
  std::size_t end_ = 0;            // one past the last valid byte in block_
  std::int64_t block_offset_ = 0;  // file offset of block_[0]
  std::int64_t limit_;             // bytes to read at most; negative: no limit
  bool eof_ = false;
  int error_ = 0;
  Sha256* digest_ = nullptr;
};

}  // namespace tallyscan
