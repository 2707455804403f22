#include "engine/isam/isam_file_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace tallyscan {
namespace {

// Open-file-description locks where the system has them: a classic record lock belongs to
// the process, so two opens of one file in a process would never wait for each other, and
// closing either would drop both.
#if defined(F_OFD_SETLK)
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

// The file's lock covers every byte an index file can have (positions are 32-bit); the
// turnstile is one byte beyond them.
constexpr off_t kTurnstile = off_t{1} << 40;

enum class Try { kTaken, kBusy, kFailed };

Try TryLock(int fd, short type, off_t start, off_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  while (::fcntl(fd, kSetLock, &lock) != 0) {
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EACCES ? Try::kBusy : Try::kFailed;
  }
  return Try::kTaken;
}

bool TurnstileIsFree(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kTurnstile;
  lock.l_len = 1;
#if defined(F_OFD_GETLK)
  constexpr int kGetLock = F_OFD_GETLK;
#else
  constexpr int kGetLock = F_GETLK;
#endif
  return ::fcntl(fd, kGetLock, &lock) == 0 && lock.l_type == F_UNLCK;
}

// Tries until the deadline, sleeping a little longer each time up to a couple of
// milliseconds: short enough to catch the moment between another program's calls.
Try LockBefore(int fd, short type, off_t start, off_t length,
               std::chrono::steady_clock::time_point deadline) {
  auto pause = std::chrono::microseconds(20);
  for (;;) {
    const Try result = TryLock(fd, type, start, length);
    if (result != Try::kBusy || std::chrono::steady_clock::now() >= deadline) return result;
    std::this_thread::sleep_for(pause);
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::microseconds(2000));
  }
}

}  // namespace

// A descriptor open for reading only cannot hold the turnstile, which is an exclusive lock:
// such a reader takes its shared lock without queueing.
IsamFileLock::IsamFileLock(int fd, std::chrono::milliseconds wait) : fd_(fd), wait_(wait) {
  const int access = ::fcntl(fd_, F_GETFL);
  queues_ = access >= 0 && (access & O_ACCMODE) != O_RDONLY;
}

IsamStatus IsamFileLock::Take(IsamLockMode mode) {
  const short type = mode == IsamLockMode::kExclusive ? F_WRLCK : F_RDLCK;
  const auto deadline = std::chrono::steady_clock::now() + wait_;
  const bool queues = queues_;
  // Nobody queued: the lock itself, without passing the turnstile.
  if (queues && TurnstileIsFree(fd_) && TryLock(fd_, type, 0, kTurnstile) == Try::kTaken) {
    return IsamStatus::kOk;
  }
  if (queues) {
    const Try queued = LockBefore(fd_, F_WRLCK, kTurnstile, 1, deadline);
    if (queued != Try::kTaken) {
      return queued == Try::kBusy ? IsamStatus::kLocked : IsamStatus::kIoError;
    }
  }
  const Try taken = LockBefore(fd_, type, 0, kTurnstile, deadline);
  if (queues) (void)TryLock(fd_, F_UNLCK, kTurnstile, 1);
  if (taken == Try::kTaken) return IsamStatus::kOk;
  return taken == Try::kBusy ? IsamStatus::kLocked : IsamStatus::kIoError;
}

void IsamFileLock::Release() { (void)TryLock(fd_, F_UNLCK, 0, kTurnstile); }

bool ReadFileStamp(int fd, IsamFileStamp& stamp) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.seconds = st.st_mtim.tv_sec;
  stamp.nanoseconds = st.st_mtim.tv_nsec;
  return true;
}

bool RenewFileStamp(int fd, IsamFileStamp& stamp, bool& trusted) {
  trusted = false;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  if (::clock_gettime(CLOCK_REALTIME, &times[1]) != 0) return false;
  if (::futimens(fd, times) != 0) return ReadFileStamp(fd, stamp);
  if (!ReadFileStamp(fd, stamp)) return false;
  trusted = stamp.seconds == times[1].tv_sec && stamp.nanoseconds == times[1].tv_nsec;
  return true;
}

bool StampIsSettled(const IsamFileStamp& stamp) {
  // Two seconds also cover file systems that keep times to the second or to two.
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  return now.tv_sec - stamp.seconds > 2;
}

}  // namespace tallyscan
