#include "engine/uniform/import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/text/text.h"
#include "engine/uniform/folder_files.h"
#include "engine/uniform/layouts.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

using testing::DataSetFiles;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::TempFolder;

const std::string kMark = "\u200E";

// Stops after `lines` lines and records the percentages reported.
class ScriptedMonitor : public ProgressMonitor {
 public:
  explicit ScriptedMonitor(std::int64_t stop_after = -1) : stop_after_(stop_after) {}
  void OnProgress(int percent) override { percents.push_back(percent); }
  bool StopRequested() override { return stop_after_ >= 0 && asked_++ >= stop_after_; }
  std::vector<int> percents;

 private:
  std::int64_t stop_after_;
  std::int64_t asked_ = 0;
};

class ImportTest : public ::testing::Test {
 protected:
  ImportResult Import(const DataSetFiles& set) {
    set.Write(folder_.path());
    return ImportAgain();
  }
  ImportResult ImportAgain() {
    store_.LoadedFolder.clear();
    SilentProgress silent;
    return ImportFolder(store_, folder_.path(), silent, {cache_.path()});
  }
  static std::vector<std::string> Rows(const ImportResult& result) {
    return std::vector<std::string>(result.rows.Rows().begin(), result.rows.Rows().end());
  }
  // The rows after the row that counts the errors.
  static std::vector<std::string> Errors(const ImportResult& result) {
    const std::vector<std::string> rows = Rows(result);
    const auto it = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
      return row.starts_with("1\tשגיאות שנמצאו במהלך קריאת הקובץ\t");
    });
    return it == rows.end() ? std::vector<std::string>()
                            : std::vector<std::string>(it + 1, rows.end());
  }
  static bool HasRow(const ImportResult& result, const std::string& row) {
    const std::vector<std::string> rows = Rows(result);
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  }

  TempFolder folder_;
  TempFolder cache_;
  RecordStore store_;
};

TEST_F(ImportTest, ValidSetGivesTheWholeLog) {
  const ImportResult result = Import(testing::SmallValidSet());
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_THAT(
      Rows(result),
      ElementsAre("0\tהקובץ נקרא בהצלחה" + kMark, "3\tמספר העוסק הרשום\t123456782",
                  "3\tשם העסק\tAcme Trading", "3\tטווח התאריכים הרשום\t01/01/2023 - 31/12/2023",
                  "3\tגירסת הקובץ\t1.31", "3\tהקובץ הופק בעזרת התוכנה\tLedger Writer",
                  "3\tגירסת התוכנה\t5.2", "3\tסוג הנהלת החשבונות\tכפולה",
                  "3\tנתיב הקבצים\tC:\\OPENFRMT\\12345678.23", "3\tמספר ח.פ\t512345676",
                  "3\tמספר תיק ניכויים\t923456781", "3\tכתובת\tHerzl 12 Haifa 3303000",
                  "3\tתאריך ושעת הפקה\t15/01/2024  09:30", "3\tסה'כ רשומות צפויות בקובץ\t14",
                  "3\tתנועות כרטיסי חשבונות\t2", "3\tתנועות הנהלת חשבונות\t3",
                  "3\tתנועות כותרות מסמכים\t3", "3\tתנועות פרטי מסמכים\t2",
                  "3\tתנועות פרטי קבלות\t1", "3\tתנועות פריטי מלאי\t1",
                  "0\tרשומות בקובץ הנתונים" + kMark, "3\tסה'כ רשומות שנקראו\t14",
                  "3\tסה'כ כרטיסי חשבונות שנקראו \t2", "3\tסה'כ תנועות הנהלת חשבונות שנקראו \t3",
                  "3\tסה'כ תעודות שנקראו \t3", "3\tסה'כ שורות תעודות שנקראו \t2",
                  "3\tסה'כ שורות קבלות שנקראו \t1", "3\tסה'כ פריטי מלאי שנקראו \t1",
                  "3\tפרוט סוגי התעודות" + kMark, "3\tסהכ חשבוניות מס \t2", "3\tסה'כ קבלות \t1",
                  "0\tשגיאות שנמצאו במהלך קריאת הקובץ\tללא"));
  EXPECT_EQ("\tתאריכים - 01/01/2023 - 31/12/2023", result.status_bar_period);
  EXPECT_EQ("\tשם העסק - Acme Trading", result.status_bar_business);
  EXPECT_EQ(14, result.lines_read);
}

