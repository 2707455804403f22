// What tallyscan-cli's printed output costs and where it may go: a view of every ledger card
// prints without holding its rows, and a reader that stops early ends the command with one
// message and exit 1.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

// The peak resident memory of tallyscan-cli run with `arguments` (split at blanks), its output
// thrown away, in megabytes; -1 when it did not exit with 0.
double PeakMegabytes(const std::string& arguments) {
  std::vector<std::string> words = {TALLYSCAN_CLI};
  for (std::size_t start = 0, end; start < arguments.size(); start = end + 1) {
    end = arguments.find(' ', start);
    if (end == std::string::npos) end = arguments.size();
    words.push_back(arguments.substr(start, end - start));
  }
  const pid_t child = ::fork();
  if (child == 0) {
    if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) {
      ::_exit(127);
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

class ViewOutputCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    set_ = new testing::TempFolder;
    const std::string gen =
        std::string(TALLYSCAN_GEN) + " --quiet --movements 400 --seed 101 " + set_->path();
    ASSERT_EQ(0, std::system(gen.c_str()));
  }
  static void TearDownTestSuite() { delete set_; }

  // How a shell sees the command end when its reader takes one byte and goes: the exit code of
  // tallyscan-cli, with its stderr.
  testing::CliRun IntoAReaderThatStops(const std::string& arguments) {
    const std::string err = scratch_.File("stderr");
    const std::string command = "bash -c '" TALLYSCAN_CLI " " + arguments + " 2>" + err +
                                " | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", testing::ReadFile(err)};
  }

  static testing::TempFolder* set_;
  testing::TempFolder scratch_;
};
testing::TempFolder* ViewOutputCliTest::set_ = nullptr;

TEST_F(ViewOutputCliTest, AReaderThatStopsEndsTheCommandWithOneMessage) {
  // Each prints far more than a pipe holds, so the reader is gone before the end.
  for (const std::string& arguments :
       {"view ledger --from 1100 --to 8100 " + set_->path(),
        "view ledger --format csv --from 1100 --to 8100 " + set_->path(),
        "report ledger --from 1100 --to 8100 --format htm --out - " + set_->path()}) {
    const testing::CliRun run = IntoAReaderThatStops(arguments);
    EXPECT_EQ(1, run.exit_code) << arguments;
    EXPECT_EQ("tallyscan-cli: standard output: Broken pipe\n", run.err) << arguments;
  }
}

// Every card of 200,000 movements: the rows would take a hundred megabytes and more; printed
// as they are made, the view costs the import and one batch of cards. Text and CSV read the
// rows twice (the column widths, the widest record), the other forms once.
TEST_F(ViewOutputCliTest, AViewOfEveryCardHoldsOnlyABatchOfItsRows) {
  testing::TempFolder large;
  const std::string gen =
      std::string(TALLYSCAN_GEN) + " --quiet --movements 200000 --seed 5 " + large.path();
  ASSERT_EQ(0, std::system(gen.c_str()));
  const double import = PeakMegabytes("import --format raw " + large.path());
  ASSERT_GT(import, 0);
  for (const std::string format : {"text", "csv"}) {
    const double view =
        PeakMegabytes("view ledger --format " + format + " --from 1100 --to 8100 " + large.path());
    ASSERT_GT(view, 0) << format;
    EXPECT_LT(view - import, 72) << format << ": " << view << " MB against " << import << " MB";
  }
}

}  // namespace
}  // namespace tallyscan
