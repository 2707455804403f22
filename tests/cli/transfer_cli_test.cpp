// tallyscan-cli transfer and transfer dump on a generated set.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"

namespace tallyscan {
namespace {

TEST(TransferCliTest, TransfersRenumberedAccountsAndRefusesASecondRun) {
  testing::TempFolder folder;
  const std::string data = folder.File("data"), target = folder.File("target");
  ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) + " --quiet " + data).c_str()));
  ASSERT_EQ(0, std::system(("mkdir " + target).c_str()));

  // Multiplying every key by 1000 takes some past 999999: they become 0, nothing is written.
  testing::CliRun run = testing::RunCli(
      "transfer --to " + target + " --renumber key:0:999999999:multiply:1000:0:0 " + data, folder);
  EXPECT_EQ(1, run.exit_code) << run.out << run.err;
  EXPECT_NE(std::string::npos, run.out.find("לא כל מספרי הכרטיסים הוגדרו כראוי - בדוק"));
  EXPECT_TRUE(std::filesystem::is_empty(target));

  run = testing::RunCli("transfer --to " + target + " --accounts --items " + data, folder);
  EXPECT_EQ(0, run.exit_code) << run.out << run.err;
  EXPECT_NE(std::string::npos, run.out.find("step: קליטת אינדקס חשבונות"));
  EXPECT_NE(std::string::npos, run.out.find("24.Ndx\t60"));
  EXPECT_EQ(std::string::npos, run.out.find("24.Trn"));

  const testing::CliRun dump = testing::RunCli("transfer dump " + target + "/24.Ndx", folder);
  EXPECT_EQ(0, dump.exit_code) << dump.err;
  EXPECT_NE(std::string::npos, dump.out.find("60 records of 827"));
  EXPECT_NE(std::string::npos, dump.out.find("  account number: 1100\n"));
  EXPECT_EQ(0, testing::RunCli("transfer dump " + target + "/24.Ism", folder).exit_code);

  run = testing::RunCli("transfer --to " + target + " --accounts " + data, folder);
  EXPECT_EQ(1, run.exit_code);
  EXPECT_NE(std::string::npos, run.out.find("refused: קיימים כבר נתונים קודמים בקובץ האינדקס"));
  EXPECT_EQ(
      2,
      testing::RunCli("transfer --to " + target + " --renumber key:1 " + data, folder).exit_code);
}

TEST(TransferCliTest, ARerunAfterACrashInTheMovesSaysItFinishedThemAndExitsZero) {
  testing::TempFolder folder;
  const std::string data = folder.File("data"), target = folder.File("target");
  ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) + " --quiet " + data).c_str()));
  const std::string staging = target + "/.tallyscan-staging";
  std::filesystem::create_directories(staging);
  testing::WriteFile(staging + "/24.Kvu", "moved last");
  testing::WriteFile(staging + "/.complete", "\n");

  const testing::CliRun run = testing::RunCli("transfer --to " + target + " " + data, folder);
  EXPECT_EQ(0, run.exit_code) << run.out << run.err;
  EXPECT_NE(std::string::npos, run.out.find("העברתם הושלמה כעת, ולא נעשה דבר נוסף")) << run.out;
  EXPECT_EQ(std::string::npos, run.out.find("step:"));
  EXPECT_EQ("moved last", testing::ReadFile(target + "/24.Kvu"));
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(target),
                             std::filesystem::directory_iterator()));
}

TEST(TransferCliTest, DumpsRefuseWhatIsNotARegularFileAtOnce) {
  testing::TempFolder folder;
  std::filesystem::create_symlink("/dev/zero", folder.File("24.Trn"));
  ASSERT_EQ(0, ::mkfifo(folder.File("24.Ism").c_str(), 0600));
  for (const std::string& command :
       {"transfer dump " + folder.File("24.Trn"), "transfer dump " + folder.File("24.Ism"),
        "isam dump " + folder.File("24.Ism")}) {
    const testing::CliRun run = testing::RunCli(command, folder);
    EXPECT_EQ(1, run.exit_code) << command << ": " << run.out << run.err;
    EXPECT_NE(std::string::npos, run.err.find("is not a regular file")) << command << run.err;
  }
}

TEST(TransferCliTest, RenumberTakesOnlyTheAmountsAndStepsTheDialogOffers) {
  testing::TempFolder folder;
  const std::string data = folder.File("data"), target = folder.File("target");
  ASSERT_EQ(0, std::system((std::string(TALLYSCAN_GEN) + " --quiet " + data).c_str()));
  ASSERT_EQ(0, std::system(("mkdir " + target).c_str()));
  for (const char* rule :
       {"key:0:999999:divide:-1:0:0", "key:0:999999:divide:0:0:0", "key:0:999999:multiply:7:0:0",
        "key:0:999999:add:-9223372036854775808:0:0", "key:0:999999:add:10:0:5",
        "key:0:999999:add:10:0:9223372036854775807"}) {
    const testing::CliRun run =
        testing::RunCli("transfer --to " + target + " --renumber " + rule + " " + data, folder);
    EXPECT_EQ(2, run.exit_code) << rule;
    EXPECT_NE(std::string::npos,
              run.err.find("AMOUNT one of 1, 10, 100, 1000, 10000; STEP one of 0, 1, 10, 100"))
        << rule << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(target)) << rule;
  }
}

}  // namespace
}  // namespace tallyscan