// Header texts come from the file: a TAB, a marker byte or the heading marker (0xFD) in
// them is shown as a blank, so that they can neither shift cells nor mark them.
TEST_F(ImportTest, HeaderTextsCannotForgeCellsOrMarks) {
  testing::DataSetFiles set = testing::SmallValidSet();
  const FieldLayout* name = FindField(LayoutOf(RecordType::kA000), 1018);
  ASSERT_NE(nullptr, name);
  set.ini[0].replace(static_cast<std::size_t>(name->start - 1), 12, "Acme\tT\x1C\x1D\xFDing");
  const ImportResult result = Import(set);
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_TRUE(HasRow(result, "3\tשם העסק\tAcme T   ing"));
  EXPECT_EQ("\tשם העסק - Acme T   ing", result.status_bar_business);
}

TEST_F(ImportTest, ValidSetFillsTheStore) {
  const DataSetFiles set = testing::SmallValidSet();
  ASSERT_TRUE(Import(set).status.ok());
  EXPECT_EQ(folder_.path(), store_.LoadedFolder);
  EXPECT_EQ(2, store_.AccountIndex.Count());
  EXPECT_EQ(3, store_.MovementIndex.Count());
  EXPECT_EQ(3, store_.DocumentIndex.Count());
  EXPECT_EQ(2, store_.DocumentLineIndex.Count());
  EXPECT_EQ(1, store_.ReceiptLineIndex.Count());
  EXPECT_EQ(1, store_.ItemIndex.Count());
  EXPECT_EQ("123456782", store_.DealerNumber);
  EXPECT_EQ("Acme Trading", store_.BusinessName);
  EXPECT_EQ("Herzl 12 Haifa 3303000", store_.BusinessAddress);
  EXPECT_EQ(2023, store_.TaxYear);
  EXPECT_EQ(2, store_.BookkeepingType);
  EXPECT_FALSE(store_.DosCodePage);
  EXPECT_EQ(13100, store_.FormatVersion);
  EXPECT_EQ(30000, store_.TotalOpeningBalance);
  EXPECT_EQ(11700, store_.TotalDebit);
  EXPECT_EQ(23400, store_.TotalCredit);
  EXPECT_EQ(0, store_.TotalOpeningBalanceFx);

  // Every entry's offset reads back its own line.
  const struct {
    const RecordIndex<IndexEntry>* index;
    RecordType type;
  } indexes[] = {
      {&store_.AccountIndex, RecordType::kB110},     {&store_.MovementIndex, RecordType::kB100},
      {&store_.DocumentIndex, RecordType::kC100},    {&store_.DocumentLineIndex, RecordType::kD110},
      {&store_.ReceiptLineIndex, RecordType::kD120}, {&store_.ItemIndex, RecordType::kM100}};
  for (const auto& [index, type] : indexes) {
    for (const IndexEntry& entry : index->Entries()) {
      const std::string line = ReadRecordLine(store_, entry.Offset, type);
      EXPECT_NE(set.data.end(), std::find(set.data.begin(), set.data.end(), line));
      char key[kKeyLength];
      MakeKey(type, line, key);
      EXPECT_EQ(std::string(key, kKeyLength), std::string(entry.KeyView()));
    }
  }
  // The movements of account 1200 come in batch order, then file order.
  const ElementRange account = PrefixRange(store_.MovementIndex, "1200           ");
  ASSERT_EQ(2, account.size());
  EXPECT_EQ("00000003", std::string(store_.MovementIndex[account.first].KeyView().substr(15)));
  // Both lines of invoice 1001 follow each other.
  const ElementRange lines = EqualRange(store_.DocumentLineIndex, "3051001");
  EXPECT_EQ(2, lines.size());
  EXPECT_LT(store_.DocumentLineIndex[lines.first].Offset,
            store_.DocumentLineIndex[lines.first + 1].Offset);
  EXPECT_EQ(1, FindFirst(store_.ReceiptLineIndex, "400" + std::string(18, ' ') + "77"));
  ASSERT_EQ(2, store_.AccountListIndex.Count());
  EXPECT_EQ("  1200", std::string(store_.AccountListIndex[1].ShortKeyView()));
  EXPECT_EQ(store_.AccountIndex[2].Offset, store_.AccountListIndex[2].Offset);
  ASSERT_EQ(1, store_.ItemListIndex.Count());
  EXPECT_EQ(store_.ItemIndex[1].Offset, store_.ItemListIndex[1].Offset);
}

