#include "engine/isam/isam.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/isam/isam_test_support.h"

namespace tallyscan {
namespace {

using isam_test::Block;
using isam_test::Key;
using isam_test::MemoryFileSystem;
using isam_test::Wanted;

class IsamTest : public ::testing::Test {
 protected:
  // Opens "f" on slot 1 and inserts records pointer 1..n with key 1 = pointer * 10,
  // key 2 = pointer % groups, key 3 = "K" + pointer, key 4 = 1000 - pointer.
  void OpenWith(int records, int keys = 3, int groups = 1000) {
    ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 1, keys));
    for (int p = 1; p <= records; ++p)
      ASSERT_EQ(IsamStatus::kOk, manager_.DbInsert(1, BlockOf(p, groups)));
  }
  static Block BlockOf(int p, int groups = 1000, std::uint8_t flag = 0) {
    return Block({Key(p * 10L), Key(static_cast<long>(p % groups)), Key("K" + std::to_string(p)),
                  Key(1000L - p)},
                 static_cast<std::uint32_t>(p), flag);
  }
  std::vector<std::uint8_t>& Bytes() { return files_.files["f"]->bytes; }

  MemoryFileSystem files_;
  std::vector<std::string> messages_;
  RecordManager manager_{files_, [this](const std::string& m) { messages_.push_back(m); }};
};

TEST_F(IsamTest, TwoOpensNeedTwoClosesAndAFailedOpenCountsNothing) {
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 3, 2));
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("other name is ignored", 3, 5));
  EXPECT_EQ(2, manager_.OpenCount(3));
  EXPECT_EQ(1u, files_.files.size());
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(3));
  std::uint32_t count = 9;
  EXPECT_EQ(IsamStatus::kOk, manager_.GetRecords(3, count));
  EXPECT_EQ(0u, count);
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(3));
  EXPECT_EQ(IsamStatus::kNotOpen, manager_.GetRecords(3, count));
  EXPECT_EQ(IsamStatus::kNotOpen, manager_.CloseDb(3));
  EXPECT_EQ(0, manager_.OpenCount(3));

  EXPECT_EQ(IsamStatus::kOpenFailed, manager_.OpenDb("", 4, 2));
  EXPECT_EQ(0, manager_.OpenCount(4));
  EXPECT_EQ(IsamStatus::kNotOpen, manager_.CloseDb(4));
}

TEST_F(IsamTest, EveryCallOnABadOrClosedSlotFailsWithoutTouchingAFile) {
  IsamEntry entry;
  std::uint32_t u = 0;
  int i = 0;
  const Block block = BlockOf(1);
  const std::vector<std::function<IsamStatus(int)>> calls = {
      [&](int s) { return manager_.CloseDb(s); },
      [&](int s) { return manager_.DbInsert(s, block); },
      [&](int s) { return manager_.DbUpdate(s, block, block); },
      [&](int s) { return manager_.DbDelete(s, block); },
      [&](int s) { return manager_.DbFlush(s); },
      [&](int s) { return manager_.DbLock(s, 0); },
      [&](int s) { return manager_.DbUnLock(s, 0); },
      [&](int s) { return manager_.GetEqual(s, entry); },
      [&](int s) { return manager_.GetFirst(s, entry); },
      [&](int s) { return manager_.GetLast(s, entry); },
      [&](int s) { return manager_.GetNext(s, entry); },
      [&](int s) { return manager_.GetPrev(s, entry); },
      [&](int s) { return manager_.rStart(s, entry); },
      [&](int s) { return manager_.GetMatch(s, 1, entry, u, i); },
      [&](int s) { return manager_.Search(s, entry, i); },
      [&](int s) { return manager_.GetRecords(s, u); },
      [&](int s) { return manager_.GetKey(s, i); },
      [&](int s) { return manager_.SetKey(s, 1); },
      [&](int s) { return manager_.GetStack(s, u); },
      [&](int s) { return manager_.PutStack(s, 1); },
      [&](int s) { return manager_.SaveFileStatus(s, i, u, i); },
      [&](int s) { return manager_.RestFileStatus(s, 1, 61, 20, entry); },
  };
  for (std::size_t c = 0; c < calls.size(); ++c) {
    SCOPED_TRACE("call " + std::to_string(c));
    EXPECT_EQ(IsamStatus::kBadSlot, calls[c](-1));
    EXPECT_EQ(IsamStatus::kBadSlot, calls[c](100));
    EXPECT_EQ(IsamStatus::kNotOpen, calls[c](99));
  }
  EXPECT_TRUE(files_.files.empty());
  EXPECT_EQ(IsamStatus::kBadSlot, manager_.OpenDb("f", 100, 2));
  EXPECT_EQ((std::vector<std::string>{"ארעה טעות קריטית בזמן פתיחת קובץ\nשם הקובץ - f 0\n"
                                      "הפסק מיד את פעולת התכנית ופעל לברור הסיבה"}),
            messages_);
}

