#include "engine/browse/sort_key.h"

#include <algorithm>
#include <cstring>

namespace tallyscan {

void SetSortKey(std::string_view bytes, char (&key)[kKeyLength]) {
  const std::size_t n = std::min(bytes.size(), static_cast<std::size_t>(kKeyLength));
  if (n > 0) std::memcpy(key, bytes.data(), n);
  std::memset(key + n, ' ', static_cast<std::size_t>(kKeyLength) - n);
}

std::string SignedSortText(std::int64_t value) {
  // Offset binary: the lowest value becomes 0, zero becomes 2^63.
  const std::uint64_t biased = static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63);
  std::string text = std::to_string(biased);
  text.insert(0, 20 - text.size(), '0');
  return text;
}

}  // namespace tallyscan
