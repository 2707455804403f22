#include "engine/browse/companies_store.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using testing::DataSetFiles;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// The header line with one field replaced (padded or cut to the field's width).
std::string WithField(std::string a000, int code, std::string_view value) {
  const FieldLayout& field = *FindField(LayoutOf(RecordType::kA000), code);
  std::string padded(value);
  padded.resize(static_cast<std::size_t>(field.width), ' ');
  a000.replace(static_cast<std::size_t>(field.start - 1), padded.size(), padded);
  return a000;
}

DataSetFiles SetOfYear(int year) {
  DataSetFiles set = testing::SmallValidSet();
  set.ini[0] = WithField(set.ini[0], 1023, std::to_string(year));
  return set;
}

std::vector<std::string> Rows(const ImportResult& result) {
  return {result.rows.Rows().begin(), result.rows.Rows().end()};
}

std::vector<std::string> Listed(const CompaniesStore& companies) {
  std::vector<std::string> rows;
  for (const CompanyRow& row : companies.Scan()) rows.push_back(CompanyRowText(row));
  return rows;
}

// Copies like the local file system until call `fail_at`, which writes half the file and
// fails as a full disk would.
class DiskFullOnCopy final : public CompanyFiles {
 public:
  explicit DiskFullOnCopy(int fail_at) : fail_at_(fail_at) {}
  Status Copy(const std::string& from, const std::string& to,
              const std::function<bool(std::int64_t)>& copied) override {
    if (++calls_ != fail_at_) return local_.Copy(from, to, copied);
    const std::string bytes = ReadFile(from);
    WriteFile(to, bytes.substr(0, bytes.size() / 2));
    return Status::IoError("אין די מקום פנוי בדיסק (" + to + ")");
  }

 private:
  int fail_at_;
  int calls_ = 0;
  LocalCompanyFiles local_;
};

class StopAtOnce final : public ProgressMonitor {
 public:
  void OnProgress(int) override {}
  bool StopRequested() override { return true; }
};

class CompaniesStoreTest : public ::testing::Test {
 protected:
  // Writes the set into a folder of its own and imports it.
  const std::string& Load(const DataSetFiles& set) {
    sets_.push_back(std::make_unique<TempFolder>());
    set.Write(sets_.back()->path());
    return LoadFolder(sets_.back()->path());
  }
  const std::string& LoadFolder(const std::string& folder) {
    store_.LoadedFolder.clear();
    const ImportResult result = ImportFolder(store_, folder, silent_, {cache_.path()});
    EXPECT_TRUE(result.status.ok()) << result.status.message();
    last_rows_ = Rows(result);
    return store_.LoadedFolder;
  }
  std::string YearFolder(std::string_view dealer, std::string_view year) const {
    return root() + "/" + std::string(dealer) + "/" + std::string(year);
  }
  std::string root() const { return home_.path() + "/Zevavu"; }

  TempFolder home_;
  TempFolder cache_;
  std::vector<std::unique_ptr<TempFolder>> sets_;
  RecordStore store_;
  SilentProgress silent_;
  std::vector<std::string> last_rows_;
  CompaniesStore companies_{root()};
};

