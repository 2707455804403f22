#include "engine/analytics/jet_line_set.h"

#include <algorithm>
#include <bit>

namespace tallyscan {

JetLineSet::JetLineSet(std::initializer_list<std::uint32_t> numbers) {
  for (const std::uint32_t number : numbers) Append(number);
}

void JetLineSet::Append(std::uint32_t number) {
  if (size_ > 0 && number <= last_) return;
  const std::uint32_t high = number >> kBlockBits;
  const auto low = static_cast<std::uint16_t>(number);
  if (blocks_.empty() || blocks_.back().high != high) {
    blocks_.push_back({high, 0, static_cast<std::uint32_t>(lows_.size()), false});
  }
  Block& block = blocks_.back();
  if (!block.dense && block.count == kDenseFrom) {
    // The last block's numbers are the last of lows_: they become its bits.
    const std::size_t first_word = words_.size();
    words_.resize(first_word + kWordsPerBlock, 0);
    for (std::size_t i = block.at; i < lows_.size(); ++i) {
      words_[first_word + lows_[i] / 64] |= std::uint64_t{1} << (lows_[i] % 64);
    }
    lows_.resize(block.at);
    block.at = static_cast<std::uint32_t>(first_word / kWordsPerBlock);
    block.dense = true;
  }
  if (block.dense) {
    words_[std::size_t{block.at} * kWordsPerBlock + low / 64] |= std::uint64_t{1} << (low % 64);
  } else {
    lows_.push_back(low);
  }
  ++block.count;
  ++size_;
  last_ = number;
}

void JetLineSet::Settle() {
  blocks_.shrink_to_fit();
  lows_.shrink_to_fit();
  words_.shrink_to_fit();
}

bool JetLineSet::Contains(std::uint32_t number) const {
  const std::uint32_t high = number >> kBlockBits;
  const auto found = std::lower_bound(blocks_.begin(), blocks_.end(), high,
                                      [](const Block& b, std::uint32_t h) { return b.high < h; });
  if (found == blocks_.end() || found->high != high) return false;
  const auto low = static_cast<std::uint16_t>(number);
  if (found->dense) {
    return (words_[std::size_t{found->at} * kWordsPerBlock + low / 64] >> (low % 64) & 1) != 0;
  }
  const auto first = lows_.begin() + found->at;
  return std::binary_search(first, first + found->count, low);
}

std::size_t JetLineSet::HeapBytes() const {
  return blocks_.capacity() * sizeof(Block) + lows_.capacity() * sizeof(std::uint16_t) +
         words_.capacity() * sizeof(std::uint64_t);
}

bool operator==(const JetLineSet& a, const JetLineSet& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

JetLineSet::Iterator& JetLineSet::Iterator::operator++() {
  ++place_;
  Settle();
  return *this;
}

void JetLineSet::Iterator::Settle() {
  for (; block_ < set_->blocks_.size(); ++block_, place_ = 0) {
    const Block& block = set_->blocks_[block_];
    const std::uint32_t base = block.high << kBlockBits;
    if (!block.dense) {
      if (place_ < block.count) {
        value_ = base | set_->lows_[block.at + place_];
        return;
      }
      continue;
    }
    // place_ is the bit to look from.
    const std::uint64_t* words = set_->words_.data() + std::size_t{block.at} * kWordsPerBlock;
    for (std::uint32_t word = place_ / 64; word < kWordsPerBlock; ++word) {
      std::uint64_t bits = words[word];
      if (word == place_ / 64) bits &= ~std::uint64_t{0} << (place_ % 64);
      if (bits != 0) {
        place_ = word * 64 + static_cast<std::uint32_t>(std::countr_zero(bits));
        value_ = base | place_;
        return;
      }
    }
  }
  place_ = 0;
}

}  // namespace tallyscan
