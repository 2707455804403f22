#pragma once

// Where the lines of a data file go: a plain file, or one entry of a zip archive, behind a
// large buffer so that millions of lines cost a few hundred writes.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "engine/common/status.h"

namespace tallyscan::gen {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(std::string_view bytes) = 0;
  virtual bool Close() = 0;
};

std::unique_ptr<ByteSink> OpenFileSink(const std::filesystem::path& path);
// One entry named `entry` in a new archive; `date` (YYYYMMDD) stamps the entry so that
// the archive's bytes depend on nothing but the data.
std::unique_ptr<ByteSink> OpenZipSink(const std::filesystem::path& path, std::string_view entry,
                                      int date, bool large);

// Writes lines ending in CR LF and counts them.
class LineWriter {
 public:
  explicit LineWriter(ByteSink* sink);
  void Line(std::string_view bytes);
  // Flushes and closes the sink; the status tells whether every write succeeded.
  Status Finish(const std::string& what);

  std::int64_t lines() const { return lines_; }
  std::int64_t bytes() const { return bytes_; }
  // The number the next line will have (1-based).
  std::int64_t next_line() const { return lines_ + 1; }

 private:
  void Flush();

  ByteSink* sink_;
  std::string buffer_;
  std::int64_t lines_ = 0;
  std::int64_t bytes_ = 0;
  bool failed_ = false;
};

}  // namespace tallyscan::gen
