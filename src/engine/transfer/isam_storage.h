#pragma once

#include <cstddef>
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

  // Forgets whatever of the file is kept in memory, so that the next reads see what other
  // programs have written since. Writes are never held back, so nothing is lost.
  virtual void Refresh() {}
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

class IsamNodeCache;

// Plain POSIX files. The write-protection that the product's files can carry on Windows is
// the owner's write permission here.
//
// Each open file's nodes are kept in memory, up to cache_nodes of them (0 keeps none): every
// storage open on one file (the same device and inode, whatever the name) shares them, so two
// slots on one file see each other's writes. Writes reach the file before the call returns,
// so another program reading it sees every change made. A storage opened on a file already
// open here drops what was kept, so it starts from the file as it now is. The memory goes
// when the last storage of the file is destroyed. May be shared between threads.
class PosixIsamFileSystem final : public IsamFileSystem {
 public:
  // About 3.7 MB per open file. Inserting a million records with three keys, it leaves about
  // three reads of the file per insert where there were sixteen; the five writes per insert
  // are then most of the time, and four times the nodes would save only two more reads.
  static constexpr std::size_t kDefaultCacheNodes = 8192;

  explicit PosixIsamFileSystem(std::size_t cache_nodes = kDefaultCacheNodes);
  ~PosixIsamFileSystem() override;
  PosixIsamFileSystem(const PosixIsamFileSystem&) = delete;
  PosixIsamFileSystem& operator=(const PosixIsamFileSystem&) = delete;

  IsamOpenResult Open(const std::string& file_name) override;

 private:
  struct OpenFiles;
  std::size_t cache_nodes_;
  std::unique_ptr<OpenFiles> open_files_;
};

// Opens an existing file for reading only, for inspecting it without changing or creating
// anything. Null, with the system's error number, when it cannot be opened.
std::unique_ptr<IsamStorage> OpenIsamStorageForReading(const std::string& file_name,
                                                       int& error_number);

}  // namespace tallyscan
