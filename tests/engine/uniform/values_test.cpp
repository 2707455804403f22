#include "engine/uniform/values.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tallyscan {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(ValuesTest, AmountsReadAsWholeHundredths) {
  EXPECT_EQ(12345, ReadAmount("+00000000012345"));
  EXPECT_EQ(-12345, ReadAmount("-00000000012345"));
  EXPECT_EQ(0, ReadAmount("-00000000000000"));
  // A quantity of four implied decimals: 1.25 is 12500 ten-thousandths.
  EXPECT_EQ(12500, ReadAmount("+0000000000012500"));
  EXPECT_EQ(4, ImpliedDecimals(FieldKind::kQty4));
  // An unsigned decimal: "1700" is 17.00.
  EXPECT_EQ(1700, ReadAmount("1700"));
  EXPECT_EQ(2, ImpliedDecimals(FieldKind::kUdec));
  EXPECT_EQ(2, ImpliedDecimals(FieldKind::kAmount));
  EXPECT_EQ(0, ImpliedDecimals(FieldKind::kDigits));
  // Padding around the number is tolerated.
  EXPECT_EQ(-5, ReadAmount("  -5  "));
  EXPECT_EQ(12345, ReadAmount(" 00000000012345"));  // a blank sign reads as positive
}

TEST(ValuesTest, MalformedAmountsReadAsZero) {
  EXPECT_EQ(0, ReadAmount(""));
  EXPECT_EQ(0, ReadAmount("               "));
  EXPECT_EQ(0, ReadAmount("+"));
  EXPECT_EQ(0, ReadAmount("+0000000001234X"));
  EXPECT_EQ(0, ReadAmount("+00000 00012345"));
  EXPECT_EQ(0, ReadAmount("+-12"));
  EXPECT_EQ(0, ReadAmount("12-"));
  EXPECT_EQ(std::nullopt, ParseSignedDecimal("+0000000001234X"));
}

TEST(ValuesTest, AmountsNeverOverflow) {
  EXPECT_EQ(kMax, ParseSignedDecimal("9223372036854775807"));
  EXPECT_EQ(-kMax, ParseSignedDecimal("-9223372036854775807"));
  EXPECT_EQ(std::nullopt, ParseSignedDecimal("9223372036854775808"));
  EXPECT_EQ(0, ReadAmount("+999999999999999999999999999999"));
  EXPECT_EQ(5, ReadAmount("+00000000000000000000000000005"));  // zeros are not digits that count
}

TEST(ValuesTest, IntegersReadTheirLeadingDigits) {
  EXPECT_EQ(12, ReadInteger("000000012"));
  EXPECT_EQ(12, ReadInteger("12AB"));
  EXPECT_EQ(0, ReadInteger("AB12"));
  EXPECT_EQ(0, ReadInteger(" 12"));
  EXPECT_EQ(0, ReadInteger(""));
  EXPECT_EQ(kMax, ReadInteger("99999999999999999999999"));
}

TEST(ValuesTest, TextIsTrimmedAndConvertedToUtf8) {
  EXPECT_EQ("שלום", TextDisplay("  \xF9\xEC\xE5\xED    ", false, true));
  EXPECT_EQ("", TextDisplay("     ", true, true));
  // DOS visual order: alef bet gimel on screen is stored gimel bet alef in logical order.
  EXPECT_EQ("גבא", TextDisplay("\x80\x81\x82 ", true, true));
  // Fields that are never converted keep their bytes, whatever the file's code page.
  EXPECT_EQ(TextDisplay("\x80\x81\x82", false, true), TextDisplay("\x80\x81\x82", true, false));
  EXPECT_EQ("Acme 12", TextDisplay(" Acme 12 ", true, true));
}

TEST(ValuesTest, KeysLoseLeadingBlanksAndZeros) {
  EXPECT_EQ("120", KeyDisplay("  000120     "));
  EXPECT_EQ("A0 1", KeyDisplay("00A0 1"));
  EXPECT_EQ("", KeyDisplay("0000"));
  EXPECT_EQ("קופה", KeyDisplay("\xF7\xE5\xF4\xE4"));
}

TEST(ValuesTest, OnlyCharacterSetTwoMeansDos) {
  std::string a000(466, ' ');
  EXPECT_FALSE(DeclaresDosCodePage(a000));
  a000[395] = '2';
  EXPECT_TRUE(DeclaresDosCodePage(a000));
  a000[395] = '1';
  EXPECT_FALSE(DeclaresDosCodePage(a000));
  EXPECT_FALSE(DeclaresDosCodePage("A000"));
}

}  // namespace
}  // namespace tallyscan
