#include "engine/isam/isam_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/isam/isam_file_lock.h"
#include "engine/isam/isam_node_cache.h"
#include "engine/isam/isam_try.h"
#include "engine/isam/isam_writing_mark.h"

namespace tallyscan {
namespace {

class PosixStorage : public IsamStorage {
 public:
  explicit PosixStorage(int fd) : fd_(fd) {}
  ~PosixStorage() override { ::close(fd_); }
  PosixStorage(const PosixStorage&) = delete;
  PosixStorage& operator=(const PosixStorage&) = delete;

  std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n =
          ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
  }

  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                 static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  bool Size(std::uint64_t& size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
  }

  bool Flush() override { return ::fsync(fd_) == 0; }

  int fd() const { return fd_; }

 private:
  int fd_;
};

// A file opened for inspection: its lock is the shared one, taken on its own descriptor.
class ReadingStorage final : public PosixStorage {
 public:
  explicit ReadingStorage(int fd) : PosixStorage(fd), lock_(fd, PosixIsamOptions{}.lock_wait) {}
  IsamStatus Lock(IsamLockMode mode) override {
    if (holders_ == 0) {
      if (const IsamStatus s = lock_.Take(mode); s != IsamStatus::kOk) return s;
    }
    ++holders_;
    return IsamStatus::kOk;
  }
  void Unlock() override {
    if (holders_ > 0 && --holders_ == 0) lock_.Release();
  }

