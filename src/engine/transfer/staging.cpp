#include "engine/transfer/staging.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "engine/transfer/record_files.h"
#include "engine/transfer/transfer.h"

namespace tallyscan {
namespace {

constexpr std::string_view kCompleteMark = ".complete";

// The regular files of a folder (a descriptor), by name.
std::vector<std::string> RegularFilesOf(int folder) {
  std::vector<std::string> names;
  const int listed = ::dup(folder);
  DIR* dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
  if (dir == nullptr) {
    if (listed >= 0) ::close(listed);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) {
    struct stat info {};
    if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      names.emplace_back(entry->d_name);
    }
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool SyncFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

Status FolderLock::Take(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return Status::NotFound("התיקיה " + folder + " אינה קיימת");
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Status::Ok();
  if (errno == EWOULDBLOCK) {
    return Status::Refused("קליטה אחרת לתיקיה " + folder +
                           " פועלת כעת - הקליטה לא בוצעה ודבר לא שונה בתיקיה");
  }
  return Status::IoError(SystemError("cannot lock", folder));
}

LeftStaging LeftStagingOf(int target_fd) {
  struct stat info {};
  const std::string name(kStagingName);
  if (::fstatat(target_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return LeftStaging::kNone;
  }
  // Only a folder of this user can be one a transfer made; a link is never followed.
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return LeftStaging::kForeign;
  const std::string mark = name + "/" + std::string(kCompleteMark);
  if (::fstatat(target_fd, mark.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(info.st_mode)) {
    return LeftStaging::kComplete;
  }
  return LeftStaging::kUnfinished;
}

Status MakeStagingFolder(int target_fd, const std::string& target) {
  if (::mkdirat(target_fd, std::string(kStagingName).c_str(), 0700) != 0) {
    return Status::IoError(SystemError("cannot create", StagingFolderOf(target)));
  }
  return Status::Ok();
}

Status MarkStagingComplete(TransferFileCalls& calls, const std::string& target) {
  const std::string staging = StagingFolderOf(target);
  const std::string mark = staging + "/" + std::string(kCompleteMark);
  const int fd = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  const bool written = fd >= 0 && WriteAll(calls, fd, "\n", 0) && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!written || !SyncFolder(staging)) return Status::IoError("cannot write " + staging);
  return Status::Ok();
}

Status MoveIntoPlace(TransferFileCalls& calls, int target_fd, const std::string& target) {
  const std::string staging = StagingFolderOf(target);
  const int staged = ::openat(target_fd, std::string(kStagingName).c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (staged < 0) return Status::IoError(SystemError("cannot read", staging));
  for (const std::string& name : RegularFilesOf(staged)) {
    if (name == kCompleteMark) continue;
    if (calls.RenameAt(staged, name.c_str(), target_fd, name.c_str()) != 0) {
      const Status failed = Status::IoError(SystemError("cannot move " + name + " into", target));
      ::close(staged);
      return failed;
    }
  }
  ::close(staged);
  if (::fsync(target_fd) != 0) return Status::IoError(SystemError("cannot write", target));
  std::error_code error;
  std::filesystem::remove_all(staging, error);
  return Status::Ok();
}

}  // namespace tallyscan
