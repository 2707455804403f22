// Reading a parameter file from disk: only a regular file, and only so much of it, so that a
// folder, a pipe or a device named by mistake is refused at once instead of read without end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "engine/analytics/jet_parameters.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The bytes of the regular file at `path`, at most `limit` of them.
Status ReadBoundedFile(const std::string& path, std::size_t limit, std::string& bytes) {
  // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return Status::IoError(std::string("לא ניתן לפתוח את הקובץ: ") + std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return Status::IoError("אינו קובץ רגיל (תיקייה, צינור או התקן אינם נקראים)");
  }
  const std::string too_big = "הקובץ גדול מ-" + std::to_string(limit >> 20) + " MiB";
  if (static_cast<std::uintmax_t>(info.st_size) > limit) {
    ::close(fd);
    return Status::IoError(too_big);
  }
  // One byte more than the limit tells a file that grew meanwhile.
  std::string read(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == read.size()) {
      if (read.size() > limit) break;
      read.resize(std::min(read.size() * 2, limit + 1));
    }
    const ssize_t n = ::read(fd, read.data() + got, read.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return Status::IoError(std::string("לא ניתן לקרוא את הקובץ: ") + std::strerror(error));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got > limit) return Status::IoError(too_big);
  read.resize(got);
  bytes = std::move(read);
  return Status::Ok();
}

}  // namespace

Status ReadJetParametersFile(const std::string& path, const JetParameters& defaults,
                             JetParameters& out) {
  const std::string named = SafeCellText(path) + ": ";
  std::string text;
  if (Status s = ReadBoundedFile(path, kJetParametersFileLimit, text); !s.ok()) {
    return s.WithMessage(named + s.message());
  }
  const Status loaded = LoadJetParameters(text, defaults, out);
  return loaded.ok() ? loaded : loaded.WithMessage(named + loaded.message());
}

}  // namespace tallyscan
