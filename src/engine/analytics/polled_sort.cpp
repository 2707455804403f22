#include "engine/analytics/polled_sort.h"

#include <algorithm>
#include <array>
#include <bit>

namespace tallyscan::analytics {

namespace {

// Pieces this small are sorted by comparison; from kPolled values on, a piece asks whether to
// stop as it is split (a smaller one is sorted within a millisecond).
constexpr std::size_t kPiece = 64;
constexpr std::size_t kPolled = std::size_t{1} << 16;

bool SortRange(std::uint64_t* first, std::uint64_t* last, const std::function<bool()>& stop) {
  const std::size_t size = static_cast<std::size_t>(last - first);
  const bool polled = size >= kPolled;
  if (size <= kPiece) {
    std::sort(first, last);
    return true;
  }
  std::uint64_t differ = 0;
  for (const std::uint64_t* v = first; v != last; ++v) differ |= *v ^ *first;
  if (differ == 0) return !(polled && stop());
  const int top = 63 - std::countl_zero(differ);
  const int shift = top < 7 ? 0 : top - 7;
  auto bucket = [&](std::uint64_t v) { return static_cast<std::size_t>(v >> shift & 0xFF); };
  std::array<std::size_t, 257> start{};
  for (const std::uint64_t* v = first; v != last; ++v) ++start[bucket(*v) + 1];
  for (std::size_t b = 0; b < 256; ++b) start[b + 1] += start[b];
  std::array<std::size_t, 256> next{};
  std::copy_n(start.begin(), 256, next.begin());
  // Each value is moved straight to its bucket, swapping out what stood there.
  for (std::size_t b = 0; b < 256; ++b) {
    while (next[b] < start[b + 1]) {
      std::uint64_t v = first[next[b]];
      std::size_t target = bucket(v);
      while (target != b) {
        std::swap(v, first[next[target]++]);
        target = bucket(v);
      }
      first[next[b]++] = v;
    }
    if (polled && stop()) return false;
  }
  for (std::size_t b = 0; b < 256; ++b) {
    if (!SortRange(first + start[b], first + start[b + 1], stop)) return false;
  }
  return true;
}

}  // namespace

bool SortPolled(std::vector<std::uint64_t>& values, const std::function<bool()>& stop) {
  return SortRange(values.data(), values.data() + values.size(), stop);
}

}  // namespace tallyscan::analytics
