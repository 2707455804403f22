#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tallyscan {

// Random access to one index file. The record manager does all its I/O through this, so a
// test can hand it a file that fails a write or counts the reads. Offsets are 0-based bytes.
class IsamStorage {
 public:
  virtual ~IsamStorage() = default;

  // Reads up to bytes.size() bytes at offset. Returns the number read, which is short only
  // at the end of the file, or -1 when the system reports an error.
  virtual std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) = 0;

  // Writes all the bytes at offset, growing the file as needed. False on any failure.
  virtual bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;

  virtual bool Size(std::uint64_t& size) = 0;

  // Asks the system to put what was written on the disk.
  virtual bool Flush() = 0;
};

struct IsamOpenResult {
  std::unique_ptr<IsamStorage> storage;  // null when the file could not be opened
  bool read_only = false;                // opened for reading only: the file is write-protected
  int error_number = 0;                  // the system's error number when storage is null
};

// Opens index files by name. A missing file is created empty (the transfer relies on that);
// a file whose owner may not write it is opened for reading only.
class IsamFileSystem {
 public:
  virtual ~IsamFileSystem() = default;
  virtual IsamOpenResult Open(const std::string& file_name) = 0;
};

// Plain POSIX files. The write-protection that the product's files can carry on Windows is
// the owner's write permission here.
class PosixIsamFileSystem final : public IsamFileSystem {
 public:
  IsamOpenResult Open(const std::string& file_name) override;
};

// Opens an existing file for reading only, for inspecting it without changing or creating
// anything. Null, with the system's error number, when it cannot be opened.
std::unique_ptr<IsamStorage> OpenIsamStorageForReading(const std::string& file_name,
                                                       int& error_number);

}  // namespace tallyscan
