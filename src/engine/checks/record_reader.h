#pragma once

// Reads record lines back for a check run. A run reads millions of lines in an order that
// is not the file's (by batch, by account); one system call per line would cost far more
// than the checking itself, so the reader maps the data file for the length of the run
// and hands out views into it. Where the file cannot be mapped it reads through the
// store's data file. Either way the bytes are those of the store's reads: the line at an
// offset, cut at its line end and at the width asked for.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/uniform/layouts.h"

namespace tallyscan {

class RecordStore;

namespace checks {

class RecordReader {
 public:
  explicit RecordReader(const RecordStore& store);
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;
  ~RecordReader();

  // The line of a record at `offset`, up to the width its layout covers, without the line
  // end. The view lives until the reader ends, or (when the file is not mapped) until
  // `scratch` changes.
  std::string_view Line(std::int64_t offset, RecordType type, std::string& scratch) const;

  // A field (or run of positions) of the line at `offset`; a shorter line yields what it
  // has.
  std::string_view Field(std::int64_t offset, Positions field, std::string& scratch) const;

  bool mapped() const { return data_ != nullptr; }

 private:
  std::string_view Cut(std::int64_t offset, int max_length, std::string& scratch) const;

  const RecordStore& store_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace checks
}  // namespace tallyscan
