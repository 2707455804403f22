// The node cache: reads served from memory, writes in the file at once, the same bytes on disk
// whatever the cache's size, one cache for every slot open on a file.
#include "engine/isam/isam_node_cache.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/isam/isam.h"
#include "engine/isam/isam_test_support.h"

namespace tallyscan {
namespace {

using isam_test::Block;
using isam_test::Key;
using isam_test::MemoryFile;
using isam_test::MemoryFileSystem;
using isam_test::MemoryStorage;
using isam_test::Wanted;

// In-memory files read through a cache per name, so that faults can be injected under it.
class CachedMemoryFileSystem final : public IsamFileSystem {
 public:
  explicit CachedMemoryFileSystem(std::size_t nodes) : nodes_(nodes) {}
  IsamOpenResult Open(const std::string& name, IsamOpenMode mode) override {
    IsamOpenResult result = memory.Open(name, mode);
    auto& cache = caches_[name];
    if (cache == nullptr) cache = std::make_shared<IsamNodeCache>(nodes_);
    result.storage = MakeCachedIsamStorage(std::move(result.storage), cache);
    return result;
  }
  MemoryFileSystem memory;

 private:
  std::size_t nodes_;
  std::map<std::string, std::shared_ptr<IsamNodeCache>> caches_;
};

// A record whose keys come from one number: key 1 ten times it, key 2 its remainder by 7
// (long runs of duplicates), key 3 its text.
Block RecordBlock(std::uint32_t keys_from, std::uint32_t pointer, std::uint8_t flag = 0) {
  return Block({Key(keys_from * 10L), Key(static_cast<long>(keys_from % 7)),
                Key("K" + std::to_string(keys_from))},
               pointer, flag);
}

Block BlockOf(std::uint32_t p, std::uint8_t flag = 0) { return RecordBlock(p, p, flag); }

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr std::uint64_t kNode1 = 60;  // byte offsets of the first nodes
constexpr std::uint64_t kNode2 = 60 + 456;
constexpr std::uint64_t kNode3 = 60 + 2 * 456;

class IsamNodeCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_->bytes.resize(60 + 4 * 456);
    for (std::size_t i = 0; i < file_->bytes.size(); ++i)
      file_->bytes[i] = static_cast<std::uint8_t>(i * 7);
  }
  std::vector<std::uint8_t> Read(std::uint64_t offset, std::size_t n, std::int64_t* got = nullptr) {
    std::vector<std::uint8_t> out(n);
    const std::int64_t r = storage_->ReadAt(offset, out);
    if (got != nullptr) *got = r;
    out.resize(r < 0 ? 0 : static_cast<std::size_t>(r));
    return out;
  }
  std::vector<std::uint8_t> InFile(std::uint64_t offset, std::size_t n) const {
    const auto from = file_->bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    return {from, from + static_cast<std::ptrdiff_t>(n)};
  }
  std::size_t ReadsAt(std::uint64_t offset) const { return file_->read_offsets.count(offset); }

  std::shared_ptr<MemoryFile> file_ = std::make_shared<MemoryFile>();
  std::unique_ptr<IsamStorage> storage_ = MakeCachedIsamStorage(
      std::make_unique<MemoryStorage>(file_), std::make_shared<IsamNodeCache>(2));
};

TEST_F(IsamNodeCacheTest, ReadsComeFromMemoryAfterTheFirstAndAFullCacheGivesUpOneNode) {
  EXPECT_EQ(InFile(kNode1, 456), Read(kNode1, 456));
  EXPECT_EQ(InFile(kNode2, 456), Read(kNode2, 456));
  EXPECT_EQ(InFile(kNode1 + 10, 40), Read(kNode1 + 10, 40));
  EXPECT_EQ(1u, ReadsAt(kNode1));
  EXPECT_EQ(1u, ReadsAt(kNode2));

  // Two nodes fit, both used since the sweep began: it passes both and gives up the first.
  Read(kNode3, 456);
  Read(kNode2, 456);
  EXPECT_EQ(1u, ReadsAt(kNode2));
  Read(kNode1, 456);
  EXPECT_EQ(2u, ReadsAt(kNode1));

  // A read across two nodes, and reads at and past the end, as the file gives them.
  EXPECT_EQ(InFile(kNode2 + 400, 100), Read(kNode2 + 400, 100));
  std::int64_t got = 0;
  EXPECT_EQ(InFile(kNode3 + 2 * 456 - 6, 6), Read(kNode3 + 2 * 456 - 6, 20, &got));
  EXPECT_EQ(6, got);
  Read(file_->bytes.size() + 100, 20, &got);
  EXPECT_EQ(0, got);
}

