#pragma once

#include <string>
#include <utility>

namespace tallyscan {

// The outcome of an engine operation. The engine never shows anything itself: a failure
// carries the message (UTF-8, the system's own wording) for the caller to show.
class Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }

 private:
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}
  bool failed_ = false;
  std::string message_;
};

}  // namespace tallyscan
