// Files written by other producers (LF line ends, right-aligned texts, other lengths, other
// encodings) import without a crash and with the rows their faults call for.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/uniform/import.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

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
  // The rows after the row that counts the errors.
  static std::vector<std::string> Errors(const ImportResult& result) {
    const auto rows = result.rows.Rows();
    const auto it = std::find_if(rows.begin(), rows.end(), [](const std::string& r) {
      return r.starts_with("1\tשגיאות שנמצאו במהלך קריאת הקובץ\t");
    });
    return it == rows.end() ? std::vector<std::string>()
                            : std::vector<std::string>(it + 1, rows.end());
  }
  // The summary of the data file: from its heading to the row that counts the errors.
  static std::vector<std::string> Summary(const ImportResult& result) {
    const auto rows = result.rows.Rows();
    auto first = std::find(rows.begin(), rows.end(), std::string("0\tרשומות בקובץ הנתונים\u200E"));
    auto last = std::find_if(first, rows.end(), [](const std::string& r) {
      return r.starts_with("1\tשגיאות שנמצאו במהלך קריאת הקובץ\t");
    });
    return std::vector<std::string>(first, last == rows.end() ? last : last + 1);
  }
  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

// "1" TAB "שורה מספר " n TAB text TAB n, and the validation row of line n.
std::string LengthRow(int n) {
  return "1\tשורה מספר " + std::to_string(n) + "\t אינה באורך חוקי\t" + std::to_string(n);
}
std::string NumericRow(int n) {
  return "1\tתוים לא חוקים בשדה נומרי\tבשורה - " + std::to_string(n) + "\t" + std::to_string(n);
}

TEST_F(RealWorldImportTest, NarrowDetailLinesAndAHeaderTotalWithoutOpeningAndClosing) {
  const ImportResult result = Import(Folder("erp-vendor-test-2024"));
  ASSERT_TRUE(result.status.ok());
  // D110 lines of 336 characters (lines 3, 4 and 6) whose right-aligned texts push letters
  // into the numeric runs, and a C100 (line 5) with the same fault.
  EXPECT_THAT(Errors(result), ElementsAre(LengthRow(3), NumericRow(3), LengthRow(4), NumericRow(4),
                                          NumericRow(5), LengthRow(6), NumericRow(6)));
  // A000 counts only the documents and their lines; Z900 counts all seven. The INI lists
  // only C100 and D110, and both agree with what was read.
  EXPECT_THAT(Summary(result),
              ElementsAre("0\tרשומות בקובץ הנתונים\u200E", "3\tסה'כ רשומות שנקראו\t7",
                          "1\tאין התאמה בין מספר הרשומות בפועל (7)\tלמספר רשומות הסיכום (5)",
                          "3\tסה'כ תעודות שנקראו \t2", "3\tסה'כ שורות תעודות שנקראו \t3",
                          "3\tפרוט סוגי התעודות\u200E", "3\tסהכ חשבוניות מס \t2",
                          "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t7"));
}

TEST_F(RealWorldImportTest, LinesOfOtherLengthsFromAnotherExporter) {
  const ImportResult result = Import(Folder("openfrmt-js-2018"));
  ASSERT_TRUE(result.status.ok());
  EXPECT_THAT(Errors(result),
              ElementsAre(NumericRow(2), LengthRow(3), NumericRow(3), LengthRow(4), LengthRow(5),
                          NumericRow(8), LengthRow(9), NumericRow(9), NumericRow(11), LengthRow(12),
                          NumericRow(12), LengthRow(13)));
  // Every count agrees: no mismatch row at all.
  EXPECT_THAT(Summary(result),
              ElementsAre("0\tרשומות בקובץ הנתונים\u200E", "3\tסה'כ רשומות שנקראו\t15",
                          "3\tסה'כ כרטיסי חשבונות שנקראו \t3", "3\tסה'כ תעודות שנקראו \t3",
                          "3\tסה'כ שורות תעודות שנקראו \t3", "3\tסה'כ שורות קבלות שנקראו \t4",
                          "3\tפרוט סוגי התעודות\u200E", "3\tסה'כ חשבונית מס/קבלה \t2",
                          "3\tסה'כ קבלות \t1", "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t12"));
}

