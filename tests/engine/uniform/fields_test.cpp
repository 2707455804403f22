// Fields by name: every name resolves to its own table entry, and the positions built from
// named fields cover what the format says they cover.
#include "engine/uniform/fields.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/uniform/record_store.h"

namespace tallyscan {
namespace {

namespace tables = layout_tables;

// The code of the first field whose name gives another entry than its own, looked up
// while compiling; -1 when every name gives its own entry.
consteval int FirstMisnamedField() {
  using namespace field;
  for (const FieldLayout& f : tables::kA000Fields)
    if (&A000(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kA100Fields)
    if (&A100(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kZ900Fields)
    if (&Z900(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kB100Fields)
    if (&B100(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kB110Fields)
    if (&B110(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kC100Fields)
    if (&C100(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kD110Fields)
    if (&D110(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kD120Fields)
    if (&D120(f.code) != &f) return f.code;
  for (const FieldLayout& f : tables::kM100Fields)
    if (&M100(f.code) != &f) return f.code;
  return -1;
}

TEST(FieldsTest, EveryNamedFieldIsItsTableEntry) {
  constexpr int misnamed = FirstMisnamedField();
  EXPECT_EQ(-1, misnamed) << "the name of field " << misnamed << " gives another entry";
  // The run-time lookup (a user's column list) finds the same entries.
  for (const RecordType type : {RecordType::kA000, RecordType::kA100, RecordType::kZ900,
                                RecordType::kB100, RecordType::kB110, RecordType::kC100,
                                RecordType::kD110, RecordType::kD120, RecordType::kM100}) {
    for (const FieldLayout& f : LayoutOf(type).fields) {
      EXPECT_EQ(&f, FindField(LayoutOf(type), f.code)) << LayoutOf(type).code << " " << f.code;
    }
  }
}

// Positions that no single field gives, against the positions the format states (first and
// last, inclusive).
TEST(FieldsTest, RunsAndPartsCoverWhatTheFormatSays) {
  struct Case {
    const char* name;
    Positions positions;
    int first;
    int last;
  };
  using namespace field;
  const Case cases[] = {
      {"document key", kDocumentKey, 23, 45},
      {"document line key", kDocumentLineKey, 23, 45},
      {"format version digits", kFormatVersionDigits, 52, 55},
      {"year of the data's last date", YearOf(A000(1025)), 375, 378},
      {"movement numbers", field::Run(B100(1351), B100(1355)), 5, 45},
      {"receipt payment run", field::Run(D120(1305), D120(1310)), 46, 95},
      {"account section and dealer", field::Run(B110(1417), B110(1419)), 323, 335},
      {"cost prices", field::Run(M100(1463), M100(1464)), 229, 248},
      {"sign of an opening balance", SignOf(B110(1414)), 278, 278},
      {"digits of an opening balance", DigitsOf(B110(1414)), 279, 292},
      {"digits of a quantity", DigitsOf(D110(1264)), 225, 240},
      {"amount within sign-to-amount", Within(field::Run(B100(1366), B100(1368)), B100(1368)), 5,
       19},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.first, c.positions.start) << c.name;
    EXPECT_EQ(c.last, c.positions.start + c.positions.width - 1) << c.name;
  }
}

// Keys are compared part by part across indexes: each part lies where MakeKey puts it.
TEST(FieldsTest, KeyPartsAreWhereMakeKeyPutsThem) {
  std::string movement(317, ' ');
  movement.replace(0, 4, "B100");
  movement.replace(172, 15, "ACCOUNT-KEY-15C");
  movement.replace(37, 8, "BATCH-08");
  IndexEntry entry{};
  MakeKey(RecordType::kB100, movement, entry.Key);
  EXPECT_EQ("ACCOUNT-KEY-15C", entry.Part(kKeyAccount));
  EXPECT_EQ("BATCH-08", entry.Part(kKeyBatch));

  std::string header(444, ' ');
  header.replace(0, 4, "C100");
  header.replace(22, 23, "400  77               ");
  MakeKey(RecordType::kC100, header, entry.Key);
  EXPECT_EQ("400", entry.Part(kKeyDocumentType));
  EXPECT_EQ("  77                ", entry.Part(kKeyDocumentNumber));
  EXPECT_EQ("400                  77", ReceiptLineKeyOf(entry));

  std::string receipt(222, ' ');
  receipt.replace(0, 4, "D120");
  receipt.replace(22, 23, "400  77               ");
  MakeKey(RecordType::kD120, receipt, entry.Key);
  EXPECT_EQ("400                  77", entry.KeyView());
  EXPECT_EQ(std::string(14, ' ') + "ITEM-1", ItemKeyPrefix("  ITEM-1 "));
}

}  // namespace
}  // namespace tallyscan
