// The index file byte for byte: the layout is read by the bookkeeping product, so these
// expectations are built by hand from the byte map, not with the record manager's encoder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/isam/isam.h"
#include "engine/isam/isam_test_support.h"

namespace tallyscan {
namespace {

using isam_test::Block;
using isam_test::Key;
using isam_test::MemoryFileSystem;

class ExpectedFile {
 public:
  explicit ExpectedFile(std::size_t size) : bytes_(size, 0) {}

  void U16(std::size_t offset, unsigned value) {
    bytes_.at(offset) = value & 0xFF;
    bytes_.at(offset + 1) = (value >> 8) & 0xFF;
  }
  void U32(std::size_t offset, unsigned value) {
    for (std::size_t i = 0; i < 4; ++i) bytes_.at(offset + i) = (value >> (8 * i)) & 0xFF;
  }
  // Header at 1-based position: three roots, free, stack, keys, records.
  void Header(unsigned position, std::vector<unsigned> roots, unsigned keys, unsigned records) {
    const std::size_t at = position - 1;
    for (std::size_t i = 0; i < 3; ++i) U32(at + 4 * i, roots[i]);
    U32(at + 12, 0);
    U32(at + 16, 0);
    U16(at + 20, keys);
    U32(at + 22, records);
  }
  struct E {
    std::string key;  // 17 bytes
    unsigned flag;
    unsigned pointer;
  };
  // A node at 1-based position; slots not given hold the blank entry.
  void Node(unsigned position, unsigned leaf, unsigned parent, unsigned left, unsigned right,
            unsigned free_slot, const std::map<unsigned, E>& slots) {
    const std::size_t at = position - 1;
    U16(at, leaf);
    U32(at + 2, parent);
    U32(at + 6, left);
    U32(at + 10, right);
    U16(at + 14, free_slot);
    for (unsigned s = 1; s <= 20; ++s) {
      const std::size_t entry = at + 16 + static_cast<std::size_t>(s - 1) * 22;
      auto it = slots.find(s);
      const E e = it != slots.end() ? it->second : E{Blank(), 0, 0};
      ASSERT_EQ(17u, e.key.size());
      for (std::size_t i = 0; i < 17; ++i)
        bytes_.at(entry + i) = static_cast<std::uint8_t>(e.key[i]);
      bytes_.at(entry + 17) = static_cast<std::uint8_t>(e.flag);
      U32(entry + 18, e.pointer);
    }
  }
  void EmptyLeaf(unsigned position) { Node(position, 1, 0, 0, 0, 19, {{20, {Sentinel(), 0, 0}}}); }

  static std::string Blank() { return std::string(15, '\0') + "  "; }
  static std::string Sentinel() { return std::string(15, '\xFF') + "  "; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Compares and, on a difference, names the first differing byte rather than dumping 4 KB.
void ExpectSameBytes(const std::vector<std::uint8_t>& expected,
                     const std::vector<std::uint8_t>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(expected[i], actual[i]) << "first difference at byte offset " << i;
  }
}

class IsamLayoutTest : public ::testing::Test {
 protected:
  MemoryFileSystem files_;
  std::vector<std::string> messages_;
  RecordManager manager_{files_, [this](const std::string& m) { messages_.push_back(m); }};
  const std::vector<std::uint8_t>& Bytes() { return files_.files["f"]->bytes; }
};

TEST_F(IsamLayoutTest, EmptyFileWithTwoKeysIsHeadersAndSixEmptyLeaves) {
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 7, 2));
  ExpectedFile expected(2796);
  expected.Header(9, {61, 517, 973}, 2, 0);
  expected.Header(35, {1429, 1885, 2341}, 2, 0);
  for (unsigned position : {61u, 517u, 973u, 1429u, 1885u, 2341u}) expected.EmptyLeaf(position);
  ExpectSameBytes(expected.bytes(), Bytes());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(IsamLayoutTest, NineteenthInsertionSplitsTheRootLeafIntoTwoLeavesOfTen) {
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 7, 2));
  // Key 1 ascends, key 2 descends, so both ends of the split are exercised.
  auto key1 = [](unsigned i) { return isam_test::Text(Key(static_cast<long>(i))); };
  auto key2 = [](unsigned i) { return isam_test::Text(Key(static_cast<long>(100 - i))); };
  for (unsigned i = 1; i <= 19; ++i) {
    if (i == 19) {
      ASSERT_EQ(IsamStatus::kOk, manager_.SetKey(7, 2));
    }
    const Block block({Key(static_cast<long>(i)), Key(static_cast<long>(100 - i))}, i, i % 4);
    ASSERT_EQ(IsamStatus::kOk, manager_.DbInsert(7, block));
  }