TEST_F(ImportTest, LineFaultsGiveTheirRowsAndTheLinesStillCount) {
  DataSetFiles set = testing::SmallValidSet();
  set.data[1][60] = '\t';                    // B110 of the right length with a TAB
  set.data[3].pop_back();                    // B100 one character short
  set.data[6] = set.data[6].substr(0, 300);  // C100 cut: length and a numeric field
  set.data[8].replace(0, 4, "d110");         // lower-case type still counts
  set.data.insert(set.data.begin() + 5, "X999 what is this");
  set.data.insert(set.data.begin() + 6, "");
  set.data.back() = testing::Z900Line(16, 16);
  set.ini[0] = testing::A000Line(16);
  const ImportResult result = Import(set);
  EXPECT_THAT(Errors(result), ElementsAre("1\tשורה מספר 2\t מכילה תוים לא חוקיים\t2",
                                          "1\tשורה מספר 4\t אינה באורך חוקי\t4",
                                          "1\tשורה מספר 6\t הנה שורה בלתי מזוהה ולא חוקית\t6",
                                          "1\tשורה מספר 7\t הנה שורה בלתי מזוהה ולא חוקית\t7",
                                          "1\tשורה מספר 9\t אינה באורך חוקי\t9",
                                          "1\tתוים לא חוקים בשדה נומרי\tבשורה - 9\t9"));
  EXPECT_TRUE(HasRow(result, "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t6"));
  EXPECT_EQ(2, store_.AccountIndex.Count());
  EXPECT_EQ(2, store_.DocumentLineIndex.Count());
  EXPECT_EQ(3, store_.DocumentIndex.Count());
  EXPECT_EQ(folder_.path(), store_.LoadedFolder);
  EXPECT_EQ("0\tהקובץ נקרא בהצלחה" + kMark, result.rows.Row(1));

  // Beyond the list's limit the faults are counted, exactly, and told in one row, so that a
  // file of garbage cannot fill the memory with rows.
  store_.LoadedFolder.clear();
  SilentProgress silent;
  const ImportResult limited = ImportFolder(
      store_, folder_.path(), silent, {.cache_folder = cache_.path(), .listed_error_limit = 4});
  EXPECT_THAT(Errors(limited), ElementsAre("1\tשורה מספר 2\t מכילה תוים לא חוקיים\t2",
                                           "1\tשורה מספר 4\t אינה באורך חוקי\t4",
                                           "1\tשורה מספר 6\t הנה שורה בלתי מזוהה ולא חוקית\t6",
                                           "1\tשורה מספר 7\t הנה שורה בלתי מזוהה ולא חוקית\t7",
                                           "1\tועוד 2 שגיאות שלא פורטו ברשימה"));
  EXPECT_TRUE(HasRow(limited, "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t6"));
  EXPECT_EQ(result.findings, limited.findings);
}

TEST_F(ImportTest, OpeningRecordMustCarryTheMarkAndTheIniIdentifier) {
  DataSetFiles set = testing::SmallValidSet();
  set.data[0].replace(37, 8, "&of1.31&");  // letter case is ignored
  EXPECT_TRUE(Errors(Import(set)).empty());
  set.data[0].replace(37, 8, "&OF1.30&");
  set.data[0].replace(22, 15, "999999999999999");
  EXPECT_THAT(Errors(Import(set)), ElementsAre("1\tקובץ הנתונים אינו מסומן בגירסה האחרונה והעדכנית",
                                               "1\tגרסאות לא תואמות של קובץ האתחול וקובץ הנתונים"));
}