TEST_F(IsamTest, OpenFailureAndReadOnlyWarningsCarryTheirExactLines) {
  PosixIsamFileSystem posix;
  std::vector<std::string> messages;
  RecordManager manager(posix, [&](const std::string& m) { messages.push_back(m); });
  const std::string missing_folder = ::testing::TempDir() + "no such folder/x.ndx";
  EXPECT_EQ(IsamStatus::kOpenFailed, manager.OpenDb(missing_folder, 0, 2));
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("ארעה טעות קריטית בזמן פתיחת קובץ\nשם הקובץ - " + missing_folder +
                " 2\nהפסק מיד את פעולת התכנית ופעל לברור הסיבה",
            messages[0]);

  const std::string path = isam_test::TempIndex("readonly");
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 0, 2));
  ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(0, BlockOf(1)));
  ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(0));
  ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
  ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(path, 0, 2));
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ("שים לב - הקובץ מוגדר כקובץ לקריאה בלבד\nשם הקובץ - " + path +
                "\n\nעליך לברר את הסיבה שגרמה לכך - אל תמשיך בעבודה",
            messages[1]);
  IsamEntry entry;
  EXPECT_EQ(IsamStatus::kOk, manager.GetFirst(0, entry));
  EXPECT_EQ(1u, entry.pointer);
  EXPECT_EQ(IsamStatus::kReadOnly, manager.DbInsert(0, BlockOf(2)));
  EXPECT_EQ(IsamStatus::kReadOnly, manager.PutStack(0, 5));
  EXPECT_EQ(IsamStatus::kOk, manager.CloseDb(0));
  ::chmod(path.c_str(), 0644);
}

TEST_F(IsamTest, AnExistingFileKeepsItsKeyCountAndAZeroCountTakesAtMostThree) {
  OpenWith(3, 4);
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(1));
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 1, 1));
  int key = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.SetKey(1, 4));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetKey(1, key));
  EXPECT_EQ(4, key);
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(1));

  Bytes()[8 + 20] = 0;  // header A's key count
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 1, 5));
  ASSERT_EQ(IsamStatus::kOk, manager_.SetKey(1, 3));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetKey(1, key));
  EXPECT_EQ(3, key);
  ASSERT_EQ(IsamStatus::kOk, manager_.SetKey(1, 4));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetKey(1, key));
  EXPECT_EQ(1, key);
}

TEST_F(IsamTest, SearchLooksAtOneLeafAndLeavesTheEntryAloneWhenTheKeyIsAbsent) {
  OpenWith(40, 4);  // key 1: 10, 20, ... 400 over three leaves
  IsamEntry entry{Key(205), 7, 12345};
  int selector = 0;
  files_.files["f"]->read_offsets.clear();
  ASSERT_EQ(IsamStatus::kOk, manager_.Search(1, entry, selector));
  EXPECT_EQ(1, selector);
  EXPECT_EQ((IsamEntry{Key(205), 7, 12345}), entry);
  // The headers, the root and one leaf.
  EXPECT_EQ(3u, files_.files["f"]->read_offsets.size());

  entry = Wanted(Key(210));
  selector = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.Search(1, entry, selector));
  EXPECT_EQ(0, selector);
  EXPECT_EQ(21u, entry.pointer);

  // -99 looks in key 4 (1000 - pointer) when the file has it.
  entry = Wanted(Key(990));
  selector = -99;
  ASSERT_EQ(IsamStatus::kOk, manager_.Search(1, entry, selector));
  EXPECT_EQ(0, selector);
  EXPECT_EQ(10u, entry.pointer);

  // The cursor did not move.
  int key = 0;
  std::uint32_t node = 0;
  int slot = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.SaveFileStatus(1, key, node, slot));
  IsamEntry under;
  ASSERT_EQ(IsamStatus::kOk, manager_.RestFileStatus(1, key, node, slot, under));
  EXPECT_EQ(40u, under.pointer);
}

