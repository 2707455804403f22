// tallyscan-cli import on generated data sets.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

testing::CliRun RunImport(const std::string& args, const testing::TempFolder& scratch) {
  return testing::RunCli("import " + args, scratch);
}

class ImportCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string gen = std::string(TALLYSCAN_GEN) +
                            " --quiet --movements 300 --fault bad-date --fault control-char " +
                            set_.path();
    ASSERT_EQ(0, std::system(gen.c_str()));
  }
  testing::TempFolder set_;
  testing::TempFolder scratch_;
};

TEST_F(ImportCliTest, RawPrintsEachRowAsBuilt) {
  const testing::CliRun run = RunImport("--raw " + set_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code) << run.err;
  EXPECT_TRUE(run.out.starts_with("0\tהקובץ נקרא בהצלחה\u200E\n")) << run.out.substr(0, 80);
  EXPECT_NE(std::string::npos, run.out.find("\n1\tשגיאות שנמצאו במהלך קריאת הקובץ\t2\n"));
  EXPECT_NE(std::string::npos, run.out.find(" מכילה תוים לא חוקיים\t"));
  EXPECT_TRUE(run.err.empty()) << run.err;  // no bar when stderr is not a terminal
}

TEST_F(ImportCliTest, ReadableFormShowsWordsWithoutMarkersAndStatsGoToStderr) {
  const testing::CliRun run = RunImport("--stats " + set_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code);
  EXPECT_TRUE(run.out.starts_with("ok  ")) << run.out.substr(0, 80);
  EXPECT_EQ(std::string::npos, run.out.find("\u200E"));
  EXPECT_EQ(std::string::npos, run.out.find('\t'));
  EXPECT_NE(std::string::npos, run.out.find("\nerror  "));
  EXPECT_NE(std::string::npos, run.err.find("lines/s"));
  EXPECT_NE(std::string::npos, run.err.find("peak memory"));
}

TEST_F(ImportCliTest, FailedFileCheckPrintsItsMessageAndFails) {
  const testing::CliRun run = RunImport(scratch_.path(), scratch_);
  EXPECT_NE(0, run.exit_code);
  EXPECT_EQ("קובץ האתחול אינו קיים בספריה שצויינה\n", run.err);
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(2, RunImport("", scratch_).exit_code);
}

}  // namespace
}  // namespace tallyscan
