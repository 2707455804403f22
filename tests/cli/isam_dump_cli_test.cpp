// tallyscan-cli isam dump.
#include <array>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "engine/isam/isam.h"

namespace tallyscan {
namespace {

TEST(IsamDumpCliTest, SoundFileListsEntriesInKeyOrderAndDamageIsReported) {
  testing::TempFolder folder;
  const std::string index = folder.File("ACCOUNTS.IDX");
  {
    PosixIsamFileSystem files;
    RecordManager manager(files, [](const std::string&) {});
    ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(index, 3, 1));
    for (const char* key : {"CHARLIE", "ALPHA", "BRAVO"}) {
      std::array<std::uint8_t, kIsamKeyBlockSize> block{};
      block.fill(' ');
      for (std::size_t i = 0; key[i] != '\0'; ++i) block[i] = static_cast<std::uint8_t>(key[i]);
      block[102] = 0;
      block[103] = static_cast<std::uint8_t>(key[0]);
      block[104] = block[105] = block[106] = 0;
      ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(3, block));
    }
    ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(3));
  }
  const testing::CliRun run = testing::RunCli("isam dump " + index, folder);
  EXPECT_EQ(0, run.exit_code) << run.out << run.err;
  const std::size_t alpha = run.out.find("ALPHA"), bravo = run.out.find("BRAVO"),
                    charlie = run.out.find("CHARLIE");
  ASSERT_NE(std::string::npos, charlie);
  EXPECT_LT(alpha, bravo);
  EXPECT_LT(bravo, charlie);
  EXPECT_NE(std::string::npos, run.out.find("problems: none"));

  // A file cut inside the first tree's root is no longer sound.
  std::string bytes = testing::ReadFile(index);
  bytes.resize(300);
  testing::WriteFile(index, bytes);
  EXPECT_EQ(1, testing::RunCli("isam dump " + index, folder).exit_code);
}

TEST(IsamDumpCliTest, ACutShortFileAndACircleOfSiblingsAreNamed) {
  testing::TempFolder folder;
  const std::string index = folder.File("MOVES.IDX");
  {
    PosixIsamFileSystem files;
    RecordManager manager(files, [](const std::string&) {});
    ASSERT_EQ(IsamStatus::kOk, manager.OpenDb(index, 3, 1));
    for (std::uint8_t record = 1; record <= 25; ++record) {  // two leaves: 2797, then 61
      std::array<std::uint8_t, kIsamKeyBlockSize> block{};
      block.fill(' ');
      block[15] = static_cast<std::uint8_t>('A' + record);
      block[103] = record;
      block[104] = block[105] = block[106] = 0;
      ASSERT_EQ(IsamStatus::kOk, manager.DbInsert(3, block));
    }
    ASSERT_EQ(IsamStatus::kOk, manager.CloseDb(3));
  }
  const std::string sound = testing::ReadFile(index);

  std::string bytes = sound;
  bytes[60 + 10] = static_cast<char>(2797 & 0xFF);  // the last leaf's right sibling: the first
  bytes[60 + 11] = static_cast<char>(2797 >> 8);
  testing::WriteFile(index, bytes);
  testing::CliRun run = testing::RunCli("isam dump " + index, folder);
  EXPECT_EQ(1, run.exit_code);
  EXPECT_NE(std::string::npos,
            run.out.find("key 1: level 1: the right links come back to node 2797"))
      << run.out;

  testing::WriteFile(index, sound.substr(0, sound.size() - 100));
  run = testing::RunCli("isam dump " + index, folder);
  EXPECT_EQ(1, run.exit_code);
  EXPECT_NE(std::string::npos,
            run.out.find("the file length " + std::to_string(sound.size() - 100) +
                         " is not the headers and whole nodes"))
      << run.out;
}

}  // namespace
}  // namespace tallyscan
