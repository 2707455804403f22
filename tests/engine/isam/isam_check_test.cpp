#include "engine/isam/isam_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/isam/isam_test_support.h"

namespace tallyscan {
namespace {

using isam_test::Block;
using isam_test::Key;

// The check that the other tests lean on must itself see faults: each damage below is named.
class IsamCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 0, 1));
    for (int p = 1; p <= 25; ++p) {
      ASSERT_EQ(IsamStatus::kOk,
                manager_.DbInsert(0, Block({Key(p * 10L)}, static_cast<std::uint32_t>(p))));
    }
    ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(0));
  }
  std::vector<std::string> Problems() {
    auto opened = files_.Open("f", IsamOpenMode::kShared);
    IsamFileReport report;
    EXPECT_EQ(IsamStatus::kOk, InspectIndexFile(*opened.storage, report));
    return report.problems;
  }
  std::vector<std::uint8_t>& Bytes() { return files_.files["f"]->bytes; }

  isam_test::MemoryFileSystem files_;
  RecordManager manager_{files_, nullptr};
};

TEST_F(IsamCheckTest, ASoundFileHasNoProblemsAndEachDamageIsNamed) {
  EXPECT_EQ(std::vector<std::string>{}, Problems());
  const std::vector<std::uint8_t> sound = Bytes();

  Bytes()[2796 + 6] = 0x3D;  // leaf 2797's left sibling: 61, whose left sibling is 2797
  EXPECT_EQ(
      (std::vector<std::string>{"key 1: level 1: node 2797 has siblings 61/61 instead of 0/61",
                                "key 1: level 1: the left links come back to node 61"}),
      Problems());

  Bytes() = sound;
  Bytes().resize(sound.size() + 456, 0);  // a node nobody owns
  EXPECT_EQ(std::vector<std::string>{"node 3709 is in no tree and not free"}, Problems());

  Bytes() = sound;
  Bytes()[60 + 16] = 'x';  // free slot 1 of leaf 61 not blank
  EXPECT_EQ(std::vector<std::string>{"key 1: node 61 slot 1 is free but not blank"}, Problems());

  Bytes() = sound;
  Bytes()[8 + 22] = 24;  // header A counts one record too few
  EXPECT_EQ(std::vector<std::string>{"key 1: 25 entries for 24 records"}, Problems());

  Bytes() = sound;
  Bytes()[8 + 12] = 0x3D;  // the free list starts at a node of the tree
  EXPECT_EQ(std::vector<std::string>{"free chain: node 61 is reached twice"}, Problems());
}

}  // namespace
}  // namespace tallyscan