TEST_F(RealWorldImportTest, HandTypedSetInBothCodePagesAndFromItsZip) {
  // A000 of 404 characters; six of the eight data lines of the wrong length, their fields
  // drifted into the numeric runs. The DOS-coded copy has the same faults.
  const std::vector<std::string> expected_errors = {"1\tגודל קובץ האתחול אינו תקין",
                                                    LengthRow(2),
                                                    NumericRow(2),
                                                    LengthRow(3),
                                                    NumericRow(3),
                                                    LengthRow(4),
                                                    NumericRow(4),
                                                    LengthRow(5),
                                                    NumericRow(5),
                                                    LengthRow(6),
                                                    NumericRow(6),
                                                    LengthRow(7),
                                                    NumericRow(7)};
  const ImportResult result = Import(Folder("py-sample-3enc"));
  ASSERT_TRUE(result.status.ok());
  EXPECT_EQ("3\tמספר העוסק הרשום\t002233445", result.rows.Row(2));
  EXPECT_EQ(expected_errors, Errors(result));
  EXPECT_TRUE(HasRow(result, "3\tסה'כ רשומות שנקראו\t8"));
  EXPECT_TRUE(HasRow(result, "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t13"));
  EXPECT_EQ(expected_errors, Errors(Import(Folder("py-sample-3enc/cp862"))));

  // The zip's only member is not named BKMVDATA.TXT; it is extracted all the same, with the
  // entry's date as the file's time, and reads exactly as the text file beside it.
  const testing::TempFolder zip_folder;
  const fs::path zipped = zip_folder.path();
  testing::WriteFile(zip_folder.File("INI.TXT"), ReadBytes(Folder("py-sample-3enc/INI.TXT")));
  testing::WriteFile(zip_folder.File("BKMVDATA.ZIP"),
                     ReadBytes(Folder("py-sample-3enc/BKMVDATA.ZIP")));
  const ImportResult from_zip = Import(zipped.string());
  ASSERT_TRUE(from_zip.status.ok()) << from_zip.status.message();
  EXPECT_EQ(zipped / "BkMvdata.Txt", fs::path(from_zip.data_file_path));
  EXPECT_TRUE(std::equal(result.rows.Rows().begin(), result.rows.Rows().end(),
                         from_zip.rows.Rows().begin(), from_zip.rows.Rows().end()));
  EXPECT_EQ(ReadBytes(Folder("py-sample-3enc/BKMVDATA.TXT")),
            ReadBytes((zipped / "BkMvdata.Txt").string()));
  struct stat st {};
  ASSERT_EQ(0, ::stat((zipped / "BkMvdata.Txt").c_str(), &st));
  std::tm entry_date{};  // 2026-12-08 13:26, as the archive records it
  entry_date.tm_year = 2026 - 1900;
  entry_date.tm_mon = 11;
  entry_date.tm_mday = 8;
  entry_date.tm_hour = 13;
  entry_date.tm_min = 26;
  EXPECT_EQ(::timegm(&entry_date) / 60, st.st_mtime / 60);
}

// The two header-only folders, each paired with an empty data file.
TEST_F(RealWorldImportTest, HeadersWithoutData) {
  const testing::TempFolder temp;
  const fs::path folder = temp.path();
  auto import_header = [&](const std::string& name) {
    testing::WriteFile(temp.File("INI.TXT"), ReadBytes(Folder(name + "/INI.TXT")));
    std::ofstream(folder / "BKMVDATA.TXT").close();
    return Import(folder.string());
  };
  // A well-formed header without A100 and Z900 summary lines.
  ImportResult result = import_header("netsuite-ini-2020");
  ASSERT_TRUE(result.status.ok());
  std::vector<std::string> rows(result.rows.Rows().begin(), result.rows.Rows().end());
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 13, rows.end()),
            (std::vector<std::string>{
                "3\tסה'כ רשומות צפויות בקובץ\t380", "3\tתנועות הנהלת חשבונות\t134",
                "3\tתנועות כרטיסי חשבונות\t121", "3\tתנועות כותרות מסמכים\t47",
                "3\tתנועות פרטי מסמכים\t54", "3\tתנועות פרטי קבלות\t13", "3\tתנועות פריטי מלאי\t9",
                "0\tרשומות בקובץ הנתונים\u200E", "3\tסה'כ רשומות שנקראו\t0",
                "1\tאין התאמה בין מספר הרשומות בפועל (0)\tלמספר רשומות הסיכום (380)",
                "0\tשגיאות שנמצאו במהלך קריאת הקובץ\tללא"}));
  EXPECT_EQ("3\tגירסת הקובץ\t1.31", rows[4]);

  // A UTF-8 header: 466 characters but 481 bytes, so its size is wrong; the summary lines
  // come in their own order, the zero count and the A100 and Z900 lines add no row.
  result = import_header("openformat-app-2023-ini");
  ASSERT_TRUE(result.status.ok());
  rows.assign(result.rows.Rows().begin(), result.rows.Rows().end());
  EXPECT_EQ(
      std::vector<std::string>(rows.begin() + 13, rows.end()),
      (std::vector<std::string>{
          "3\tסה'כ רשומות צפויות בקובץ\t26", "3\tתנועות כותרות מסמכים\t6",
          "3\tתנועות פרטי מסמכים\t6", "3\tתנועות פריטי מלאי\t1", "3\tתנועות כרטיסי חשבונות\t5",
          "3\tתנועות הנהלת חשבונות\t6", "0\tרשומות בקובץ הנתונים\u200E", "3\tסה'כ רשומות שנקראו\t0",
          "1\tאין התאמה בין מספר הרשומות בפועל (0)\tלמספר רשומות הסיכום (26)",
          "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t1", "1\tגודל קובץ האתחול אינו תקין"}));
}

}  // namespace
}  // namespace tallyscan
