#include "engine/uniform/record_store.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tallyscan {
namespace {

std::string KeyOf(RecordType type, std::string_view line) {
  char key[kKeyLength];
  MakeKey(type, line, key);
  return std::string(key, kKeyLength);
}

// A line of spaces of `length` with `text` written at 1-based `position`.
std::string LineWith(int length, int position, std::string_view text) {
  std::string line(static_cast<std::size_t>(length), ' ');
  line.replace(static_cast<std::size_t>(position - 1), text.size(), text);
  return line;
}

IndexEntry Entry(std::string_view key, std::int64_t offset) {
  IndexEntry e{};
  const std::string padded = PadKey(key);
  std::copy(padded.begin(), padded.end(), e.Key);
  e.Offset = offset;
  return e;
}

TEST(RecordIndexTest, GrowsKeepsElementZeroBlankAndShrinksToItsCount) {
  RecordIndex<IndexEntry> index;
  index.Reset(1000);
  EXPECT_EQ(0, index.Count());
  for (int i = 1; i <= 2500; ++i) index.Append().Offset = i;
  EXPECT_EQ(2500, index.Count());
  EXPECT_EQ(0, index[0].Offset);
  EXPECT_EQ(1, index[1].Offset);
  EXPECT_EQ(2500, index[2500].Offset);
  index.ShrinkToCount();
  EXPECT_EQ(2501, index.Capacity());
  EXPECT_EQ(2500, index[2500].Offset);
  index.Resize(2502);  // list indexes are sized to their source, blank
  EXPECT_EQ(0, index[2502].Offset);
  index.Reset(10);
  EXPECT_EQ(0, index.Count());
  EXPECT_TRUE(index.Entries().empty());
}

TEST(RecordIndexTest, ReservationThatFitsIsNotCopiedOnShrink) {
  RecordIndex<IndexEntry> index;
  index.Reset(3);
  for (int i = 0; i < 3; ++i) index.Append();
  const IndexEntry* before = &index[1];
  index.ShrinkToCount();
  EXPECT_EQ(before, &index[1]);
}

TEST(KeyTest, EachRecordTypeCutsItsKey) {
  // C100 and D110: positions 23-45 as they stand.
  EXPECT_EQ("305123                 ", KeyOf(RecordType::kC100, LineWith(444, 23, "305123")));
  EXPECT_EQ("305  77                ", KeyOf(RecordType::kD110, LineWith(339, 23, "305  77")));
  // D120: the document number trimmed and right-aligned.
  EXPECT_EQ("400                 123",
            KeyOf(RecordType::kD120, LineWith(222, 23, "400123                 ")));
  // B100: account then batch.
  std::string movement = LineWith(317, 173, "1200");
  movement.replace(37, 8, "00000007");
  EXPECT_EQ("1200           00000007", KeyOf(RecordType::kB100, movement));
  EXPECT_EQ("ACC-9                  ", KeyOf(RecordType::kB110, LineWith(376, 23, "ACC-9")));
  EXPECT_EQ("              ITEM-1   ", KeyOf(RecordType::kM100, LineWith(298, 63, "  ITEM-1")));
}

TEST(KeyTest, ShortLineContributesSpacesForWhatItLacks) {
  EXPECT_EQ("305AB                  ", KeyOf(RecordType::kC100, LineWith(27, 23, "305AB")));
  EXPECT_EQ(std::string(23, ' '), KeyOf(RecordType::kB100, "B100"));
}

TEST(ListEntryTest, ShortKeyIsTheAccountKeyRightAlignedInSix) {
  EXPECT_EQ("123456", std::string(MakeAccountListEntry(Entry("12345678", 5)).ShortKeyView()));
  EXPECT_EQ("    42", std::string(MakeAccountListEntry(Entry("  42", 5)).ShortKeyView()));
  const ListEntry item = MakeItemListEntry(Entry("ITEM", 9));
  EXPECT_EQ("      ", std::string(item.ShortKeyView()));
  EXPECT_EQ(9, item.Offset);
  EXPECT_EQ(PadKey("ITEM"), std::string(item.KeyView()));
}

class SortedIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    index_.Reset(10);
    for (const IndexEntry& e : {Entry("305B", 50), Entry("305A", 40), Entry("400A", 10),
                                Entry("305A", 5), Entry("\xE0", 1), Entry("305A", 30)}) {
      index_.Append() = e;
    }
    SortIndex(index_);
  }
  RecordIndex<IndexEntry> index_;
};

