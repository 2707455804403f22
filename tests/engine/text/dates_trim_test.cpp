#include <gtest/gtest.h>

#include "engine/text/dates.h"
#include "engine/text/trim.h"

namespace tallyscan {
namespace {

TEST(DatesTest, DatesAndTimesAreRearrangedCharacterByCharacter) {
  EXPECT_EQ("15/01/2024", FormatDate("20240115"));
  EXPECT_EQ("00/00/0000", FormatDate("00000000"));
  EXPECT_EQ("31/12/2049", FormatDate("20491231xyz"));  // only the first eight count
  // A short value keeps the pattern with what exists.
  EXPECT_EQ("/01/2024", FormatDate("202401"));
  EXPECT_EQ("//20", FormatDate("20"));
  EXPECT_EQ("//", FormatDate(""));
  EXPECT_EQ("09:05", FormatTime("0905"));
  EXPECT_EQ("23:59", FormatTime("2359"));
  EXPECT_EQ("1:", FormatTime("1"));
}

TEST(TrimTest, SurroundingSpacesOnlyAreRemoved) {
  EXPECT_EQ("a b", TrimSpaces("  a b   "));
  EXPECT_EQ("\ta\t", TrimSpaces(" \ta\t "));
  EXPECT_EQ("", TrimSpaces("    "));
  EXPECT_EQ("", TrimSpaces(""));
  EXPECT_EQ("x", TrimSpaces("x"));
  // Padding of any length, passed eight blanks at a time where it can.
  for (std::size_t blanks = 0; blanks <= 20; ++blanks) {
    const std::string pad(blanks, ' ');
    EXPECT_EQ("a  b", TrimSpaces(pad + "a  b" + pad)) << blanks;
    EXPECT_EQ("", TrimSpaces(pad)) << blanks;
    EXPECT_EQ("7 0", StripLeadingBlanksAndZeros(pad + "007 0" + pad)) << blanks;
  }
}

TEST(TrimTest, KeysLoseLeadingBlanksAndZerosAndTrailingPadding) {
  EXPECT_EQ("12", StripLeadingBlanksAndZeros("  00012 "));
  EXPECT_EQ("1200", StripLeadingBlanksAndZeros("0 01200"));
  EXPECT_EQ("A0 0", StripLeadingBlanksAndZeros("00A0 0   "));
  EXPECT_EQ("", StripLeadingBlanksAndZeros(" 000 "));
  EXPECT_EQ("", StripLeadingBlanksAndZeros(""));
}

}  // namespace
}  // namespace tallyscan
