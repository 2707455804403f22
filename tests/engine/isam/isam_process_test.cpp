// The record manager between programs: writers in other processes, a lock held across calls,
// a writer killed in the middle, and bulk mode's file kept to itself until it is closed.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine/isam/isam.h"
#include "engine/isam/isam_check.h"
#include "engine/isam/isam_test_support.h"

namespace tallyscan {
namespace {

using isam_test::Block;
using isam_test::Key;
using isam_test::Wanted;

// Key 1 and key 3 name the record alone; key 2 repeats in long runs.
Block BlockOf(std::uint32_t record, std::uint8_t flag = 0) {
  return Block({Key(record * 10L), Key(static_cast<long>(record % 7)),
                Key("K" + std::to_string(record * 7919 % 100003))},
               record, flag);
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The side files beside the index file.
std::vector<std::string> SideFiles(const std::string& path) {
  const std::string folder = path.substr(0, path.rfind('/'));
  const std::string prefix = path.substr(path.rfind('/') + 1) + ".writing-";
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0) found.push_back(folder + "/" + name);
  }
  if (dir != nullptr) ::closedir(dir);
  return found;
}

std::string FreshIndex(const std::string& name) {
  const std::string path = isam_test::TempIndex(name);
  for (const std::string& side : SideFiles(path)) std::remove(side.c_str());
  return path;
}

// Runs the work in a child process; its answer is the child's exit code.
pid_t InChild(const std::function<int()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work());
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Every record of the list is found by every key, and the file's check finds nothing.
void ExpectEveryRecordFoundAndTheFileSound(const std::string& path,
                                           const std::vector<std::uint32_t>& records) {
  PosixIsamFileSystem files;
  RecordManager manager(files, nullptr);
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
  std::uint32_t count = 0;
  ASSERT_EQ(IsamStatus::kOk, manager.GetRecords(1, count));
  EXPECT_EQ(records.size(), count);
  int missing = 0;
  for (const std::uint32_t record : records) {
    const Block block = BlockOf(record);
    for (int k = 1; k <= 3; ++k) {
      IsamEntry entry;
      std::copy_n(block.bytes.begin() + (k - 1) * 17, 17, entry.key.begin());
      entry.pointer = record;
      std::uint32_t node = 0;
      int slot = 0;
      if (manager.GetMatch(1, k, entry, node, slot) != IsamStatus::kOk || entry.pointer != record)
        ++missing;
    }
  }
  EXPECT_EQ(0, missing) << "entries not found";
  int error_number = 0;
  auto storage = OpenIsamStorageForReading(path, error_number);
  ASSERT_NE(nullptr, storage);
  IsamFileReport report;
  ASSERT_EQ(IsamStatus::kOk, InspectIndexFile(*storage, report));
  EXPECT_EQ(std::vector<std::string>{}, report.problems);
}

TEST(IsamProcessTest, TwoWritingProcessesLoseNoConfirmedRecord) {
  const std::string path = FreshIndex("two_writers");
  {
    PosixIsamFileSystem files;
    RecordManager manager(files, nullptr);
    ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
  }
  constexpr std::uint32_t kEach = 2500;
  int go[2];
  ASSERT_EQ(0, ::pipe(go));
  std::vector<pid_t> writers;
  for (std::uint32_t first : {1u, 2u}) {
    writers.push_back(InChild([&, first] {
      PosixIsamFileSystem files;
      RecordManager manager(files, nullptr);
      if (manager.OpenDb(path, 1, 3) != IsamStatus::kOk) return 10;
      char start;
      if (::read(go[0], &start, 1) != 1) return 11;
      for (std::uint32_t i = 0; i < kEach; ++i) {
        if (manager.DbInsert(1, BlockOf(first + 2 * i)) != IsamStatus::kOk) return 12;
      }
      return manager.CloseDb(1) == IsamStatus::kOk ? 0 : 13;
    }));
  }
  ASSERT_EQ(2, ::write(go[1], "gg", 2));
  for (const pid_t writer : writers) EXPECT_EQ(0, ExitCode(writer));
  ::close(go[0]);
  ::close(go[1]);
  std::vector<std::uint32_t> records;
  for (std::uint32_t r = 1; r <= 2 * kEach; ++r) records.push_back(r);
  ExpectEveryRecordFoundAndTheFileSound(path, records);
  EXPECT_EQ(std::vector<std::string>{}, SideFiles(path));
}

// Two RecordManagers over two file systems stand for two programs: their locks conflict.
TEST(IsamProcessTest, AHeldLockMakesOtherProgramsWaitAndThenGiveUpWithAStatus) {
  const std::string path = FreshIndex("held_lock");
  PosixIsamFileSystem ours;
  RecordManager manager(ours, nullptr);
  PosixIsamFileSystem theirs(PosixIsamOptions{.lock_wait = std::chrono::milliseconds(100)});
  std::vector<std::string> warnings;
  RecordManager other(theirs, [&](const std::string& text) { warnings.push_back(text); });
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
  ASSERT_EQ(IsamStatus::kOk, other.OpenDb(path, 2, 3));
  for (std::uint32_t r = 1; r <= 30; ++r)
    ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(1, BlockOf(r)));