TEST_F(IsamNodeCacheTest, WritesReachTheFileAtOnceAndAFailedOneIsReadAgainFromTheFile) {
  Read(kNode1, 456);
  std::vector<std::uint8_t> node(456, 0xAB);
  ASSERT_TRUE(storage_->WriteAt(kNode1, node));
  EXPECT_EQ(node, InFile(kNode1, 456));
  EXPECT_EQ(node, Read(kNode1, 456));
  EXPECT_EQ(1u, ReadsAt(kNode1));

  // A node appended whole is known without reading it, and the size follows.
  const std::uint64_t end = file_->bytes.size();
  node.assign(456, 0xCD);
  ASSERT_TRUE(storage_->WriteAt(end, node));
  std::uint64_t size = 0;
  ASSERT_TRUE(storage_->Size(size));
  EXPECT_EQ(end + 456, size);
  EXPECT_EQ(node, Read(end, 456));
  EXPECT_EQ(0u, ReadsAt(end));

  // The system refuses the write after changing part of the node: the node is the file's.
  file_->writes_left = 0;
  EXPECT_FALSE(storage_->WriteAt(kNode1, std::vector<std::uint8_t>(456, 0xEF)));
  file_->bytes[kNode1 + 3] = 0xEF;
  file_->bytes.resize(file_->bytes.size() + 10);
  EXPECT_EQ(InFile(kNode1, 456), Read(kNode1, 456));
  ASSERT_TRUE(storage_->Size(size));
  EXPECT_EQ(file_->bytes.size(), size);

  // Refresh forgets everything kept.
  file_->bytes[kNode1] = 0x11;
  storage_->Refresh();
  EXPECT_EQ(InFile(kNode1, 456), Read(kNode1, 456));
}

// The record manager over a file that fails: the call that wrote fails, and what the cache
// shows afterwards is what the file holds, as an uncached reader finds it.
TEST(IsamNodeCacheManagerTest, AFailedWriteFailsItsCallAndTheCacheAgreesWithTheFile) {
  CachedMemoryFileSystem cached(4);
  RecordManager manager(cached, nullptr);
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb("f", 1, 3));
  for (std::uint32_t p = 1; p <= 40; ++p)
    ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(1, BlockOf(p)));
  MemoryFile& file = *cached.memory.files["f"];
  for (int allowed : {0, 1, 2}) {
    file.writes_left = allowed;
    EXPECT_EQ(IsamStatus::kIoError,
              manager.DbInsert(1, BlockOf(static_cast<std::uint32_t>(41 + allowed))));
    EXPECT_EQ(IsamStatus::kIoError, manager.PutStack(1, 9));
    file.writes_left = -1;
  }

  MemoryFileSystem plain;
  plain.files["f"] = cached.memory.files["f"];
  RecordManager reader(plain, nullptr);
  ASSERT_EQ(IsamStatus::kOk, reader.OpenDb("f", 1, 3));
  std::uint32_t records = 0, seen = 0;
  ASSERT_EQ(IsamStatus::kOk, manager.GetRecords(1, records));
  ASSERT_EQ(IsamStatus::kOk, reader.GetRecords(1, seen));
  EXPECT_EQ(seen, records);
  for (int key = 1; key <= 3; ++key) {
    ASSERT_EQ(IsamStatus::kOk, manager.SetKey(1, key));
    ASSERT_EQ(IsamStatus::kOk, reader.SetKey(1, key));
    IsamEntry a, b;
    IsamStatus sa = manager.GetFirst(1, a), sb = reader.GetFirst(1, b);
    for (int step = 0; step < 100 && sb == IsamStatus::kOk; ++step) {
      ASSERT_EQ(sb, sa);
      EXPECT_EQ(b, a);
      sa = manager.GetNext(1, a);
      sb = reader.GetNext(1, b);
    }
    EXPECT_EQ(sb, sa);
  }
}