TEST_F(ImportTest, IniFaultsAreReportedAndTheReadingGoesOn) {
  DataSetFiles set = testing::SmallValidSet();
  set.ini[0].pop_back();  // A000 of 465 characters
  set.ini[0].replace(48, 8, "&OF1.20&");
  set.ini[3] += "0";  // a summary line of 20 characters
  const ImportResult result = Import(set);
  const std::vector<std::string> rows = Rows(result);
  ASSERT_GT(rows.size(), 5u);
  // The header rows keep their places; the faults of INI.TXT lead the error list.
  EXPECT_EQ("0\tהקובץ נקרא בהצלחה" + kMark, rows[0]);
  EXPECT_EQ("3\tמספר העוסק הרשום\t123456782", rows[1]);
  EXPECT_EQ("3\tסה'כ רשומות צפויות בקובץ\t14", rows[13]);
  EXPECT_TRUE(HasRow(result, "1\tשגיאות שנמצאו במהלך קריאת הקובץ\t3"));
  EXPECT_THAT(Errors(result), ElementsAre("1\tגודל קובץ האתחול אינו תקין",
                                          "1\tקובץ האתחול אינו מסומן בגירסה האחרונה והעדכנית",
                                          "1\tגודל קובץ האתחול אינו תקין"));
  // The stated B100 count is read to the end of its line: 30, not 3.
  EXPECT_TRUE(HasRow(result, "1\tרשומות B100 - חוסר התאמה (3)\tלמספר רשומות הסיכום (30)"));
  // Format 1.20 skips the later validation steps.
  EXPECT_EQ(12000, store_.FormatVersion);
}

TEST_F(ImportTest, CountMismatchesEachGiveOneRow) {
  DataSetFiles set = testing::SmallValidSet();
  set.ini[0] = testing::A000Line(1234);  // Z900 right, INI wrong
  ImportResult result = Import(set);
  EXPECT_TRUE(
      HasRow(result, "1\tאין התאמה בין מספר הרשומות בפועל (14)\tלמספר רשומות הסיכום (1,234)"));
  EXPECT_EQ(1, std::count_if(result.rows.Rows().begin(), result.rows.Rows().end(),
                             [](const std::string& r) { return r.starts_with("1\tאין התאמה"); }));

  set = testing::SmallValidSet();
  set.data.pop_back();  // no Z900: compared with 0
  set.ini[0] = testing::A000Line(13);
  set.ini[2] = testing::SummaryLine("B110", 5);
  result = Import(set);
  EXPECT_TRUE(HasRow(result, "1\tאין התאמה בין מספר הרשומות בפועל (13)\tלרשומת הסיכום (0)"));
  EXPECT_TRUE(HasRow(result, "1\tרשומות B110 - חוסר התאמה (2)\tלמספר רשומות הסיכום (5)"));
  EXPECT_FALSE(
      HasRow(result, "1\tאין התאמה בין מספר הרשומות בפועל (13)\tלמספר רשומות הסיכום (13)"));
}

TEST_F(ImportTest, TypesWithoutLinesGetNoCountRowsAndNoDocumentsMeansNoBreakdown) {
  DataSetFiles set = testing::SmallValidSet();
  set.data.erase(set.data.begin() + 6, set.data.begin() + 13);  // documents and the item
  set.data.back() = testing::Z900Line(7, 7);
  set.ini[0] = testing::A000Line(7);
  const ImportResult result = Import(set);
  for (const std::string& row : Rows(result)) {
    EXPECT_EQ(std::string::npos, row.find("פרוט סוגי התעודות")) << row;
    EXPECT_EQ(std::string::npos, row.find("C100 - ")) << row;
    EXPECT_EQ(std::string::npos, row.find("M100 - ")) << row;
  }
  EXPECT_EQ(0, store_.DocumentIndex.Count());
  EXPECT_EQ("0\tשגיאות שנמצאו במהלך קריאת הקובץ\tללא", Rows(result).back());
}

