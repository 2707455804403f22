// Thousands of random insertions, updates and deletions held against a multimap per key, with
// the whole file checked (order, packing, parents, siblings, free chain, record count) along
// the way and after reopening.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "engine/isam/isam.h"
#include "engine/isam/isam_check.h"
#include "engine/isam/isam_test_support.h"

namespace tallyscan {
namespace {

using isam_test::Block;
using isam_test::Key;

constexpr int kSlot = 42;
constexpr int kKeys = 3;

struct Record {
  std::array<IsamKey, kKeys> keys;
  std::uint8_t flag;
};

class IsamPropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = isam_test::TempIndex("property");
    ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb(path_, kSlot, kKeys));
  }
  void TearDown() override { (void)manager_.CloseDb(kSlot); }

  Record RandomRecord() {
    // Key 2 from a few values gives runs of duplicates longer than a leaf.
    return Record{{Key(static_cast<long>(rng_() % 100000)), Key(static_cast<long>(rng_() % 25)),
                   Key("N" + std::to_string(rng_() % 5000))},
                  static_cast<std::uint8_t>(rng_() % 3)};
  }
  Block BlockOf(std::uint32_t pointer, const Record& r) {
    return Block({r.keys[0], r.keys[1], r.keys[2]}, pointer, r.flag);
  }

  // What each key's tree should hold: (key, pointer) in key order; the order among equal
  // keys is the file's own, so both sides are compared sorted by pointer within a key.
  std::vector<std::pair<IsamKey, std::uint32_t>> Expected(int k) const {
    std::vector<std::pair<IsamKey, std::uint32_t>> out;
    for (const auto& [pointer, r] : records_)
      out.emplace_back(r.keys[static_cast<std::size_t>(k)], pointer);
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<std::pair<IsamKey, std::uint32_t>> Walk(int k, bool forward) {
    std::vector<std::pair<IsamKey, std::uint32_t>> out;
    EXPECT_EQ(IsamStatus::kOk, manager_.SetKey(kSlot, k + 1));
    IsamEntry entry;
    IsamStatus s = forward ? manager_.GetFirst(kSlot, entry) : manager_.GetLast(kSlot, entry);
    while (s == IsamStatus::kOk && out.size() <= records_.size()) {
      out.emplace_back(entry.key, entry.pointer);
      if (k == 0) {
        EXPECT_EQ(records_.at(entry.pointer).flag, entry.flag);
      }
      s = forward ? manager_.GetNext(kSlot, entry) : manager_.GetPrev(kSlot, entry);
    }
    EXPECT_EQ(IsamStatus::kNotFound, s);
    if (!forward) std::reverse(out.begin(), out.end());
    // Equal keys in the file's order; sort within runs to compare with the model.
    for (std::size_t i = 1; i < out.size(); ++i) {
      EXPECT_LE(Text(out[i - 1].first), Text(out[i].first)) << "walk out of order at " << i;
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string Text(const IsamKey& key) { return isam_test::Text(key); }

  void CheckEverything(const char* when) {
    SCOPED_TRACE(when);
    std::uint32_t count = 0;
    ASSERT_EQ(IsamStatus::kOk, manager_.GetRecords(kSlot, count));
    EXPECT_EQ(records_.size(), count);
    for (int k = 0; k < kKeys; ++k) {
      const auto expected = Expected(k);
      EXPECT_EQ(expected, Walk(k, true)) << "forward walk of key " << k + 1;
      EXPECT_EQ(expected, Walk(k, false)) << "backward walk of key " << k + 1;
    }
    // Every duplicate of key 2 is found by its record pointer.
    for (const auto& [pointer, r] : records_) {
      IsamEntry entry = isam_test::Wanted(r.keys[1], pointer);
      std::uint32_t node = 0;
      int slot = 0;
      ASSERT_EQ(IsamStatus::kOk, manager_.GetMatch(kSlot, 2, entry, node, slot));
      EXPECT_EQ(pointer, entry.pointer);
    }
    PosixIsamFileSystem files;
    IsamOpenResult opened = files.Open(path_, IsamOpenMode::kShared);
    ASSERT_NE(nullptr, opened.storage);
    IsamFileReport report;
    ASSERT_EQ(IsamStatus::kOk, InspectIndexFile(*opened.storage, report));
    EXPECT_EQ(std::vector<std::string>{}, report.problems);
    freed_seen_ = std::max(freed_seen_, report.free_nodes.size());
  }

  void RandomOperation() {
    const unsigned dice = rng_() % 100;
    if (records_.empty() || dice < 50) {
      const Record r = RandomRecord();
      ASSERT_EQ(IsamStatus::kOk, manager_.DbInsert(kSlot, BlockOf(next_pointer_, r)));
      records_[next_pointer_++] = r;
      return;
    }
    auto it = records_.begin();
    std::advance(it, static_cast<long>(rng_() % records_.size()));
    const Block old_block = BlockOf(it->first, it->second);
    if (dice < 70) {
      Record changed = it->second;
      const Record fresh = RandomRecord();
      for (int k = 0; k < kKeys; ++k) {
        if (rng_() % 2 == 0)
          changed.keys[static_cast<std::size_t>(k)] = fresh.keys[static_cast<std::size_t>(k)];
      }
      changed.flag = fresh.flag;
      ASSERT_EQ(IsamStatus::kOk, manager_.DbUpdate(kSlot, BlockOf(it->first, changed), old_block));
      it->second = changed;
      return;
    }
    ASSERT_EQ(IsamStatus::kOk, manager_.DbDelete(kSlot, old_block));
    records_.erase(it);
  }

  std::mt19937 rng_{20240611};
  std::string path_;
  PosixIsamFileSystem files_;
  RecordManager manager_{files_, nullptr};
  std::map<std::uint32_t, Record> records_;
  std::uint32_t next_pointer_ = 1;
  std::size_t freed_seen_ = 0;
};

TEST_F(IsamPropertyTest, RandomChangesKeepEveryTreeTheModelsOrderedWhole) {
  for (int round = 0; round < 6; ++round) {
    for (int i = 0; i < 700; ++i) ASSERT_NO_FATAL_FAILURE(RandomOperation());
    ASSERT_NO_FATAL_FAILURE(CheckEverything("after a round of changes"));
  }
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(kSlot));
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb(path_, kSlot, 1));  // the file's own 3 keys
  ASSERT_NO_FATAL_FAILURE(CheckEverything("after reopening"));

  // Delete everything: the trees shrink back to single leaves and all else is free.
  while (!records_.empty()) {
    auto it = records_.begin();
    std::advance(it, static_cast<long>(rng_() % records_.size()));
    ASSERT_EQ(IsamStatus::kOk, manager_.DbDelete(kSlot, BlockOf(it->first, it->second)));
    records_.erase(it);
  }
  ASSERT_NO_FATAL_FAILURE(CheckEverything("after deleting every record"));
  EXPECT_GT(freed_seen_, 0u);
  IsamEntry entry;
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetFirst(kSlot, entry));

  // Freed nodes are used again before the file grows.
  std::uint64_t size_before = 0;
  {
    PosixIsamFileSystem files;
    auto opened = files.Open(path_, IsamOpenMode::kShared);
    ASSERT_TRUE(opened.storage->Size(size_before));
  }
  for (int i = 0; i < 200; ++i) ASSERT_NO_FATAL_FAILURE(RandomOperation());
  ASSERT_NO_FATAL_FAILURE(CheckEverything("after refilling"));
  PosixIsamFileSystem files;
  std::uint64_t size_after = 0;
  ASSERT_TRUE(files.Open(path_, IsamOpenMode::kShared).storage->Size(size_after));
  EXPECT_EQ(size_before, size_after);
}

}  // namespace
}  // namespace tallyscan
