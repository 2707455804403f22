// The transfer into the bookkeeping product and the account numbers and groups it needs:
// small data sets built line by line for each rule, and a generated set checked whole.
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "engine/common/progress.h"
#include "engine/isam/isam.h"
#include "engine/text/text.h"
#include "engine/transfer/account_numbers.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_fixture.h"
#include "engine/transfer/transfer_format.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using Account = testing::TransferAccount;
using testing::Listing;
using testing::Records;
using testing::SetBuilder;
using testing::TempFolder;

std::string Field(const std::vector<std::uint8_t>& record, const TargetField& field) {
  return std::string(TrimSpaces(GetText(record, field)));
}
std::int64_t Number(const std::vector<std::uint8_t>& record, const TargetField& field) {
  return GetNumber(record, field);
}

class TransferTest : public ::testing::Test {
 protected:
  void Load(SetBuilder& set, bool dos = false) {
    set.Write(data_.path(), dos);
    SilentProgress silent;
    const ImportResult imported = ImportFolder(store_, data_.path(), silent, {cache_.path()});
    ASSERT_TRUE(imported.status.ok()) << imported.status.message();
  }
  TransferResult Transfer(TransferOptions options = {}) {
    options.target_folder = target_.path();
    SilentProgress silent;
    return RunTransfer(store_, options, silent);
  }
  std::vector<std::string> Numbers() const {
    std::vector<std::string> out;
    for (const ListEntry& e : store_.AccountListIndex.Entries()) {
      out.emplace_back(TrimSpaces(e.ShortKeyView()));
    }
    return out;
  }
  std::string Target(std::string_view name) const { return target_.File(name); }

  TempFolder data_;
  TempFolder cache_;
  TempFolder target_;
  RecordStore store_;
};

TEST_F(TransferTest, KeyUpdateAppliesItsRuleToTheAccountsInRange) {
  SetBuilder set({{"123", "Charlie"}, {"5", "Alpha"}, {"100000", "Bravo"}, {"X7", "Delta"}});
  Load(set);
  struct Case {
    KeyUpdate update;
    std::vector<std::string> numbers;  // in the index order: 100000, 123, 5, X7
  };
  const Case cases[] = {
      {{KeyBasis::kAccountKey, 0, 1000, KeyOperation::kMultiply, 10, 0, 0},
       {"100000", "1230", "50", "0"}},
      // The counter rises by the step before each account in range, the key that is no number
      // (counted as 0, in every range) last; 1,000,000 becomes 0.
      {{KeyBasis::kAccountKey, 0, 999999999, KeyOperation::kAdd, 0, 100, 1},
       {"100101", "225", "108", "104"}},
      {{KeyBasis::kAccountKey, 0, 999999999, KeyOperation::kMultiply, 10, 0, 0},
       {"0", "1230", "50", "0"}},
      {{KeyBasis::kAccountKey, 100, 200, KeyOperation::kDivide, 10, 0, 0},
       {"100000", "12", "5", "0"}},
      {{KeyBasis::kAccountKey, 6, 999, KeyOperation::kSubtract, 200, 0, 0},
       {"100000", "0", "5", "0"}},
      // Numbers far out of range, whatever their size, become 0 without overflowing.
      {{KeyBasis::kAccountKey, 0, 999, KeyOperation::kDivide, INT64_MIN, 0, 0},
       {"100000", "0", "0", "0"}},
      {{KeyBasis::kAccountKey, 0, 999999, KeyOperation::kMultiply, INT64_MAX, 0, 0},
       {"0", "0", "0", "0"}},
      {{KeyBasis::kAccountKey, 0, 999999, KeyOperation::kAdd, 0, INT64_MAX - 1, INT64_MAX},
       {"0", "0", "0", "0"}},
      {{KeyBasis::kAccountKey, 0, 999999, KeyOperation::kSubtract, INT64_MIN, -1, 1},
       {"0", "0", "0", "0"}},
  };
  for (const Case& c : cases) {
    store_.AccountListIndex.Reset(store_.AccountIndex.Count());
    for (const IndexEntry& e : store_.AccountIndex.Entries()) {
      store_.AccountListIndex.Append() = MakeAccountListEntry(e);
    }
    ASSERT_TRUE(ApplyKeyUpdate(store_, c.update).status.ok());
    EXPECT_EQ(c.numbers, Numbers());
  }
}

