#include "engine/uniform/field_tests.h"

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

TEST(FieldTestsTest, AllDigitsNeedsAtLeastOneDigitAndNothingElse) {
  EXPECT_TRUE(IsAllDigits("0"));
  EXPECT_TRUE(IsAllDigits("0123456789"));
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_FALSE(IsAllDigits(" 12"));
  EXPECT_FALSE(IsAllDigits("12 "));
  EXPECT_FALSE(IsAllDigits("+12"));
  EXPECT_FALSE(IsAllDigits("1a2"));
  EXPECT_FALSE(IsAllDigits("\xB9"));  // a high byte is not a digit
}

TEST(FieldTestsTest, PlausibleDatesAtTheEdgesOfTheirRanges) {
  EXPECT_TRUE(IsPlausibleDate("00000000"));  // no date
  EXPECT_TRUE(IsPlausibleDate("20000101"));
  EXPECT_TRUE(IsPlausibleDate("20491231"));
  EXPECT_TRUE(IsPlausibleDate("20240231"));  // the day is not tested against its month
  EXPECT_FALSE(IsPlausibleDate("19991231"));
  EXPECT_FALSE(IsPlausibleDate("20500101"));
  EXPECT_FALSE(IsPlausibleDate("20241301"));
  EXPECT_FALSE(IsPlausibleDate("20240001"));
  EXPECT_FALSE(IsPlausibleDate("20240100"));
  EXPECT_FALSE(IsPlausibleDate("20240132"));
  EXPECT_FALSE(IsPlausibleDate("2024010A"));
  EXPECT_FALSE(IsPlausibleDate("2024010"));    // cut short
  EXPECT_FALSE(IsPlausibleDate("0000000"));    // cut short, even as zeros
  EXPECT_FALSE(IsPlausibleDate("202401011"));  // too long
}

TEST(FieldTestsTest, DetailDateRangeObjectsOnlyToDigitsOutOfRange) {
  EXPECT_TRUE(IsDateInDetailRange("00000000"));
  EXPECT_TRUE(IsDateInDetailRange("20240131"));
  EXPECT_TRUE(IsDateInDetailRange("        "));
  EXPECT_TRUE(IsDateInDetailRange("2024AB01"));
  EXPECT_FALSE(IsDateInDetailRange("20241301"));
  EXPECT_FALSE(IsDateInDetailRange("19990101"));
}

TEST(FieldTestsTest, LuhnOnKnownGoodAndBadNumbers) {
  EXPECT_TRUE(PassesLuhn("79927398713"));
  EXPECT_TRUE(PassesLuhn("4111111111111111"));
  EXPECT_TRUE(PassesLuhn("123456782"));
  EXPECT_TRUE(PassesLuhn("000000018"));
  EXPECT_TRUE(PassesLuhn("0"));
  EXPECT_FALSE(PassesLuhn("79927398710"));
  EXPECT_FALSE(PassesLuhn("123456789"));
  EXPECT_FALSE(PassesLuhn("000000019"));
  EXPECT_FALSE(PassesLuhn(""));
  EXPECT_FALSE(PassesLuhn("12345678a"));
}

TEST(FieldTestsTest, IdNumberIsDigitsPassingLuhn) {
  EXPECT_TRUE(IsValidIdNumber("123456782"));
  EXPECT_TRUE(IsValidIdNumber("000000000"));  // zeros pass the check digit rule
  EXPECT_FALSE(IsValidIdNumber("123456789"));
  EXPECT_FALSE(IsValidIdNumber(""));
  EXPECT_FALSE(IsValidIdNumber("         "));
  EXPECT_FALSE(IsValidIdNumber(" 23456782"));
}

}  // namespace
}  // namespace tallyscan
