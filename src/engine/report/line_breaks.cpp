#include "engine/report/line_breaks.h"

namespace tallyscan {
namespace {

// The code point at `at` and its length in bytes; a byte that starts no valid sequence is a
// code point of its own.
char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length) {
  const auto byte = static_cast<unsigned char>(text[at]);
  length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  if (at + length > text.size()) length = 1;
  if (length == 1) return byte;
  char32_t code = byte & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      length = 1;
      return byte;
    }
    code = code << 6 | (next & 0x3F);
  }
  return code;
}

// Points, cantillation and other combining marks: drawn on the letter before them.
bool JoinsLetterBefore(char32_t code) {
  return (code >= 0x0300 && code <= 0x036F) || (code >= 0x0591 && code <= 0x05BD) ||
         code == 0x05BF || code == 0x05C1 || code == 0x05C2 || code == 0x05C4 || code == 0x05C5 ||
         code == 0x05C7 || code == 0x200D;
}

// The end of the letter that begins at `at`, its marks included.
std::size_t LetterEnd(std::string_view text, std::size_t at) {
  std::size_t length = 0;
  CodePointAt(text, at, length);
  std::size_t end = at + length;
  while (end < text.size()) {
    const char32_t code = CodePointAt(text, end, length);
    if (!JoinsLetterBefore(code)) break;
    end += length;
  }
  return end;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] == ' ') ++at;
  return at;
}

}  // namespace

std::vector<std::string> BreakLines(std::string_view text, double width,
                                    const std::function<double(std::string_view)>& measure) {
  std::vector<std::string> lines;
  if (text.empty() || measure(text) <= width) {
    lines.emplace_back(text);
    return lines;
  }
  // Blanks that lead the text stay (they indent its first line).
  std::size_t start = 0;
  while (start < text.size()) {
    // The longest run of whole words from `start` that fits.
    std::size_t fits = start;
    std::size_t at = start;
    while (at < text.size()) {
      std::size_t word_end = SkipBlanks(text, at);
      while (word_end < text.size() && text[word_end] != ' ') ++word_end;
      if (measure(text.substr(start, word_end - start)) > width) break;
      fits = at = word_end;
    }
    if (fits == start) {
      // Not even one word: as many of its letters as fit, one at least.
      const std::size_t word = SkipBlanks(text, start);
      if (word == text.size()) {
        lines.emplace_back(text.substr(start));
        break;
      }
      fits = LetterEnd(text, word);
      for (std::size_t next;
           fits < text.size() && text[fits] != ' ' &&
           measure(text.substr(start, (next = LetterEnd(text, fits)) - start)) <= width;) {
        fits = next;
      }
    }
    lines.emplace_back(text.substr(start, fits - start));
    start = SkipBlanks(text, fits);
  }
  return lines;
}

}  // namespace tallyscan
