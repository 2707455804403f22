#include "engine/report/byte_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/common/texts.h"

namespace tallyscan {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

}  // namespace

std::string WriteFailureMessage(const std::string& path, const std::string& reason) {
  return std::string(kCannotWriteFileText) + path + " (" + reason + ")";
}

FileSink::FileSink(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) error_ = errno;
  opened_ = fd_ >= 0;
  buffer_.reserve(kBufferSize);
}

FileSink::~FileSink() {
  if (fd_ >= 0) ::close(fd_);
}

void FileSink::Write(std::string_view bytes) {
  if (error_ != 0 || closed_) return;
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) Flush();
}

void FileSink::Flush() {
  std::size_t done = 0;
  while (error_ == 0 && done < buffer_.size()) {
    const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0) {
      if (errno != EINTR) error_ = errno;
      continue;
    }
    done += static_cast<std::size_t>(written);
  }
  buffer_.clear();
}

Status FileSink::Close() {
  if (closed_) return Status::Ok();
  closed_ = true;
  if (error_ == 0) Flush();
  if (fd_ >= 0) {
    if (::close(fd_) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
  }
  if (error_ == 0) return Status::Ok();
  // Only a file this sink made is removed: a file that could not be opened is left alone.
  if (opened_) ::unlink(path_.c_str());
  return Status::IoError(WriteFailureMessage(path_, std::strerror(error_)));
}

}  // namespace tallyscan
