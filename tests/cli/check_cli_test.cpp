// tallyscan-cli check on generated data sets.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

testing::CliRun RunCheck(const std::string& args, const testing::TempFolder& scratch) {
  return testing::RunCli("check " + args, scratch);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

class CheckCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string gen = std::string(TALLYSCAN_GEN) +
                            " --quiet --movements 300 --documents 40 --fault bad-date"
                            " --fault missing-cheque " +
                            set_.path();
    ASSERT_EQ(0, std::system(gen.c_str()));
  }
  testing::TempFolder set_;
  testing::TempFolder scratch_;
};

TEST_F(CheckCliTest, RawPrintsTheCheckRowsNotTheImportRows) {
  const testing::CliRun run = RunCheck("--raw " + set_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_TRUE(lines.front().starts_with("0\tתחילת הבדיקה - ")) << lines.front();
  EXPECT_TRUE(lines.front().ends_with("\u200E"));
  EXPECT_TRUE(lines.back().starts_with("0\tסיום הבדיקה - ")) << lines.back();
  EXPECT_NE(std::string::npos, run.out.find("\n3\tסה'כ סכומי האינדקס\t"));
  EXPECT_NE(std::string::npos, run.out.find("\x1C\t"));
  EXPECT_NE(std::string::npos, run.out.find(" לא מצויינת מספר ההמחאה\t\n"));
  // The bad date is the import's finding, not a check's.
  EXPECT_EQ(std::string::npos, run.out.find("תאריך"));
  EXPECT_TRUE(run.err.empty()) << run.err;  // no bar when stderr is not a terminal
}

TEST_F(CheckCliTest, ItemsChooseTheChecks) {
  const testing::CliRun run = RunCheck("--raw --items B2 " + set_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(5u, lines.size()) << run.out;
  EXPECT_EQ("0\tבדיקת איזון אינדקס\u200E", lines[1]);
  EXPECT_EQ("3\tיתרות האינדקס מאוזנות", lines[3]);

  // D1 stands for the whole documents list.
  const testing::CliRun documents = RunCheck("--raw --items D1 " + set_.path(), scratch_);
  EXPECT_EQ(0, documents.exit_code);
  EXPECT_EQ(std::string::npos, documents.out.find("בדיקת איזון אינדקס"));
  EXPECT_NE(std::string::npos, documents.out.find("\n0\tבדיקת תעודות\u200E\n"));
  EXPECT_NE(std::string::npos, documents.out.find(" לא מצויינת מספר ההמחאה"));

  const testing::CliRun nothing = RunCheck("--raw --items D3 " + set_.path(), scratch_);
  EXPECT_EQ(std::string::npos, nothing.out.find(" לא מצויינת מספר ההמחאה"));
}

TEST_F(CheckCliTest, ReadableFormHasNoMarkers) {
  const testing::CliRun run = RunCheck(set_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code);
  EXPECT_TRUE(run.out.starts_with("ok  ")) << run.out.substr(0, 80);
  EXPECT_EQ(std::string::npos, run.out.find("\u200E"));
  EXPECT_EQ(std::string::npos, run.out.find('\x1C'));
  EXPECT_EQ(std::string::npos, run.out.find('\t'));
}

TEST_F(CheckCliTest, FailuresAndBadArguments) {
  const testing::CliRun missing = RunCheck(scratch_.path(), scratch_);
  EXPECT_NE(0, missing.exit_code);
  EXPECT_EQ("קובץ האתחול אינו קיים בספריה שצויינה\n", missing.err);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_EQ(2, RunCheck("", scratch_).exit_code);
  EXPECT_EQ(2, RunCheck("--items B9 " + set_.path(), scratch_).exit_code);
  EXPECT_EQ(2, RunCheck("--items X1 " + set_.path(), scratch_).exit_code);
  EXPECT_EQ(2, RunCheck("--items B2, " + set_.path(), scratch_).exit_code);
  EXPECT_EQ(2, RunCheck("--items", scratch_).exit_code);
}

}  // namespace
}  // namespace tallyscan
