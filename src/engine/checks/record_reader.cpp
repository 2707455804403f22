#include "engine/checks/record_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/uniform/uniform.h"

namespace tallyscan::checks {

RecordReader::RecordReader(const RecordStore& store)
    : store_(store),
      slot_block_(new std::int64_t[kBlocks]),
      slot_size_(new std::size_t[kBlocks]()) {
  std::fill_n(slot_block_.get(), kBlocks, std::int64_t{-1});
}

RecordReader::~RecordReader() = default;

std::string_view RecordReader::Cut(std::int64_t offset, int max_length,
                                   std::string& scratch) const {
  if (max_length <= 0 || offset < 0 || !store_.DataFile.IsOpen()) return {};
  // One byte more than asked tells whether a CR at the limit is the line's own end.
  const std::size_t want = static_cast<std::size_t>(max_length) + 1;
  const auto within = static_cast<std::size_t>(offset % static_cast<std::int64_t>(kBlockSize));
  scratch.resize(want);
  std::size_t got = 0;
  if (within + want <= kBlockSize) {
    if (!blocks_) blocks_.reset(new char[kBlocks * kBlockSize]);
    const std::int64_t block = offset / static_cast<std::int64_t>(kBlockSize);
    const auto slot = static_cast<std::size_t>(block) % kBlocks;
    char* bytes = blocks_.get() + slot * kBlockSize;
    if (slot_block_[slot] != block) {
      slot_size_[slot] = store_.DataFile.ReadInto(block * static_cast<std::int64_t>(kBlockSize),
                                                  bytes, kBlockSize);
      slot_block_[slot] = block;
    }
    if (within < slot_size_[slot]) {
      got = std::min(want, slot_size_[slot] - within);
      std::memcpy(scratch.data(), bytes + within, got);
    }
  } else {
    got = store_.DataFile.ReadInto(offset, scratch.data(), want);  // across two blocks
  }
  scratch.resize(got);
  return CutLine(scratch, max_length);
}

std::string_view RecordReader::Line(std::int64_t offset, RecordType type,
                                    std::string& scratch) const {
  return Cut(offset, LayoutOf(type).full_width, scratch);
}

std::string_view RecordReader::Field(std::int64_t offset, Positions field,
                                     std::string& scratch) const {
  if (field.start < 1 || field.width <= 0) return {};
  const std::string_view line = Cut(offset, field.start - 1 + field.width, scratch);
  const auto begin = static_cast<std::size_t>(field.start - 1);
  return begin < line.size() ? line.substr(begin) : std::string_view();
}

}  // namespace tallyscan::checks