  ASSERT_EQ(IsamStatus::kOk, manager.DbLock(1, 0));
  ASSERT_EQ(IsamStatus::kOk, manager.DbLock(1, 0));              // nests
  ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(1, BlockOf(31)));  // our own calls go on
  const std::vector<std::uint8_t> before = FileBytes(path);
  IsamEntry entry = Wanted(Key(310));
  std::uint32_t count = 0;
  EXPECT_EQ(IsamStatus::kLocked, other.DbInsert(2, BlockOf(32)));
  EXPECT_EQ(IsamStatus::kLocked, other.GetEqual(2, entry));
  EXPECT_EQ(IsamStatus::kLocked, other.GetRecords(2, count));
  EXPECT_EQ(IsamStatus::kLocked, other.OpenDb(path, 3, 3));
  ASSERT_EQ(1u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("הקובץ תפוס בידי תכנית אחרת"));
  EXPECT_EQ(before, FileBytes(path));

  ASSERT_EQ(IsamStatus::kOk, manager.DbUnLock(1, 0));
  EXPECT_EQ(IsamStatus::kLocked, other.GetRecords(2, count));
  ASSERT_EQ(IsamStatus::kOk, manager.DbUnLock(1, 0));
  ASSERT_EQ(IsamStatus::kOk, manager.DbUnLock(1, 0));  // one too many does nothing
  ASSERT_EQ(IsamStatus::kOk, other.DbInsert(2, BlockOf(32)));
  ASSERT_EQ(IsamStatus::kOk, other.GetRecords(2, count));
  EXPECT_EQ(32u, count);

  // A lock still held at closing is given back.
  ASSERT_EQ(IsamStatus::kOk, manager.DbLock(1, 0));
  ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(1));
  EXPECT_EQ(IsamStatus::kOk, other.GetRecords(2, count));
}

// Another program rewrites a leaf in place, without changing the file's length: the nodes
// kept in memory are not trusted past it, with no DbLock and no reopening.
TEST(IsamProcessTest, AReaderSeesEveryChangeOfAnotherProgramAtItsNextCall) {
  const std::string path = FreshIndex("reader");
  PosixIsamFileSystem ours;
  RecordManager reader(ours, nullptr);
  PosixIsamFileSystem theirs;
  RecordManager writer(theirs, nullptr);
  ASSERT_EQ(IsamStatus::kOk, writer.OpenDb(path, 1, 3));
  for (std::uint32_t r = 1; r <= 30; ++r)
    ASSERT_EQ(IsamStatus::kOk, writer.DbInsert(1, BlockOf(r)));
  ASSERT_EQ(IsamStatus::kOk, reader.OpenDb(path, 1, 3));
  for (std::uint8_t flag = 1; flag <= 20; ++flag) {
    const std::uint64_t size = FileBytes(path).size();
    ASSERT_EQ(IsamStatus::kOk, writer.DbUpdate(1, BlockOf(5, flag),
                                               BlockOf(5, static_cast<std::uint8_t>(flag - 1))));
    ASSERT_EQ(size, FileBytes(path).size());
    IsamEntry entry = Wanted(Key(50));
    ASSERT_EQ(IsamStatus::kOk, reader.GetEqual(1, entry));
    EXPECT_EQ(flag, entry.flag);
  }
  ASSERT_EQ(IsamStatus::kOk, writer.DbInsert(1, BlockOf(31)));
  IsamEntry entry = Wanted(Key(310));
  EXPECT_EQ(IsamStatus::kOk, reader.GetEqual(1, entry));
}

