// A crash at any point of a run of inserts, splits, updates and deletes: the run is repeated
// with the file refusing every write after the first n, for every n, and what the file then
// holds is opened as a program started after the crash would open it.
#include <gtest/gtest.h>

#include <map>
#include <optional>
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
using isam_test::Wanted;

// Key 1 ascends with the record, so the leaves fill from the left and the root splits twice;
// key 2 repeats five values in runs longer than a leaf, found by key and record pointer.
struct Keys {
  long first;
  long second;
};
Keys KeysOf(std::uint32_t record, long generation = 0) {
  return {record * 10L, static_cast<long>((record + generation) % 5)};
}
Block BlockOf(std::uint32_t record, const Keys& keys) {
  return Block({Key(keys.first), Key(keys.second)}, record);
}

struct Operation {
  enum Kind { kInsert, kUpdate, kDelete } kind;
  std::uint32_t record;
};

// 205 inserts, an update of every tenth record's key 2, then deletions from the low end that
// empty leaves, free them and finally hand the root down a level.
std::vector<Operation> Script() {
  std::vector<Operation> script;
  for (std::uint32_t r = 1; r <= 205; ++r) script.push_back({Operation::kInsert, r});
  for (std::uint32_t r = 10; r <= 200; r += 10) script.push_back({Operation::kUpdate, r});
  for (std::uint32_t r = 1; r <= 190; ++r) script.push_back({Operation::kDelete, r});
  return script;
}

struct Crash {
  bool happened = false;
  // The records whose last call returned, with their keys (none: deleted).
  std::map<std::uint32_t, std::optional<Keys>> confirmed;
  MemoryFile file;  // the file as the crash left it
};

// Runs the script until a write is refused; the process is taken to die at that moment.
Crash RunUntilCrash(int writes_allowed) {
  MemoryFileSystem files;
  RecordManager manager(files, nullptr);
  EXPECT_EQ(IsamStatus::kOk, manager.OpenDb("f", 1, 2));
  MemoryFile& file = *files.files["f"];
  file.writes_left = writes_allowed;
  file.count_reads = false;
  Crash crash;
  for (const Operation& op : Script()) {
    IsamStatus status = IsamStatus::kOk;
    std::optional<Keys> after;
    const auto before = crash.confirmed.find(op.record);
    switch (op.kind) {
      case Operation::kInsert:
        after = KeysOf(op.record);
        status = manager.DbInsert(1, BlockOf(op.record, *after));
        break;
      case Operation::kUpdate:
        after = KeysOf(op.record, 1);
        status =
            manager.DbUpdate(1, BlockOf(op.record, *after), BlockOf(op.record, *before->second));
        break;
      case Operation::kDelete:
        status = manager.DbDelete(1, BlockOf(op.record, *before->second));
        break;
    }
    if (status != IsamStatus::kOk) {
      EXPECT_EQ(IsamStatus::kIoError, status);
      crash.confirmed.erase(op.record);  // cut in the middle of its change: either state will do
      crash.happened = true;
      crash.file.bytes = file.bytes;
      crash.file.marked = file.marked;
      return crash;
    }
    crash.confirmed[op.record] = after;
  }
  return crash;
}

// Opens what the crash left and looks every confirmed record up by every key. Returns
// whether the file was found damaged (and so opened for reading only).
bool ReopenAndFindEverything(const Crash& crash) {
  MemoryFileSystem files;
  files.files["f"] = std::make_shared<MemoryFile>(crash.file);
  files.files["f"]->count_reads = false;
  std::vector<std::string> warnings;
  RecordManager manager(files, [&](const std::string& text) { warnings.push_back(text); });
  EXPECT_TRUE(crash.file.marked);
  EXPECT_EQ(IsamStatus::kOk, manager.OpenDb("f", 1, 2));
  const bool damaged = !warnings.empty();
  if (damaged) {
    EXPECT_NE(std::string::npos, warnings[0].find("הקובץ פגום - הוא נפתח לקריאה בלבד"));
  } else {
    EXPECT_FALSE(files.files["f"]->marked) << "a sound file's side file is removed";
  }
  for (const auto& [record, keys] : crash.confirmed) {
    SCOPED_TRACE("record " + std::to_string(record));
    IsamEntry entry = Wanted(Key(keys ? keys->first : record * 10L));
    std::uint32_t node = 0;
    int slot = 0;
    if (!keys) {
      EXPECT_EQ(IsamStatus::kNotFound, manager.GetMatch(1, 1, entry, node, slot));
      continue;
    }
    EXPECT_EQ(IsamStatus::kOk, manager.GetMatch(1, 1, entry, node, slot));
    EXPECT_EQ(record, entry.pointer);
    entry = Wanted(Key(keys->second), record);
    EXPECT_EQ(IsamStatus::kOk, manager.GetMatch(1, 2, entry, node, slot));
  }
  const IsamStatus change = manager.DbInsert(1, BlockOf(999, KeysOf(999)));
  EXPECT_EQ(damaged ? IsamStatus::kCorrupt : IsamStatus::kOk, change);
  return damaged;
}

TEST(IsamCrashTest, ACrashAfterAnyWriteLeavesEveryConfirmedRecordFoundByEveryKey) {
  int damaged = 0;
  int sound = 0;
  int writes = 0;
  for (;; ++writes) {
    const Crash crash = RunUntilCrash(writes);
    if (!crash.happened) break;
    SCOPED_TRACE("crash after write " + std::to_string(writes));
    (ReopenAndFindEverything(crash) ? damaged : sound) += 1;
    if (::testing::Test::HasFailure()) break;
  }
  // Both outcomes were met, and the run was long enough to split and collapse roots.
  EXPECT_GT(damaged, 0);
  EXPECT_GT(sound, 0);
  EXPECT_GT(writes, 1000);
}

}  // namespace
}  // namespace tallyscan
