#include "engine/transfer/isam_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "engine/transfer/isam_node_cache.h"

namespace tallyscan {
namespace {

class PosixStorage final : public IsamStorage {
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

 private:
  int fd_;
};

int OpenFd(const std::string& name, int flags) {
  int fd;
  do {
    fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

// The caches of the files open through this object, by device and inode: a name does not
// tell two spellings of one file apart, and a file replaced under its name is another file.
// An open storage holds its file's descriptor, so the inode cannot be reused while its cache
// lives.
struct PosixIsamFileSystem::OpenFiles {
  std::mutex mutex;
  std::map<std::pair<dev_t, ino_t>, std::weak_ptr<IsamNodeCache>> caches;
};

PosixIsamFileSystem::PosixIsamFileSystem(std::size_t cache_nodes)
    : cache_nodes_(cache_nodes), open_files_(std::make_unique<OpenFiles>()) {}

PosixIsamFileSystem::~PosixIsamFileSystem() = default;

IsamOpenResult PosixIsamFileSystem::Open(const std::string& file_name) {
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
  if (cache_nodes_ == 0) {
    result.storage = std::move(file);
    return result;
  }
  std::shared_ptr<IsamNodeCache> cache;
  {
    const std::lock_guard lock(open_files_->mutex);
    auto& caches = open_files_->caches;
    std::erase_if(caches, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<IsamNodeCache>& shared = caches[{st.st_dev, st.st_ino}];
    cache = shared.lock();
    if (cache != nullptr) {
      cache->Clear();
    } else {
      cache = std::make_shared<IsamNodeCache>(cache_nodes_);
      shared = cache;
    }
  }
  result.storage = MakeCachedIsamStorage(std::move(file), std::move(cache));
  return result;
}

std::unique_ptr<IsamStorage> OpenIsamStorageForReading(const std::string& file_name,
                                                       int& error_number) {
  const int fd = OpenFd(file_name, O_RDONLY);
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
  return std::make_unique<PosixStorage>(fd);
}

}  // namespace tallyscan