// The same random calls on four files, without a cache, with the usual one, with one of two
// nodes, and in bulk mode with two nodes (every block written back as it is pushed out):
// every answer and every byte on disk is the same.
TEST(IsamNodeCachePosixTest, TheFileIsTheSameByteForByteWhateverTheCacheHolds) {
  struct Run {
    std::string path;
    PosixIsamFileSystem files;
    RecordManager manager;
    IsamOpenMode mode;
    IsamEntry last;  // the entry the last cursor call gave
    Run(const std::string& name, std::size_t nodes, IsamOpenMode open_mode = IsamOpenMode::kShared)
        : path(isam_test::TempIndex(name)),
          files(PosixIsamOptions{.cache_nodes = nodes, .bulk_cache_nodes = nodes}),
          manager(files, nullptr),
          mode(open_mode) {}
  };
  std::vector<std::unique_ptr<Run>> runs;
  runs.push_back(std::make_unique<Run>("cache_none", 0));
  runs.push_back(std::make_unique<Run>("cache_default", PosixIsamOptions::kDefaultCacheNodes));
  runs.push_back(std::make_unique<Run>("cache_tiny", 2));
  runs.push_back(std::make_unique<Run>("cache_bulk_tiny", 2, IsamOpenMode::kBulk));
  for (auto& run : runs)
    ASSERT_EQ(IsamStatus::kOk, run->manager.OpenDb(run->path, 5, 3, run->mode));

  std::mt19937 rng(7321);
  struct Live {
    std::uint32_t keys_from;
    std::uint8_t flag;
  };
  std::map<std::uint32_t, Live> live;  // by record pointer
  std::uint32_t next = 1;
  for (int op = 0; op < 4000; ++op) {
    const unsigned dice = live.empty() ? 0 : rng() % 100;
    const std::uint32_t value = rng() % 3000;
    const auto flag = static_cast<std::uint8_t>(rng() % 3);
    auto victim = live.begin();
    if (!live.empty()) std::advance(victim, static_cast<long>(rng() % live.size()));
    std::vector<std::pair<IsamStatus, IsamEntry>> answers;
    for (auto& run : runs) {
      RecordManager& m = run->manager;
      IsamEntry entry = Wanted(Key(value * 10L));
      IsamStatus s;
      if (dice < 45) {
        s = m.DbInsert(5, RecordBlock(value, next, flag));
      } else if (dice < 60) {
        s = m.DbUpdate(5, RecordBlock(value, victim->first, flag),
                       RecordBlock(victim->second.keys_from, victim->first, victim->second.flag));
      } else if (dice < 75) {
        s = m.DbDelete(5, RecordBlock(victim->second.keys_from, victim->first));
      } else if (dice < 80) {
        s = m.PutStack(5, value);
      } else if (dice < 85) {
        s = m.SetKey(5, static_cast<int>(value % 4));
      } else {
        if (dice < 90) {
          s = m.rStart(5, entry);
        } else {
          entry = run->last;
          s = dice % 2 == 0 ? m.GetNext(5, entry) : m.GetPrev(5, entry);
        }
        if (s == IsamStatus::kOk) run->last = entry;
      }
      answers.emplace_back(s, entry);
    }
    for (std::size_t r = 1; r < runs.size(); ++r)
      ASSERT_EQ(answers[0], answers[r]) << "call " << op;
    ASSERT_GE(static_cast<int>(answers[0].first), 0) << "call " << op;
    if (dice < 45) {
      live[next++] = Live{value, flag};
    } else if (dice < 60) {
      victim->second = Live{value, flag};
    } else if (dice < 75) {
      live.erase(victim);
    }
    if (op % 500 == 499) {
      ASSERT_EQ(IsamStatus::kOk, runs[3]->manager.DbFlush(5));
      const auto bytes = FileBytes(runs[0]->path);
      for (std::size_t r = 1; r < runs.size(); ++r)
        ASSERT_EQ(bytes, FileBytes(runs[r]->path)) << "after call " << op;
    }
  }
  for (auto& run : runs) ASSERT_EQ(IsamStatus::kOk, run->manager.CloseDb(5));
  const auto bytes = FileBytes(runs[0]->path);
  EXPECT_GT(bytes.size(), 100u * 456u);
  for (std::size_t r = 1; r < runs.size(); ++r) EXPECT_EQ(bytes, FileBytes(runs[r]->path));
}