// A writer killed with the file open leaves its side file; the next program to open the file
// checks it. A writer still running keeps its side file, whoever else opens the file.
TEST(IsamProcessTest, AKilledWritersSideFileMakesTheNextOpeningCheckTheFile) {
  const std::string path = FreshIndex("killed");
  int ready[2];
  ASSERT_EQ(0, ::pipe(ready));
  auto killed_writer = [&](std::uint32_t from, std::uint32_t to) {
    return InChild([&, from, to] {
      PosixIsamFileSystem files;
      RecordManager manager(files, nullptr);
      if (manager.OpenDb(path, 1, 3) != IsamStatus::kOk) return 10;
      for (std::uint32_t r = from; r <= to; ++r) {
        if (manager.DbInsert(1, BlockOf(r)) != IsamStatus::kOk) return 11;
      }
      if (::write(ready[1], "r", 1) != 1) return 12;
      ::pause();
      return 13;
    });
  };
  pid_t writer = killed_writer(1, 40);
  char byte;
  ASSERT_EQ(1, ::read(ready[0], &byte, 1));
  ASSERT_EQ(1u, SideFiles(path).size());
  std::vector<std::string> warnings;
  {
    PosixIsamFileSystem files;
    RecordManager manager(files, [&](const std::string& text) { warnings.push_back(text); });
    ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
    ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(1));
  }
  EXPECT_EQ(1u, SideFiles(path).size()) << "a running writer's side file stays";
  ::kill(writer, SIGKILL);
  EXPECT_EQ(128 + SIGKILL, ExitCode(writer));

  // Sound: opened as usual, the side file goes.
  {
    PosixIsamFileSystem files;
    RecordManager manager(files, [&](const std::string& text) { warnings.push_back(text); });
    ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
    EXPECT_EQ(std::vector<std::string>{}, SideFiles(path));
    EXPECT_EQ(IsamStatus::kOk, manager.DbInsert(1, BlockOf(41)));
  }
  EXPECT_EQ(std::vector<std::string>{}, warnings);
  EXPECT_EQ(std::vector<std::string>{}, SideFiles(path));

  // Damaged: opened for reading only, with the reason; its side file stays for the next.
  writer = killed_writer(42, 50);
  ASSERT_EQ(1, ::read(ready[0], &byte, 1));
  ::kill(writer, SIGKILL);
  EXPECT_EQ(128 + SIGKILL, ExitCode(writer));
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(8 + 22);  // header A's record count
    file.put(static_cast<char>(99));
  }
  for (int opening = 0; opening < 2; ++opening) {
    warnings.clear();
    PosixIsamFileSystem files;
    RecordManager manager(files, [&](const std::string& text) { warnings.push_back(text); });
    ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 1, 3));
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ("ארעה טעות קריטית בזמן פתיחת קובץ\nשם הקובץ - " + path +
                  " 0\nעבודה קודמת על הקובץ לא הסתיימה והקובץ פגום - הוא נפתח לקריאה בלבד\n"
                  "key 1: 50 entries for 99 records\nהפסק מיד את פעולת התכנית ופעל לברור הסיבה",
              warnings[0]);
    IsamEntry entry = Wanted(Key(450));
    EXPECT_EQ(IsamStatus::kOk, manager.GetEqual(1, entry));
    EXPECT_EQ(IsamStatus::kCorrupt, manager.DbInsert(1, BlockOf(51)));
    EXPECT_EQ(IsamStatus::kCorrupt, manager.PutStack(1, 1));
    EXPECT_EQ(IsamStatus::kOk, manager.CloseDb(1));
    EXPECT_EQ(1u, SideFiles(path).size());
  }
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(IsamProcessTest, ABulkFileIsWrittenAtClosingAndEqualsOneWrittenThrough) {
  const std::string bulk_path = FreshIndex("bulk");
  const std::string plain_path = FreshIndex("bulk_plain");
  PosixIsamFileSystem files;
  RecordManager manager(files, nullptr);
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(bulk_path, 1, 3, IsamOpenMode::kBulk));
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(plain_path, 2, 3));
  EXPECT_EQ(IsamStatus::kOpenFailed, manager.OpenDb(bulk_path, 3, 3, IsamOpenMode::kBulk));
  for (std::uint32_t r = 1; r <= 3000; ++r) {
    const std::uint32_t record = r * 7919 % 3001;  // scattered
    ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(1, BlockOf(record)));
    ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(2, BlockOf(record)));
    if (r % 3 == 0) {
      ASSERT_EQ(IsamStatus::kOk, manager.DbDelete(1, BlockOf(record)));
      ASSERT_EQ(IsamStatus::kOk, manager.DbDelete(2, BlockOf(record)));
    }
  }
  EXPECT_EQ(0u, FileBytes(bulk_path).size()) << "not even the new file's layout before closing";
  EXPECT_EQ(std::vector<std::string>{}, SideFiles(bulk_path));
  PosixIsamFileSystem theirs(PosixIsamOptions{.lock_wait = std::chrono::milliseconds(50)});
  RecordManager other(theirs, nullptr);
  EXPECT_EQ(IsamStatus::kLocked, other.OpenDb(bulk_path, 1, 3));

  ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(1));
  ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(2));
  EXPECT_EQ(FileBytes(plain_path), FileBytes(bulk_path));
  EXPECT_EQ(IsamStatus::kOk, other.OpenDb(bulk_path, 1, 3));
}

}  // namespace
}  // namespace tallyscan
