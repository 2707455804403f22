#include "engine/uniform/unzip.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <memory>

namespace tallyscan {

namespace {

constexpr unsigned kChunkSize = 1u << 16;

bool IsPermissionError(int error) { return error == EACCES || error == EPERM || error == EROFS; }

bool WriteAll(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

void SetEntryTime(int fd, const tm_unz& date) {
  std::tm t{};
  t.tm_sec = static_cast<int>(date.tm_sec);
  t.tm_min = static_cast<int>(date.tm_min);
  t.tm_hour = static_cast<int>(date.tm_hour);
  t.tm_mday = static_cast<int>(date.tm_mday);
  t.tm_mon = static_cast<int>(date.tm_mon);
  t.tm_year = static_cast<int>(date.tm_year) - 1900;
  const std::time_t seconds = ::timegm(&t);
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ::futimens(fd, times);
}

enum class EntryOutcome { kWritten, kSkipped, kCannotWrite, kNoSpace, kOversized };

// The free space is asked again after every this many bytes written.
constexpr std::int64_t kSpaceCheckBytes = std::int64_t{8} << 20;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Streams the current (opened) entry into a temporary file and renames it over the target.
EntryOutcome WriteEntry(unzFile zip, const unz_file_info64& info, const std::string& target,
                        char* chunk, FreeSpaceQuery free_space) {
  const std::string folder = FolderOf(target);
  const auto declared = static_cast<std::int64_t>(
      std::min<ZPOS64_T>(info.uncompressed_size, static_cast<ZPOS64_T>(INT64_MAX / 2)));
  const auto room = [&](std::int64_t wanted) {
    const std::int64_t free = free_space(folder);
    return free < 0 || free >= wanted + kFreeSpaceMargin;
  };
  if (!room(declared)) return EntryOutcome::kNoSpace;
  int n = unzReadCurrentFile(zip, chunk, kChunkSize);
  if (n <= 0) return EntryOutcome::kSkipped;

  std::string temp = target + ".partial-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    return IsPermissionError(errno) ? EntryOutcome::kCannotWrite : EntryOutcome::kSkipped;
  }
  ::fchmod(fd, 0644);
  bool whole = true;
  EntryOutcome failure = EntryOutcome::kSkipped;
  std::int64_t written = 0;
  std::int64_t next_check = kSpaceCheckBytes;
  while (n > 0) {
    written += n;
    if (written > declared) {  // a header that lies about its size
      failure = EntryOutcome::kOversized;
      whole = false;
      break;
    }
    if (written >= next_check) {
      next_check += kSpaceCheckBytes;
      if (!room(0)) {
        failure = EntryOutcome::kNoSpace;
        whole = false;
        break;
      }
    }
    if (!WriteAll(fd, chunk, static_cast<std::size_t>(n))) {
      whole = false;
      break;
    }
    n = unzReadCurrentFile(zip, chunk, kChunkSize);
  }
  if (n < 0) whole = false;
  // Closing the entry after reading it to the end verifies its checksum.
  if (unzCloseCurrentFile(zip) != UNZ_OK) whole = false;
  if (whole) SetEntryTime(fd, info.tmu_date);
  if (::close(fd) != 0) whole = false;
  if (!whole || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return failure;
  }
  return EntryOutcome::kWritten;
}

}  // namespace

std::int64_t FreeSpaceOf(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return -1;
  const auto blocks = static_cast<std::uint64_t>(info.f_bavail);
  const auto size = static_cast<std::uint64_t>(info.f_frsize);
  const std::uint64_t bytes = blocks > static_cast<std::uint64_t>(INT64_MAX) / (size ? size : 1)
                                  ? static_cast<std::uint64_t>(INT64_MAX)
                                  : blocks * size;
  return static_cast<std::int64_t>(bytes);
}

ExtractResult Extract(const std::string& zip_path, const std::string& target_path,
                      FreeSpaceQuery free_space) {
  if (free_space == nullptr) free_space = &FreeSpaceOf;
  ExtractResult result;
  unzFile zip = unzOpen64(zip_path.c_str());
  if (zip == nullptr) return result;
  const std::unique_ptr<char[]> chunk(new char[kChunkSize]);
  for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
    unz_file_info64 info;
    char name[261];
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
      break;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) continue;
    const EntryOutcome outcome = WriteEntry(zip, info, target_path, chunk.get(), free_space);
    if (outcome != EntryOutcome::kWritten) unzCloseCurrentFile(zip);  // harmless if closed
    if (outcome == EntryOutcome::kWritten) ++result.count;
    if (outcome == EntryOutcome::kCannotWrite) {
      result.cannot_write = true;
      break;
    }
    if (outcome == EntryOutcome::kNoSpace) {
      result.no_space = true;
      result.needed = static_cast<std::int64_t>(
          std::min<ZPOS64_T>(info.uncompressed_size, static_cast<ZPOS64_T>(INT64_MAX)));
      break;
    }
    if (outcome == EntryOutcome::kOversized) {
      result.oversized = true;
      break;
    }
  }
  unzClose(zip);
  return result;
}

}  // namespace tallyscan
