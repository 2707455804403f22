#pragma once

// Where a file target of a report writes its bytes: appended in order, closed once.

#include <string>
#include <string_view>

#include "engine/common/status.h"

namespace tallyscan {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Appends. A failure is remembered and reported by Close; later writes are ignored.
  virtual void Write(std::string_view bytes) = 0;
  // Finishes the output. Failed when any write or the close failed.
  virtual Status Close() = 0;
};

// A new file at `path` (an existing one is replaced), written through a buffer. When a write,
// the creation or the close fails, Close removes the partial file and its message names the
// file and the reason. A sink destroyed without Close closes the file and keeps it.
class FileSink final : public ByteSink {
 public:
  explicit FileSink(std::string path);
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  ~FileSink() override;

  void Write(std::string_view bytes) override;
  Status Close() override;
  const std::string& path() const { return path_; }

 private:
  void Flush();

  std::string path_;
  int fd_ = -1;
  int error_ = 0;  // errno of the first failure
  bool opened_ = false;
  bool closed_ = false;
  std::string buffer_;
};

// Bytes kept in memory: for tests and for callers that want the document as a string.
class StringSink final : public ByteSink {
 public:
  void Write(std::string_view bytes) override { bytes_.append(bytes); }
  Status Close() override { return Status::Ok(); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// The message of a file that could not be written: "לא ניתן לכתוב את הקובץ PATH (REASON)".
std::string WriteFailureMessage(const std::string& path, const std::string& reason);

}  // namespace tallyscan