TEST_F(IsamTest, CursorFunctionsWalkStopAtTheEndsAndResumeFromASavedPlace) {
  ASSERT_EQ(IsamStatus::kOk, manager_.OpenDb("f", 1, 3));
  IsamEntry entry;
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetFirst(1, entry));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetLast(1, entry));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetNext(1, entry));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.rStart(1, entry));
  for (int p = 1; p <= 30; ++p) ASSERT_EQ(IsamStatus::kOk, manager_.DbInsert(1, BlockOf(p)));

  ASSERT_EQ(IsamStatus::kOk, manager_.GetLast(1, entry));
  EXPECT_EQ(30u, entry.pointer);
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetNext(1, entry));
  EXPECT_EQ(30u, entry.pointer);

  entry = Wanted(Key(95));
  ASSERT_EQ(IsamStatus::kOk, manager_.rStart(1, entry));
  EXPECT_EQ(10u, entry.pointer);
  ASSERT_EQ(IsamStatus::kOk, manager_.GetPrev(1, entry));
  EXPECT_EQ(9u, entry.pointer);
  entry = Wanted(Key(301));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.rStart(1, entry));

  entry = Wanted(Key(110));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetEqual(1, entry));
  int key = 0;
  std::uint32_t node = 0;
  int slot = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.SaveFileStatus(1, key, node, slot));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetFirst(1, entry));
  EXPECT_EQ(1u, entry.pointer);
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetPrev(1, entry));
  ASSERT_EQ(IsamStatus::kOk, manager_.RestFileStatus(1, key, node, slot, entry));
  EXPECT_EQ(11u, entry.pointer);
  ASSERT_EQ(IsamStatus::kOk, manager_.GetNext(1, entry));
  EXPECT_EQ(12u, entry.pointer);

  // A record inserted in front of the cursor's entry takes the cursor (key 3 is selected);
  // the next step from the entry the caller holds finds that entry again first.
  ASSERT_EQ(IsamStatus::kOk, manager_.SetKey(1, 3));
  entry = Wanted(Key("K12"));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetEqual(1, entry));
  ASSERT_EQ(IsamStatus::kOk, manager_.DbInsert(1, Block({Key(5), Key(0), Key("K00")}, 99)));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetNext(1, entry));
  EXPECT_EQ(isam_test::Text(Key("K13")), isam_test::Text(entry.key));

  ASSERT_EQ(IsamStatus::kOk, manager_.SetKey(1, 9));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetKey(1, key));
  EXPECT_EQ(1, key);
}

TEST_F(IsamTest, KeyTwoDuplicatesAreMatchedByRecordPointerAcrossLeaves) {
  OpenWith(60, 3, 1);  // every key 2 is "0"
  for (std::uint32_t p : {1u, 23u, 60u}) {
    IsamEntry entry = Wanted(Key(0), p);
    std::uint32_t node = 0;
    int slot = 0;
    ASSERT_EQ(IsamStatus::kOk, manager_.GetMatch(1, 2, entry, node, slot));
    EXPECT_EQ(p, entry.pointer);
  }
  IsamEntry entry = Wanted(Key(0), 61);
  std::uint32_t node = 0;
  int slot = 0;
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetMatch(1, 2, entry, node, slot));
  // Other keys take the first equal key whatever its pointer.
  entry = Wanted(Key(20), 999);
  ASSERT_EQ(IsamStatus::kOk, manager_.GetMatch(1, 1, entry, node, slot));
  EXPECT_EQ(2u, entry.pointer);
}

