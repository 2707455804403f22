#include "engine/text/hebrew_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tallyscan {
namespace {

// Windows letters: alef E0, bet E1, gimel E2, vav E5, kaf EB, lamed EC, final mem ED,
// samekh F1, shin F9. DOS letters are the same minus 0x60.
const std::string kShalomWin = "\xF9\xEC\xE5\xED";  // logical order
const std::string kShalomDos = "\x8D\x85\x8C\x99";  // visual order
const std::string kSchumWin = "\xF1\xEB\xE5\xED";   // logical order
const std::string kSchumDos = "\x8D\x85\x8B\x91";   // visual order

TEST(HebrewOrderTest, TextWithoutSourceLettersIsReturnedAsItIs) {
  for (const std::string text : {"", "   ", "12345", " Ltd 123  ", "-17.50", "(abc)"}) {
    EXPECT_EQ(text, DosToWin(text));
    EXPECT_EQ(text, WinToDos(text));
  }
  // Letters of the other code page do not count.
  EXPECT_EQ("\x80\x81 1", WinToDos("\x80\x81 1"));
  EXPECT_EQ("\xE0\xE1 1", DosToWin("\xE0\xE1 1"));
}

TEST(HebrewOrderTest, HebrewWordsAreReversedAndShifted) {
  EXPECT_EQ("\xE2\xE1\xE0", DosToWin("\x80\x81\x82"));
  EXPECT_EQ("\x82\x81\x80", WinToDos("\xE0\xE1\xE2"));
  EXPECT_EQ(kShalomDos, WinToDos(kShalomWin));
  // Two words: the first word of the logical text is the rightmost one in visual text.
  EXPECT_EQ(kSchumDos + " " + kShalomDos, WinToDos(kShalomWin + " " + kSchumWin));
  EXPECT_EQ(kShalomWin + " " + kSchumWin, DosToWin(kSchumDos + " " + kShalomDos));
}

TEST(HebrewOrderTest, OnlyTheLettersChangeCodePage) {
  // A point inside a Windows word and a DOS line-drawing byte inside a DOS word are kept.
  EXPECT_EQ("\x81\xC4\x80", WinToDos("\xE0\xC4\xE1"));
  EXPECT_EQ("\xE1\xB0\xE0", DosToWin("\x80\xB0\x81"));
  EXPECT_EQ("\x9A\x9A", WinToDos("\x9A\xFA"));  // tav is the last letter shifted
}

TEST(HebrewOrderTest, NumbersAndLatinKeepTheirOwnOrder) {
  // A Hebrew word, a space and 123 in visual form: the number comes first in storage.
  EXPECT_EQ("123 \xE2\xE1\xE0", DosToWin("\x80\x81\x82 123"));
  EXPECT_EQ("\x80\x81\x82 123", WinToDos("123 \xE2\xE1\xE0"));
  // Consecutive Latin words stay left to right on either side of the Hebrew.
  EXPECT_EQ("abc def " + kShalomDos, WinToDos(kShalomWin + " abc def"));
  EXPECT_EQ(kShalomDos + " abc def", WinToDos("abc def " + kShalomWin));
  EXPECT_EQ("1 22 333 \x80", WinToDos("\xE0 1 22 333"));
  // A class change splits segments without a space.
  EXPECT_EQ("123\x81\x80", WinToDos("\xE0\xE1"
                                    "123"));
  // Spaces stay where they are seen: padding that ends the text begins the visual line.
  EXPECT_EQ("  abc " + kShalomDos, WinToDos(kShalomWin + " abc  "));
  EXPECT_EQ(kShalomDos + " abc  ", WinToDos("  abc " + kShalomWin));
  EXPECT_EQ(kShalomDos + "  abc def", WinToDos("abc def  " + kShalomWin));
}

TEST(HebrewOrderTest, MinusSignChangesSideOfItsNumber) {
  EXPECT_EQ("123- " + kSchumDos, WinToDos(kSchumWin + " -123"));
  EXPECT_EQ(kSchumWin + " -123", DosToWin("123- " + kSchumDos));
  EXPECT_EQ("\x80 45- " + kSchumDos, WinToDos(kSchumWin + " -45 \xE0"));
  EXPECT_EQ(kSchumWin + " -45 \xE0", DosToWin("\x80 45- " + kSchumDos));
}

TEST(HebrewOrderTest, BracketsAroundHebrewAreMirrored) {
  EXPECT_EQ("(\x81\x80)", WinToDos("(\xE0\xE1)"));
  EXPECT_EQ("(\xE0\xE1)", DosToWin("(\x81\x80)"));
  // Around Latin they are kept; the kinds need not match.
  EXPECT_EQ("\x80 (abc]", WinToDos("(abc] \xE0"));
  EXPECT_EQ("{\x81\x80]", WinToDos("{\xE0\xE1]"));
  // An opening bracket without a closing one is left alone.
  EXPECT_EQ("\x80(", WinToDos("(\xE0"));
}

TEST(HebrewOrderTest, ConversionKeepsLengthAndIsReversible) {
  // Texts of Hebrew words, numbers, signed numbers, Latin words and at most one bracketed
  // word, in either code page, go to the other form and back unchanged.
  std::mt19937 random(20240611);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (const auto direction : {HebrewDirection::kToWindows, HebrewDirection::kToDos}) {
    const bool from_dos = direction == HebrewDirection::kToWindows;
    const int alef = from_dos ? 0x80 : 0xE0;
    const auto word = [&](int length) {
      std::string w;
      for (int i = 0; i < length; ++i) w.push_back(static_cast<char>(alef + pick(27)));
      return w;
    };
    const std::vector<std::string> latin = {"Ltd", "abc", "x-ray", "a.b"};
    for (int round = 0; round < 2000; ++round) {
      std::string text;
      bool bracketed = false;
      const int tokens = 1 + pick(6);
      for (int t = 0; t < tokens; ++t) {
        switch (pick(8)) {
          case 0:
            text += std::to_string(pick(100000));
            break;
          case 1:
            text += "-" + std::to_string(1 + pick(999));
            break;
          case 2:
            text += std::to_string(1 + pick(999)) + "-";
            break;
          case 3:
            text += latin[static_cast<std::size_t>(pick(4))];
            break;
          case 4:
            if (!bracketed) {
              text += "(" + word(2) + ")";
              bracketed = true;
              break;
            }
            [[fallthrough]];
          default:
            text += word(1 + pick(6));
            break;
        }
        text.append(static_cast<std::size_t>(1 + pick(3)), ' ');
      }
      const HebrewDirection back = from_dos ? HebrewDirection::kToDos : HebrewDirection::kToWindows;
      const std::string converted = ConvertHebrew(text, direction);
      ASSERT_EQ(text.size(), converted.size());
      ASSERT_EQ(text, ConvertHebrew(converted, back)) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace tallyscan
