#include "engine/text/cp1255.h"

#include <array>
#include <cstdint>
#include <string>

namespace tallyscan {

namespace {

// Code points of bytes 0x80-0xFF. A byte the code page leaves undefined maps to the code
// point of its own value, so that any byte string survives the trip to UTF-8 and back.
// clang-format off
constexpr std::array<char16_t, 128> kUpperHalf = {
    // 0x80
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x008A, 0x2039, 0x008C, 0x008D, 0x008E, 0x008F,
    // 0x90
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F,
    // 0xA0: 0xA4 is the new shekel sign, 0xAA multiplication, 0xBA division
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AA, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    // 0xB0
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00F7, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    // 0xC0: Hebrew points (0xCA, holam haser for vav, as Windows maps it)
    0x05B0, 0x05B1, 0x05B2, 0x05B3, 0x05B4, 0x05B5, 0x05B6, 0x05B7,
    0x05B8, 0x05B9, 0x05BA, 0x05BB, 0x05BC, 0x05BD, 0x05BE, 0x05BF,
    // 0xD0: points, then the Yiddish ligatures and geresh / gershayim
    0x05C0, 0x05C1, 0x05C2, 0x05C3, 0x05F0, 0x05F1, 0x05F2, 0x05F3,
    0x05F4, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    // 0xE0: the letters alef to tav
    0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7,
    0x05D8, 0x05D9, 0x05DA, 0x05DB, 0x05DC, 0x05DD, 0x05DE, 0x05DF,
    // 0xF0: 0xFD and 0xFE are the left-to-right and right-to-left marks
    0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,
    0x05E8, 0x05E9, 0x05EA, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x00FF,
};
// clang-format on

struct ReverseEntry {
  char16_t code_point;
  unsigned char byte;
};

// Upper-half entries sorted by code point, for the way back.
constexpr std::array<ReverseEntry, 128> kReverse = [] {
  std::array<ReverseEntry, 128> table{};
  for (std::size_t i = 0; i < 128; ++i) {
    table[i] = {kUpperHalf[i], static_cast<unsigned char>(0x80 + i)};
  }
  for (std::size_t i = 1; i < table.size(); ++i) {
    for (std::size_t j = i; j > 0 && table[j - 1].code_point > table[j].code_point; --j) {
      const ReverseEntry swap = table[j];
      table[j] = table[j - 1];
      table[j - 1] = swap;
    }
  }
  return table;
}();

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

int ByteForCodePoint(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  std::size_t low = 0;
  std::size_t high = kReverse.size();
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if (kReverse[mid].code_point < cp) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low < kReverse.size() && kReverse[low].code_point == cp) return kReverse[low].byte;
  return -1;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Converts, calling `unmappable(out, code_point)` for a character the code page cannot hold
// and `invalid(out)` for a malformed sequence.
template <typename Unmappable, typename Invalid>
std::string Encode(std::string_view utf8, Unmappable unmappable, Invalid invalid) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  const std::size_t n = utf8.size();
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
  while (i < n) {
    const unsigned char lead = at(i);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    // Decode one sequence. On a malformed one, one replacement stands for its longest valid
    // beginning (at least the lead byte), and decoding resumes after it.
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
      min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
      min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
      min = 0x10000;
    }
    std::size_t used = 1;
    bool valid = length > 0;
    while (valid && used < length) {
      if (i + used >= n || !IsContinuation(at(i + used))) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (at(i + used) & 0x3F);
      ++used;
      // Reject overlong forms, surrogates and values above U+10FFFF as soon as the second
      // byte shows them, so that the next byte starts a fresh sequence.
      if (used == 2) {
        const char32_t top = cp << (6 * (length - 2));
        if (top < min || (top >= 0xD800 && top <= 0xDFFF) || top > 0x10FFFF) {
          valid = false;
          --used;
        }
      }
    }
    if (!valid) {
      invalid(out);
      i += used;
      continue;
    }
    const int byte = ByteForCodePoint(cp);
    if (byte < 0) {
      unmappable(out, cp);
    } else {
      out.push_back(static_cast<char>(byte));
    }
    i += length;
  }
  return out;
}

}  // namespace

std::string Cp1255ToUtf8(std::string_view bytes) {
  // Digits, keys and Latin text are the same bytes in both.
  std::size_t ascii = 0;
  while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
  if (ascii == bytes.size()) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  out.append(bytes.substr(0, ascii));
  for (const char c : bytes.substr(ascii)) {
    const auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b < 0x80 ? char32_t{b} : char32_t{kUpperHalf[b - 0x80]});
  }
  return out;
}

std::string Utf8ToCp1255(std::string_view utf8) {
  const auto question = [](std::string& out, char32_t = 0) { out.push_back('?'); };
  return Encode(utf8, question, question);
}

std::string Utf8ToCp1255WithReferences(std::string_view utf8) {
  const auto reference = [](std::string& out, char32_t cp) {
    out += "&#";
    out += std::to_string(static_cast<std::uint32_t>(cp));
    out += ';';
  };
  return Encode(utf8, reference, [&](std::string& out) { reference(out, 0xFFFD); });
}

}  // namespace tallyscan