TEST_F(ImportTest, LineEndsMayBeLfAndTheLastLineMayLackOne) {
  DataSetFiles crlf = testing::SmallValidSet();
  const std::vector<std::string> expected = Rows(Import(crlf));
  DataSetFiles lf = crlf;
  lf.line_end = "\n";
  EXPECT_EQ(expected, Rows(Import(lf)));
  crlf.Write(folder_.path());
  std::string data = testing::ReadFile(folder_.File("BKMVDATA.TXT"));
  data.resize(data.size() - 2);
  testing::WriteFile(folder_.File("BKMVDATA.TXT"), data);
  EXPECT_EQ(expected, Rows(ImportAgain()));
  // Every line of a CR-only file is one line with control characters.
  DataSetFiles cr = crlf;
  cr.line_end = "\r";
  const ImportResult result = Import(cr);
  EXPECT_EQ(1, result.lines_read);
  // INI.TXT too is one line: the header of the wrong size, without its summary lines.
  EXPECT_EQ("1\tגודל קובץ האתחול אינו תקין", Errors(result).at(0));
  EXPECT_EQ("1\tשורה מספר 1\t מכילה תוים לא חוקיים\t1", Errors(result).at(1));
}

TEST_F(ImportTest, DosHeaderConvertsTextsAndYearFallsBackToTheLastDate) {
  DataSetFiles set = testing::SmallValidSet();
  set.ini[0].replace(395, 1, "2");             // field 1029: DOS Hebrew
  set.ini[0].replace(214, 3, "\x80\x81\x82");  // alef bet gimel in the DOS code page
  set.ini[0].replace(362, 4, "0000");          // no tax year: taken from field 1025
  set.ini[0].replace(133, 1, "1");             // single-year software: the year row
  set.ini[0].replace(84, 5, "\x80\x81 v2");    // field 1008: shown as it stands
  const ImportResult result = Import(set);
  EXPECT_TRUE(store_.DosCodePage);
  EXPECT_EQ(2023, store_.TaxYear);
  EXPECT_NE(std::string::npos, store_.BusinessName.find("א"));
  EXPECT_EQ("3\tשנת הכספים הרשומה\t0000", Rows(result).at(3));
  // 0x81 is no character of code page 1255: its control code is shown as a blank.
  EXPECT_EQ("3\tגירסת התוכנה\t\u20AC  v2", Rows(result).at(6));
  EXPECT_EQ("\tשנת כספים - 0000", result.status_bar_period);
}

TEST_F(ImportTest, FileChecksComeInOrderAndLeaveTheStoreAlone) {
  SilentProgress silent;
  const ImportResult read = Import(testing::SmallValidSet());
  ASSERT_TRUE(read.status.ok());
  EXPECT_TRUE(read.store_reset);
  const std::string loaded = store_.LoadedFolder;
  EXPECT_EQ("לא צויינה הספריה בה נמצא קובץ הנתונים",
            ImportFolder(store_, "", silent).status.message());
  TempFolder other;
  const ImportResult no_ini = ImportFolder(store_, other.path(), silent);
  EXPECT_EQ("קובץ האתחול אינו קיים בספריה שצויינה", no_ini.status.message());
  EXPECT_EQ(StatusCode::kNotFound, no_ini.status.code());
  testing::WriteFile(other.File("ini.TXT"), testing::A000Line(0));
  EXPECT_EQ("קובץ הנתונים אינו קיים בספריה שצויינה",
            ImportFolder(store_, other.path(), silent).status.message());
  testing::WriteFile(other.File("BkMvData.zip"), "not a zip");
  const ImportResult refused = ImportFolder(store_, other.path(), silent);
  EXPECT_EQ("קובץ הנתונים אינו קיים בספריה שצויינה", refused.status.message());
  EXPECT_EQ(StatusCode::kCorrupt, refused.status.code());  // a zip that yields no data file
  EXPECT_FALSE(refused.store_reset);
  EXPECT_EQ(loaded, store_.LoadedFolder);
  EXPECT_EQ(2, store_.AccountIndex.Count());
  EXPECT_EQ(other.path(), store_.DataFolder);
}

