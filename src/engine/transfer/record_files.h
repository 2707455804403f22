#pragma once

// Private to transfer/: how the transfer writes files, every change through its file calls:
// files of fixed records, whole copies, and the record manager's index files.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "engine/common/status.h"
#include "engine/isam/isam.h"
#include "engine/transfer/transfer_file_calls.h"

namespace tallyscan {

// "WHAT PATH: the system's reason" from errno.
std::string SystemError(std::string_view what, const std::string& path);

// The bytes of a file; empty when it is missing or cannot be read.
std::string ReadWholeFile(const std::string& path);
// 0 when the file is missing.
std::uint64_t FileSize(const std::string& path);

// Writes all of `bytes` at `offset` through the calls; false on any failure.
bool WriteAll(TransferFileCalls& calls, int fd, std::string_view bytes, off_t offset);

// A copy of `from` made new at `to` (never over anything there), with its permissions,
// synced to the disk. A failure may leave a partial copy at `to`.
Status CopyFile(TransferFileCalls& calls, const std::string& from, const std::string& to);

// Index files opened by the record manager, whose writes go through the calls.
std::unique_ptr<IsamFileSystem> IndexFilesThrough(TransferFileCalls& calls);

// A file of fixed records, written by record number and appended to through a buffer. A
// failed append is remembered and reported by Close.
class RecordFile {
 public:
  RecordFile(std::size_t record_size, TransferFileCalls& calls)
      : record_size_(record_size), calls_(calls) {}
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  ~RecordFile();

  // Opens the file, creating it when missing; its records are counted from its size.
  Status Open(const std::string& path);
  std::uint32_t Count() const { return count_; }

  // Returns the new record's number.
  std::uint32_t Append(std::span<const std::uint8_t> record);
  bool Read(std::uint32_t number, std::span<std::uint8_t> record);
  bool Write(std::uint32_t number, std::span<const std::uint8_t> record);
  // Writes what is buffered, syncs and closes; the first failure since Open, if any.
  Status Close();
  const std::string& path() const { return path_; }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
  off_t Offset(std::uint32_t number) const {
    return static_cast<off_t>((static_cast<std::uint64_t>(number) - 1) * record_size_);
  }
  bool FlushBuffer();

  std::size_t record_size_;
  TransferFileCalls& calls_;
  std::string path_;
  int fd_ = -1;
  std::uint32_t count_ = 0;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace tallyscan
