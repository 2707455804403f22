#pragma once

// Private to uniform/ (the store's DataFile is reached through record_store.h).
//
// BKMVDATA.TXT kept open while its data set is loaded. Every consumer reads a record back by
// the byte offset stored in the record store; the group change writes account lines back.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/common/status.h"
#include "engine/uniform/line_end.h"

namespace tallyscan {

class RandomAccessFile {
 public:
  RandomAccessFile() = default;
  RandomAccessFile(const RandomAccessFile&) = delete;
  RandomAccessFile& operator=(const RandomAccessFile&) = delete;
  RandomAccessFile(RandomAccessFile&& other) noexcept;
  RandomAccessFile& operator=(RandomAccessFile&& other) noexcept;
  ~RandomAccessFile();

  // Opens the file for reading; any file open before is closed first.
  Status Open(const std::string& path);
  void Close();
  bool IsOpen() const { return read_fd_ >= 0; }
  const std::string& Path() const { return path_; }
  // The size of the open file in bytes (as it is now, through the open handle); -1 when no
  // file is open or the system cannot tell.
  std::int64_t Size() const;

  // The line starting at `offset`, at most `max_length` bytes of it, without its line end
  // (LF, or CR LF). A line shorter than `max_length` yields what it has; an offset at or
  // beyond the end of the file yields an empty line.
  std::string ReadLine(std::int64_t offset, int max_length) const;

  // Positions start..start+width-1 (1-based) of the line at `offset`. Like the slicing of a
  // line in memory, a line shorter than the field's end yields the characters that exist.
  std::string ReadField(std::int64_t offset, int start, int width) const;

  // Raw bytes at `offset`, fewer at the end of the file.
  std::string ReadAt(std::int64_t offset, std::size_t count) const;
  // The same into `buffer` (room for `count`): the number of bytes read, fewer at the end of
  // the file, 0 at or past it or when the system refuses the read.
  std::size_t ReadInto(std::int64_t offset, char* buffer, std::size_t count) const;

  // Overwrites bytes in place (the group change rewrites account lines of equal length).
  // The file is opened for writing on first use, so a data set on read-only media stays
  // readable until a change is asked for.
  Status WriteAt(std::int64_t offset, std::string_view bytes);
  // Makes what WriteAt wrote durable on the disk; nothing to do when nothing was written.
  Status Sync();

 private:
  int read_fd_ = -1;
  int write_fd_ = -1;
  std::string path_;
};

}  // namespace tallyscan