TEST_F(CompaniesStoreTest, SavedSetIsListedAndSavingItAgainAsks) {
  const DataSetFiles set = testing::SmallValidSet();
  const std::string source = Load(set);
  SaveTarget target = companies_.TargetOf(store_);
  ASSERT_TRUE(target.status.ok()) << target.status.message();
  EXPECT_EQ(YearFolder("123456782", "2023"), target.year_folder);
  EXPECT_FALSE(target.replaces);
  EXPECT_FALSE(fs::exists(root()));  // nothing is made before the save itself

  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  const std::string folder = YearFolder("123456782", "2023");
  EXPECT_THAT(Listed(companies_), ElementsAre("3\tAcme Trading\t2023\t" + folder));
  EXPECT_EQ(set.Join(set.ini), ReadFile(folder + "/Ini.txt"));
  EXPECT_EQ(set.Join(set.data), ReadFile(folder + "/Bkmvdata.txt"));
  EXPECT_EQ(source, store_.LoadedFolder);
  EXPECT_TRUE(companies_.TargetOf(store_).replaces);

  // Read back from the store, the set gives the log it gave from its own folder; saving it
  // from there again leaves the files as they are and the loaded data file readable.
  const std::vector<std::string> original = last_rows_;
  LoadFolder(folder);
  EXPECT_EQ(original, last_rows_);
  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  EXPECT_EQ(set.Join(set.data), ReadFile(folder + "/Bkmvdata.txt"));
  // What the group change writes into the data file is what the views read next.
  const std::string rewritten = testing::B110Line(2, "1200", 50000, 11800, 0);
  ASSERT_TRUE(store_.DataFile.WriteAt(store_.AccountIndex[1].Offset, rewritten).ok());
  EXPECT_EQ(rewritten, ReadRecordLine(store_, store_.AccountIndex[1].Offset, RecordType::kB110));
  EXPECT_EQ(2, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST_F(CompaniesStoreTest, ZippedSetSavesTheFilesTheImportRead) {
  const DataSetFiles set = testing::SmallValidSet();
  TempFolder zipped;
  WriteFile(zipped.File("ini.txt"), set.Join(set.ini));
  testing::WriteZip(zipped.File("BKMVDATA.ZIP"), {{"data.txt", set.Join(set.data)}});
  LoadFolder(zipped.path());
  const std::vector<std::string> original = last_rows_;
  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  const std::string folder = YearFolder("123456782", "2023");
  EXPECT_EQ(set.Join(set.ini), ReadFile(folder + "/Ini.txt"));
  EXPECT_EQ(set.Join(set.data), ReadFile(folder + "/Bkmvdata.txt"));
  LoadFolder(folder);
  EXPECT_EQ(original, last_rows_);
}

TEST_F(CompaniesStoreTest, DeletingTheLastYearRemovesTheCompanyFolderOneOfTwoKeepsIt) {
  Load(SetOfYear(2022));
  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  Load(SetOfYear(2023));
  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  std::vector<CompanyRow> rows = companies_.Scan();
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("2022", rows[0].year);
  EXPECT_EQ("2023", rows[1].year);

  // A row that does not lie in the store is refused, whatever its folder says.
  CompanyRow outside = rows[0];
  outside.company = "..";
  EXPECT_FALSE(companies_.Delete(outside).ok());
  outside = rows[0];
  outside.root = home_.path();
  EXPECT_FALSE(companies_.Delete(outside).ok());

  ASSERT_TRUE(companies_.Delete(rows[0]).ok());
  EXPECT_FALSE(fs::exists(rows[0].folder));
  EXPECT_TRUE(fs::is_directory(root() + "/123456782"));
  EXPECT_EQ(1u, companies_.Scan().size());

  // Only what a save writes goes: a file of the user's keeps the year folder.
  WriteFile(rows[1].folder + "/notes.txt", "mine");
  WriteFile(rows[1].folder + "/Ini.txt.tmp", "left by an interrupted save");
  const Status kept = companies_.Delete(rows[1]);
  EXPECT_THAT(kept.message(), HasSubstr(rows[1].folder));
  EXPECT_EQ("mine", ReadFile(rows[1].folder + "/notes.txt"));
  EXPECT_FALSE(fs::exists(rows[1].folder + "/Ini.txt"));
  EXPECT_FALSE(fs::exists(rows[1].folder + "/Ini.txt.tmp"));
  fs::remove(rows[1].folder + "/notes.txt");
  ASSERT_TRUE(companies_.Delete(rows[1]).ok());
  EXPECT_FALSE(fs::exists(root() + "/123456782"));
  EXPECT_TRUE(fs::is_directory(root()));
  EXPECT_TRUE(companies_.Scan().empty());
}

// Sets saved by hand or by older versions: any letter case, the DOS code page, odd names.
TEST_F(CompaniesStoreTest, ListingReadsTheNameOfEachYearFolder) {
  std::string a000 = testing::A000Line(14);
  const std::string dos =
      WithField(WithField(a000, 1018, WinToDos(Utf8ToCp1255("מאפיית הגליל"))), 1029, "2");
  fs::create_directories(YearFolder("123456782", "2021"));
  WriteFile(YearFolder("123456782", "2021") + "/INI.TXT", dos + "\r\nB110000000000000002\r\n");
  fs::create_directories(YearFolder("512345676", "2020"));
  WriteFile(YearFolder("512345676", "2020") + "/Ini.Txt", WithField(a000, 1018, "Two\tWords"));
  fs::create_directories(YearFolder("512345676", "2021"));  // no INI.TXT: listed without a name
  fs::create_directories(YearFolder("512345676", ".partial"));
  fs::create_directories(root() + "/.cache/2020");
  WriteFile(root() + "/stray.txt", "");
  EXPECT_THAT(Listed(companies_),
              ElementsAre("3\tמאפיית הגליל\t2021\t" + YearFolder("123456782", "2021"),
                          "3\tTwo Words\t2020\t" + YearFolder("512345676", "2020"),
                          "3\t\t2021\t" + YearFolder("512345676", "2021")));
}

TEST_F(CompaniesStoreTest, DealerNumberThatIsNotDigitsIsRefused) {
  Load(testing::SmallValidSet());
  for (const std::string dealer : {"../../x", "12345/789", "..", "         ", "1234 5678", ""}) {
    store_.DealerNumber = dealer;
    const SaveTarget target = companies_.TargetOf(store_);
    EXPECT_FALSE(target.status.ok()) << dealer;
    EXPECT_THAT(target.status.message(), HasSubstr("מספר העוסק")) << dealer;
    EXPECT_FALSE(companies_.Save(store_, silent_).ok()) << dealer;
  }
  EXPECT_FALSE(fs::exists(root()));
  EXPECT_FALSE(fs::exists(home_.path() + "/x"));

  RecordStore nothing_loaded;
  EXPECT_EQ("יש לקרוא תחילה את קובץ הנתונים", companies_.TargetOf(nothing_loaded).status.message());
}

TEST_F(CompaniesStoreTest, FailedOrStoppedSaveLeavesThePreviousCopy) {
  DataSetFiles set = testing::SmallValidSet();
  const std::string source = Load(set);
  StopAtOnce stop;
  EXPECT_EQ("שמירת החברה הופסקה", companies_.Save(store_, stop).message());
  EXPECT_TRUE(fs::is_empty(root()));  // no folder of a set that was never saved
  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  const std::string folder = YearFolder("123456782", "2023");
  // The loaded files change (the group change rewrites account lines) before the next save.
  DataSetFiles changed = set;
  changed.ini[0] = WithField(set.ini[0], 1018, "Acme Trading 2");
  changed.data[1] = testing::B110Line(2, "1200", 50001, 11700, 0);
  changed.Write(source);

  DiskFullOnCopy second_fails(2);
  const CompaniesStore failing(root(), {}, &second_fails);
  const Status failed = failing.Save(store_, silent_);
  EXPECT_THAT(failed.message(),
              ::testing::MatchesRegex(
                  "שמירת החברה בספריית החברות נכשלה\nאין די מקום פנוי בדיסק \\(" + folder +
                  "/Bkmvdata\\.txt\\.tmp\\.[A-Za-z0-9]{8}\\)\n"
                  "העותק הקודם של החברה נשאר כפי שהיה"));
  EXPECT_EQ("שמירת החברה הופסקה\nהעותק הקודם של החברה נשאר כפי שהיה",
            companies_.Save(store_, stop).message());
  for (const std::string name : {"Ini.txt", "Bkmvdata.txt"}) {
    EXPECT_EQ(set.Join(name == "Ini.txt" ? set.ini : set.data), ReadFile(folder + "/" + name));
  }
  EXPECT_EQ(2, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));

  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  EXPECT_EQ(changed.Join(changed.data), ReadFile(folder + "/Bkmvdata.txt"));
  EXPECT_THAT(Listed(companies_), ElementsAre("3\tAcme Trading 2\t2023\t" + folder));
}

// Links planted in the store lead neither a save nor a delete out of it, and a save never
// writes through a leftover temporary name.
TEST_F(CompaniesStoreTest, PlantedLinksNeverLeadASaveOrADeleteOutOfTheStore) {
  const DataSetFiles set = testing::SmallValidSet();
  Load(set);
  const std::string company = root() + "/123456782";
  const std::string folder = YearFolder("123456782", "2023");
  TempFolder outside;
  const std::string victim = outside.File("victim.txt");
  WriteFile(victim, "precious");

  // Leftovers of an interrupted save, one of them a link to a file of the user's.
  fs::create_directories(folder);
  fs::create_symlink(victim, folder + "/Bkmvdata.txt.tmp");
  fs::create_symlink(victim, folder + "/Ini.txt.tmp.AbCd1234");
  ASSERT_TRUE(companies_.Save(store_, silent_).ok());
  EXPECT_EQ("precious", ReadFile(victim));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder + "/Bkmvdata.txt")));
  EXPECT_EQ(set.Join(set.data), ReadFile(folder + "/Bkmvdata.txt"));
  EXPECT_EQ(2, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));

  // A saved INI.TXT that is a link is not read for the list's name.
  WriteFile(outside.File("other.txt"), WithField(testing::A000Line(14), 1018, "Elsewhere"));
  fs::remove(folder + "/Ini.txt");
  fs::create_symlink(outside.File("other.txt"), folder + "/Ini.txt");
  EXPECT_THAT(Listed(companies_), ElementsAre("3\t\t2023\t" + folder));
  const std::vector<CompanyRow> saved = companies_.Scan();
  fs::remove_all(company);

  // A company or a year folder that is a link: nothing is saved or deleted through it.
  const std::string elsewhere = outside.path() + "/elsewhere";
  for (const std::string& linked : {company, folder}) {
    fs::remove_all(company);
    fs::create_directories(elsewhere + "/2023");
    WriteFile(elsewhere + "/2023/Ini.txt", "theirs");
    WriteFile(elsewhere + "/Ini.txt", "theirs");
    fs::create_directories(fs::path(linked).parent_path());
    fs::create_symlink(linked == company ? elsewhere : elsewhere + "/2023", linked);
    const Status refused = companies_.Save(store_, silent_);
    EXPECT_FALSE(refused.ok()) << linked;
    EXPECT_THAT(refused.message(), HasSubstr(linked));
    EXPECT_FALSE(companies_.Delete(saved[0]).ok()) << linked;
    EXPECT_EQ("theirs", ReadFile(elsewhere + "/2023/Ini.txt")) << linked;
    EXPECT_EQ("theirs", ReadFile(elsewhere + "/Ini.txt")) << linked;
    EXPECT_EQ(1,
              std::distance(fs::directory_iterator(elsewhere + "/2023"), fs::directory_iterator()))
        << linked;
    EXPECT_TRUE(companies_.Scan().empty()) << linked;
  }
}

