#include "engine/text/number_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

namespace tallyscan {
namespace {

TEST(NumberFormatTest, AmountsInAgorotShowSeparatorsAndTwoDecimals) {
  EXPECT_EQ("123.45", FormatAgorot(12345));
  EXPECT_EQ("-123.45", FormatAgorot(-12345));
  EXPECT_EQ("1,234,567.89", FormatAgorot(123456789));
  EXPECT_EQ("-1,000.00", FormatAgorot(-100000));
  EXPECT_EQ("999.99", FormatAgorot(99999));
  EXPECT_EQ("100,000.00", FormatAgorot(10000000));
}

TEST(NumberFormatTest, ZeroIntegerPartIsShownAndZeroHasNoSign) {
  EXPECT_EQ("0.50", FormatAgorot(50));
  EXPECT_EQ("-0.50", FormatAgorot(-50));
  EXPECT_EQ("0.05", FormatAgorot(5));
  EXPECT_EQ("-0.01", FormatAgorot(-1));
  EXPECT_EQ("0.00", FormatAgorot(0));
  EXPECT_EQ("0", FormatCount(0));
  // A negative value that rounds away to nothing is zero, not "-0.00".
  EXPECT_EQ("0.00", FormatNumber("#,.00", -4, 3));
  EXPECT_EQ("0.00", FormatNumber("#,.00", -0.004));
  EXPECT_EQ("0.00", FormatNumber("#,.00", -0.0));
  EXPECT_EQ("0000", FormatNumber("0000", -4, 1));
}

TEST(NumberFormatTest, CountsAndQuantities) {
  EXPECT_EQ("1,234,567", FormatCount(1234567));
  EXPECT_EQ("123", FormatCount(123));
  EXPECT_EQ("-1,234", FormatCount(-1234));
  // A quantity is held in ten-thousandths.
  EXPECT_EQ("1.2500", FormatNumber("#,.0000", 12500, 4));
  EXPECT_EQ("-12,345.6789", FormatNumber("#,.0000", -123456789, 4));
  // A scale below the mask's decimals is padded with zeros.
  EXPECT_EQ("1,234.5000", FormatNumber("#,.0000", 12345, 1));
  EXPECT_EQ("12.50", FormatNumber("#.00", 125, 1));
}

TEST(NumberFormatTest, RoundsHalfAwayFromZero) {
  EXPECT_EQ("1.24", FormatNumber("#,.00", 1235, 3));
  EXPECT_EQ("-1.24", FormatNumber("#,.00", -1235, 3));
  EXPECT_EQ("1.23", FormatNumber("#,.00", 1234, 3));
  EXPECT_EQ("2", FormatNumber("#,", 15, 1));
  EXPECT_EQ("-2", FormatNumber("#,", -15, 1));
  EXPECT_EQ("1", FormatNumber("#,", 14999, 4));
  // Carries run through the separators and add a digit.
  EXPECT_EQ("1,000.00", FormatNumber("#,.00", 999995, 3));
  EXPECT_EQ("-10.00", FormatNumber("#,.00", -99999, 4));
  // Dropping more digits than the value has.
  EXPECT_EQ("1", FormatNumber("#,", 5, 1));
  EXPECT_EQ("0", FormatNumber("#,", 5, 2));
  EXPECT_EQ("0.00", FormatNumber("#,.00", 999, 30));
}

TEST(NumberFormatTest, MaskWithoutSeparators) {
  EXPECT_EQ("1234567.89", FormatNumber("#.00", 123456789, 2));
  EXPECT_EQ("17.00", FormatNumber("#.00", 17.0));
  EXPECT_EQ("-3.14", FormatNumber("#.00", -3.14159));
}

TEST(NumberFormatTest, ZeroPaddedMasksKeepTheirWidthAndGrowWhenNeeded) {
  EXPECT_EQ("000000000001234", FormatNumber("000000000000000", 1234, 0));
  EXPECT_EQ("000000000000000", FormatNumber("000000000000000", 0, 0));
  EXPECT_EQ("0042", FormatNumber("0000", 42, 0));
  EXPECT_EQ("-0042", FormatNumber("0000", -42, 0));
  EXPECT_EQ("12345", FormatNumber("0000", 12345, 0));
  EXPECT_EQ("0013", FormatNumber("0000", 125, 1));
  EXPECT_EQ("0013", FormatNumber("0000", 12.5));
}

TEST(NumberFormatTest, ExtremeIntegersDoNotOverflow) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ("-92,233,720,368,547,758.08", FormatAgorot(kMin));
  EXPECT_EQ("92,233,720,368,547,758.07", FormatAgorot(kMax));
  EXPECT_EQ("-9,223,372,036,854,775,808", FormatCount(kMin));
  EXPECT_EQ("9,223,372,036,854,775,807.0000", FormatNumber("#,.0000", kMax, 0));
  EXPECT_EQ("-922,337,203,685,477,581", FormatNumber("#,", kMin, 1));
}

// Sums of amounts pass 64 bits and are shown whole, to the last digit of 128 bits.
TEST(NumberFormatTest, SumsBeyondSixtyFourBitsAreShownWhole) {
  const AmountSum past = AmountSum{std::numeric_limits<std::int64_t>::max()} + 1;
  const AmountSum highest = ~(AmountSum{1} << 127);  // 2^127 - 1
  EXPECT_EQ("92,233,720,368,547,758.08", FormatAgorot(past));
  EXPECT_EQ("-92,233,720,368,547,758.09", FormatAgorot(-past - 1));
  EXPECT_EQ("9,999,999,999,999,900,000", FormatCount(AmountSum{99999999999999} * 100000));
  EXPECT_EQ("170141183460469231731687303715884105727", FormatNumber("0", highest, 0));
  EXPECT_EQ("-1,701,411,834,604,692,317,316,873,037,158,841,057.28", FormatAgorot(-highest - 1));
  EXPECT_EQ("1,701,411,834,604,692,317,316,873,037,158,841,057.3",
            FormatNumber("#,.0", highest, 2));
}

TEST(NumberFormatTest, DoublesRoundAsTheyAreWritten) {
  EXPECT_EQ("1.01", FormatNumber("#,.00", 1.005));
  EXPECT_EQ("-1.01", FormatNumber("#,.00", -1.005));
  EXPECT_EQ("0.13", FormatNumber("#,.00", 0.125));
  EXPECT_EQ("2.68", FormatNumber("#,.00", 2.675));
  EXPECT_EQ("12,345.68", FormatNumber("#,.00", 12345.678));
  EXPECT_EQ("0.50", FormatNumber("#,.00", 0.5));
  EXPECT_EQ("-0.50", FormatNumber("#,.00", -0.5));
  EXPECT_EQ("100,000,000,000,000,000,000", FormatNumber("#,", 1e20));
  EXPECT_EQ("0.0000", FormatNumber("#,.0000", 5e-324));
}

TEST(NumberFormatTest, NonFiniteDoublesShowNothing) {
  EXPECT_EQ("", FormatNumber("#.00", std::numeric_limits<double>::infinity()));
  EXPECT_EQ("", FormatNumber("#.00", -std::numeric_limits<double>::infinity()));
  EXPECT_EQ("", FormatNumber("#.00", std::numeric_limits<double>::quiet_NaN()));
}

TEST(NumberFormatTest, ReadAgorotTakesBackExactlyWhatFormatAgorotWrites) {
  const AmountSum highest = ~(AmountSum{1} << 127);  // 2^127 - 1
  for (const AmountSum agorot :
       {AmountSum{0}, AmountSum{7}, AmountSum{-50}, AmountSum{99999}, AmountSum{100000},
        AmountSum{-123456789}, AmountSum{std::numeric_limits<std::int64_t>::max()},
        AmountSum{std::numeric_limits<std::int64_t>::min()},
        AmountSum{std::numeric_limits<std::int64_t>::max()} * 1000, highest, -highest}) {
    EXPECT_EQ(agorot, ReadAgorot(FormatAgorot(agorot))) << FormatAgorot(agorot);
  }
  EXPECT_EQ(AmountSum{10000000000} * 1000000000000 - 1,  // 10^22 - 1
            ReadAgorot("99,999,999,999,999,999,999.99"));
  // 2^127 agorot, either sign, lies beyond what a sum may hold.
  for (const char* other :
       {"", "1.5", "1.500", "1234.50", "12,34.50", ",123.45", "1,234,5.00", "01.50", "--1.00",
        "1.0a", " 1.00", "1,234", "1,701,411,834,604,692,317,316,873,037,158,841,057.28",
        "-1,701,411,834,604,692,317,316,873,037,158,841,057.28",
        "99,999,999,999,999,999,999,999,999,999,999,999,999.99"}) {
    EXPECT_EQ(std::nullopt, ReadAgorot(other)) << other;
  }
}

}  // namespace
}  // namespace tallyscan