TEST_F(ImportTest, TheLoadedFolderIsRefusedUntilAnotherIsRead) {
  SilentProgress silent;
  ASSERT_TRUE(Import(testing::SmallValidSet()).status.ok());
  const ImportResult again = ImportFolder(store_, folder_.path(), silent);
  EXPECT_EQ("הקובץ נקרא כבר וקיים בזכרון המחשב", again.status.message());
  EXPECT_EQ(StatusCode::kRefused, again.status.code());
  // The same folder by another name: with a final separator, or through a symbolic link.
  TempFolder links;
  const std::string link = links.path() + "/link";
  std::filesystem::create_directory_symlink(folder_.path(), link);
  for (const std::string& name : {folder_.path() + "/", link, link + "/"}) {
    EXPECT_EQ("הקובץ נקרא כבר וקיים בזכרון המחשב",
              ImportFolder(store_, name, silent).status.message())
        << name;
  }
  // A refusal leaves the set as it was; every other reading makes it another, also within
  // the same second.
  const std::uint64_t first = store_.LoadNumber;
  TempFolder other;
  testing::SmallValidSet().Write(other.path(), "Ini.Txt", "bkmvdata.txt");
  ASSERT_TRUE(ImportFolder(store_, other.path(), silent).status.ok());
  const std::uint64_t second = store_.LoadNumber;
  EXPECT_TRUE(ImportFolder(store_, folder_.path(), silent).status.ok());
  EXPECT_NE(first, second);
  EXPECT_NE(second, store_.LoadNumber);
  EXPECT_NE(first, store_.LoadNumber);
}

// The stamp of a reading changes with any rewrite of a data file, also at the same size;
// asked to, the loaded folder is read again.
TEST_F(ImportTest, TheLoadedFolderIsReadAgainWhenAskedAndItsStampTellsAChange) {
  SilentProgress silent;
  const ImportResult first = Import(testing::SmallValidSet());
  ASSERT_TRUE(first.status.ok());
  EXPECT_EQ(first.folder_stamp, FolderStamp(folder_.path()));
  const std::uint64_t loaded = store_.LoadNumber;
  ImportOptions again;
  again.cache_folder = cache_.path();
  again.read_again = true;
  EXPECT_TRUE(ImportFolder(store_, folder_.path(), silent, again).status.ok());
  EXPECT_NE(loaded, store_.LoadNumber);
  EXPECT_EQ(folder_.path(), store_.LoadedFolder);

  const std::string data = folder_.path() + "/BKMVDATA.TXT";
  struct stat before {};
  ASSERT_EQ(0, ::stat(data.c_str(), &before));
  const timespec later[2] = {before.st_atim, {before.st_mtim.tv_sec + 2, before.st_mtim.tv_nsec}};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, data.c_str(), later, 0));
  EXPECT_NE(first.folder_stamp, FolderStamp(folder_.path()));
}

// The data file is read once by the import and then kept open for reading records back; a
// file gone by then leaves no store that would point into nothing.
TEST_F(ImportTest, DataFileThatCannotBeReopenedEmptiesTheStore) {
  ASSERT_TRUE(Import(testing::SmallValidSet()).status.ok());
  store_.LoadedFolder.clear();
  class RemovingMonitor : public ProgressMonitor {
   public:
    explicit RemovingMonitor(std::string path) : path_(std::move(path)) {}
    void OnProgress(int) override {}
    bool StopRequested() override {
      std::filesystem::remove(path_);  // the reading goes on through its open descriptor
      return false;
    }

   private:
    std::string path_;
  } monitor(folder_.File("BKMVDATA.TXT"));
  const ImportResult result = ImportFolder(store_, folder_.path(), monitor);
  EXPECT_EQ(StatusCode::kIoError, result.status.code());
  EXPECT_EQ("קובץ הנתונים אינו קיים בספריה שצויינה", result.status.message());
  EXPECT_TRUE(result.store_reset);
  EXPECT_LE(result.rows.Count(), 1);  // no log of a set that is not there
  EXPECT_EQ("", store_.LoadedFolder);
  EXPECT_EQ(0, store_.AccountIndex.Count());
  EXPECT_FALSE(store_.DataFile.IsOpen());
}

