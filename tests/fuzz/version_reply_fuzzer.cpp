// Reads the fuzzer's input as the server's version reply, whole and cut to the longest reply
// accepted. Any input must end without a crash or a sanitizer report, and its reading must
// agree with the C run-time's conversion of the number it starts with: a reply too long, a
// number that rounds to 0 or one beyond the highest version gives nothing, any other the
// number in ten-thousandths, rounded.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/program/program.h"

namespace {

using tallyscan::kHighestVersion;
using tallyscan::kVersionReplyMax;
using tallyscan::VersionFromReply;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number the reply starts with: blanks, a sign, digits, a point and digits, and nothing
// of an exponent or a hexadecimal form, which the reading does not take.
std::string NumberPrefix(std::string_view reply) {
  std::size_t i = 0;
  while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < reply.size() && (reply[i] == '-' || reply[i] == '+')) ++i;
  while (i < reply.size() && IsDigit(reply[i])) ++i;
  if (i < reply.size() && reply[i] == '.') {
    ++i;
    while (i < reply.size() && IsDigit(reply[i])) ++i;
  }
  return std::string(reply.substr(start, i - start));
}

void Check(std::string_view reply) {
  const std::optional<std::int64_t> version = VersionFromReply(reply);
  if (reply.size() > kVersionReplyMax) {
    if (version) std::abort();
    return;
  }
  const std::string number = NumberPrefix(reply);
  const long double scaled = std::strtold(number.c_str(), nullptr) * 10000.0L;
  // Half a ten-thousandth either way may round to either side in floating point.
  constexpr long double kSlack = 1e-6L;
  if (version) {
    if (*version == 0 || std::llabs(*version) > kHighestVersion) std::abort();
    if (std::fabs(static_cast<long double>(*version) - scaled) > 0.5L + kSlack) std::abort();
  } else if (std::fabs(scaled) > 0.5L + kSlack &&
             std::fabs(scaled) < static_cast<long double>(kHighestVersion) + 0.5L - kSlack) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  Check(reply);
  Check(reply.substr(0, kVersionReplyMax));
  return 0;
}
