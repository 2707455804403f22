#include "engine/isam/isam_writing_mark.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tallyscan {
namespace {

#if defined(F_OFD_SETLK)
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

constexpr const char* kSuffix = ".writing-";

bool LockWhole(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  while (::fcntl(fd, kSetLock, &lock) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void SplitPath(const std::string& path, std::string& folder, std::string& base) {
  const std::size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  base = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

IsamWritingMark::~IsamWritingMark() { Abandon(); }

IsamStatus IsamWritingMark::Create(const std::string& index_file_name) {
  if (Created()) return IsamStatus::kOk;
  std::string name = index_file_name + kSuffix + "XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return IsamStatus::kIoError;
  if (!LockWhole(fd)) {
    ::unlink(name.c_str());
    ::close(fd);
    return IsamStatus::kIoError;
  }
  // For whoever finds the file: who was writing.
  const std::string text = "being written by process " + std::to_string(::getpid()) + "\n";
  (void)!::write(fd, text.data(), text.size());
  fd_ = fd;
  name_ = std::move(name);
  return IsamStatus::kOk;
}

void IsamWritingMark::Remove() {
  if (!Created()) return;
  ::unlink(name_.c_str());
  Abandon();
}

void IsamWritingMark::Abandon() {
  if (!Created()) return;
  ::close(fd_);
  fd_ = -1;
  name_.clear();
}

std::vector<std::string> AbandonedWritingMarks(const std::string& index_file_name) {
  std::vector<std::string> found;
  std::string folder;
  std::string base;
  SplitPath(index_file_name, folder, base);
  const std::string prefix = base + kSuffix;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    // Taken: nobody holds it, so its writer is gone. Closing gives it back at once.
    if (LockWhole(fd)) found.push_back(path);
    ::close(fd);
  }
  ::closedir(dir);
  return found;
}

void RemoveWritingMarks(const std::vector<std::string>& names) {
  for (const std::string& name : names) ::unlink(name.c_str());
}

}  // namespace tallyscan
