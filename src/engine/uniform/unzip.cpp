#include "engine/uniform/unzip.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

enum class EntryOutcome { kWritten, kSkipped, kCannotWrite };

// Streams the current (opened) entry into a temporary file and renames it over the target.
EntryOutcome WriteEntry(unzFile zip, const unz_file_info64& info, const std::string& target,
                        char* chunk) {
  int n = unzReadCurrentFile(zip, chunk, kChunkSize);
  if (n <= 0) return EntryOutcome::kSkipped;

  std::string temp = target + ".partial-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    return IsPermissionError(errno) ? EntryOutcome::kCannotWrite : EntryOutcome::kSkipped;
  }
  ::fchmod(fd, 0644);
  bool whole = true;
  while (n > 0) {
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
    return EntryOutcome::kSkipped;
  }
  return EntryOutcome::kWritten;
}

}  // namespace

ExtractResult Extract(const std::string& zip_path, const std::string& target_path) {
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
    const EntryOutcome outcome = WriteEntry(zip, info, target_path, chunk.get());
    if (outcome != EntryOutcome::kWritten) unzCloseCurrentFile(zip);  // harmless if closed
    if (outcome == EntryOutcome::kWritten) ++result.count;
    if (outcome == EntryOutcome::kCannotWrite) {
      result.cannot_write = true;
      break;
    }
  }
  unzClose(zip);
  return result;
}

}  // namespace tallyscan
