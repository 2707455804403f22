// Fields by name: every name resolves to its own table entry, and the positions built from
// named fields cover what the format says they cover.
#include "engine/uniform/fields.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <iterator>
#include <string>
#include <type_traits>
#include <utility>

#include "engine/uniform/record_store.h"

namespace tallyscan {
namespace {

namespace tables = layout_tables;

// `named(i)` is the address of what the name gives for the code of entry i, looked up while
// compiling; it must be the table's entry itself, found by the run-time lookup too.
template <std::size_t N, typename Named>
void ExpectEveryCodeNamesItsOwnEntry(RecordType type, Named named) {
  const RecordLayout& layout = LayoutOf(type);
  ASSERT_EQ(N, layout.fields.size()) << layout.code;
  const std::array<const FieldLayout*, N> named_entries = [&]<std::size_t... I>(
      std::index_sequence<I...>) {
    return std::array<const FieldLayout*, N>{named(std::integral_constant<std::size_t, I>{})...};
  }
  (std::make_index_sequence<N>{});
  for (std::size_t i = 0; i < N; ++i) {
    EXPECT_EQ(&layout.fields[i], named_entries[i])
        << layout.code << " field " << layout.fields[i].code;
    EXPECT_EQ(&layout.fields[i], FindField(layout, layout.fields[i].code));
  }
}

#define EXPECT_NAMES_OF(T)                                                                        \
  ExpectEveryCodeNamesItsOwnEntry<std::size(tables::k##T##Fields)>(RecordType::k##T, [](auto i) { \
    return &field::T(tables::k##T##Fields[decltype(i)::value].code);                              \
  })

TEST(FieldsTest, EveryNamedFieldIsItsTableEntry) {
  EXPECT_NAMES_OF(A000);
  EXPECT_NAMES_OF(A100);
  EXPECT_NAMES_OF(Z900);
  EXPECT_NAMES_OF(B100);
  EXPECT_NAMES_OF(B110);
  EXPECT_NAMES_OF(C100);
  EXPECT_NAMES_OF(D110);
  EXPECT_NAMES_OF(D120);
  EXPECT_NAMES_OF(M100);
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
