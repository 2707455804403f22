#include "engine/uniform/random_access_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tallyscan {

namespace {

std::string SystemError(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

RandomAccessFile::RandomAccessFile(RandomAccessFile&& other) noexcept
    : read_fd_(std::exchange(other.read_fd_, -1)),
      write_fd_(std::exchange(other.write_fd_, -1)),
      path_(std::move(other.path_)) {}

RandomAccessFile& RandomAccessFile::operator=(RandomAccessFile&& other) noexcept {
  if (this != &other) {
    Close();
    read_fd_ = std::exchange(other.read_fd_, -1);
    write_fd_ = std::exchange(other.write_fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

RandomAccessFile::~RandomAccessFile() { Close(); }

Status RandomAccessFile::Open(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const bool missing = errno == ENOENT || errno == ENOTDIR;
    const std::string message = SystemError("cannot open", path);
    return missing ? Status::NotFound(message) : Status::IoError(message);
  }
  read_fd_ = fd;
  path_ = path;
  return Status::Ok();
}

void RandomAccessFile::Close() {
  if (read_fd_ >= 0) ::close(read_fd_);
  if (write_fd_ >= 0) ::close(write_fd_);
  read_fd_ = write_fd_ = -1;
  path_.clear();
}

std::int64_t RandomAccessFile::Size() const {
  struct stat st;
  if (read_fd_ < 0 || ::fstat(read_fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::size_t RandomAccessFile::ReadInto(std::int64_t offset, char* buffer, std::size_t count) const {
  if (read_fd_ < 0 || offset < 0) return 0;
  std::size_t got = 0;
  while (got < count) {
    const ssize_t n = ::pread(read_fd_, buffer + got, count - got,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

std::string RandomAccessFile::ReadAt(std::int64_t offset, std::size_t count) const {
  std::string bytes;
  if (read_fd_ < 0 || offset < 0 || count == 0) return bytes;
  bytes.resize(count);
  bytes.resize(ReadInto(offset, bytes.data(), count));
  return bytes;
}

std::string RandomAccessFile::ReadLine(std::int64_t offset, int max_length) const {
  if (max_length <= 0) return {};
  // One byte more than asked tells whether a CR at the limit is the line's own end.
  std::string line = ReadAt(offset, static_cast<std::size_t>(max_length) + 1);
  line.resize(CutLine(line, max_length).size());
  return line;
}

std::string RandomAccessFile::ReadField(std::int64_t offset, int start, int width) const {
  if (start < 1 || width <= 0) return {};
  const std::string line = ReadLine(offset, start - 1 + width);
  const std::size_t begin = static_cast<std::size_t>(start - 1);
  return begin < line.size() ? line.substr(begin) : std::string();
}

Status RandomAccessFile::WriteAt(std::int64_t offset, std::string_view bytes) {
  if (read_fd_ < 0) return Status::Refused("no data file is open");
  if (write_fd_ < 0) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Status::IoError(SystemError("cannot write", path_));
    write_fd_ = fd;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(write_fd_, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Status::IoError(SystemError("cannot write", path_));
    done += static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

Status RandomAccessFile::Sync() {
  if (write_fd_ < 0) return Status::Ok();
  if (::fsync(write_fd_) != 0) return Status::IoError(SystemError("cannot write", path_));
  return Status::Ok();
}

}  // namespace tallyscan
