#include "engine/mail/password_scramble.h"

#include <cstdint>
#include <random>

namespace tallyscan {
namespace {

constexpr char kForm = 'S';  // the first character names the form, so that it can change
constexpr std::string_view kHex = "0123456789ABCDEF";
constexpr std::size_t kSaltBytes = 8;

// splitmix64: a keystream from the random salt, so that equal passwords look different.
class Stream {
 public:
  explicit Stream(std::uint64_t seed) : state_(seed) {}
  unsigned char Next() {
    if (used_ == 8) {
      std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      word_ = z ^ (z >> 31);
      used_ = 0;
    }
    return static_cast<unsigned char>(word_ >> (8 * used_++));
  }

 private:
  std::uint64_t state_;
  std::uint64_t word_ = 0;
  int used_ = 8;
};

void AppendHex(std::string& out, unsigned char byte) {
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string ScramblePassword(std::string_view password) {
  std::random_device random;
  std::uint64_t salt = 0;
  std::string out(1, kForm);
  for (std::size_t i = 0; i < kSaltBytes; ++i) {
    const auto byte = static_cast<unsigned char>(random());
    salt = salt << 8 | byte;
    AppendHex(out, byte);
  }
  Stream stream(salt);
  for (const char c : password) AppendHex(out, static_cast<unsigned char>(c) ^ stream.Next());
  return out;
}

std::string UnscramblePassword(std::string_view stored) {
  if (stored.size() < 1 + 2 * kSaltBytes || stored.front() != kForm || stored.size() % 2 == 0) {
    return {};
  }
  std::string bytes;
  for (std::size_t i = 1; i < stored.size(); i += 2) {
    const int high = HexValue(stored[i]);
    const int low = HexValue(stored[i + 1]);
    if (high < 0 || low < 0) return {};
    bytes += static_cast<char>(high << 4 | low);
  }
  std::uint64_t salt = 0;
  for (std::size_t i = 0; i < kSaltBytes; ++i)
    salt = salt << 8 | static_cast<unsigned char>(bytes[i]);
  Stream stream(salt);
  std::string password;
  for (std::size_t i = kSaltBytes; i < bytes.size(); ++i) {
    password += static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ stream.Next());
  }
  return password;
}

}  // namespace tallyscan