// Two spellings of one file on two slots share one cache: a leaf one slot has read is not
// kept stale when the other changes it.
TEST(IsamNodeCachePosixTest, TwoSlotsOnOneFileSeeEachOthersChanges) {
  const std::string path = isam_test::TempIndex("cache_two_slots");
  const std::string other_spelling = ::testing::TempDir() + "./tallyscan_cache_two_slots.ndx";
  PosixIsamFileSystem files;
  RecordManager manager(files, nullptr);
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
  for (std::uint32_t p = 1; p <= 30; ++p)
    ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(1, BlockOf(p)));
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(other_spelling, 2, 3));

  IsamEntry entry = Wanted(Key(50));
  ASSERT_EQ(IsamStatus::kOk, manager.GetEqual(2, entry));
  EXPECT_EQ(0, entry.flag);
  ASSERT_EQ(IsamStatus::kOk, manager.DbUpdate(1, BlockOf(5, 3), BlockOf(5)));
  entry = Wanted(Key(50));
  ASSERT_EQ(IsamStatus::kOk, manager.GetEqual(2, entry));
  EXPECT_EQ(3, entry.flag);

  ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(2, BlockOf(31)));
  std::uint32_t count = 0;
  ASSERT_EQ(IsamStatus::kOk, manager.GetRecords(1, count));
  EXPECT_EQ(31u, count);
  entry = Wanted(Key(310));
  EXPECT_EQ(IsamStatus::kOk, manager.GetEqual(1, entry));
  EXPECT_EQ(IsamStatus::kOk, manager.CloseDb(1));
  EXPECT_EQ(IsamStatus::kOk, manager.CloseDb(2));
}

// What another program wrote is seen after DbLock, on a new slot, and after closing and
// opening again: the cache does not outlive the file's last close.
TEST(IsamNodeCachePosixTest, LockingOrOpeningAgainReadsWhatAnotherProgramWrote) {
  const std::string path = isam_test::TempIndex("cache_other_program");
  PosixIsamFileSystem files;
  RecordManager manager(files, nullptr);
  PosixIsamFileSystem their_files;
  RecordManager other_program(their_files, nullptr);
  auto insert = [&](RecordManager& m, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t p = from; p <= to; ++p)
      ASSERT_EQ(IsamStatus::kOk, m.DbInsert(1, BlockOf(p)));
  };
  auto records = [&](int slot) {
    std::uint32_t count = 0;
    EXPECT_EQ(IsamStatus::kOk, manager.GetRecords(slot, count));
    return count;
  };
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
  insert(manager, 1, 25);
  ASSERT_EQ(IsamStatus::kOk, other_program.OpenDb(path, 1, 3));
  insert(other_program, 26, 40);

  ASSERT_EQ(IsamStatus::kOk, manager.DbLock(1, 0));
  EXPECT_EQ(40u, records(1));
  IsamEntry entry = Wanted(Key(400));
  EXPECT_EQ(IsamStatus::kOk, manager.GetEqual(1, entry));
  ASSERT_EQ(IsamStatus::kOk, manager.DbUnLock(1, 0));

  insert(other_program, 41, 45);
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 2, 3));
  EXPECT_EQ(45u, records(2));
  ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(1));
  ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(2));

  insert(other_program, 46, 50);
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
  EXPECT_EQ(50u, records(1));
  entry = Wanted(Key(500));
  EXPECT_EQ(IsamStatus::kOk, manager.GetEqual(1, entry));
  ASSERT_EQ(IsamStatus::kOk, other_program.CloseDb(1));
}

}  // namespace
}  // namespace tallyscan
