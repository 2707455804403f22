#include "engine/uniform/layouts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tallyscan {
namespace {

constexpr RecordType kAllTypes[] = {RecordType::kA000, RecordType::kA100, RecordType::kB100,
                                    RecordType::kB110, RecordType::kC100, RecordType::kD110,
                                    RecordType::kD120, RecordType::kM100, RecordType::kZ900};

// Every table tiles its record exactly: fields in order, each starting where the previous
// one ended, the last one ending at the record's width. None of the tables leaves a gap.
TEST(LayoutsTest, EveryTableTilesItsRecordWithoutGapOrOverlap) {
  for (RecordType type : kAllTypes) {
    const RecordLayout& layout = LayoutOf(type);
    SCOPED_TRACE(std::string(layout.code));
    EXPECT_EQ(type, layout.type);
    ASSERT_FALSE(layout.fields.empty());
    EXPECT_EQ(FieldKind::kCode, layout.fields[0].kind);
    int next = 1;
    std::set<int> codes;
    for (const FieldLayout& field : layout.fields) {
      SCOPED_TRACE(field.code);
      EXPECT_EQ(next, field.start);
      EXPECT_GT(field.width, 0);
      EXPECT_FALSE(field.caption.empty());
      EXPECT_TRUE(codes.insert(field.code).second) << "duplicate field code";
      // Only text fields are ever converted; enum tables belong to enums and the bank field.
      if (field.converted) {
        EXPECT_EQ(FieldKind::kText, field.kind);
      }
      if (field.table != EnumTable::kNone && field.table != EnumTable::kBank) {
        EXPECT_EQ(FieldKind::kEnum, field.kind);
      }
      next = field.start + field.width;
    }
    EXPECT_EQ(layout.full_width, next - 1);
    if (layout.length != 0) {
      EXPECT_EQ(layout.length, layout.full_width);
    }
  }
}

TEST(LayoutsTest, LengthsTheImportRequires) {
  EXPECT_EQ(466, LayoutOf(RecordType::kA000).length);
  EXPECT_EQ(317, LayoutOf(RecordType::kB100).length);
  EXPECT_EQ(376, LayoutOf(RecordType::kB110).length);
  EXPECT_EQ(444, LayoutOf(RecordType::kC100).length);
  EXPECT_EQ(339, LayoutOf(RecordType::kD110).length);
  EXPECT_EQ(222, LayoutOf(RecordType::kD120).length);
  EXPECT_EQ(298, LayoutOf(RecordType::kM100).length);
  EXPECT_EQ(0, LayoutOf(RecordType::kA100).length);
  EXPECT_EQ(95, LayoutOf(RecordType::kA100).full_width);
  EXPECT_EQ(0, LayoutOf(RecordType::kZ900).length);
  EXPECT_EQ(110, LayoutOf(RecordType::kZ900).full_width);
  EXPECT_EQ(kIniSummaryLength, kIniSummaryCount.start + kIniSummaryCount.width - 1);
}

TEST(LayoutsTest, FindLayoutMatchesTheFirstFourCharactersExactly) {
  ASSERT_NE(nullptr, FindLayout("B110"));
  EXPECT_EQ(RecordType::kB110, FindLayout("B110000000001")->type);
  EXPECT_EQ(nullptr, FindLayout("b110"));
  EXPECT_EQ(nullptr, FindLayout("B11"));
  EXPECT_EQ(nullptr, FindLayout("X999"));
  EXPECT_EQ(nullptr, FindLayout(""));
}

TEST(LayoutsTest, FieldsTheOtherSubsystemsRelyOn) {
  const FieldLayout* account = FindField(LayoutOf(RecordType::kB110), 1403);
  ASSERT_NE(nullptr, account);
  EXPECT_EQ(23, account->start);
  EXPECT_EQ(15, account->width);
  EXPECT_EQ(FieldKind::kKey, account->kind);

  const FieldLayout* quantity = FindField(LayoutOf(RecordType::kD110), 1264);
  ASSERT_NE(nullptr, quantity);
  EXPECT_EQ(FieldKind::kQty4, quantity->kind);
  EXPECT_EQ(17, quantity->width);

  // "not converted" texts stay as stored; other texts are converted.
  EXPECT_FALSE(FindField(LayoutOf(RecordType::kC100), 1204)->converted);
  EXPECT_TRUE(FindField(LayoutOf(RecordType::kC100), 1207)->converted);
  EXPECT_FALSE(FindField(LayoutOf(RecordType::kA000), 1012)->converted);

  // The base document type of a line is shown but never marked.
  EXPECT_EQ(DetailCheck::kNone, FindField(LayoutOf(RecordType::kD110), 1256)->detail_check);
  EXPECT_EQ(DetailCheck::kDoctypeListed,
            FindField(LayoutOf(RecordType::kD110), 1253)->detail_check);
  EXPECT_EQ(DetailCheck::kDigits, FindField(LayoutOf(RecordType::kD110), 1258)->detail_check);

  const FieldLayout& reserved = LayoutOf(RecordType::kB110).fields.back();
  EXPECT_EQ(0, reserved.code);
  EXPECT_EQ(361, reserved.start);
  EXPECT_EQ(nullptr, FindField(LayoutOf(RecordType::kB110), 9999));
}

TEST(LayoutsTest, SliceFieldYieldsWhatTheLineHolds) {
  EXPECT_EQ("B1", SliceField("AB1C", 2, 2));
  EXPECT_EQ("C", SliceField("AB1C", 4, 5));
  EXPECT_EQ("", SliceField("AB1C", 5, 1));
  EXPECT_EQ("", SliceField("AB1C", 0, 1));
  EXPECT_EQ("", SliceField("AB1C", 1, 0));
}

TEST(LayoutsTest, DocumentTypesInTableOrderWithBreakdownTexts) {
  const auto types = DocumentTypes();
  ASSERT_EQ(27u, types.size());
  EXPECT_EQ(100, types.front().code);
  EXPECT_EQ(910, types.back().code);
  for (std::size_t i = 1; i < types.size(); ++i) EXPECT_LT(types[i - 1].code, types[i].code);
  ASSERT_NE(nullptr, FindDocumentType(305));
  EXPECT_EQ("חשבונית מס", FindDocumentType(305)->name);
  EXPECT_EQ("סהכ חשבוניות מס ", FindDocumentType(305)->breakdown_text);
  EXPECT_EQ("סה'כ תעודות משלוח סוכן", FindDocumentType(205)->breakdown_text);
  EXPECT_EQ(nullptr, FindDocumentType(306));
  EXPECT_EQ(nullptr, FindDocumentType(0));
}

TEST(LayoutsTest, BanksByNumber) {
  EXPECT_EQ(43u, Banks().size());
  EXPECT_EQ("לאומי", BankName(10));
  EXPECT_EQ("פאגי   לשעבר צפון אמריקה", BankName(2));
  EXPECT_EQ("ישראל", BankName(99));
  EXPECT_EQ("", BankName(1));
  std::set<int> codes;
  for (const Bank& bank : Banks()) EXPECT_TRUE(codes.insert(bank.code).second);
}

TEST(LayoutsTest, EnumerationsWithTheirDefaults) {
  EXPECT_EQ("חלונות", EnumMeaning(EnumTable::kCharacterSet, "1"));
  EXPECT_EQ("דוס", EnumMeaning(EnumTable::kCharacterSet, " "));
  EXPECT_EQ("דוס", EnumMeaning(EnumTable::kCharacterSet, "2"));
  EXPECT_EQ("לא רלוונטי", EnumMeaning(EnumTable::kBookkeepingKind, "9"));
  EXPECT_EQ("כפולה", EnumMeaning(EnumTable::kBookkeepingKind, "2"));
  EXPECT_EQ("זכות", EnumMeaning(EnumTable::kDebitCredit, "2"));
  EXPECT_EQ("לא ידוע", EnumMeaning(EnumTable::kTransactionKind, "4"));
  EXPECT_EQ("הוראת קבע", EnumMeaning(EnumTable::kPaymentMeans, "8"));
  EXPECT_EQ("לא ידוע", EnumMeaning(EnumTable::kPaymentMeans, "9"));
  // The clearing company and the credit deal kind have no default meaning.
  EXPECT_EQ("לאומי כארד", EnumMeaning(EnumTable::kClearingCompany, "6"));
  EXPECT_EQ("", EnumMeaning(EnumTable::kClearingCompany, "5"));
  EXPECT_EQ("חיוב נדחה", EnumMeaning(EnumTable::kCreditDealKind, "4"));
  EXPECT_EQ("", EnumMeaning(EnumTable::kCreditDealKind, "0"));
  EXPECT_EQ("", EnumMeaning(EnumTable::kCreditDealKind, "6"));
  EXPECT_EQ("לאומי", EnumMeaning(EnumTable::kBank, "0000000010"));
  EXPECT_EQ("", EnumMeaning(EnumTable::kBank, "99999999999999999999999"));
  EXPECT_EQ("", EnumMeaning(EnumTable::kNone, "1"));
}

TEST(LayoutsTest, SummaryCaptions) {
  EXPECT_EQ("תנועות הנהלת חשבונות", SummaryCaption("B100"));
  EXPECT_EQ("פרטי מלאי", SummaryCaption("M100"));
  EXPECT_EQ("", SummaryCaption("A100"));
}

}  // namespace
}  // namespace tallyscan
