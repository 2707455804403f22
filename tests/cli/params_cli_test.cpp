// What tallyscan-cli takes from outside the data set, before it reads the set: the parameter
// file (a regular file, of a bounded size, refused with the file named), the list options and
// the digit of --digit-lines (usage errors found before the folder is read), and
// SOURCE_DATE_EPOCH (a moment, or a refusal). No refusal leaves a report or a temporary file.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "engine/analytics/analytics.h"

namespace tallyscan {
namespace {

using testing::CliRun;
using testing::RunCli;

// A FIFO whose writer waits to give it a parameter file: a command that waited on the FIFO
// would get the file and end instead of hanging, so that the test fails rather than stops.
class WaitingFifo {
 public:
  explicit WaitingFifo(const std::string& path) {
    if (::mkfifo(path.c_str(), 0600) != 0) return;
    writer_ = ::fork();
    if (writer_ == 0) {
      const int fd = ::open(path.c_str(), O_WRONLY);
      const bool written = fd >= 0 && ::write(fd, "{}", 2) == 2;
      ::_exit(written ? 0 : 1);
    }
  }
  WaitingFifo(const WaitingFifo&) = delete;
  WaitingFifo& operator=(const WaitingFifo&) = delete;
  ~WaitingFifo() {
    if (writer_ <= 0) return;
    ::kill(writer_, SIGKILL);
    ::waitpid(writer_, nullptr, 0);
  }

 private:
  pid_t writer_ = -1;
};

class ParamsCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    set_ = new testing::TempFolder;
    const std::string gen =
        std::string(TALLYSCAN_GEN) + " --quiet --movements 300 --documents 30 " + set_->path();
    ASSERT_EQ(0, std::system(gen.c_str()));
  }
  static void TearDownTestSuite() {
    delete set_;
    set_ = nullptr;
  }
  void SetUp() override { std::filesystem::create_directory(Out()); }
  void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }

  // The folder the reports go to, which a refusal leaves empty.
  std::string Out() const { return scratch_.File("out"); }
  std::vector<std::string> LeftInOut() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Out())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  // A folder that does not exist: a command that read it before its options would exit 1.
  std::string NoFolder() const { return scratch_.File("no-such-folder"); }

  static testing::TempFolder* set_;
  testing::TempFolder scratch_;
};

testing::TempFolder* ParamsCliTest::set_ = nullptr;

TEST_F(ParamsCliTest, AParameterFileThatCannotBeTakenIsRefusedAndLeavesNoFile) {
  struct Case {
    std::string kind;
    std::function<void(const std::string&)> make;  // puts the bad file at the path given
    std::string said;                              // a part of the message
  };
  const std::vector<Case> cases = {
      {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
       "אינו קובץ רגיל"},
      {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
       "אינו קובץ רגיל"},
      {"fifo", nullptr, "אינו קובץ רגיל"},
      {"over 16 MiB",
       [](const std::string& p) {
         std::string text = "{}";
         text.resize(kJetParametersFileLimit + 1, ' ');
         testing::WriteFile(p, text);
       },
       "16 MiB"},
      {"key given twice",
       [](const std::string& p) { testing::WriteFile(p, R"({"late_days": -1, "late_days": 3})"); },
       "\"late_days\""},
      {"NUL, then more",
       [](const std::string& p) {
         testing::WriteFile(p, std::string("{}") + '\0' + R"({"late_days": -1})");
       },
       "NUL"},
      {"escape in a key",
       [](const std::string& p) { testing::WriteFile(p, R"({"\u001b]0;owned\u0007": 1})"); },
       "\" ]0;owned \""},
  };
  int made = 0;
  for (const Case& c : cases) {
    for (const std::string& command :
         {"jet --params FILE " + set_->path(),
          "report jet --format htm --out " + Out() + "/r.htm --params FILE " + set_->path()}) {
      const std::string file = scratch_.File("params-" + std::to_string(++made));
      std::optional<WaitingFifo> fifo;
      if (c.make) {
        c.make(file);
      } else {
        fifo.emplace(file);
      }
      const std::string arguments = std::regex_replace(command, std::regex("FILE"), file);
      SCOPED_TRACE(c.kind + ": " + arguments);
      const CliRun run = RunCli(arguments, scratch_);
      EXPECT_EQ(1, run.exit_code) << run.err;
      EXPECT_NE(std::string::npos, run.err.find(file + ": ")) << run.err;
      EXPECT_NE(std::string::npos, run.err.find(c.said)) << run.err;
      EXPECT_EQ(std::string::npos, run.err.find('\x1b')) << run.err;
      EXPECT_EQ("", run.out);
      EXPECT_TRUE(LeftInOut().empty());
    }
  }
}

TEST_F(ParamsCliTest, AListWithAnEmptyItemOrADigitOutsideItsTestIsAUsageError) {
  const std::string none = NoFolder();
  const std::string cases[] = {
      "jet --tests '' " + none,
      "jet --tests weekend, " + none,
      "jet --tests ,weekend " + none,
      "jet --tests weekend,,holiday " + none,
      "check --items '' " + none,
      "check --items B2, " + none,
      "check --items ,B2 " + none,
      "report checks --format htm --out " + Out() + "/r.htm --items '' " + none,
      "jet --digit-lines benford-first all 0 " + none,
      "jet --digit-lines benford-second credit 10 " + none,
      "jet --digit-lines benford-first-two all 9 " + none,
  };
  for (const std::string& arguments : cases) {
    SCOPED_TRACE(arguments);
    const CliRun run = RunCli(arguments, scratch_);
    EXPECT_EQ(2, run.exit_code) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("usage: tallyscan-cli")) << run.err;
  }
  EXPECT_TRUE(LeftInOut().empty());
  // The spaces around an item are not part of it; the digits at the ends of a test's range are
  // its own.
  EXPECT_EQ(0, RunCli("jet --tests 'weekend, holiday' " + set_->path(), scratch_).exit_code);
  EXPECT_EQ(
      0, RunCli("jet --digit-lines benford-first-two all 99 " + set_->path(), scratch_).exit_code);
}

TEST_F(ParamsCliTest, SourceDateEpochIsAWholeNumberOfSecondsUpToTheYear9999OrARefusal) {
  const std::string report = "report jet --format xlsx --out " + Out() + "/r.xlsx " + set_->path();
  for (const char* epoch :
       {"abc", "1e17", "100000000000000000", "-1", "253402300800", "1.5", "12 ", "+5"}) {
    SCOPED_TRACE(epoch);
    ::setenv("SOURCE_DATE_EPOCH", epoch, 1);
    for (const std::string& arguments : {report, "check " + set_->path()}) {
      const CliRun run = RunCli(arguments, scratch_);
      EXPECT_EQ(1, run.exit_code) << arguments << "\n" << run.err;
      EXPECT_NE(std::string::npos, run.err.find("SOURCE_DATE_EPOCH")) << run.err;
      EXPECT_EQ("", run.out);
    }
    EXPECT_TRUE(LeftInOut().empty());
  }
  // The last second of 9999 makes a workbook dated that day.
  ::setenv("SOURCE_DATE_EPOCH", "253402300799", 1);
  const CliRun last = RunCli(report, scratch_);
  EXPECT_EQ(0, last.exit_code) << last.err;
  EXPECT_EQ(std::vector<std::string>{"r.xlsx"}, LeftInOut());
}

}  // namespace
}  // namespace tallyscan
