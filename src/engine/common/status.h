#pragma once

#include <string>
#include <utility>

namespace tallyscan {

// What kind of failure a status reports, so that a caller can act on it without reading
// the message: the CLI turns it into its exit code, the app chooses what to offer. A stop
// asked for by the user is no failure: the operations that can be stopped say so in their
// own results.
enum class StatusCode {
  kOk,
  kNotFound,     // the folder, file, line or record asked for does not exist
  kOutOfRange,   // a number given (a line, an offset) lies beyond what the file holds
  kCorrupt,      // the bytes are there but are not what the format says
  kIoError,      // the system refused to open, read or write a file
  kRefused,      // the operation was declined as asked (the folder is already loaded)
  kOutOfMemory,  // memory ran out part way
  kInterrupted,  // the user stopped an operation whose result says only that it stopped
};

// The outcome of an engine operation. The engine never shows anything itself: a failure
// carries the message (UTF-8, the system's own wording) for the caller to show. A status
// must be read: dropping one is a compile error.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) {
    return {StatusCode::kNotFound, std::move(message)};
  }
  static Status OutOfRange(std::string message) {
    return {StatusCode::kOutOfRange, std::move(message)};
  }
  static Status Corrupt(std::string message) { return {StatusCode::kCorrupt, std::move(message)}; }
  static Status IoError(std::string message) { return {StatusCode::kIoError, std::move(message)}; }
  static Status Refused(std::string message) { return {StatusCode::kRefused, std::move(message)}; }
  static Status OutOfMemory(std::string message) {
    return {StatusCode::kOutOfMemory, std::move(message)};
  }
  static Status Interrupted(std::string message) {
    return {StatusCode::kInterrupted, std::move(message)};
  }

  // The same kind of failure told in other words (a message wrapped in a longer one).
  Status WithMessage(std::string message) const { return {code_, std::move(message)}; }

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(StatusCode code, std::string message) : code_(code), message_(std::move(message)) {}
  StatusCode code_ = StatusCode::kOk;
  std::string message_;
};

}  // namespace tallyscan