TEST_F(IsamTest, UpdateAndDeleteFindEntriesByRecordPointerAndChangeNothingWhenOneIsMissing) {
  OpenWith(30);
  // Flag only: rewritten in place in key 1.
  ASSERT_EQ(IsamStatus::kOk, manager_.DbUpdate(1, BlockOf(5, 1000, 3), BlockOf(5)));
  IsamEntry entry = Wanted(Key(50));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetEqual(1, entry));
  EXPECT_EQ(3, entry.flag);

  Block moved({Key(55), Key(5), Key("K5")}, 5, 3);
  ASSERT_EQ(IsamStatus::kOk, manager_.DbUpdate(1, moved, BlockOf(5, 1000, 3)));
  entry = Wanted(Key(50));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetEqual(1, entry));
  entry = Wanted(Key(55));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetEqual(1, entry));
  EXPECT_EQ(5u, entry.pointer);

  const std::vector<std::uint8_t> before = Bytes();
  EXPECT_EQ(IsamStatus::kNotFound,
            manager_.DbUpdate(1, BlockOf(6), Block({Key(60), Key(6), Key("absent")}, 6)));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.DbDelete(1, Block({Key(70), Key(7), Key("K7")}, 8)));
  EXPECT_EQ(before, Bytes());

  ASSERT_EQ(IsamStatus::kOk, manager_.DbDelete(1, BlockOf(7)));
  std::uint32_t count = 0;
  ASSERT_EQ(IsamStatus::kOk, manager_.GetRecords(1, count));
  EXPECT_EQ(29u, count);
  entry = Wanted(Key(70));
  EXPECT_EQ(IsamStatus::kNotFound, manager_.GetEqual(1, entry));
}

TEST_F(IsamTest, KeysAboveTheSentinelAndFailedWritesAreReported) {
  OpenWith(1);
  IsamKey high;
  high.fill(0xFF);
  const std::vector<std::uint8_t> before = Bytes();
  EXPECT_EQ(IsamStatus::kBadArgument, manager_.DbInsert(1, Block({Key(1), high, Key(1)}, 2)));
  EXPECT_EQ(before, Bytes());

  files_.files["f"]->writes_left = 0;
  EXPECT_EQ(IsamStatus::kIoError, manager_.DbInsert(1, BlockOf(2)));
  EXPECT_EQ(IsamStatus::kIoError, manager_.PutStack(1, 3));
}

// A damaged or foreign file ends every call with a status: no endless walk, no read outside
// the file.
TEST_F(IsamTest, DamagedFilesGiveAStatusInsteadOfLoopingOrReadingPastTheEnd) {
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) Bytes()[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  OpenWith(25);  // key 1: root 3253 over the leaves 2797 and 61
  const std::vector<std::uint8_t> sound = Bytes();
  IsamEntry entry = Wanted(Key(250));
  int selector = 0;

  put32(8, 900000);  // key 1's root past the end of the file
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.GetFirst(1, entry));
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.Search(1, entry, selector));
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.DbInsert(1, BlockOf(26)));

  Bytes() = sound;
  put32(3252 + 16 + 19 * 22 + 18, 3253);  // the root's last child is the root itself
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.GetEqual(1, entry));
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.GetLast(1, entry));

  Bytes() = sound;
  Bytes()[60 + 14] = 200;  // a free-slot count above 20
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.GetLast(1, entry));

  Bytes() = sound;
  put32(60 + 6, 61);  // the last leaf is its own left sibling
  ASSERT_EQ(IsamStatus::kOk, manager_.GetLast(1, entry));
  IsamStatus s = IsamStatus::kOk;
  for (int steps = 0; steps < 100 && s == IsamStatus::kOk; ++steps) s = manager_.GetPrev(1, entry);
  EXPECT_EQ(IsamStatus::kCorrupt, s);

  Bytes() = sound;
  put32(8 + 12, 61);  // the free list starts at a leaf in use: it is not taken
  s = IsamStatus::kOk;
  for (int p = 26; p <= 30 && s == IsamStatus::kOk; ++p) s = manager_.DbInsert(1, BlockOf(p));
  EXPECT_EQ(IsamStatus::kCorrupt, s);
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(1));

  Bytes().resize(40);  // cut inside header B
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.OpenDb("f", 1, 3));
  Bytes() = sound;
  Bytes()[8 + 20] = 9;  // nine keys
  EXPECT_EQ(IsamStatus::kCorrupt, manager_.OpenDb("f", 1, 3));
  EXPECT_EQ(0, manager_.OpenCount(1));
  EXPECT_EQ(2u, messages_.size());
}

