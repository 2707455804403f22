// tallyscan-cli companies over a store written by hand.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

class CompaniesCliTest : public ::testing::Test {
 protected:
  void AddSet(const std::string& root, const std::string& dealer, const std::string& year) {
    const std::string folder = root + "/" + dealer + "/" + year;
    std::filesystem::create_directories(folder);
    testing::WriteFile(folder + "/Ini.txt", testing::A000Line(14) + "\r\n");
  }
  testing::TempFolder store_;
  testing::TempFolder scratch_;
};

TEST_F(CompaniesCliTest, ListsNameYearAndFolderInTheListsOrder) {
  AddSet(store_.path(), "512345676", "2021");
  AddSet(store_.path(), "123456782", "2023");
  AddSet(store_.path(), "123456782", "2022");
  const testing::CliRun run = testing::RunCli("companies --root " + store_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code) << run.err;
  const std::string& r = store_.path();
  EXPECT_EQ("Acme Trading\t2022\t" + r + "/123456782/2022\n" +  //
                "Acme Trading\t2023\t" + r + "/123456782/2023\n" + "Acme Trading\t2021\t" + r +
                "/512345676/2021\n",
            run.out);
}

TEST_F(CompaniesCliTest, FolderNameWithLineBreakAndTabCannotForgeARow) {
  const std::string year = "2023\nForged\t1999\t\x1b]0;x\x07";
  AddSet(store_.path(), "123456782", year);
  const testing::CliRun run = testing::RunCli("companies --root " + store_.path(), scratch_);
  EXPECT_EQ(0, run.exit_code) << run.err;
  const std::string shown = "2023 Forged 1999  ]0;x ";
  EXPECT_EQ("Acme Trading\t" + shown + "\t" + store_.path() + "/123456782/" + shown + "\n",
            run.out);
}

TEST_F(CompaniesCliTest, EmptyOrMissingStorePrintsNothingAndUsageErrorsExitTwo) {
  for (const std::string& args :
       {"companies --root " + store_.path(), "companies --root " + store_.path() + "/missing"}) {
    const testing::CliRun run = testing::RunCli(args, scratch_);
    EXPECT_EQ(0, run.exit_code) << args;
    EXPECT_EQ("", run.out) << args;
  }
  for (const char* args : {"companies --root", "companies extra", "companies --root a --root b"}) {
    EXPECT_EQ(2, testing::RunCli(args, scratch_).exit_code) << args;
  }
}

TEST_F(CompaniesCliTest, WithoutRootListsThePerUserStore) {
  AddSet(store_.path() + "/Norva/Tallyscan/Zevavu", "123456782", "2023");
  ::setenv("XDG_DATA_HOME", store_.path().c_str(), 1);
  const testing::CliRun run = testing::RunCli("companies", scratch_);
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(0, run.exit_code) << run.err;
  EXPECT_EQ("Acme Trading\t2023\t" + store_.path() + "/Norva/Tallyscan/Zevavu/123456782/2023\n",
            run.out);
}

}  // namespace
}  // namespace tallyscan
