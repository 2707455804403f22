// A crash at every write and rename a transfer makes, each followed by one rerun: the target
// then holds exactly one complete transfer, byte for byte what an uninterrupted one makes.
// The target already holds the documents (so the supplier documents' file is copied, added
// to and its summary row grown), and the accounts, movements, catalogue and the rest are new.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/progress.h"
#include "engine/isam/isam.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_file_calls.h"
#include "engine/transfer/transfer_fixture.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using testing::Snapshot;
using testing::TempFolder;

constexpr int kCrashed = 42;

// Counts the calls that change files; with a limit, ends the process before the call that
// would pass it.
class CountedCalls final : public TransferFileCalls {
 public:
  explicit CountedCalls(long limit = 0) : limit_(limit) {}
  ssize_t WriteAt(int fd, const void* bytes, std::size_t count, off_t offset) override {
    Count();
    return TransferFileCalls::WriteAt(fd, bytes, count, offset);
  }
  int RenameAt(int from_folder, const char* from, int to_folder, const char* to) override {
    Count();
    return TransferFileCalls::RenameAt(from_folder, from, to_folder, to);
  }
  bool WriteIndex(IsamStorage& storage, std::uint64_t offset,
                  std::span<const std::uint8_t> bytes) override {
    Count();
    return TransferFileCalls::WriteIndex(storage, offset, bytes);
  }
  long calls() const { return calls_; }

 private:
  void Count() {
    if (++calls_ == limit_) _exit(kCrashed);
  }
  long limit_;
  long calls_ = 0;
};

void CopyFolder(const std::string& from, const std::string& to) {
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

class TransferCrashSweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DataSetOptions generate;
    generate.movements = 40;
    generate.documents = 12;
    generate.items = 6;
    GeneratedDataSet generated;
    ASSERT_TRUE(GenerateDataSet(generate, data_.path(), &generated).ok());
    SilentProgress silent;
    ASSERT_TRUE(ImportFolder(store_, data_.path(), silent, {cache_.path()}).status.ok());
    TransferOptions documents = Options(baseline_.path(), nullptr);
    documents.accounts = documents.movements = documents.opening_balances = documents.items = false;
    ASSERT_TRUE(RunTransfer(store_, documents, silent).status.ok());
  }
  TransferOptions Options(const std::string& folder, TransferFileCalls* calls) const {
    TransferOptions options;
    options.target_folder = folder;
    options.file_calls = calls;
    return options;
  }
  // A fresh copy of the baseline under `scratch`.
  std::string FreshTarget(const TempFolder& scratch, long n) const {
    const std::string folder = scratch.File("target-" + std::to_string(n));
    CopyFolder(baseline_.path(), folder);
    return folder;
  }

  TempFolder data_, cache_, baseline_;
  RecordStore store_;
};

TEST_F(TransferCrashSweepTest, EveryInterruptionAndOneRerunLeaveExactlyOneCompleteTransfer) {
  TempFolder scratch;
  SilentProgress silent;
  CountedCalls counted;
  const std::string whole = FreshTarget(scratch, 0);
  ASSERT_TRUE(RunTransfer(store_, Options(whole, &counted), silent).status.ok());
  const std::vector<std::string> reference = Snapshot(whole);
  const long last = counted.calls();
  ASSERT_GT(last, 20);

  // The full sweep when asked for (ctest -L sweep); otherwise every few points, the first and
  // the last ones (the moves into place) always among them.
  const char* full = std::getenv("TALLYSCAN_FULL_CRASH_SWEEP");
  const long stride = full != nullptr && *full == '1' ? 1 : 7;
  long swept = 0;
  for (long n = 1; n <= last; ++n) {
    if (n % stride != 1 % stride && n < last - 12 && stride > 1) continue;
    SCOPED_TRACE("interrupted at call " + std::to_string(n) + " of " + std::to_string(last));
    const std::string target = FreshTarget(scratch, n);
    const pid_t child = ::fork();
    if (child == 0) {
      CountedCalls crash(n);
      RunTransfer(store_, Options(target, &crash), silent);
      _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kCrashed);
    const TransferResult rerun = RunTransfer(store_, Options(target, nullptr), silent);
    ASSERT_TRUE(rerun.status.ok()) << rerun.status.message();
    ASSERT_EQ(reference, Snapshot(target));
    fs::remove_all(target);
    ++swept;
  }
  RecordProperty("interruption_points", static_cast<int>(last));
  RecordProperty("swept", static_cast<int>(swept));
  std::cout << "crash sweep: " << swept << " of " << last << " interruption points\n";
}

}  // namespace
}  // namespace tallyscan