// A disk or share that fails part way: every read gives at most 50 bytes, and the reads fail
// with EIO once `read_budget` bytes were given (INI.TXT is read first, then BKMVDATA.TXT).
std::int64_t read_budget = 0;
ssize_t FailingRead(int fd, void* buffer, std::size_t count) {
  if (read_budget <= 0) {
    errno = EIO;
    return -1;
  }
  const ssize_t n = ::read(fd, buffer, std::min<std::size_t>(count, 50));
  if (n > 0) read_budget -= n;
  return n;
}

TEST_F(ImportTest, ReadErrorFailsTheImportNamingTheFileAndLeavesNothingLoaded) {
  testing::SmallValidSet().Write(folder_.path());
  const auto ini_size =
      static_cast<std::int64_t>(std::filesystem::file_size(folder_.File("INI.TXT")));
  const struct {
    std::int64_t budget;
    std::string file;
  } cases[] = {{0, "INI.TXT"}, {ini_size - 100, "INI.TXT"}, {ini_size + 700, "BKMVDATA.TXT"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.budget);
    ASSERT_TRUE(ImportAgain().status.ok());  // a whole set loaded before
    store_.LoadedFolder.clear();
    read_budget = c.budget;
    SilentProgress silent;
    ImportOptions options{.cache_folder = cache_.path(), .read_call = &FailingRead};
    const ImportResult result = ImportFolder(store_, folder_.path(), silent, options);
    EXPECT_EQ(StatusCode::kIoError, result.status.code());
    EXPECT_EQ("שגיאה בקריאת הקובץ " + folder_.File(c.file) + " - Input/output error",
              result.status.message());
    EXPECT_TRUE(result.store_reset);
    EXPECT_LE(result.rows.Count(), 1);
    EXPECT_EQ("", store_.LoadedFolder);
    EXPECT_EQ(0, store_.AccountIndex.Count());
    EXPECT_EQ(0, store_.MovementIndex.Count());
    EXPECT_FALSE(store_.DataFile.IsOpen());
  }
}

TEST_F(ImportTest, InterruptedImportKeepsWhatWasReadAndCanBeReadAgain) {
  ASSERT_TRUE(Import(testing::SmallValidSet()).status.ok());
  store_.LoadedFolder.clear();
  ScriptedMonitor stop_after_four(4);
  ImportResult result = ImportFolder(store_, folder_.path(), stop_after_four);
  ASSERT_TRUE(result.status.ok());
  EXPECT_TRUE(result.interrupted);
  EXPECT_EQ("4\tקריאת הקובץ הופרעה" + kMark, result.rows.Row(1));
  EXPECT_EQ(20, result.rows.Count());  // status, the header rows and the INI summaries only
  EXPECT_EQ(4, result.lines_read);
  EXPECT_EQ("", store_.LoadedFolder);
  const std::uint64_t interrupted = store_.LoadNumber;
  EXPECT_EQ(2, store_.AccountIndex.Count());
  EXPECT_EQ(1, store_.MovementIndex.Count());
  ASSERT_EQ(2, store_.AccountListIndex.Count());
  EXPECT_EQ(0, store_.AccountListIndex[1].Offset);  // left blank
  EXPECT_EQ('\0', store_.AccountListIndex[1].ShortKey[0]);
  EXPECT_TRUE(store_.DataFile.IsOpen());

  SilentProgress silent;
  result = ImportFolder(store_, folder_.path(), silent);
  ASSERT_TRUE(result.status.ok());
  EXPECT_FALSE(result.interrupted);
  EXPECT_EQ(folder_.path(), store_.LoadedFolder);
  EXPECT_EQ(3, store_.MovementIndex.Count());
  EXPECT_NE(interrupted, store_.LoadNumber);
}

TEST_F(ImportTest, ProgressIsReportedOnlyWhenThePercentageChanges) {
  DataSetFiles set = testing::SmallValidSet();
  set.ini[0] = testing::A000Line(28);  // twice the real lines: the bar stops at 50
  set.Write(folder_.path());
  ScriptedMonitor monitor;
  ASSERT_TRUE(ImportFolder(store_, folder_.path(), monitor).status.ok());
  EXPECT_THAT(monitor.percents,
              ElementsAreArray({4, 7, 11, 14, 18, 21, 25, 29, 32, 36, 39, 43, 46, 50}));
  set.ini[0] = testing::A000Line(0);  // no total: the bar stays at 0
  set.Write(folder_.path());
  store_.LoadedFolder.clear();
  ScriptedMonitor quiet;
  ASSERT_TRUE(ImportFolder(store_, folder_.path(), quiet).status.ok());
  EXPECT_TRUE(quiet.percents.empty());
}

