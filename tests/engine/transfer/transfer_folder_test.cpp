// The transfer's hold on its target folder: one transfer at a time, a staging folder of its
// own making, a rerun after a crash that only finishes the moves, and documents added to a
// file that holds them already.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/progress.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_file_calls.h"
#include "engine/transfer/transfer_fixture.h"
#include "engine/transfer/transfer_format.h"
#include "engine/uniform/import.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using testing::SetBuilder;
using testing::Snapshot;
using testing::TempFolder;

// Stops at its first write until told to go on, saying so through a pipe: the transfer
// holding it has its lock and its staging folder.
class PausingCalls final : public TransferFileCalls {
 public:
  PausingCalls(int paused, int resume) : paused_(paused), resume_(resume) {}
  ssize_t WriteAt(int fd, const void* bytes, std::size_t count, off_t offset) override {
    Pause();
    return TransferFileCalls::WriteAt(fd, bytes, count, offset);
  }

 private:
  void Pause() {
    if (std::exchange(done_, true)) return;
    char go = 0;
    if (::write(paused_, "p", 1) != 1 || ::read(resume_, &go, 1) != 1) _exit(3);
  }
  int paused_, resume_;
  bool done_ = false;
};

// Ends the process before its n-th rename.
class CrashAtRename final : public TransferFileCalls {
 public:
  explicit CrashAtRename(int n) : left_(n) {}
  int RenameAt(int from_folder, const char* from, int to_folder, const char* to) override {
    if (--left_ == 0) _exit(kCrashed);
    return TransferFileCalls::RenameAt(from_folder, from, to_folder, to);
  }
  static constexpr int kCrashed = 42;

 private:
  int left_;
};

SetBuilder DocumentSet(const std::vector<std::pair<int, std::string>>& documents) {
  SetBuilder set({{"1200"}, {"4000"}});
  for (int i = 0; i < 6; ++i) set.Add(RecordType::kB100, testing::B100Line(set.Next(), "1200", 1));
  for (const auto& [type, number] : documents) {
    set.Add(RecordType::kC100, testing::C100Line(set.Next(), type, number));
    set.Add(RecordType::kD110, testing::D110Line(set.Next(), type, number, 1));
  }
  return set;
}

