#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine/browse/browse.h"
#include "engine/browse/cell_text.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// File text can neither split a row, nor mark a cell, nor reach a terminal as a control
// sequence; each such character is one blank.
TEST(CellTextTest, FileTextForgesNoCellAndNoMark) {
  const struct {
    std::string_view text, safe;
  } cases[] = {
      {"a\tb", "a b"},
      {"a\r\nb", "a  b"},
      {"100\x1C", "100 "},
      {"\x1D"
       "5",
       " 5"},
      {"name\u200E", "name "},
      {"שם עסק", "שם עסק"},
      // Terminal control: ESC, BEL and an OSC title, DEL, NUL, C1 controls (U+0080-U+009F,
      // where undefined code-page bytes land), each one blank; U+00A0 and Hebrew stay.
      {"\x1b]0;owned\x07x", " ]0;owned x"},
      {"\x1b[2J\x7F", " [2J "},
      {std::string_view("a\0b", 3), "a b"},
      {"\u009D\u0080\u009F", "   "},
      {"\u00A0\u05D0", "\u00A0\u05D0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.safe, SafeCellText(c.text)) << c.text;
    EXPECT_EQ(c.safe == c.text, IsSafeCellText(c.text)) << c.text;
    // A cell of a padded field is the same through its quick way and the whole one.
    const std::string padded = "   " + std::string(c.text) + std::string(12, ' ');
    EXPECT_EQ(std::string(TrimSpaces(SafeCellText(padded))), SafeCell(padded)) << c.text;
  }
  EXPECT_TRUE(IsSafeCellText("\xC2\xA0\xE2\x80\x8F"));  // U+00A0 and U+200F are no marks
  EXPECT_EQ("a b", SafeCell("  a\tb\t"));
  EXPECT_EQ("", SafeCell("\t \x1C"));
}

TEST(CellTextTest, FieldsShownByTheirKind) {
  EXPECT_EQ("123", StrippedCell("  000123 "));
  EXPECT_EQ("", DateCell("        "));
  EXPECT_EQ("31/12/2025", DateCell("20251231"));
  EXPECT_EQ("09:05", TimeCell("0905"));
  EXPECT_EQ("", DocumentTypeCell("   "));
  EXPECT_EQ(std::string(kUnknownMeaning), DocumentTypeCell("9x9"));
  EXPECT_EQ("a c", JoinParts({"a", "", "c"}));
}

TEST(BalanceTextTest, ZeroIsEmptyAndTheSenseFollowsTheSign) {
  EXPECT_EQ("", BalanceText(0, false));
  EXPECT_EQ("", BalanceText(0, true));
  EXPECT_EQ("-1,234.50", BalanceText(-123450, false));
  EXPECT_EQ("0.01", BalanceText(1, false));
  EXPECT_EQ("1,234.50 ז\x1D", BalanceText(-123450, true));
  EXPECT_EQ("1,234,567.89 ח\x1C", BalanceText(123456789, true));
}

TEST(BalanceTextTest, LowestSumDoesNotOverflow) {
  const std::string text = BalanceText(std::numeric_limits<std::int64_t>::min(), true);
  EXPECT_EQ("92,233,720,368,547,758.08 ז\x1D", text);
}

class CardNumberTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.Reset(3);
    for (const char* number : {"     1", "    20", "   300"}) {
      ListEntry& entry = list_.Append();
      std::memset(entry.Key, ' ', kKeyLength);
      std::memcpy(entry.ShortKey, number, kShortKeyLength);
    }
  }
  std::string ShortKey(std::int64_t element) { return std::string(list_[element].ShortKeyView()); }
  RecordIndex<ListEntry> list_;
};

TEST_F(CardNumberTest, BelowOneIsRefused) {
  for (const char* typed : {"0", "000000", "", "x"}) {
    EXPECT_EQ(CardNumberVerdict::kBelowOne, UpdateCardNumber(list_, 2, typed)) << typed;
  }
  EXPECT_EQ("    20", ShortKey(2));
  EXPECT_EQ("מספר כרטיס חייב להיות גדול מ 0", CardNumberMessage(CardNumberVerdict::kBelowOne));
}

TEST_F(CardNumberTest, AnotherEntrysNumberIsRefused) {
  EXPECT_EQ(CardNumberVerdict::kTaken, UpdateCardNumber(list_, 2, "300"));
  EXPECT_EQ(CardNumberVerdict::kTaken, UpdateCardNumber(list_, 2, "0001"));  // same value
  EXPECT_EQ("    20", ShortKey(2));
  EXPECT_EQ("כרטיס במספר כזה קיים כבר ", CardNumberMessage(CardNumberVerdict::kTaken));
}

TEST_F(CardNumberTest, OwnOrFreeNumberIsTakenRightAligned) {
  EXPECT_EQ(CardNumberVerdict::kAccepted, UpdateCardNumber(list_, 2, "20"));
  EXPECT_EQ("    20", ShortKey(2));
  EXPECT_EQ(CardNumberVerdict::kAccepted, UpdateCardNumber(list_, 2, "0042"));
  EXPECT_EQ("    42", ShortKey(2));
  EXPECT_EQ(CardNumberVerdict::kAccepted, UpdateCardNumber(list_, 3, "9999999"));  // six digits
  EXPECT_EQ("999999", ShortKey(3));
  EXPECT_EQ("", CardNumberMessage(CardNumberVerdict::kAccepted));
}

TEST_F(CardNumberTest, ElementOutsideTheListChangesNothing) {
  EXPECT_EQ(CardNumberVerdict::kNoEntry, UpdateCardNumber(list_, 0, "5"));
  EXPECT_EQ(CardNumberVerdict::kNoEntry, UpdateCardNumber(list_, 4, "5"));
}

}  // namespace
}  // namespace tallyscan
