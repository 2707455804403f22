// Sums beyond what a double holds exactly (2^53 agorot), in the outputs whose figures other
// programs read as doubles: JSON amounts and workbook cells.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

constexpr std::int64_t kLargest = 99999999999999;  // agorot: 14 digits
constexpr int kAccounts = 100;                     // their sum passes 2^53

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  ::pclose(pipe);
  return text;
}

class LargeFiguresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DataSetFiles set;
    set.data.push_back(testing::A100Line());
    for (int i = 1; i <= kAccounts; ++i) {
      set.data.push_back(testing::B110Line(i + 1, std::to_string(i), kLargest, 0, 0));
    }
    set.data.push_back(testing::Z900Line(kAccounts + 2, kAccounts + 2));
    set.ini = {testing::A000Line(kAccounts + 2), testing::SummaryLine("A100", 1),
               testing::SummaryLine("B110", kAccounts), testing::SummaryLine("Z900", 1)};
    set.Write(data_.path());
  }
  testing::TempFolder data_;
  testing::TempFolder scratch_;
};

TEST_F(LargeFiguresTest, JsonAmountBeyondTwoToTheFiftyThreeIsAString) {
  const testing::CliRun run = testing::RunCli("view index --format json " + data_.path(), scratch_);
  ASSERT_EQ(0, run.exit_code) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("\"text\":\"99,999,999,999,999.00 ח\""));
  EXPECT_NE(std::string::npos, run.out.find("\"amount\":\"9999999999999900\""));
  EXPECT_NE(std::string::npos, run.out.find("\"amount\":99999999999999}"));  // an account's
}

TEST_F(LargeFiguresTest, WorkbookFigureBeyondTwoToTheFiftyThreeIsText) {
  const std::string xlsx = scratch_.File("index.xlsx");
  ASSERT_EQ(
      0, testing::RunCli("report index --format xlsx --out " + xlsx + " " + data_.path(), scratch_)
             .exit_code);
  const std::string cells =
      Output("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " + xlsx);
  EXPECT_NE(std::string::npos, cells.find("\tstr\t99,999,999,999,999.00 ח\t")) << cells;
  EXPECT_NE(std::string::npos, cells.find("\tfloat\t999999999999.99\t")) << cells;
}

}  // namespace
}  // namespace tallyscan
