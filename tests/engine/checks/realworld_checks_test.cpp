// Files written by other producers: whatever their quirks, every check runs to its end row.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "engine/checks/checks.h"
#include "engine/uniform/import.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;

std::string RealWorldDir() {
  const char* from_env = std::getenv("TALLYSCAN_REALWORLD_DIR");
  return from_env != nullptr ? from_env : TALLYSCAN_REALWORLD_DIR;
}

class EarlyClock final : public Clock {
 public:
  TimeOfDay Now() const override { return {7, 0, 0}; }
};

TEST(RealWorldChecksTest, EveryImportedFolderRunsEveryCheckToTheEnd) {
  if (!fs::is_directory(RealWorldDir())) GTEST_SKIP() << "no " << RealWorldDir();
  const std::string cache = (fs::temp_directory_path() / "tallyscan-realworld-cache").string();
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(RealWorldDir())) {
    if (!entry.is_directory()) continue;
    SCOPED_TRACE(entry.path().string());
    RecordStore store;
    SilentProgress silent;
    if (!ImportFolder(store, entry.path().string(), silent, {cache}).status.ok()) continue;
    CheckResultRows rows;
    EXPECT_TRUE(RunChecks(store, CheckTicks(), EarlyClock(), silent, rows));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ("0\tסיום הבדיקה - 07:00:00\u200E", rows.back());
    for (const std::string& row : rows) {
      EXPECT_TRUE(row.starts_with("0") || row.starts_with("1") || row.starts_with("3")) << row;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace tallyscan
