#pragma once

#include <cstddef>
#include <cstdint>

namespace tallyscan::gen {

// A small, fast generator (splitmix64) so that a seed gives the same data set on every
// platform; the standard engines' distributions are not portable.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [low, high]; high >= low.
  std::int64_t Between(std::int64_t low, std::int64_t high) {
    const std::uint64_t span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(Next() % span);
  }
  // True with the given chance in percent.
  bool Percent(int chance) { return static_cast<int>(Next() % 100) < chance; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Next() % N];
  }

 private:
  std::uint64_t state_;
};

}  // namespace tallyscan::gen
