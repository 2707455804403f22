#pragma once

// Private to isam/: the advisory lock between programs on an open index file, and the
// file's stamp (length and modification time) by which a process tells whether another has
// written the file since it last held the lock.

#include <chrono>
#include <cstdint>

#include "engine/isam/isam_status.h"
#include "engine/isam/isam_storage.h"

namespace tallyscan {

struct IsamFileStamp {
  std::uint64_t size = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  friend bool operator==(const IsamFileStamp&, const IsamFileStamp&) = default;
};

// The lock over the whole file on a descriptor the caller keeps open; the lock belongs to the
// descriptor's open file description, so it conflicts with every other open of the file, in
// this process or another, and closing another descriptor of the file does not drop it.
// A process that must wait queues at a turnstile (a lock on one byte far beyond any index
// file) and every taker passes it, so a writer that releases and takes the lock again between
// its calls lets a waiting program in first instead of starving it.
class IsamFileLock {
 public:
  IsamFileLock(int fd, std::chrono::milliseconds wait);

  // Takes the lock, or converts the one held, waiting up to the bounded time: kLocked when
  // other programs keep it, kIoError when the system refuses it (an exclusive lock on a
  // descriptor open for reading only, a file system without locks). On failure the lock
  // held before, if any, is still held.
  IsamStatus Take(IsamLockMode mode);
  void Release();

 private:
  int fd_;
  std::chrono::milliseconds wait_;
  bool queues_ = false;
};

// The file's length and modification time now; false when the system cannot say.
bool ReadFileStamp(int fd, IsamFileStamp& stamp);

// Sets the file's modification time from the precise clock and reads the stamp back. True
// with trusted set when the file system kept the time to the nanosecond, so that any later
// write by another program, stamped from the coarse clock, changes it.
bool RenewFileStamp(int fd, IsamFileStamp& stamp, bool& trusted);

// Whether a stamp read without writing can stand for the file's contents: not when its time
// is so recent that another program may still write within the same tick of the coarse clock
// without changing it.
bool StampIsSettled(const IsamFileStamp& stamp);

}  // namespace tallyscan
