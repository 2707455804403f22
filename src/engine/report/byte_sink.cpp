#include "engine/report/byte_sink.h"

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

FileSink::FileSink(ReportFile file) : file_(std::move(file)) { buffer_.reserve(kBufferSize); }

void FileSink::Write(std::string_view bytes) {
  if (error_ != 0 || closed_) return;
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) Flush();
}

void FileSink::Flush() {
  std::size_t done = 0;
  while (error_ == 0 && done < buffer_.size()) {
    const ssize_t written = ::write(file_.fd(), buffer_.data() + done, buffer_.size() - done);
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
  if (error_ == 0) return file_.Commit();
  file_.Discard();
  return Status::IoError(WriteFailureMessage(file_.path(), std::strerror(error_)));
}

void FileSink::Discard() {
  if (closed_) return;
  closed_ = true;
  buffer_.clear();
  file_.Discard();
}

}  // namespace tallyscan