 private:
  IsamFileLock lock_;
  int holders_ = 0;
};

int OpenFd(const std::string& name, int flags) {
  int fd;
  do {
    fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// What every storage open on one file through one file system shares: the nodes kept in
// memory, the lock between programs with its count of holders here, and the side file.
class SharedFile {
 public:
  SharedFile(int lock_fd, bool lock_fd_writable, std::string file_name, std::size_t cache_nodes,
             std::chrono::milliseconds lock_wait)
      : lock_fd_(lock_fd),
        lock_(lock_fd, lock_wait),
        lock_fd_writable_(lock_fd_writable),
        file_name_(std::move(file_name)),
        cache_(cache_nodes == 0 ? nullptr : std::make_unique<IsamNodeCache>(cache_nodes)),
        lock_wait_(lock_wait) {}

  ~SharedFile() {
    if (holders_ > 0) lock_.Release();
    if (keep_mark_) {
      mark_.Abandon();
    } else {
      mark_.Remove();
    }
    ::close(lock_fd_);
  }

  // A file first opened for reading only gets a descriptor that can hold the exclusive lock
  // when a storage that may write joins it between calls.
  void OfferWritableFd(int fd) {
    const std::lock_guard guard(mutex_);
    if (lock_fd_writable_ || holders_ > 0) return;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return;
    ::close(lock_fd_);
    lock_fd_ = copy;
    lock_ = IsamFileLock(copy, lock_wait_);
    lock_fd_writable_ = true;
  }

  IsamNodeCache* cache() { return cache_.get(); }

  IsamStatus Lock(IsamLockMode mode) {
    const std::lock_guard guard(mutex_);
    IsamFileLock& lock = lock_;
    if (holders_ > 0) {
      if (mode == IsamLockMode::kExclusive && !exclusive_) {
        ISAM_TRY(lock.Take(IsamLockMode::kExclusive));
        exclusive_ = true;
      }
      ++holders_;
      return IsamStatus::kOk;
    }
    ISAM_TRY(lock.Take(mode));
    IsamFileStamp now;
    if (!ReadFileStamp(lock_fd_, now)) {
      lock.Release();
      return IsamStatus::kIoError;
    }
    holders_ = 1;
    exclusive_ = mode == IsamLockMode::kExclusive;
    wrote_ = false;
    if (cache_ != nullptr && !(released_trusted_ && now == released_)) cache_->Clear();
    taken_ = now;
    return IsamStatus::kOk;
  }

  void Unlock() {
    const std::lock_guard guard(mutex_);
    if (holders_ == 0 || --holders_ > 0) return;
    if (wrote_) {
      bool trusted = false;
      released_trusted_ = RenewFileStamp(lock_fd_, released_, trusted) && trusted;
    } else {
      // Found as this process last left it, with a time from the precise clock: whoever
      // writes next changes it. Otherwise only a time old enough can be trusted.
      released_trusted_ = (released_trusted_ && taken_ == released_) || StampIsSettled(taken_);
      released_ = taken_;
    }
    lock_.Release();
    exclusive_ = false;
  }

  void NoteWrite() { wrote_ = true; }

  // Bulk mode: the exclusive lock held from now on, changes kept in memory.
  IsamStatus BeginBulk(PosixStorage& file, bool read_only) {
    ISAM_TRY(Lock(read_only ? IsamLockMode::kShared : IsamLockMode::kExclusive));
    if (cache_ != nullptr && !read_only && !cache_->SetWriteBack(file, true)) {
      Unlock();
      return IsamStatus::kIoError;
    }
    return IsamStatus::kOk;
  }

  // The last bulk storage goes: what is still held is written (CloseDb has normally done so
  // and reported a failure), and the lock is given back.
  void EndBulk(PosixStorage& file) {
    if (cache_ != nullptr && !cache_->SetWriteBack(file, false)) keep_mark_ = true;
    Unlock();
  }

  bool LeftUnfinished() {
    abandoned_ = AbandonedWritingMarks(file_name_);
    return !abandoned_.empty();
  }
  void ForgetUnfinished() {
    RemoveWritingMarks(abandoned_);
    abandoned_.clear();
  }
  IsamStatus MarkWriting() {
    const std::lock_guard guard(mutex_);
    return mark_.Create(file_name_);
  }
  void KeepMark() { keep_mark_ = true; }

 private:
  std::mutex mutex_;
  int lock_fd_;
  IsamFileLock lock_;
  bool lock_fd_writable_;
  std::string file_name_;
  std::unique_ptr<IsamNodeCache> cache_;
  std::chrono::milliseconds lock_wait_;
  int holders_ = 0;
  bool exclusive_ = false;
  std::atomic<bool> wrote_ = false;
  IsamFileStamp taken_;
  IsamFileStamp released_;
  bool released_trusted_ = false;
  IsamWritingMark mark_;
  bool keep_mark_ = false;
  std::vector<std::string> abandoned_;
};

// A slot's view of a shared file: its own descriptor for the I/O, the shared rest.
class SlotStorage final : public IsamStorage {
 public:
  SlotStorage(std::unique_ptr<PosixStorage> file, std::shared_ptr<SharedFile> shared, bool bulk)
      : file_(std::move(file)), shared_(std::move(shared)), bulk_(bulk) {}
  ~SlotStorage() override {
    if (bulk_) shared_->EndBulk(*file_);
  }
  SlotStorage(const SlotStorage&) = delete;
  SlotStorage& operator=(const SlotStorage&) = delete;

  std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
    IsamNodeCache* cache = shared_->cache();
    return cache != nullptr ? cache->ReadAt(*file_, offset, bytes) : file_->ReadAt(offset, bytes);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    shared_->NoteWrite();
    IsamNodeCache* cache = shared_->cache();
    return cache != nullptr ? cache->WriteAt(*file_, offset, bytes) : file_->WriteAt(offset, bytes);
  }
  bool Size(std::uint64_t& size) override {
    IsamNodeCache* cache = shared_->cache();
    return cache != nullptr ? cache->Size(*file_, size) : file_->Size(size);
  }
  bool Flush() override {
    IsamNodeCache* cache = shared_->cache();
    return (cache == nullptr || cache->WriteBack(*file_)) && file_->Flush();
  }
  void Refresh() override {
    if (IsamNodeCache* cache = shared_->cache()) cache->Clear();
  }
  IsamStatus Lock(IsamLockMode mode) override { return shared_->Lock(mode); }
  void Unlock() override { shared_->Unlock(); }
  bool LeftUnfinished() override { return shared_->LeftUnfinished(); }
  void ForgetUnfinished() override { shared_->ForgetUnfinished(); }
  // Bulk mode leaves crash safety to the caller's staging: no side file.
  IsamStatus MarkWriting() override { return bulk_ ? IsamStatus::kOk : shared_->MarkWriting(); }
  void KeepMark() override { shared_->KeepMark(); }

 private:
  std::unique_ptr<PosixStorage> file_;
  std::shared_ptr<SharedFile> shared_;
  bool bulk_;
};

}  // namespace

// The shared state of the files open through this object, by device and inode: a name does
// not tell two spellings of one file apart, and a file replaced under its name is another
// file. An open storage holds its file's descriptor, so the inode cannot be reused while its
// shared state lives.
struct PosixIsamFileSystem::OpenFiles {
  std::mutex mutex;
  std::map<std::pair<dev_t, ino_t>, std::weak_ptr<SharedFile>> files;
};

PosixIsamFileSystem::PosixIsamFileSystem(PosixIsamOptions options)
    : options_(options), open_files_(std::make_unique<OpenFiles>()) {}

PosixIsamFileSystem::~PosixIsamFileSystem() = default;

IsamOpenResult PosixIsamFileSystem::Open(const std::string& file_name, IsamOpenMode mode) {
  IsamOpenResult result;
  struct stat st;
  const bool exists = ::stat(file_name.c_str(), &st) == 0;
  // The owner's write bit stands for the product's read-only attribute; checking it rather
  // than trying to write keeps the meaning the same for a user who could override it.
  result.read_only = exists && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
  int fd = -1;
  if (!result.read_only) {
    fd = OpenFd(file_name, O_RDWR | O_CREAT);
    if (fd < 0 && exists && (errno == EACCES || errno == EROFS)) result.read_only = true;
  }
  if (result.read_only) fd = OpenFd(file_name, O_RDONLY);
  if (fd < 0) {
    result.read_only = false;
    result.error_number = errno;
    return result;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.read_only = false;
    result.error_number = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return result;
  }
  auto file = std::make_unique<PosixStorage>(fd);
  const bool bulk = mode == IsamOpenMode::kBulk;
  std::shared_ptr<SharedFile> shared;
  {
    const std::lock_guard guard(open_files_->mutex);
    auto& files = open_files_->files;
    std::erase_if(files, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<SharedFile>& slot = files[{st.st_dev, st.st_ino}];
    shared = slot.lock();
    if (shared != nullptr && bulk) {
      result.read_only = false;
      result.error_number = EBUSY;
      return result;
    }
    if (shared == nullptr) {
      const int lock_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
      if (lock_fd < 0) {
        result.read_only = false;
        result.error_number = errno;
        return result;
      }
      shared = std::make_shared<SharedFile>(lock_fd, !result.read_only, file_name,
                                            bulk ? options_.bulk_cache_nodes : options_.cache_nodes,
                                            options_.lock_wait);
      slot = shared;
    } else if (!result.read_only) {
      shared->OfferWritableFd(fd);
    }
  }
  if (bulk) {
    if (const IsamStatus s = shared->BeginBulk(*file, result.read_only); s != IsamStatus::kOk) {
      result.read_only = false;
      result.failure = s;
      result.error_number = s == IsamStatus::kLocked ? EWOULDBLOCK : EIO;
      return result;
    }
  }
  result.storage = std::make_unique<SlotStorage>(std::move(file), std::move(shared), bulk);
  return result;
}

std::unique_ptr<IsamStorage> OpenIsamStorageForReading(const std::string& file_name,
                                                       int& error_number) {
  // Opened without waiting: a FIFO would otherwise hold the open until a writer came.
  const int fd = OpenFd(file_name, O_RDONLY | O_NONBLOCK);
  struct stat st;
  if (fd < 0) {
    error_number = errno;
    return nullptr;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error_number = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<ReadingStorage>(fd);
}

}  // namespace tallyscan
