// A cell's text broken into the lines of its column: after words, inside a word only when it
// is longer than a line, a letter kept with its points, nothing lost.
#include "engine/report/line_breaks.h"

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

// A unit for every code point, a Hebrew point included.
double CodePoints(std::string_view text) {
  double count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

TEST(LineBreaksTest, BreaksAfterWordsAndInsideAWordOnlyWhenItIsLongerThanALine) {
  struct Case {
    std::string text;
    double width;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"abc def", 7, {"abc def"}},
      {"abc def ghi", 7, {"abc def", "ghi"}},
      {"abc   def", 4, {"abc", "def"}},       // the blanks at a break end the line unseen
      {"  abc def", 5, {"  abc", "def"}},     // leading blanks indent the first line
      {"abcdefgh", 3, {"abc", "def", "gh"}},  // a word longer than a line
      {"ab abcdefgh", 4, {"ab", "abcd", "efgh"}},
      {"שלום עולם", 4, {"שלום", "עולם"}},
      {"סֵפֶר", 1, {"סֵ", "פֶ", "ר"}},  // each letter with its points, one at least a line
      {"abc", 0, {"a", "b", "c"}},
      {"", 5, {""}},
      {"   ", 1, {"   "}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.lines, BreakLines(c.text, c.width, CodePoints)) << c.text << " in " << c.width;
  }
}

}  // namespace
}  // namespace tallyscan