  ExpectedFile expected(2796 + 4 * 456);
  // Key 1 split first: its lower half at 2797, its new root at 3253; then key 2's.
  expected.Header(9, {3253, 4165, 973}, 2, 19);
  expected.Header(35, {1429, 1885, 2341}, 2, 0);
  std::map<unsigned, ExpectedFile::E> lower1, upper1, lower2, upper2;
  for (unsigned i = 1; i <= 10; ++i) lower1[10 + i] = {key1(i), i % 4, i};
  for (unsigned i = 11; i <= 19; ++i) upper1[i] = {key1(i), i % 4, i};
  upper1[20] = {ExpectedFile::Sentinel(), 0, 0};
  // Key 2 holds 81..99 ascending: record 19 has the lowest key.
  for (unsigned s = 1; s <= 10; ++s) lower2[10 + s] = {key2(20 - s), (20 - s) % 4, 20 - s};
  for (unsigned s = 11; s <= 19; ++s) upper2[s] = {key2(20 - s), (20 - s) % 4, 20 - s};
  upper2[20] = {ExpectedFile::Sentinel(), 0, 0};

  expected.Node(61, 1, 3253, 2797, 0, 10, upper1);
  expected.Node(2797, 1, 3253, 0, 61, 10, lower1);
  expected.Node(3253, 0, 0, 0, 0, 18,
                {{19, {key1(10), 0, 2797}}, {20, {ExpectedFile::Sentinel(), 0, 61}}});
  expected.Node(517, 1, 4165, 3709, 0, 10, upper2);
  expected.Node(3709, 1, 4165, 0, 517, 10, lower2);
  expected.Node(4165, 0, 0, 0, 0, 18,
                {{19, {key2(10), 0, 3709}}, {20, {ExpectedFile::Sentinel(), 0, 517}}});
  for (unsigned position : {973u, 1429u, 1885u, 2341u}) expected.EmptyLeaf(position);
  ExpectSameBytes(expected.bytes(), Bytes());

  // The 19th key 2 (the lowest, 81) was in slot 1 of the full leaf: it followed the lower
  // half to slot 11 of the new node.
  int key_number = 0;
  std::uint32_t node = 0;
  int slot = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.SaveFileStatus(7, key_number, node, slot));
  EXPECT_EQ(2, key_number);
  EXPECT_EQ(3709u, node);
  EXPECT_EQ(11, slot);
}

TEST_F(IsamLayoutTest, StackValueAndRecordCountSitInHeaderA) {
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 0, 1));
  ASSERT_EQ(IsamStatus::kOk, manager_.PutStack(0, 0x01020304));
  ASSERT_EQ(IsamStatus::kOk, manager_.DbInsert(0, Block({Key(5)}, 9)));
  const auto& b = Bytes();
  EXPECT_EQ((std::vector<std::uint8_t>{4, 3, 2, 1}),
            std::vector<std::uint8_t>(b.begin() + 24, b.begin() + 28));
  EXPECT_EQ((std::vector<std::uint8_t>{1, 0, 0, 0}),
            std::vector<std::uint8_t>(b.begin() + 30, b.begin() + 34));
  std::uint32_t stack = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.GetStack(0, stack));
  EXPECT_EQ(0x01020304u, stack);
}

}  // namespace
}  // namespace tallyscan