std::int64_t NoFreeSpace(const std::string&) { return 0; }

TEST_F(ImportTest, ZipLargerThanTheFreeSpaceIsRefusedWithTheRoomNeeded) {
  DataSetFiles set = testing::SmallValidSet();
  set.Write(folder_.path());
  std::filesystem::remove(folder_.File("BKMVDATA.TXT"));
  testing::WriteZip(folder_.File("BKMVDATA.ZIP"), {{"BKMVDATA.TXT", set.Join(set.data)}});
  SilentProgress silent;
  const ImportResult result = ImportFolder(
      store_, folder_.path(), silent, {.cache_folder = cache_.path(), .free_space = &NoFreeSpace});
  EXPECT_EQ(StatusCode::kIoError, result.status.code());
  EXPECT_EQ("אין די מקום פנוי בדיסק לפריסת קובץ הנתונים מהקובץ הדחוס (נדרשים מגה-בייט: 65)",
            result.status.message());
  EXPECT_FALSE(result.store_reset);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("BkMvdata.Txt")));
}

TEST_F(ImportTest, ZipIsExtractedIntoTheDataFolder) {
  DataSetFiles set = testing::SmallValidSet();
  const std::vector<std::string> expected = Rows(Import(set));
  TempFolder zipped;
  testing::WriteFile(zipped.File("INI.TXT"), set.Join(set.ini));
  testing::WriteZip(zipped.File("BKMVDATA.ZIP"), {{"data.txt", set.Join(set.data)}});
  SilentProgress silent;
  const ImportResult result = ImportFolder(store_, zipped.path(), silent, {cache_.path()});
  EXPECT_EQ(expected, Rows(result));
  EXPECT_EQ(zipped.File("BkMvdata.Txt"), result.data_file_path);
  EXPECT_EQ(set.Join(set.data), testing::ReadFile(zipped.File("BkMvdata.Txt")));
  // A text file beside the zip is read as it is; the zip is not opened.
  testing::WriteFile(folder_.File("BKMVDATA.ZIP"), "not a zip");
  const ImportResult beside = ImportAgain();
  EXPECT_EQ(expected, Rows(beside));
  EXPECT_EQ(folder_.File("BKMVDATA.TXT"), beside.data_file_path);
}

TEST_F(ImportTest, ZipInAReadOnlyFolderIsExtractedIntoTheCache) {
  DataSetFiles set = testing::SmallValidSet();
  TempFolder zipped;
  testing::WriteFile(zipped.File("INI.TXT"), set.Join(set.ini));
  testing::WriteZip(zipped.File("BKMVDATA.ZIP"), {{"data.txt", set.Join(set.data)}});
  ::chmod(zipped.path().c_str(), 0555);
  bool immutable = false;
  if (::access(zipped.path().c_str(), W_OK) == 0) {  // the superuser writes anyway
    immutable = std::system(("chattr +i '" + zipped.path() + "' 2>/dev/null").c_str()) == 0;
    if (!immutable) GTEST_SKIP() << "cannot make a folder read-only here";
  }
  SilentProgress silent;
  const ImportResult result = ImportFolder(store_, zipped.path(), silent, {cache_.path()});
  if (immutable) {
    EXPECT_EQ(0, std::system(("chattr -i '" + zipped.path() + "'").c_str()));
  }
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_FALSE(std::filesystem::exists(zipped.File("BkMvdata.Txt")));
  ASSERT_TRUE(result.data_file_path.starts_with(cache_.path() + "/"));
  const std::string extracted_to = std::filesystem::path(result.data_file_path).parent_path();
  EXPECT_TRUE(HasRow(result, "3\tקובץ הנתונים חולץ לספריה\t" + extracted_to));
  EXPECT_EQ(3, store_.MovementIndex.Count());
  EXPECT_EQ(zipped.path(), store_.LoadedFolder);
}

}  // namespace
}  // namespace tallyscan
