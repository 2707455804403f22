#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// A growable array of fixed-size entries addressed by element index 1..Count(). Element 0
// exists, is never written and holds zero bytes, so element numbers match the line of the
// index a consumer talks about ("entry 1" is the first record).

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace tallyscan {

template <typename Entry>
class RecordIndex {
  static_assert(std::is_trivially_copyable_v<Entry>, "entries are moved with realloc");

 public:
  RecordIndex() = default;
  RecordIndex(const RecordIndex&) = delete;
  RecordIndex& operator=(const RecordIndex&) = delete;
  RecordIndex(RecordIndex&& other) noexcept { Swap(other); }
  RecordIndex& operator=(RecordIndex&& other) noexcept {
    RecordIndex moved(std::move(other));
    Swap(moved);
    return *this;
  }
  ~RecordIndex() { std::free(data_); }

  // The number of entries; they occupy elements 1..Count().
  std::int64_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  // Element 1..Count(). Element 0 is readable and all zeros.
  const Entry& operator[](std::int64_t element) const { return data_[element]; }
  Entry& operator[](std::int64_t element) { return data_[element]; }

  // Entries 1..Count() as a contiguous range.
  std::span<const Entry> Entries() const {
    return data_ ? std::span<const Entry>(data_ + 1, static_cast<std::size_t>(count_))
                 : std::span<const Entry>();
  }
  std::span<Entry> MutableEntries() {
    return data_ ? std::span<Entry>(data_ + 1, static_cast<std::size_t>(count_))
                 : std::span<Entry>();
  }

  // Back to element 0 only, with room for `expected` entries. Throws std::bad_alloc.
  void Reset(std::int64_t expected) {
    count_ = 0;
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    Grow(expected < 0 ? 1 : expected + 1);
  }

  // Stores a new entry at element Count()+1 and returns it (zero-filled). Growth is
  // geometric: a reservation that proved too small costs amortised constant time per entry,
  // and large blocks are moved by the allocator's page remapping rather than copied.
  Entry& Append() {
    if (count_ + 1 >= capacity_) Grow(capacity_ + capacity_ / 2 + 1000);
    ++count_;
    std::memset(static_cast<void*>(&data_[count_]), 0, sizeof(Entry));
    return data_[count_];
  }

  // Appends copies of `entries` after element Count(), growing the storage to exactly the
  // room needed (a large block is remapped by the allocator, not copied). Throws
  // std::bad_alloc and then leaves the index as it was.
  void AppendEntries(std::span<const Entry> entries) {
    if (entries.empty()) return;
    const std::int64_t count = count_ + static_cast<std::int64_t>(entries.size());
    if (count + 1 > capacity_) Grow(count + 1);
    std::memcpy(static_cast<void*>(&data_[count_ + 1]), entries.data(),
                entries.size() * sizeof(Entry));
    count_ = count;
  }

  // Resizes to exactly elements 0..count (growing fills with zero entries; shrinking drops
  // the tail). The storage is returned only when a meaningful share of it is unused, so that
  // a correct reservation never costs a second copy of the index.
  void Resize(std::int64_t count) {
    if (count < 0) count = 0;
    if (count + 1 > capacity_) Grow(count + 1);
    if (count > count_) {
      std::memset(static_cast<void*>(&data_[count_ + 1]), 0,
                  static_cast<std::size_t>(count - count_) * sizeof(Entry));
    }
    count_ = count;
    const std::int64_t needed = count_ + 1;
    if (capacity_ - needed > needed / 8 + 64) Reallocate(needed);
  }
  void ShrinkToCount() { Resize(count_); }

  // The number of elements the storage has room for (element 0 included).
  std::int64_t Capacity() const { return capacity_; }

 private:
  void Grow(std::int64_t capacity) {
    if (capacity <= capacity_) return;
    const bool fresh = capacity_ == 0;
    Reallocate(capacity);
    if (fresh) std::memset(static_cast<void*>(data_), 0, sizeof(Entry));  // element 0
  }

  void Reallocate(std::int64_t capacity) {
    if (capacity < 1 || static_cast<std::uint64_t>(capacity) >
                            static_cast<std::uint64_t>(PTRDIFF_MAX) / sizeof(Entry)) {
      throw std::bad_alloc();
    }
    void* moved = std::realloc(data_, static_cast<std::size_t>(capacity) * sizeof(Entry));
    if (moved == nullptr) throw std::bad_alloc();
    data_ = static_cast<Entry*>(moved);
    capacity_ = capacity;
  }

  void Swap(RecordIndex& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
  }

  Entry* data_ = nullptr;
  std::int64_t count_ = 0;
  std::int64_t capacity_ = 0;
};

}  // namespace tallyscan
