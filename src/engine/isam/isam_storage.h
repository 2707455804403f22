#pragma once

// Private to isam/: the rest of the program includes isam/isam.h.
//
// How the record manager reaches an index file: random access to its bytes, the lock between
// programs, and the side files that mark it as being written.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/isam/isam_status.h"

namespace tallyscan {

enum class IsamLockMode { kShared, kExclusive };

// How a file is written. kShared: every change is in the file when the call returns, so other
// programs reading it see each one; each call holds the lock between programs only while it
// runs. kBulk: the file is locked for this process from opening to closing, and changes are
// kept in memory and written when memory runs short, at DbFlush and at CloseDb.
enum class IsamOpenMode { kShared, kBulk };

// Random access to one index file. The record manager does all its I/O through this, so a
// test can hand it a file that fails a write or counts the reads. Offsets are 0-based bytes.
class IsamStorage {
 public:
  virtual ~IsamStorage() = default;

  // Reads up to bytes.size() bytes at offset. Returns the number read, which is short only
  // at the end of the file, or -1 when the system reports an error.
  [[nodiscard]] virtual std::int64_t ReadAt(std::uint64_t offset,
                                            std::span<std::uint8_t> bytes) = 0;

  // Writes all the bytes at offset, growing the file as needed. False on any failure.
  [[nodiscard]] virtual bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;

  [[nodiscard]] virtual bool Size(std::uint64_t& size) = 0;

  // Writes what is held back in memory, then asks the system to put the file on the disk.
  [[nodiscard]] virtual bool Flush() = 0;

  // Forgets whatever of the file is kept in memory, so that the next reads see what other
  // programs have written since. Nothing written is lost.
  virtual void Refresh() {}

  // The advisory lock between programs, for the length of a call or of a DbLock. Waits a
  // bounded time for other programs to release it: kLocked when they do not, kIoError when
  // the system refuses it. Locks nest: each Lock that gave kOk is matched by one Unlock; a
  // shared lock asked under an exclusive one is served by it, and an exclusive one asked
  // under a shared one converts it, waiting as a fresh lock does. When the lock is taken
  // afresh, whatever is kept of the file in memory is dropped unless the file is unchanged
  // since this process last released it.
  virtual IsamStatus Lock(IsamLockMode mode) {
    (void)mode;
    return IsamStatus::kOk;
  }
  virtual void Unlock() {}

  // The side files that mark the file as being written, asked under the lock. True when a
  // writer left its mark and no longer runs: it stopped in the middle of its work.
  [[nodiscard]] virtual bool LeftUnfinished() { return false; }
  // Removes the marks of writers that no longer run, once the file is known to be sound.
  virtual void ForgetUnfinished() {}
  // Marks the file as being written by this process, from now (under the exclusive lock,
  // before the first write) until the last storage of the file here is destroyed.
  virtual IsamStatus MarkWriting() { return IsamStatus::kOk; }
  // A change stopped half-way: the mark stays when the storages go, so that the next opening
  // checks the file.
  virtual void KeepMark() {}
};

struct [[nodiscard]] IsamOpenResult {
  std::unique_ptr<IsamStorage> storage;  // null when the file could not be opened
  bool read_only = false;                // opened for reading only: the file is write-protected
  int error_number = 0;                  // the system's error number when storage is null
  IsamStatus failure = IsamStatus::kOpenFailed;  // the status to answer when storage is null
};

// Opens index files by name. A missing file is created empty (the transfer relies on that);
// a file whose owner may not write it is opened for reading only.
class IsamFileSystem {
 public:
  virtual ~IsamFileSystem() = default;
  virtual IsamOpenResult Open(const std::string& file_name, IsamOpenMode mode) = 0;
};

struct PosixIsamOptions {
  // About 3.7 MB per open file. Inserting a million records with three keys, it leaves about
  // three reads of the file per insert where there were sixteen; the five writes per insert
  // are then most of the time, and four times the nodes would save only two more reads.
  static constexpr std::size_t kDefaultCacheNodes = 8192;
  // A file in bulk mode keeps up to this many nodes in memory (about 240 MB), enough for a
  // million records with three keys; beyond it the least recently used go to the file.
  static constexpr std::size_t kDefaultBulkCacheNodes = std::size_t{1} << 19;

  std::size_t cache_nodes = kDefaultCacheNodes;  // 0 keeps none: every read asks the system
  std::size_t bulk_cache_nodes = kDefaultBulkCacheNodes;
  std::chrono::milliseconds lock_wait{10000};  // how long a call waits for another program
};

// Plain POSIX files. The write-protection that the product's files can carry on Windows is
// the owner's write permission here.
//
// Every storage open on one file (the same device and inode, whatever the name) shares what
// is kept of it in memory, its lock and its side file, so two slots on one file see each
// other's writes and do not wait for each other. The lock is an open-file-description record
// lock over the whole file: another RecordManager over another PosixIsamFileSystem, in this
// process or another, waits for it as another program does. Each call's lock is released as
// the call returns; the file's modification time is then set from the precise clock, since
// the system stamps writes with a coarse one that two quick writers can share, and the
// length and time are remembered to tell whether the nodes kept are still the file's when
// the lock is next taken. The side file is NAME.writing-XXXXXX, created at the first change
// and removed when the last storage of the file goes, unless a change stopped half-way.
// The bookkeeping of storages may be used from several threads, but storages of one file
// share one lock and must take turns at a change themselves.
class PosixIsamFileSystem final : public IsamFileSystem {
 public:
  explicit PosixIsamFileSystem(PosixIsamOptions options = {});
  ~PosixIsamFileSystem() override;
  PosixIsamFileSystem(const PosixIsamFileSystem&) = delete;
  PosixIsamFileSystem& operator=(const PosixIsamFileSystem&) = delete;

  // kBulk takes the exclusive lock at once and refuses (error number EBUSY) a file already
  // open here: the file must be this process's alone.
  IsamOpenResult Open(const std::string& file_name, IsamOpenMode mode) override;

 private:
  struct OpenFiles;
  PosixIsamOptions options_;
  std::unique_ptr<OpenFiles> open_files_;
};

// Opens an existing file for reading only, for inspecting it without changing or creating
// anything; its Lock takes the shared lock, with the default wait. Null, with the system's
// error number, when it cannot be opened; a folder gives EISDIR and anything else that is
// not a regular file (a device, a FIFO) EINVAL, at once.
std::unique_ptr<IsamStorage> OpenIsamStorageForReading(const std::string& file_name,
                                                       int& error_number);

}  // namespace tallyscan
