// Files written by other producers (LF line ends, right-aligned texts, other lengths, other
// encodings) import without a crash and with the rows their faults call for.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/uniform/import.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;

std::string RealWorldDir() {
  const char* from_env = std::getenv("TALLYSCAN_REALWORLD_DIR");
  return from_env != nullptr ? from_env : TALLYSCAN_REALWORLD_DIR;
}

class RealWorldImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(RealWorldDir())) GTEST_SKIP() << "no " << RealWorldDir();
  }
  ImportResult Import(const std::string& folder) {
    RecordStore store;
    SilentProgress silent;
    return ImportFolder(store, folder, silent, {cache_});
  }
  std::string Folder(const std::string& name) const { return RealWorldDir() + "/" + name; }
  static bool HasRow(const ImportResult& result, const std::string& row) {
    const auto rows = result.rows.Rows();
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  }
  std::string cache_ = (fs::temp_directory_path() / "tallyscan-realworld-cache").string();
};

TEST_F(RealWorldImportTest, EveryFolderImportsOrFailsItsFileCheck) {
  std::vector<std::string> folders = {RealWorldDir()};
  for (const auto& entry : fs::recursive_directory_iterator(RealWorldDir())) {
    if (entry.is_directory()) folders.push_back(entry.path().string());
  }
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    const ImportResult result = Import(folder);
    if (!result.status.ok()) {
      EXPECT_TRUE(result.status.message() == "קובץ האתחול אינו קיים בספריה שצויינה" ||
                  result.status.message() == "קובץ הנתונים אינו קיים בספריה שצויינה")
          << result.status.message();
      continue;
    }
    ASSERT_GT(result.rows.Count(), 14);
    EXPECT_EQ("0\tהקובץ נקרא בהצלחה\u200E", result.rows.Row(1));
    // Every row is a status digit and cells; the error count matches the rows after it.
    const auto rows = result.rows.Rows();
    for (const std::string& row : rows) {
      ASSERT_GE(row.size(), 2u);
      EXPECT_NE(std::string::npos, std::string("0134").find(row[0])) << row;
      EXPECT_EQ('\t', row[1]) << row;
    }
    const auto count_row = std::find_if(rows.begin(), rows.end(), [](const std::string& r) {
      return r.starts_with("1\tשגיאות שנמצאו במהלך קריאת הקובץ\t");
    });
    ASSERT_NE(rows.end(), count_row);
    const std::size_t errors = static_cast<std::size_t>(rows.end() - count_row - 1);
    EXPECT_EQ(errors == 0 ? std::string("ללא") : std::to_string(errors),
              count_row->substr(count_row->rfind('\t') + 1));
  }
}

TEST_F(RealWorldImportTest, FoldersWithOneFileFailTheirFileCheck) {
  EXPECT_EQ("קובץ האתחול אינו קיים בספריה שצויינה",
            Import(Folder("real-2016-2024-excerpt")).status.message());
  EXPECT_EQ("קובץ האתחול אינו קיים בספריה שצויינה",
            Import(Folder("erp-vendor-test-2024/moneyformat")).status.message());
  EXPECT_EQ("קובץ הנתונים אינו קיים בספריה שצויינה",
            Import(Folder("netsuite-ini-2020")).status.message());
  EXPECT_EQ("קובץ הנתונים אינו קיים בספריה שצויינה",
            Import(Folder("openformat-app-2023-ini")).status.message());
}

TEST_F(RealWorldImportTest, NarrowDetailLinesAndAHeaderTotalWithoutOpeningAndClosing) {
  const ImportResult result = Import(Folder("erp-vendor-test-2024"));
  ASSERT_TRUE(result.status.ok());
  // D110 lines of 336 characters (lines 3, 4 and 6).
  for (const char* line : {"3", "4", "6"}) {
    EXPECT_TRUE(HasRow(result, std::string("1\tשורה מספר ") + line + "\t אינה באורך חוקי\t" + line))
        << line;
  }
  // A000 counts only the documents and their lines; Z900 counts all seven.
  EXPECT_TRUE(HasRow(result, "1\tאין התאמה בין מספר הרשומות בפועל (7)\tלמספר רשומות הסיכום (5)"));
  EXPECT_FALSE(HasRow(result, "1\tאין התאמה בין מספר הרשומות בפועל (7)\tלרשומת הסיכום (7)"));
  EXPECT_TRUE(HasRow(result, "3\tסהכ חשבוניות מס \t2"));
}

TEST_F(RealWorldImportTest, LinesOfOtherLengthsFromAnotherExporter) {
  const ImportResult result = Import(Folder("openfrmt-js-2018"));
  ASSERT_TRUE(result.status.ok());
  EXPECT_TRUE(HasRow(result, "3\tסה'כ רשומות שנקראו\t15"));
  EXPECT_TRUE(HasRow(result, "1\tשורה מספר 3\t אינה באורך חוקי\t3"));
  const auto rows = result.rows.Rows();
  EXPECT_EQ(0, std::count_if(rows.begin(), rows.end(),
                             [](const std::string& r) { return r.starts_with("1\tאין התאמה"); }));
}

TEST_F(RealWorldImportTest, HandTypedHeaderOfTheWrongSize) {
  const ImportResult result = Import(Folder("py-sample-3enc"));
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ("1\tגודל קובץ האתחול אינו תקין", result.rows.Row(2));
  EXPECT_TRUE(HasRow(result, "3\tסה'כ רשומות שנקראו\t8"));
}

}  // namespace
}  // namespace tallyscan
