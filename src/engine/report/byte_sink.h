#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// Where a file target of a report writes its bytes: appended in order, closed once.

#include <string>
#include <string_view>

#include "engine/common/status.h"
#include "engine/report/report_file.h"

namespace tallyscan {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Appends. A failure is remembered and reported by Close; later writes are ignored.
  virtual void Write(std::string_view bytes) = 0;
  // Finishes the output. Failed when any write or the close failed.
  virtual Status Close() = 0;
  // Instead of Close: the output is not kept. A file is removed; bytes already handed on
  // (standard output) stay where they went.
  virtual void Discard() {}
};

// The bytes of a report file (ReportFile), written through a buffer into its temporary file.
// Close puts the file in place when every write succeeded; when a write or the close fails it
// removes the temporary file and its message names the report's path and the reason. A sink
// destroyed without Close removes the temporary file.
class FileSink final : public ByteSink {
 public:
  // `file` must be open.
  explicit FileSink(ReportFile file);
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  ~FileSink() override = default;

  void Write(std::string_view bytes) override;
  Status Close() override;
  void Discard() override;
  const std::string& path() const { return file_.path(); }

 private:
  void Flush();

  ReportFile file_;
  int error_ = 0;  // errno of the first failure
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
