#include <gtest/gtest.h>

#include "engine/checks/bank_account.h"
#include "engine/checks/dealer_number.h"

namespace tallyscan {
namespace {

TEST(ValidDealerNumberTest, NineDigitsWithTheirCheckDigit) {
  // 1 2 3 4 5 6 7 8 2 weighted 1 2 1 2 ...: 1+4+3+8+5+(12->3)+7+(16->7)+2 = 40.
  EXPECT_TRUE(ValidDealerNumber("123456782"));
  EXPECT_FALSE(ValidDealerNumber("123456783"));
  // The 1 at position 8 is doubled, the 8 at position 9 is not: 2 + 8 = 10.
  EXPECT_TRUE(ValidDealerNumber("000000018"));
  EXPECT_FALSE(ValidDealerNumber("000000081"));
}

TEST(ValidDealerNumberTest, WeightsRunFromTheLeftWhateverTheLength) {
  // "18": 1 + (8*2=16 -> 7) = 8, not a multiple of 10; "19": 1 + (18 -> 9) = 10.
  EXPECT_FALSE(ValidDealerNumber("18"));
  EXPECT_TRUE(ValidDealerNumber("19"));
  // Counted from the right, "19" would double the 1 instead (2 + 9 = 11).
}

TEST(ValidDealerNumberTest, EmptyBlanksAndLettersAreInvalid) {
  EXPECT_FALSE(ValidDealerNumber(""));
  EXPECT_FALSE(ValidDealerNumber("12345 782"));
  EXPECT_FALSE(ValidDealerNumber(" 23456782"));
  EXPECT_FALSE(ValidDealerNumber("12345678A"));
  EXPECT_FALSE(ValidDealerNumber("-23456782"));
}

TEST(ValidBankAccountTest, BanksWithoutARuleAreValid) {
  EXPECT_TRUE(ValidBankAccount(99, 1, 1));
  EXPECT_TRUE(ValidBankAccount(99, 999, 999999999));
  EXPECT_TRUE(ValidBankAccount(54, 123, 5));
}

TEST(ValidBankAccountTest, LeumiFamilyAcceptsFourRemaindersOfAHundred) {
  // Branch 800, account 123456xy: 2*6+3*5+4*4+5*3+6*2+7*1+8*0+9*0+10*8 = 157, plus xy.
  EXPECT_TRUE(ValidBankAccount(10, 800, 12345603));   // 160
  EXPECT_TRUE(ValidBankAccount(13, 800, 12345613));   // 170
  EXPECT_TRUE(ValidBankAccount(92, 800, 12345663));   // 220
  EXPECT_TRUE(ValidBankAccount(34, 800, 12345633));   // 190
  EXPECT_FALSE(ValidBankAccount(10, 800, 12345623));  // 180
  EXPECT_FALSE(ValidBankAccount(53, 800, 12345604));  // 161
}

TEST(ValidBankAccountTest, HapoalimFamilyRemaindersAndBranches) {
  EXPECT_TRUE(ValidBankAccount(12, 185, 123457));   // r = 0
  EXPECT_FALSE(ValidBankAccount(12, 185, 123459));  // r = 2, branch not listed
  EXPECT_TRUE(ValidBankAccount(4, 120, 123454));    // r = 2, branch in the list
  EXPECT_FALSE(ValidBankAccount(14, 120, 123456));  // r = 4, the list allows only 2
  EXPECT_TRUE(ValidBankAccount(24, 361, 123454));   // r = 4 at 361
  EXPECT_FALSE(ValidBankAccount(28, 361, 123456));  // r = 6 at 361
  EXPECT_TRUE(ValidBankAccount(46, 612, 123451));   // r = 6 at 612
  EXPECT_TRUE(ValidBankAccount(91, 631, 123453));   // r = 6 at 631
  EXPECT_TRUE(ValidBankAccount(12, 631, 123451));   // r = 4 at 631
}

TEST(ValidBankAccountTest, DiscountFamilyAcceptsTwoAndFourOnlyForElevenAndSeventeen) {
  EXPECT_TRUE(ValidBankAccount(33, 1, 123456789));   // r = 0
  EXPECT_TRUE(ValidBankAccount(11, 1, 123456780));   // r = 2
  EXPECT_TRUE(ValidBankAccount(17, 1, 123456782));   // r = 4
  EXPECT_FALSE(ValidBankAccount(33, 1, 123456780));  // r = 2
  EXPECT_FALSE(ValidBankAccount(11, 1, 12345678));   // r = 10
}

TEST(ValidBankAccountTest, MizrahiTakesBranchesAbove400AsTheirOffset) {
  EXPECT_TRUE(ValidBankAccount(20, 461, 123455));  // digits 061: r = 0 (461 itself gives 3)
  EXPECT_TRUE(ValidBankAccount(20, 61, 123455));
  EXPECT_TRUE(ValidBankAccount(20, 61, 123457));    // r = 2
  EXPECT_TRUE(ValidBankAccount(20, 461, 123459));   // r = 4 at a listed branch as entered
  EXPECT_FALSE(ValidBankAccount(20, 61, 123459));   // r = 4 elsewhere
  EXPECT_FALSE(ValidBankAccount(20, 461, 123450));  // r = 6
}

TEST(ValidBankAccountTest, InternationalPostalAndLuhnBanks) {
  EXPECT_TRUE(ValidBankAccount(31, 1, 123456789));
  EXPECT_FALSE(ValidBankAccount(52, 1, 123456780));
  EXPECT_TRUE(ValidBankAccount(9, 0, 123456783));
  EXPECT_FALSE(ValidBankAccount(9, 0, 123456784));
  EXPECT_TRUE(ValidBankAccount(7, 12, 123456787));
  EXPECT_FALSE(ValidBankAccount(7, 12, 123456788));
}

TEST(ValidBankAccountTest, NineteenAndTwentyTwoNeedBranchOne) {
  EXPECT_TRUE(ValidBankAccount(19, 1, 123456782));
  EXPECT_FALSE(ValidBankAccount(19, 1, 123456783));
  EXPECT_FALSE(ValidBankAccount(19, 2, 123456782));
  EXPECT_TRUE(ValidBankAccount(22, 1, 123456718));
  EXPECT_FALSE(ValidBankAccount(22, 1, 123456719));
  EXPECT_FALSE(ValidBankAccount(22, 100, 123456718));
}

TEST(ValidBankAccountTest, OnlyTheLastNineDigitsOfALongAccountCount) {
  EXPECT_TRUE(ValidBankAccount(31, 1, 555123456789));
  EXPECT_FALSE(ValidBankAccount(31, 1, 555123456780));
}

}  // namespace
}  // namespace tallyscan