class TransferFolderTest : public ::testing::Test {
 protected:
  void Load(SetBuilder set) {
    TempFolder data;
    set.Write(data.path());
    store_ = std::make_unique<RecordStore>();
    SilentProgress silent;
    ASSERT_TRUE(ImportFolder(*store_, data.path(), silent, {cache_.path()}).status.ok());
  }
  TransferResult Transfer(const std::string& folder, TransferFileCalls* calls = nullptr) {
    TransferOptions options;
    options.target_folder = folder;
    options.file_calls = calls;
    SilentProgress silent;
    return RunTransfer(*store_, options, silent);
  }
  // A transfer in a child process; its exit code is 0 when it succeeded.
  pid_t TransferInChild(const std::string& folder, TransferFileCalls& calls) {
    const pid_t child = ::fork();
    if (child == 0) _exit(Transfer(folder, &calls).status.ok() ? 0 : 1);
    return child;
  }
  static int ExitOf(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // What an uninterrupted transfer alone makes of an empty folder.
  std::vector<std::string> Reference() {
    TempFolder alone;
    EXPECT_TRUE(Transfer(alone.path()).status.ok());
    return Snapshot(alone.path());
  }

  TempFolder cache_;
  TempFolder target_;
  std::unique_ptr<RecordStore> store_;
};

TEST_F(TransferFolderTest, ASecondTransferIntoAFolderInUseIsRefusedAndTouchesNothing) {
  Load(DocumentSet({{305, "1"}, {700, "2"}}));
  int paused[2], resume[2];
  ASSERT_EQ(0, ::pipe(paused));
  ASSERT_EQ(0, ::pipe(resume));
  PausingCalls calls(paused[1], resume[0]);
  const pid_t first = TransferInChild(target_.path(), calls);
  char byte = 0;
  ASSERT_EQ(1, ::read(paused[0], &byte, 1));

  const std::vector<std::string> during = Snapshot(target_.path());
  EXPECT_FALSE(during.empty());  // the first one's staging folder
  const TransferResult second = Transfer(target_.path());
  EXPECT_EQ(StatusCode::kRefused, second.status.code());
  EXPECT_NE(std::string::npos, second.status.message().find("קליטה אחרת לתיקיה"))
      << second.status.message();
  EXPECT_EQ(during, Snapshot(target_.path()));

  ASSERT_EQ(1, ::write(resume[1], "g", 1));
  EXPECT_EQ(0, ExitOf(first));
  EXPECT_EQ(Reference(), Snapshot(target_.path()));
  for (int fd : {paused[0], paused[1], resume[0], resume[1]}) ::close(fd);
}

TEST_F(TransferFolderTest, ARerunAfterACrashInTheMovesOnlyFinishesThem) {
  Load(DocumentSet({{305, "1"}, {600, "2"}, {700, "3"}}));
  CrashAtRename crash(5);
  ASSERT_EQ(CrashAtRename::kCrashed, ExitOf(TransferInChild(target_.path(), crash)));
  const TransferResult rerun = Transfer(target_.path());
  ASSERT_TRUE(rerun.status.ok()) << rerun.status.message();
  EXPECT_NE(std::string::npos, rerun.notice.find("הושלמה כעת, ולא נעשה דבר נוסף"));
  EXPECT_TRUE(rerun.files.empty());
  EXPECT_TRUE(rerun.refusals.empty());
  EXPECT_EQ(Reference(), Snapshot(target_.path()));
}

TEST_F(TransferFolderTest, DocumentsAlreadyInAnAddedToFileAreSkippedAndTheSummaryOnlyGrows) {
  Load(DocumentSet({{305, "1"}, {600, "2"}}));
  ASSERT_TRUE(Transfer(target_.path()).status.ok());
  const std::string summary = target_.File(SummaryFileName(2023));
  const auto rows_before = testing::Records(summary, kSummaryRecordSize);
  ASSERT_EQ(2U, rows_before.size());  // .Hs1 and .Ic1

  // The same supplier delivery again, with an invoice that is new.
  Load(DocumentSet({{600, "2"}, {700, "3"}}));
  const TransferResult again = Transfer(target_.path());
  ASSERT_TRUE(again.status.ok()) << again.status.message();
  std::int64_t skipped = 0;
  for (const TransferredFile& f : again.files) skipped += f.skipped;
  EXPECT_EQ(1, skipped);
  std::vector<std::int64_t> documents;
  for (const auto& r : testing::Records(target_.File("23.Ic1"), kDocumentRecordSize)) {
    if (r[0] == kDocumentMark) documents.push_back(GetNumber(r, target::Document("document type")));
  }
  EXPECT_EQ((std::vector<std::int64_t>{600, 700}), documents);

  const auto rows = testing::Records(summary, kSummaryRecordSize);
  ASSERT_EQ(rows_before.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool ic1 = GetText(rows[i], target::Summary("extension")) == ".Ic1";
    EXPECT_EQ(GetText(rows_before[i], target::Summary("extension")),
              GetText(rows[i], target::Summary("extension")));
    for (const TargetField* count : {&target::Summary("documents"), &target::Summary("lines")}) {
      EXPECT_EQ(GetNumber(rows_before[i], *count) + (ic1 ? 1 : 0), GetNumber(rows[i], *count))
          << i << " " << count->name;
    }
  }
}

TEST_F(TransferFolderTest, AStagingNameThisProgramDidNotMakeIsRefusedAndLeftAlone) {
  Load(DocumentSet({{305, "1"}}));
  TempFolder elsewhere;
  testing::WriteFile(elsewhere.File(".complete"), "\n");
  testing::WriteFile(elsewhere.File("23.Trn"), "planted");
  const std::string staging = StagingFolderOf(target_.path());
  struct Plant {
    std::string what;
    void (*make)(const std::string& staging, const std::string& elsewhere);
    bool needs_superuser;
  };
  const Plant plants[] = {
      {"a link to a folder with a completion mark",
       [](const std::string& s, const std::string& e) { fs::create_directory_symlink(e, s); },
       false},
      {"a file", [](const std::string& s, const std::string&) { testing::WriteFile(s, "x"); },
       false},
      {"a folder of another user",
       [](const std::string& s, const std::string&) {
         fs::create_directory(s);
         testing::WriteFile(s + "/.complete", "\n");
         ASSERT_EQ(0, ::chown(s.c_str(), 65534, 65534));
       },
       true},
  };
  for (const Plant& plant : plants) {
    SCOPED_TRACE(plant.what);
    if (plant.needs_superuser && ::geteuid() != 0) continue;
    plant.make(staging, elsewhere.path());
    const std::vector<std::string> target_before = Snapshot(target_.path());
    const std::vector<std::string> elsewhere_before = Snapshot(elsewhere.path());
    const TransferResult result = Transfer(target_.path());
    EXPECT_EQ(StatusCode::kRefused, result.status.code()) << result.status.message();
    EXPECT_EQ(target_before, Snapshot(target_.path()));
    EXPECT_EQ(elsewhere_before, Snapshot(elsewhere.path()));
    fs::remove_all(staging);
  }
}

}  // namespace
}  // namespace tallyscan
