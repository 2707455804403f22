#include "engine/text/cp1255.h"

#include <gtest/gtest.h>

#include <string>

namespace tallyscan {
namespace {

TEST(Cp1255Test, EveryByteStringSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Cp1255ToUtf8(all);
  EXPECT_EQ(all, Utf8ToCp1255(utf8));
  // Each byte becomes its own character: no two bytes share a code point.
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(one, Utf8ToCp1255(Cp1255ToUtf8(one))) << "byte " << b;
  }
}

TEST(Cp1255Test, LettersMarksAndSymbolsMapToTheirCharacters) {
  EXPECT_EQ("\u05D0\u05D1\u05EA", Cp1255ToUtf8("\xE0\xE1\xFA"));
  EXPECT_EQ("abc 123", Cp1255ToUtf8("abc 123"));
  EXPECT_EQ("\u200E", Cp1255ToUtf8("\xFD"));
  EXPECT_EQ("\u200F", Cp1255ToUtf8("\xFE"));
  EXPECT_EQ("\u20AA\u20AC\u00D7\u00F7", Cp1255ToUtf8("\xA4\x80\xAA\xBA"));
  EXPECT_EQ("\u05B0\u05BA\u05C3\u05F0\u05F4", Cp1255ToUtf8("\xC0\xCA\xD3\xD4\xD8"));
  EXPECT_EQ("\u2013\u201D\u2122", Cp1255ToUtf8("\x96\x94\x99"));
  // Undefined bytes stand for themselves.
  EXPECT_EQ("\u0081\u00D9\u00FB\u00FF", Cp1255ToUtf8("\x81\xD9\xFB\xFF"));
  EXPECT_EQ("\xE9\xF9\xF8\xE0\xEC 1", Utf8ToCp1255("\u05D9\u05E9\u05E8\u05D0\u05DC 1"));
}

TEST(Cp1255Test, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ("a?b", Utf8ToCp1255("a\u00A4b"));  // the generic currency sign: 0xA4 is the shekel
  EXPECT_EQ("??", Utf8ToCp1255("\u0416\U0001F600"));
  EXPECT_EQ("?", Utf8ToCp1255("\u00CA"));
}

TEST(Cp1255Test, WithReferencesNothingIsLost) {
  EXPECT_EQ("a&#164;b", Utf8ToCp1255WithReferences("a\u00A4b"));
  EXPECT_EQ("&#1046;&#128512;\xE0", Utf8ToCp1255WithReferences("\u0416\U0001F600\u05D0"));
  EXPECT_EQ("x&#65533;y", Utf8ToCp1255WithReferences("x\xC3y"));
}

TEST(Cp1255Test, MalformedUtf8BecomesQuestionMarks) {
  EXPECT_EQ("?a", Utf8ToCp1255("\x80"
                               "a"));    // stray continuation byte
  EXPECT_EQ("?", Utf8ToCp1255("\xD7"));  // truncated at the end
  EXPECT_EQ("?a", Utf8ToCp1255("\xD7"
                               "a"));                    // truncated before ASCII
  EXPECT_EQ("??", Utf8ToCp1255("\xC0\xAF"));             // overlong '/'
  EXPECT_EQ("???", Utf8ToCp1255("\xED\xA0\x80"));        // surrogate
  EXPECT_EQ("????", Utf8ToCp1255("\xF4\x90\x80\x80"));   // above U+10FFFF
  EXPECT_EQ("?\xE0", Utf8ToCp1255("\xE2\x82\xD7\x90"));  // cut short, then alef
  EXPECT_EQ("?", Utf8ToCp1255("\xFF"));
}

}  // namespace
}  // namespace tallyscan
