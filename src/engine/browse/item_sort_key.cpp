#include "engine/browse/item_sort_key.h"

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

std::string BytesSortKey(std::string_view cp1255) {
  constexpr auto kLength = static_cast<std::size_t>(kKeyLength);
  std::string key(cp1255.substr(0, kLength));
  key.resize(kLength, ' ');
  return key;
}

std::string TextSortKey(std::string_view utf8) { return BytesSortKey(Utf8ToCp1255(utf8)); }

std::string SignedSortKey(std::int64_t value) {
  // Offset binary: the lowest value becomes 0, zero 2^63, the highest 2^64 - 1.
  std::uint64_t rest = static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63);
  std::string text(20, '0');
  for (std::size_t i = 20; i-- > 0 && rest != 0; rest /= 10) {
    text[i] = static_cast<char>('0' + rest % 10);
  }
  return text;
}

}  // namespace tallyscan
