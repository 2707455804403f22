#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// Reads record lines back for a check run. A run reads millions of lines in an order that
// is not quite the file's (by batch, by account, by document); one system call per line
// would cost far more than the checking itself, so the reader keeps a bounded cache of
// blocks of the data file and copies lines out of it. It reads through the store's own open
// handle (DataFile): the file read is the one the import indexed, even when another was
// saved or renamed over its name since, and a file shortened during the run gives short or
// empty lines, never a fault. Either way the bytes are those of the store's reads: the line
// at an offset, cut at its line end and at the width asked for.
//
// Not for use from two threads at once (the cache changes on every read).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

class RecordStore;

namespace checks {

class RecordReader {
 public:
  // The cache: kBlocks blocks of kBlockSize bytes, each block of the file in one slot.
  static constexpr std::size_t kBlockSize = 16 * 1024;
  static constexpr std::size_t kBlocks = 512;

  explicit RecordReader(const RecordStore& store);
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;
  ~RecordReader();

  // The line of a record at `offset`, up to the width its layout covers, without the line
  // end. The view lives until `scratch` changes.
  std::string_view Line(std::int64_t offset, RecordType type, std::string& scratch) const;

  // A field (or run of positions) of the line at `offset`; a shorter line yields what it
  // has. The view lives until `scratch` changes.
  std::string_view Field(std::int64_t offset, Positions field, std::string& scratch) const;

 private:
  std::string_view Cut(std::int64_t offset, int max_length, std::string& scratch) const;

  const RecordStore& store_;
  // Block number held by each slot (-1: none) and how many bytes of it the file gave.
  std::unique_ptr<std::int64_t[]> slot_block_;
  std::unique_ptr<std::size_t[]> slot_size_;
  mutable std::unique_ptr<char[]> blocks_;  // allocated on first use
};

}  // namespace checks
}  // namespace tallyscan