// The store is kept per user; one kept beside the program (which an installed program
// cannot write) is still listed.
TEST_F(CompaniesStoreTest, ReadOnlyProgramFolderSendsTheStoreToThePerUserFolder) {
  TempFolder program;
  const std::string old_store = program.path() + "/Zevavu";
  fs::create_directories(old_store + "/512345676/2019");
  WriteFile(old_store + "/512345676/2019/Ini.txt", testing::A000Line(14));
  ::chmod(program.path().c_str(), 0555);
  TempFolder user;
  ::setenv("XDG_DATA_HOME", user.path().c_str(), 1);
  const std::string per_user = DefaultCompaniesRoot();
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(user.path() + "/Norva/Tallyscan/Zevavu", per_user);

  Load(testing::SmallValidSet());
  const CompaniesStore companies(per_user, {old_store});
  ASSERT_TRUE(companies.Save(store_, silent_).ok());
  EXPECT_THAT(Listed(companies),
              ElementsAre("3\tAcme Trading\t2023\t" + per_user + "/123456782/2023",
                          "3\tAcme Trading\t2019\t" + old_store + "/512345676/2019"));
  EXPECT_FALSE(fs::exists(old_store + "/123456782"));
  ::chmod(program.path().c_str(), 0755);
}

}  // namespace
}  // namespace tallyscan