// Keys with letters are numbered too, after the numeric ones in key order; a numbering that
// gives two accounts one number is refused whole and names both.
TEST_F(TransferTest, KeyUpdateNumbersLetteredKeysAndRefusesOneNumberForTwo) {
  SetBuilder set({{"B7", "Delta"}, {"20", "Alpha"}, {"A100", "Bravo"}, {"5", "Charlie"}});
  Load(set);
  const struct {
    KeyUpdate update;
    std::vector<std::string> numbers;  // in the index order: 20, 5, A100, B7
    std::string refusal;               // the line after the message; empty when applied
  } cases[] = {
      {{KeyBasis::kAccountKey, 0, 999999, KeyOperation::kNone, 1, 1000, 10},
       {"20", "5", "A100", "B7"},
       "מספר כרטיס 1030: מפתח חשבון 20, מפתח חשבון A100"},
      {{KeyBasis::kAccountKey, 0, 10, KeyOperation::kAdd, 10, 100, 1},
       {"20", "116", "112", "113"},
       ""},
      // Without a step the two lettered keys come to one number.
      {{KeyBasis::kAccountKey, 0, 10, KeyOperation::kAdd, 10, 100, 0},
       {"20", "5", "A100", "B7"},
       "מספר כרטיס 110: מפתח חשבון A100, מפתח חשבון B7"},
      // A number an account outside the range keeps is taken too.
      {{KeyBasis::kAccountKey, 0, 10, KeyOperation::kMultiply, 4, 0, 0},
       {"20", "5", "A100", "B7"},
       "מספר כרטיס 20: מפתח חשבון 20, מפתח חשבון 5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refusal);
    store_.AccountListIndex.Reset(store_.AccountIndex.Count());
    for (const IndexEntry& e : store_.AccountIndex.Entries()) {
      store_.AccountListIndex.Append() = MakeAccountListEntry(e);
    }
    const KeyUpdateResult result = ApplyKeyUpdate(store_, c.update);
    if (c.refusal.empty()) {
      EXPECT_TRUE(result.status.ok()) << result.status.message();
    } else {
      EXPECT_EQ(StatusCode::kRefused, result.status.code());
      EXPECT_EQ(std::string(kKeyUpdateClashMessage) + "\n" + c.refusal, result.status.message());
      EXPECT_EQ(0, result.renumbered);
    }
    EXPECT_EQ(c.numbers, Numbers());
  }
}

TEST_F(TransferTest, KeyUpdateReadsTheAccountKeyAfterTheListWasSortedByName) {
  SetBuilder set({{"123", "Charlie"}, {"5", "Alpha"}, {"7", "Bravo"}});
  Load(set);
  // A sort by name leaves the sort text in the entries' keys, in name order.
  auto entries = store_.AccountListIndex.MutableEntries();
  std::sort(entries.begin(), entries.end(), [&](const ListEntry& a, const ListEntry& b) {
    return ReadRecordField(store_, a.Offset, field::B110(1404)) <
           ReadRecordField(store_, b.Offset, field::B110(1404));
  });
  for (ListEntry& e : entries) std::memset(e.Key, 'z', kKeyLength);
  ASSERT_TRUE(
      ApplyKeyUpdate(store_, {KeyBasis::kAccountKey, 0, 1000, KeyOperation::kAdd, 1000, 0, 1})
          .status.ok());
  EXPECT_EQ((std::vector<std::string>{"1006", "1009", "1126"}),
            Numbers());  // Alpha, Bravo, Charlie
}

TEST_F(TransferTest, KeyUpdateByGroupTestsTheGroupAndComputesFromTheKey) {
  SetBuilder set({{"11", "A", "600"}, {"12", "B", "700"}});
  Load(set);
  ASSERT_TRUE(ApplyKeyUpdate(
                  store_, {KeyBasis::kAccountGroup, 600, 600, KeyOperation::kMultiply, 100, 0, 0})
                  .status.ok());
  EXPECT_EQ((std::vector<std::string>{"1100", "12"}), Numbers());
}

// The opening balances are movements dated 1 January of the tax year, always four digits.
TEST_F(TransferTest, OpeningBalancesAreDatedTheFirstOfJanuaryOfTheTaxYear) {
  SetBuilder set({{.key = "11", .opening = 5000}, {.key = "12"}, {.key = "13", .opening = -700}});
  Load(set);
  for (const auto& [year, date] :
       {std::pair{2023, "01/01/2023"}, std::pair{0, "01/01/0000"}, std::pair{7, "01/01/0007"}}) {
    SCOPED_TRACE(date);
    store_.TaxYear = year;
    fs::remove_all(target_.path());
    fs::create_directories(target_.path());
    TransferOptions options;
    options.accounts = options.items = options.documents = options.movements = false;
    ASSERT_TRUE(Transfer(options).status.ok());
    std::vector<std::string> dates;
    for (const auto& m : Records(Target(TaxYearPrefix(year) + std::string(kMovementsExtension)),
                                 kMovementRecordSize)) {
      dates.push_back(std::string(GetText(m, target::Movement("date"))) + "|" +
                      std::string(GetText(m, target::Movement("value date"))));
    }
    const std::string both = std::string(date) + "|" + date;
    EXPECT_EQ((std::vector<std::string>{both, both}), dates);
  }
}

TEST_F(TransferTest, BadAccountNumbersStopTheTransferBeforeAnythingIsWritten) {
  // 10010001 and 10010002 both keep their first six characters: one number for two accounts.
  SetBuilder set({{"10010001"}, {"10010002"}, {"0"}, {"55"}});
  Load(set);
  const TransferResult result = Transfer();
  EXPECT_EQ(StatusCode::kRefused, result.status.code());
  EXPECT_EQ(kAccountNumbersMessage, result.status.message());
  ASSERT_EQ(2U, result.problems.size());
  EXPECT_NE(std::string::npos, result.problems[0].find(": מספר כרטיס 0"));
  EXPECT_NE(std::string::npos, result.problems[1].find("10010001 10010002"));
  EXPECT_TRUE(fs::is_empty(target_.path()));
}

TEST_F(TransferTest, AccountNamesAreCutByCodePageAndKindsFollowTheClassification) {
  const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
  for (const bool dos : {false, true}) {
    TempFolder data, target;
    RecordStore store;
    SetBuilder set({{"1", thirty}});
    set.Write(data.path(), dos);
    SilentProgress silent;
    ASSERT_TRUE(ImportFolder(store, data.path(), silent, {cache_.path()}).status.ok());
    TransferOptions options;
    options.target_folder = target.path();
    ASSERT_TRUE(RunTransfer(store, options, silent).status.ok());
    const auto accounts = Records(target.File("23.Ndx"), kAccountRecordSize);
    ASSERT_EQ(1U, accounts.size());
    EXPECT_EQ(dos ? thirty.substr(5) : thirty.substr(0, 25),
              Field(accounts[0], target::Account("name")));
  }
  const std::pair<int, int> kinds[] = {{1000, 30}, {1100, 30}, {5300, 30}, {7000, 11},
                                       {8889, 11}, {8999, 40}, {3000, 40}, {9000, 21}};
  for (const auto& [code, kind] : kinds) EXPECT_EQ(kind, AccountKindOf(code)) << code;
}

TEST_F(TransferTest, StepsRefuseTargetsThatHoldDataAndDocumentsGoToTheirFiles) {
  SetBuilder set({{"1200"}, {"4000"}});
  for (const auto& [type, number] : std::vector<std::pair<int, std::string>>{
           {200, "1"}, {210, "2"}, {420, "3"}, {600, "4"}, {700, "5"}, {305, "6"}}) {
    set.Add(RecordType::kC100, testing::C100Line(set.Next(), type, number));
  }
  Load(set);
  testing::WriteFile(Target("23.Ndx"), "earlier accounts");
  testing::WriteFile(Target("23.Hs1"), std::string(kDocumentRecordSize, 'T'));
  testing::WriteFile(Target("23.Ic1"), std::string(kDocumentRecordSize, 'T'));
  const TransferResult result = Transfer();
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_EQ(
      (std::vector<std::string>{"קיימים כבר נתונים קודמים בקובץ האינדקס\nהעברת האינדקס לא תתבצע",
                                "קיימות כבר תעודות בקובץ חשבונית מס\nהעברת התעודות לא תתבצע"}),
      result.refusals);
  EXPECT_EQ("earlier accounts", testing::ReadFile(Target("23.Ndx")));
  EXPECT_EQ(kDocumentRecordSize, fs::file_size(Target("23.Hs1")));
  const auto types = [&](std::string_view name) {
    std::vector<std::int64_t> out;
    for (const auto& r : Records(Target(name), kDocumentRecordSize)) {
      if (r[0] == kDocumentMark) out.push_back(Number(r, target::Document("document type")));
    }
    return out;
  };
  EXPECT_EQ((std::vector<std::int64_t>{200, 210}), types("23.ms1"));
  // The record that was there stays first; 600 and 700 follow it.
  EXPECT_EQ((std::vector<std::int64_t>{0x5454, 600, 700}), types("23.Ic1"));
  // 420 has no file of its own, and nothing else took it.
  std::int64_t documents = 0;
  for (const auto& e : fs::directory_iterator(target_.path())) {
    if (TargetFileKindOf(e.path().string()) != TargetFileKind::kDocuments) continue;
    for (const auto& r : Records(e.path().string(), kDocumentRecordSize)) {
      documents += r[0] == kDocumentMark && Number(r, target::Document("document type")) != 0x5454;
    }
  }
  EXPECT_EQ(4, documents);
  EXPECT_FALSE(fs::exists(StagingFolderOf(target_.path())));
}

class StopAfter final : public ProgressMonitor {
 public:
  explicit StopAfter(int calls) : left_(calls) {}
  void OnProgress(int) override {}
  bool StopRequested() override { return --left_ < 0; }

 private:
  int left_;
};

TEST_F(TransferTest, AStopInTheMovementsLeavesTheTargetAsItWasAndAStaleStagingGoes) {
  SetBuilder set({{"1200"}, {"4000"}});
  for (int i = 0; i < 20; ++i) set.Add(RecordType::kB100, testing::B100Line(set.Next(), "1200", 1));
  Load(set);
  testing::WriteFile(Target("23.Prm"), std::string(kParameterRecordSize, ' '));
  const std::vector<std::string> before = Listing(target_.path());
  fs::create_directory(StagingFolderOf(target_.path()));
  testing::WriteFile(StagingFolderOf(target_.path()) + "/23.Trn", "left by a crash");

  TransferOptions options;
  options.target_folder = target_.path();
  StopAfter stop(2 + 10);  // both accounts, then half the movements
  const TransferResult result = RunTransfer(store_, options, stop);
  EXPECT_EQ(StatusCode::kInterrupted, result.status.code());
  EXPECT_TRUE(result.files.empty());
  EXPECT_EQ(before, Listing(target_.path()));
}

TEST_F(TransferTest, FilesOfATransferThatCompletedBeforeACrashAreMovedIntoPlace) {
  SetBuilder set({{"1200"}});
  Load(set);
  const std::string staging = StagingFolderOf(target_.path());
  fs::create_directory(staging);
  testing::WriteFile(staging + "/23.Kvu", "complete");
  testing::WriteFile(staging + "/.complete", "\n");
  TransferOptions nothing;
  nothing.accounts = nothing.movements = nothing.opening_balances = nothing.items =
      nothing.documents = false;
  ASSERT_TRUE(Transfer(nothing).status.ok());
  EXPECT_EQ((std::vector<std::string>{"23.Kvu:complete"}), Listing(target_.path()));
}

TEST_F(TransferTest, GroupChangeRewritesTheDataFileAfterKeepingACopy) {
  SetBuilder set({{"1", "A", "600"}, {"2", "B", "700"}, {"3", "C", "600"}});
  Load(set);
  const std::string original = testing::ReadFile(data_.File("BKMVDATA.TXT"));
  EXPECT_EQ(StatusCode::kRefused, ChangeGroup(store_, "600", 0, cache_.path()).status.code());
  EXPECT_EQ(original, testing::ReadFile(data_.File("BKMVDATA.TXT")));

  const GroupChange change = ChangeGroup(store_, "600", 610, cache_.path());
  ASSERT_TRUE(change.status.ok()) << change.status.message();
  EXPECT_EQ(2, change.changed);
  EXPECT_TRUE(change.backup_made_now);
  EXPECT_EQ(data_.File("BKMVDATA.TXT.orig"), change.backup_path);
  EXPECT_EQ(original, testing::ReadFile(change.backup_path));
  EXPECT_EQ((std::vector<std::string>{"610", "700"}), GroupsPresent(store_));  // at once

  // A later change keeps the first copy; a new import reads the new groups.
  const GroupChange again = ChangeGroup(store_, "700", 610, cache_.path());
  ASSERT_TRUE(again.status.ok());
  EXPECT_FALSE(again.backup_made_now);
  EXPECT_EQ(original, testing::ReadFile(change.backup_path));
  EXPECT_EQ(original.size(), testing::ReadFile(data_.File("BKMVDATA.TXT")).size());
  RecordStore reread;
  SilentProgress silent;
  ASSERT_TRUE(ImportFolder(reread, data_.path(), silent, {cache_.path()}).status.ok());
  EXPECT_EQ((std::vector<std::string>{"610"}), GroupsPresent(reread));
}

TEST_F(TransferTest, GroupChangeOfAReadOnlyFolderKeepsTheCopyInTheUserFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
  SetBuilder set({{"1", "A", "600"}});
  Load(set);
  fs::permissions(data_.path(), fs::perms::owner_write, fs::perm_options::remove);
  const GroupChange change = ChangeGroup(store_, "600", 610, cache_.path());
  fs::permissions(data_.path(), fs::perms::owner_write, fs::perm_options::add);
  ASSERT_TRUE(change.status.ok()) << change.status.message();
  EXPECT_TRUE(change.backup_path.starts_with(cache_.path()));
}

// Whether key `key_number` of the open index file leads to `record` under `key`.
bool FoundByKey(RecordManager& rm, int slot, int key_number, const std::string& key,
                std::uint32_t record) {
  IsamEntry entry;
  std::memcpy(entry.key.data(), key.data(), kIsamKeyLength);
  entry.pointer = record;  // key 2 admits duplicates: its search matches the record too
  if (rm.SetKey(slot, key_number) != IsamStatus::kOk) return false;
  if (rm.GetEqual(slot, entry) != IsamStatus::kOk) return false;
  const IsamKey wanted = entry.key;
  while (entry.key == wanted) {
    if (entry.pointer == record) return true;
    if (rm.GetNext(slot, entry) != IsamStatus::kOk) return false;
  }
  return false;
}

std::string Key17(std::string_view text) {
  std::string key(text.substr(0, std::min<std::size_t>(text.size(), kIsamKeyLength)));
  key.resize(kIsamKeyLength, ' ');
  return key;
}

TEST_F(TransferTest, AGeneratedSetIsTransferredWhole) {
  DataSetOptions generate;
  generate.movements = 3000;
  generate.accounts = 300;
  generate.documents = 400;
  generate.items = 120;
  GeneratedDataSet generated;
  ASSERT_TRUE(GenerateDataSet(generate, data_.path(), &generated).ok());
  SilentProgress silent;
  ASSERT_TRUE(ImportFolder(store_, data_.path(), silent, {cache_.path()}).status.ok());
  const TransferResult result = Transfer();
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_TRUE(result.refusals.empty());

  // Every index file is sound.
  for (const auto& e : fs::directory_iterator(target_.path())) {
    if (TargetFileKindOf(e.path().string()) != TargetFileKind::kIndex) continue;
    int error = 0;
    auto storage = OpenIsamStorageForReading(e.path().string(), error);
    ASSERT_NE(nullptr, storage);
    IsamFileReport report;
    ASSERT_EQ(IsamStatus::kOk, InspectIndexFile(*storage, report));
    EXPECT_TRUE(report.problems.empty()) << e.path() << ": " << report.problems.front();
  }

  PosixIsamFileSystem files;
  RecordManager rm(files, [](const std::string&) {});
  // Accounts: one record per account, found by each key, fields as the source has them.
  const auto accounts = Records(Target("24.Ndx"), kAccountRecordSize);
  ASSERT_EQ(static_cast<std::size_t>(store_.AccountIndex.Count()), accounts.size());
  ASSERT_EQ(IsamStatus::kOk, rm.OpenDb(Target("24.Ism"), 1, 3));
  std::map<std::int64_t, std::int64_t> movements_per_account;
  // Debit, credit, and balance less opening balance, as the rebuild left them.
  std::map<std::int64_t, std::array<std::int64_t, 3>> rebuilt;
  std::uint32_t record = 0;
  std::int64_t nonzero_openings = 0;
  for (const ListEntry& e : store_.AccountListIndex.Entries()) {
    const auto& r = accounts[record++];
    const std::string line = ReadRecordLine(store_, e.Offset, RecordType::kB110);
    const auto f = [&](Positions p) { return SliceField(line, p); };
    EXPECT_EQ(TrimSpaces(f(field::B110(1403))), Field(r, target::Account("account key")));
    EXPECT_EQ(AccountNumberOf(e.ShortKeyView()), Number(r, target::Account("account number")));
    EXPECT_EQ(ReadAmount(f(field::B110(1414))), Number(r, target::Account("opening balance")));
    EXPECT_EQ(ReadInteger(TrimSpaces(f(field::B110(1405)))),
              Number(r, target::Account("trial-balance code")));
    const std::string name(TrimSpaces(f(field::B110(1404))));
    EXPECT_EQ(TrimSpaces(std::string_view(name).substr(0, 25)),
              TrimSpaces(DosToWin(GetText(r, target::Account("name")))));
    nonzero_openings += ReadAmount(f(field::B110(1414))) != 0;
    const std::string name_dos(TrimSpaces(GetText(r, target::Account("name"))));
    EXPECT_TRUE(
        FoundByKey(rm, 1, 1, NumberKey(Number(r, target::Account("account number"))), record));
    EXPECT_TRUE(FoundByKey(rm, 1, 2, Key17(name_dos), record));
    EXPECT_TRUE(FoundByKey(
        rm, 1, 3,
        RightAligned(std::to_string(Number(r, target::Account("trial-balance code"))), 11) +
            RightAligned(std::to_string(Number(r, target::Account("account number"))), 6),
        record));
    const std::int64_t number = Number(r, target::Account("account number"));
    movements_per_account[number] = Number(r, target::Account("movements"));
    rebuilt[number] = {
        Number(r, target::Account("debit")), Number(r, target::Account("credit")),
        Number(r, target::Account("balance")) - Number(r, target::Account("opening balance"))};
  }
  ASSERT_EQ(IsamStatus::kOk, rm.CloseDb(1));

  // Movements: one per B100, then one per non-zero opening balance; the balance rebuild
  // counted each account's.
  const auto movements = Records(Target("24.Trn"), kMovementRecordSize);
  EXPECT_EQ(store_.MovementIndex.Count() + nonzero_openings,
            static_cast<std::int64_t>(movements.size()));
  std::map<std::int64_t, std::int64_t> counted;
  std::map<std::int64_t, std::array<std::int64_t, 3>> summed;
  for (const auto& m : movements) {
    if (Number(m, target::Movement("source")) != kMovementFromData) continue;
    const std::int64_t number = Number(m, target::Movement("account number"));
    ++counted[number];
    const std::int64_t amount = Number(m, target::Movement("amount"));
    const bool credit = Field(m, target::Movement("debit/credit")) == "2";
    summed[number][credit ? 1 : 0] += amount;
    summed[number][2] += credit ? -amount : amount;
  }
  for (const auto& [number, count] : counted) EXPECT_EQ(count, movements_per_account[number]);
  // Each account's sums are its own movements', however the keys of the movements interleave.
  for (const auto& [number, sums] : rebuilt) {
    const std::array<std::int64_t, 3> none{};
    const auto found = summed.find(number);
    EXPECT_EQ(found == summed.end() ? none : found->second, sums) << "account " << number;
  }

  // Groups: 200 empty records, then one per run of equal trial-balance codes.
  std::map<std::string, std::pair<std::int64_t, std::int64_t>> runs;
  for (const ListEntry& e : store_.AccountListIndex.Entries()) {
    const std::string code = ReadRecordField(store_, e.Offset, field::B110(1405));
    const std::int64_t number = AccountNumberOf(e.ShortKeyView());
    auto [it, fresh] = runs.emplace(code, std::make_pair(number, number));
    it->second.first = std::min(it->second.first, number);
    it->second.second = std::max(it->second.second, number);
  }
  const auto groups = Records(Target("24.Kvu"), kGroupRecordSize);
  ASSERT_EQ(kEmptyGroupRecords + runs.size(), groups.size());
  std::size_t g = kEmptyGroupRecords;
  EXPECT_EQ(0, Number(groups[0], target::Group("in use")));
  for (const auto& [code, span] : runs) {
    EXPECT_EQ(1, Number(groups[g], target::Group("in use")));
    EXPECT_EQ(span.first, Number(groups[g], target::Group("first account")));
    EXPECT_EQ(span.second, Number(groups[g], target::Group("last account")));
    ++g;
  }

  // Items: found by each of the four keys.
  const auto items = Records(Target("24.Prt"), kItemRecordSize);
  ASSERT_EQ(static_cast<std::size_t>(store_.ItemIndex.Count()), items.size());
  ASSERT_EQ(IsamStatus::kOk, rm.OpenDb(Target("24.Pis"), 2, 4));
  record = 0;
  for (const IndexEntry& e : store_.ItemIndex.Entries()) {
    const auto& r = items[record++];
    const std::string code(TrimSpaces(ReadRecordField(store_, e.Offset, field::M100(1455))));
    EXPECT_EQ(code, Field(r, target::Item("internal code")));
    EXPECT_EQ(ReadAmount(ReadRecordField(store_, e.Offset, field::M100(1463))),
              Number(r, target::Item("cost price")));
    EXPECT_TRUE(FoundByKey(rm, 2, 1, RightAligned(code, 17), record));
    EXPECT_TRUE(FoundByKey(rm, 2, 2, Key17(TrimSpaces(GetText(r, target::Item("name")))), record));
    EXPECT_TRUE(
        FoundByKey(rm, 2, 3, RightAligned(Field(r, target::Item("universal code")), 17), record));
    EXPECT_TRUE(FoundByKey(rm, 2, 4,
                           RightAligned(std::to_string(Number(r, target::Item("sort code"))), 7) +
                               RightAligned(code, 10),
                           record));
  }
  ASSERT_EQ(IsamStatus::kOk, rm.CloseDb(2));

  // Documents: every transferred one found by its keys, with its lines and payments.
  std::int64_t transferred = 0;
  for (const IndexEntry& e : store_.DocumentIndex.Entries()) {
    transferred += FindTransferredDocumentType(
                       static_cast<int>(ReadInteger(e.Part(kKeyDocumentType)))) != nullptr;
  }
  std::map<std::string, const IndexEntry*> by_number;
  for (const IndexEntry& e : store_.DocumentIndex.Entries()) {
    by_number[std::string(e.Part(kKeyDocumentType)) +
              std::string(TrimSpaces(e.Part(kKeyDocumentNumber)))] = &e;
  }
  std::int64_t found = 0;
  for (const TransferredDocumentType& type : TransferredDocumentTypes()) {
    const std::string path = Target("24" + std::string(type.extension));
    if (!fs::exists(path)) continue;
    const auto documents = Records(path, kDocumentRecordSize);
    ASSERT_EQ(IsamStatus::kOk,
              rm.OpenDb(Target("24" + DocumentIndexExtension(type.extension)), 3, 3));
    for (std::size_t at = 0; at < documents.size(); ++at) {
      const auto& r = documents[at];
      if (r[0] != kDocumentMark || Number(r, target::Document("document type")) != type.code)
        continue;
      ++found;
      const std::string number = Field(r, target::Document("document number"));
      const std::string bare(StripLeadingBlanksAndZeros(number));
      char code[4];
      std::snprintf(code, sizeof code, "%03d", type.code);
      const auto pointer = static_cast<std::uint32_t>(at + 1);
      EXPECT_TRUE(FoundByKey(rm, 3, 1, std::string(code) + RightAligned(bare, 14), pointer));
      EXPECT_TRUE(FoundByKey(
          rm, 3, 2, NumberKey(Number(r, target::Document("customer account number"))), pointer));
      const auto source = by_number.find(std::string(code) + number);
      ASSERT_NE(by_number.end(), source) << code << number;
      const IndexEntry& doc = *source->second;
      EXPECT_EQ(ReadAmount(ReadRecordField(store_, doc.Offset, field::C100(1223))),
                Number(r, target::Document("amount with VAT")));
      EXPECT_EQ(EqualRange(store_.DocumentLineIndex, doc.KeyView()).size(),
                Number(r, target::Document("lines")));
      EXPECT_EQ(EqualRange(store_.ReceiptLineIndex, ReceiptLineKeyOf(doc)).size(),
                Number(r, target::Document("payments")));
      const std::string date(TrimSpaces(ReadRecordField(store_, doc.Offset, field::C100(1230))));
      EXPECT_TRUE(FoundByKey(rm, 3, 3, date + code + RightAligned(bare, 6), pointer));
    }
    ASSERT_EQ(IsamStatus::kOk, rm.CloseDb(3));
  }
  EXPECT_EQ(transferred, found);
}

}  // namespace
}  // namespace tallyscan