TEST_F(IsamTest, AFileNotMadeOfWholeNodesIsRefusedOnOpening) {
  OpenWith(30);
  ASSERT_EQ(IsamStatus::kOk, manager_.CloseDb(1));
  const std::vector<std::uint8_t> whole = Bytes();
  for (const std::size_t length : {whole.size() - 1, whole.size() - 455, whole.size() + 100,
                                   std::size_t{61}, std::size_t{59}}) {
    SCOPED_TRACE("length " + std::to_string(length));
    messages_.clear();
    Bytes() = whole;
    Bytes().resize(length);
    EXPECT_EQ(IsamStatus::kCorrupt, manager_.OpenDb("f", 1, 3));
    EXPECT_EQ(0, manager_.OpenCount(1));
    EXPECT_EQ(
        (std::vector<std::string>{"ארעה טעות קריטית בזמן פתיחת קובץ\nשם הקובץ - f 0\n"
                                  "אורך הקובץ אינו מתאים למבנה קובץ אינדקס - ייתכן שהקובץ נקטע\n"
                                  "הפסק מיד את פעולת התכנית ופעל לברור הסיבה"}),
        messages_);
    EXPECT_EQ(length, Bytes().size());
  }
}

// Every key's tree is prepared before the first byte is written.
TEST_F(IsamTest, AnInsertThatFailsOnOneKeyChangesNoKey) {
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) Bytes()[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  OpenWith(18);  // the next record splits the root leaf of every key
  const std::vector<std::uint8_t> sound = Bytes();
  const std::vector<std::pair<const char*, std::function<void()>>> damages = {
      {"key 3's root past the end", [&] { put32(8 + 8, 900000); }},
      {"key 2's root an inner node without entries",
       [&] {
         Bytes()[516] = 0;
         Bytes()[516 + 14] = 20;
       }},
      {"the free list starting at a leaf in use", [&] { put32(8 + 12, 973); }},
  };
  for (const auto& [damage, make] : damages) {
    SCOPED_TRACE(damage);
    Bytes() = sound;
    make();
    const std::vector<std::uint8_t> before = Bytes();
    EXPECT_EQ(IsamStatus::kCorrupt, manager_.DbInsert(1, BlockOf(19)));
    EXPECT_EQ(before, Bytes());
  }
}

TEST_F(IsamTest, AWalkRoundACircleOfSiblingsEndsWithCorruption) {
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) Bytes()[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  OpenWith(25, 1);       // key 1: the leaves 2797 and 61
  put32(60 + 10, 2797);  // the last leaf's right sibling is the first leaf,
  put32(2796 + 6, 61);   // whose left sibling is the last
  using Step = IsamStatus (RecordManager::*)(int, IsamEntry&);
  for (const auto& [start, step] :
       {std::pair<Step, Step>{&RecordManager::GetFirst, &RecordManager::GetNext},
        std::pair<Step, Step>{&RecordManager::GetLast, &RecordManager::GetPrev}}) {
    IsamEntry entry;
    IsamStatus s = (manager_.*start)(1, entry);
    int steps = 0;
    for (; steps < 1000 && s == IsamStatus::kOk; ++steps) s = (manager_.*step)(1, entry);
    EXPECT_EQ(IsamStatus::kCorrupt, s);
    EXPECT_LT(steps, 200);
  }
}

// The bound on a walk is not reached by a sound chain, however often the cursor turns.
TEST_F(IsamTest, AWalkBackAndForthAcrossLeavesNeverLooksLikeACircle) {
  OpenWith(25, 1);  // key 1: records 1-10 in the first leaf, 11-25 in the last
  IsamEntry entry = Wanted(Key(100));
  ASSERT_EQ(IsamStatus::kOk, manager_.GetEqual(1, entry));
  for (int turn = 0; turn < 200; ++turn) {
    ASSERT_EQ(IsamStatus::kOk, manager_.GetNext(1, entry)) << "turn " << turn;
    ASSERT_EQ(11u, entry.pointer);
    ASSERT_EQ(IsamStatus::kOk, manager_.GetPrev(1, entry)) << "turn " << turn;
    ASSERT_EQ(10u, entry.pointer);
  }
}

}  // namespace
}  // namespace tallyscan
