#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// A set of line numbers (or movement ordinals) built in ascending order, such as the hit lines
// of a test, kept compactly: the numbers are taken in blocks of 65,536, and a block holds the
// low 16 bits of each of its numbers (2 bytes a number) until a bit per number of the block
// (8 KB) is smaller. A test that hits every line of a large file then costs a bit per line,
// and no number ever more than 2 bytes, beside 16 bytes for each block that holds one.
//
//   JetLineSet lines;
//   for (std::uint32_t line : found) lines.Append(line);  // ascending
//   for (std::uint32_t line : lines) ...                  // the same, in the same order

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace tallyscan {

class JetLineSet {
 public:
  JetLineSet() = default;
  JetLineSet(std::initializer_list<std::uint32_t> numbers);

  // Adds a number above every number held (a number not above the last one is ignored, so
  // that the set holds each number once).
  void Append(std::uint32_t number);
  // Gives back the room the lists grew into while numbers were appended.
  void Settle();

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool Contains(std::uint32_t number) const;
  // The bytes the set holds on the heap.
  std::size_t HeapBytes() const;

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::uint32_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const std::uint32_t*;
    using reference = std::uint32_t;

    Iterator() = default;
    std::uint32_t operator*() const { return value_; }
    Iterator& operator++();
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const Iterator& other) const {
      return block_ == other.block_ && place_ == other.place_;
    }

   private:
    friend class JetLineSet;
    Iterator(const JetLineSet* set, std::size_t block) : set_(set), block_(block) { Settle(); }
    void Settle();  // onto the first number at or after (block_, place_), or the end

    const JetLineSet* set_ = nullptr;
    std::size_t block_ = 0;
    std::uint32_t place_ = 0;  // a sparse block's index, or a dense block's bit
    std::uint32_t value_ = 0;
  };
  using value_type = std::uint32_t;
  using iterator = Iterator;
  using const_iterator = Iterator;
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, blocks_.size()); }

  friend bool operator==(const JetLineSet& a, const JetLineSet& b);

 private:
  static constexpr std::uint32_t kBlockBits = 16;
  static constexpr std::uint32_t kDenseFrom = 4096;  // numbers from which a bit each is smaller
  static constexpr std::size_t kWordsPerBlock = (std::size_t{1} << kBlockBits) / 64;

  struct Block {
    std::uint32_t high = 0;   // the numbers' bits above the low 16
    std::uint32_t count = 0;  // numbers held
    std::uint32_t at = 0;     // first of its entries in lows_, or of its words in bits_
    bool dense = false;
  };

  std::vector<Block> blocks_;         // ascending by `high`
  std::vector<std::uint16_t> lows_;   // the sparse blocks' numbers, block after block
  std::vector<std::uint64_t> words_;  // the dense blocks' bits, kWordsPerBlock each
  std::size_t size_ = 0;
  std::uint32_t last_ = 0;
};

}  // namespace tallyscan
