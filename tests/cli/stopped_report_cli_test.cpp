// A real Ctrl-C in a chosen phase of a command, raised by the test build's program: an
// interrupted report in any form leaves the file it would have replaced as it was, with no
// temporary file beside it, and exits 130; so does a run of the tests stopped in its last phase.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

using testing::ReadFile;
using testing::TempFolder;

// The probe program with a Ctrl-C raised in `phase`; `arguments` as for RunCli.
testing::CliRun RunInterruptedIn(const std::string& phase, const std::string& arguments,
                                 const TempFolder& scratch) {
  const std::string out = scratch.File("stdout"), err = scratch.File("stderr");
  const int status = std::system((std::string(TALLYSCAN_CLI_PROBE) + " --interrupt-in " + phase +
                                  " " + arguments + " >" + out + " 2>" + err)
                                     .c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

class StoppedReportCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) +
                              " --quiet --profile audit --movements 3000 --seed 4"
                              " --fault weekend --fault round-amount " +
                              scratch_.File("set"))
                                 .c_str()));
    std::filesystem::create_directory(scratch_.File("out"));
  }

  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.File("out"))) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  TempFolder scratch_;
};

TEST_F(StoppedReportCli, AnInterruptedReportLeavesTheEarlierOneInEveryForm) {
  struct Case {
    const char* kind;
    const char* format;
    const char* phase;
  };
  for (const Case& c :
       {Case{"jet", "htm", "hits"}, Case{"jet", "xls", "report"}, Case{"jet", "xlsx", "sheets"},
        Case{"jet", "pdf", "hits"}, Case{"items", "xlsx", "report"},
        Case{"checks", "pdf", "report"}, Case{"index", "htm", "report"}}) {
    const std::string report = scratch_.File("out/R." + std::string(c.format));
    SCOPED_TRACE(std::string(c.kind) + " " + c.format + " in " + c.phase);
    FILE* file = std::fopen(report.c_str(), "wb");
    std::fputs("the earlier report", file);
    std::fclose(file);
    const testing::CliRun run =
        RunInterruptedIn(c.phase,
                         "report " + std::string(c.kind) + " --format " + c.format + " --out " +
                             report + " " + scratch_.File("set"),
                         scratch_);
    EXPECT_EQ(130, run.exit_code) << run.err;
    EXPECT_EQ("the earlier report", ReadFile(report));
    EXPECT_EQ(std::vector<std::string>{"R." + std::string(c.format)}, OutFiles());
    std::filesystem::remove(report);
  }
}

TEST_F(StoppedReportCli, TheTestsStoppedInTheirLastPhasesGiveNoResult) {
  const testing::CliRun ranking =
      RunInterruptedIn("ranking", "jet --format json " + scratch_.File("set"), scratch_);
  EXPECT_EQ(130, ranking.exit_code) << ranking.err;
  EXPECT_TRUE(ranking.out.empty());
  const testing::CliRun summary =
      RunInterruptedIn("tests", "jet " + scratch_.File("set"), scratch_);
  EXPECT_EQ(130, summary.exit_code) << summary.err;
}

}  // namespace
}  // namespace tallyscan
