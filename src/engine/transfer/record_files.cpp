#include "engine/transfer/record_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace tallyscan {
namespace {

// An index file whose writes go through the transfer's file calls.
class CalledStorage final : public IsamStorage {
 public:
  CalledStorage(std::unique_ptr<IsamStorage> inner, TransferFileCalls& calls)
      : inner_(std::move(inner)), calls_(calls) {}
  std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
    return inner_->ReadAt(offset, bytes);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    return calls_.WriteIndex(*inner_, offset, bytes);
  }
  bool Size(std::uint64_t& size) override { return inner_->Size(size); }
  bool Flush() override { return inner_->Flush(); }
  void Refresh() override { inner_->Refresh(); }
  IsamStatus Lock(IsamLockMode mode) override { return inner_->Lock(mode); }
  void Unlock() override { inner_->Unlock(); }
  bool LeftUnfinished() override { return inner_->LeftUnfinished(); }
  void ForgetUnfinished() override { inner_->ForgetUnfinished(); }
  IsamStatus MarkWriting() override { return inner_->MarkWriting(); }
  void KeepMark() override { inner_->KeepMark(); }

 private:
  std::unique_ptr<IsamStorage> inner_;
  TransferFileCalls& calls_;
};

class CalledIndexFiles final : public IsamFileSystem {
 public:
  explicit CalledIndexFiles(TransferFileCalls& calls) : calls_(calls) {}
  IsamOpenResult Open(const std::string& file_name, IsamOpenMode mode) override {
    IsamOpenResult opened = files_.Open(file_name, mode);
    if (opened.storage != nullptr) {
      opened.storage = std::make_unique<CalledStorage>(std::move(opened.storage), calls_);
    }
    return opened;
  }

 private:
  PosixIsamFileSystem files_;
  TransferFileCalls& calls_;
};

}  // namespace

std::string SystemError(std::string_view what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint64_t FileSize(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

bool WriteAll(TransferFileCalls& calls, int fd, std::string_view bytes, off_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = calls.WriteAt(fd, bytes.data() + done, bytes.size() - done,
                                    offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

Status CopyFile(TransferFileCalls& calls, const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Status::IoError(SystemError("cannot open", from));
  struct stat info {};
  if (::fstat(in, &info) != 0) {
    ::close(in);
    return Status::IoError(SystemError("cannot read", from));
  }
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         info.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return Status::IoError(SystemError("cannot create", to));
  }
  std::string buffer(std::size_t{1} << 20, '\0');
  off_t at = 0;
  Status result;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = Status::IoError(SystemError("cannot read", from));
    if (n <= 0) break;
    if (!WriteAll(calls, out, std::string_view(buffer.data(), static_cast<std::size_t>(n)), at)) {
      result = Status::IoError(SystemError("cannot write", to));
      break;
    }
    at += n;
  }
  if (result.ok() && ::fsync(out) != 0) result = Status::IoError(SystemError("cannot write", to));
  ::close(in);
  ::close(out);
  return result;
}

std::unique_ptr<IsamFileSystem> IndexFilesThrough(TransferFileCalls& calls) {
  return std::make_unique<CalledIndexFiles>(calls);
}

RecordFile::~RecordFile() {
  if (fd_ >= 0) ::close(fd_);
}

Status RecordFile::Open(const std::string& path) {
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return Status::IoError(SystemError("cannot open", path));
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return Status::IoError(SystemError("cannot read", path));
  count_ = static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size) / record_size_);
  return Status::Ok();
}

std::uint32_t RecordFile::Append(std::span<const std::uint8_t> record) {
  buffer_.append(reinterpret_cast<const char*>(record.data()), record_size_);
  ++count_;
  if (buffer_.size() >= kBufferBytes) failed_ |= !FlushBuffer();
  return count_;
}

bool RecordFile::Read(std::uint32_t number, std::span<std::uint8_t> record) {
  if (!FlushBuffer()) return false;
  return ::pread(fd_, record.data(), record_size_, Offset(number)) ==
         static_cast<ssize_t>(record_size_);
}

bool RecordFile::Write(std::uint32_t number, std::span<const std::uint8_t> record) {
  if (!FlushBuffer()) return false;
  return calls_.WriteAt(fd_, record.data(), record_size_, Offset(number)) ==
         static_cast<ssize_t>(record_size_);
}

Status RecordFile::Close() {
  const bool flushed = FlushBuffer() && !failed_;
  const bool synced = fd_ >= 0 && ::fsync(fd_) == 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!flushed || !synced) return Status::IoError(SystemError("cannot write", path_));
  return Status::Ok();
}

bool RecordFile::FlushBuffer() {
  if (buffer_.empty()) return true;
  const std::uint64_t first = count_ - buffer_.size() / record_size_ + 1;
  if (!WriteAll(calls_, fd_, buffer_, Offset(static_cast<std::uint32_t>(first)))) return false;
  buffer_.clear();
  return true;
}

}  // namespace tallyscan