TEST_F(SortedIndexTest, EqualKeysAreAdjacentInFileOrderAndHighBytesSortLast) {
  std::vector<std::int64_t> offsets;
  for (const IndexEntry& e : index_.Entries()) offsets.push_back(e.Offset);
  EXPECT_EQ((std::vector<std::int64_t>{5, 30, 40, 50, 10, 1}), offsets);
}

TEST(SortIndexTest, SortsAsKeyBytesThenOffsetWhateverTheShapeOfTheKeys) {
  // Keys drawn from few characters (long shared prefixes, many equal keys), with high bytes,
  // and counts on both sides of the part sorted in place and of the small groups.
  std::mt19937_64 random(3);
  for (const int count : {0, 1, 63, 64, 65, 1000, 300000}) {
    for (const std::string& alphabet :
         {std::string(" 0"), std::string("0123456789 "), std::string("\x01\x7F\x80\xFF")}) {
      RecordIndex<IndexEntry> index;
      index.Reset(count);
      for (int i = 0; i < count; ++i) {
        IndexEntry& entry = index.Append();
        for (char& c : entry.Key) c = alphabet[random() % alphabet.size()];
        entry.Offset = static_cast<std::int64_t>(random() % 1000000);
      }
      std::vector<IndexEntry> expected(index.Entries().begin(), index.Entries().end());
      std::sort(expected.begin(), expected.end(), [](const IndexEntry& a, const IndexEntry& b) {
        const int order = std::memcmp(a.Key, b.Key, kKeyLength);
        return order != 0 ? order < 0 : a.Offset < b.Offset;
      });
      SortIndex(index);
      ASSERT_EQ(expected.size(), index.Entries().size());
      for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(expected[i].KeyView(), index.Entries()[i].KeyView()) << count << " " << i;
        ASSERT_EQ(expected[i].Offset, index.Entries()[i].Offset) << count << " " << i;
      }
    }
  }
}

TEST_F(SortedIndexTest, LookupsFindRunsAndPrefixes) {
  EXPECT_EQ(1, FindFirst(index_, "305A"));
  const ElementRange run = EqualRange(index_, "305A");
  EXPECT_EQ(1, run.first);
  EXPECT_EQ(3, run.size());
  EXPECT_EQ(0, FindFirst(index_, "305"));
  EXPECT_EQ(0, FindFirst(index_, "999"));
  const ElementRange invoices = PrefixRange(index_, "305");
  EXPECT_EQ(1, invoices.first);
  EXPECT_EQ(4, invoices.size());
  EXPECT_TRUE(PrefixRange(index_, "306").empty());
  EXPECT_EQ(6, PrefixRange(index_, "").size());
}

TEST(RandomAccessFileTest, ReadsLinesAndFieldsAtOffsets) {
  testing::TempFolder folder;
  const std::string path = folder.File("data");
  testing::WriteFile(path, "ABCDEFGH\r\nXY\nlast\rline");
  RecordStore store;
  ASSERT_TRUE(store.DataFile.Open(path).ok());
  EXPECT_EQ("ABCDEFGH", store.DataFile.ReadLine(0, 100));
  EXPECT_EQ("ABCD", store.DataFile.ReadLine(0, 4));
  EXPECT_EQ("ABCDEFGH", store.DataFile.ReadLine(0, 8));  // CR at the limit is the line end
  EXPECT_EQ("XY", store.DataFile.ReadLine(10, 100));
  EXPECT_EQ("last\rline", store.DataFile.ReadLine(13, 100));
  EXPECT_EQ("", store.DataFile.ReadLine(1000, 10));
  EXPECT_EQ("CDE", ReadRecordField(store, 0, {3, 3}));
  EXPECT_EQ("Y", ReadRecordField(store, 10, {2, 5}));  // a short line yields what it has
  EXPECT_EQ("", ReadRecordField(store, 10, {4, 5}));

  ASSERT_TRUE(store.DataFile.WriteAt(10, "QZ").ok());
  EXPECT_EQ("QZ", store.DataFile.ReadLine(10, 100));
  EXPECT_EQ("ABCDEFGH\r\nQZ\nlast\rline", testing::ReadFile(path));
}

}  // namespace
}  // namespace tallyscan
