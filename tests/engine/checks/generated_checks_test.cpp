// Generated data sets through the import and the checks: a clean set gives no finding, and
// every fault the generator injects gives exactly the rows its manifest names.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/checks/checks.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

class NoonClock final : public Clock {
 public:
  TimeOfDay Now() const override { return {12, 0, 0}; }
};

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::string cell;
  for (const char c : row) {
    if (c == '\t') {
      cells.push_back(cell);
      cell.clear();
    } else if (c != '\x1C' && c != '\x1D') {
      cell += c;
    }
  }
  cells.push_back(cell);
  if (cells.back().ends_with("\xE2\x80\x8E")) cells.back().resize(cells.back().size() - 3);
  return cells;
}

// Generates a small set into a temporary folder, imports it and runs every check.
CheckResultRows GenerateAndCheck(DataSetOptions options, GeneratedDataSet* generated) {
  options.movements = 300;
  options.accounts = 60;
  options.documents = 60;
  options.seed = 11;
  testing::TempFolder folder;
  testing::TempFolder cache;
  const Status status = GenerateDataSet(options, folder.path(), generated);
  EXPECT_TRUE(status.ok()) << status.message();
  RecordStore store;
  SilentProgress silent;
  const ImportResult imported = ImportFolder(store, folder.path(), silent, {cache.path()});
  EXPECT_TRUE(imported.status.ok()) << imported.status.message();
  CheckResultRows rows;
  EXPECT_TRUE(RunChecks(store, CheckTicks(), NoonClock(), silent, rows));
  return rows;
}

constexpr std::string_view kNoSectionRow = "(an account without a section)";

std::string NameOf(FaultKind kind) {
  for (const FaultInfo& info : Faults()) {
    if (info.kind == kind) return std::string(info.name);
  }
  return "?";
}

TEST(GeneratedChecksTest, CleanSetGivesOnlyHeadingsTotalsAndClosingRows) {
  GeneratedDataSet generated;
  const CheckResultRows rows = GenerateAndCheck({}, &generated);
  EXPECT_TRUE(generated.manifest.empty());
  const std::set<std::string> allowed = {"תחילת הבדיקה - 12:00:00",
                                         "בדיקת איזון אינדקס",
                                         "סה'כ סכומי האינדקס",
                                         "יתרות האינדקס מאוזנות",
                                         "בדיקת איזון תנועות",
                                         "סה'כ סכומי התנועות",
                                         "סכומי התנועות מאוזנים",
                                         "הצלבת מפתחות כרטיסים/תנועות",
                                         "הסתיימה הצלבת מפתחות תנועות/כרטיסים",
                                         "הצלבת יתרות כרטיסים/תנועות",
                                         "הסתיימה הצלבת יתרות תנועות/כרטיסים",
                                         "בדיקת סעיפי מס הכנסה",
                                         "יתרת רווח משנה קודמת",
                                         "יתרת הפסד משנה קודמת",
                                         "יתרת רווח שנה נוכחית",
                                         "יתרת הפסד שנה נוכחית",
                                         "בדיקת מספרי עוסק",
                                         "סיום בדיקת מספרי עוסק",
                                         "בדיקת תעודות",
                                         "סיום בדיקת תעודות",
                                         "סיום הבדיקה - 12:00:00"};
  std::size_t batches = 0;
  for (const std::string& row : rows) {
    const std::vector<std::string> cells = Cells(row);
    ASSERT_TRUE(cells[0] == "0" || cells[0] == "3") << row;
    if (cells[1].starts_with("סה'כ למנה ")) {
      EXPECT_EQ(4u, cells.size()) << "a balanced batch has no balance cell: " << row;
      ++batches;
    } else {
      EXPECT_TRUE(allowed.contains(cells[1])) << row;
    }
  }
  EXPECT_GT(batches, 1u);
  EXPECT_EQ(19u + batches, rows.size());  // one profit row of each year
}

// The texts of the error rows as a sorted list, and the whole rows by their text.
struct Errors {
  std::vector<std::string> texts;
  std::vector<std::vector<std::string>> rows;
};

Errors ErrorsOf(const CheckResultRows& rows) {
  Errors errors;
  for (const std::string& row : rows) {
    std::vector<std::string> cells = Cells(row);
    if (cells[0] != "1") continue;
    errors.texts.push_back(cells.size() > 1 ? cells[1] : "");
    errors.rows.push_back(std::move(cells));
  }
  std::sort(errors.texts.begin(), errors.texts.end());
  return errors;
}

bool HasRow(const Errors& errors, const std::string& text, const std::string& value) {
  return std::any_of(errors.rows.begin(), errors.rows.end(), [&](const auto& cells) {
    return cells.size() > 2 && cells[1] == text && cells[2] == value;
  });
}

TEST(GeneratedChecksTest, EveryInjectedCheckFaultGivesExactlyItsRows) {
  const FaultKind kinds[] = {FaultKind::kUnknownAccount,
                             FaultKind::kAccountTotals,
                             FaultKind::kMissingSection,
                             FaultKind::kAccountDealer,
                             FaultKind::kDocumentArithmetic,
                             FaultKind::kPriceQuantity,
                             FaultKind::kVat,
                             FaultKind::kReceiptSum,
                             FaultKind::kMissingCheque,
                             FaultKind::kBadBankAccount,
                             FaultKind::kUnknownItem,
                             FaultKind::kUnknownCustomer,
                             FaultKind::kDocumentDealer};
  for (const FaultKind kind : kinds) {
    SCOPED_TRACE(NameOf(kind));
    GeneratedDataSet generated;
    const Errors errors = ErrorsOf(GenerateAndCheck({.faults = {{kind, 2}}}, &generated));
    ASSERT_EQ(2u, generated.manifest.size());

    std::vector<std::string> expected;
    for (const ManifestEntry& entry : generated.manifest) {
      switch (kind) {
        case FaultKind::kUnknownAccount:
          expected.insert(expected.end(), {entry.message, "אינו קיים באינדקס החשבונות"});
          EXPECT_TRUE(HasRow(errors, entry.message, entry.value));
          break;
        case FaultKind::kAccountTotals:
          expected.insert(expected.end(), {entry.message, "יתרות הכרטיס הן", "יתרות התנועות הן"});
          break;
        case FaultKind::kMissingSection:  // one row for the whole file, then each account's
          if (expected.empty()) expected.push_back(entry.message);
          expected.emplace_back(kNoSectionRow);
          break;
        case FaultKind::kAccountDealer:
          expected.push_back(entry.message);
          EXPECT_TRUE(HasRow(errors, entry.message, entry.value));
          break;
        default:  // a document: its caption, then the finding
          expected.insert(expected.end(), {Cells("1\t" + entry.value)[1], entry.message});
          break;
      }
    }
    std::sort(expected.begin(), expected.end());
    // An account without a section is named by its key, which the manifest does not give.
    std::vector<std::string> texts = errors.texts;
    for (std::string& text : texts) {
      if (text.starts_with("בכרטיס - ") && text.ends_with(" לא מוגדר סעיף מס הכנסה")) {
        text = kNoSectionRow;
      }
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(expected, texts);
  }
}

TEST(GeneratedChecksTest, UnbalancedBatchesCarryTheirDifference) {
  GeneratedDataSet generated;
  const CheckResultRows rows =
      GenerateAndCheck({.faults = {{FaultKind::kUnbalancedBatch, 2}}}, &generated);
  EXPECT_TRUE(ErrorsOf(rows).texts.empty());
  ASSERT_EQ(2u, generated.manifest.size());
  for (const ManifestEntry& entry : generated.manifest) {
    const bool found = std::any_of(rows.begin(), rows.end(), [&](const std::string& row) {
      const std::vector<std::string> cells = Cells(row);
      return cells.size() == 5 && cells[1] == entry.message && cells[4] == entry.value;
    });
    EXPECT_TRUE(found) << entry.message;
  }
}

// Stops at the first time it is asked.
class StopAtOnce final : public ProgressMonitor {
 public:
  void OnProgress(int) override {}
  bool StopRequested() override { return true; }
};

// Sets large enough that their movements and documents are read on threads of their own: a
// stop asked while the run waits for them ends it with no sum and no finding.
TEST(GeneratedChecksTest, StopWhileReadingOnThreadsEndsTheRunWithoutVerdict) {
  testing::TempFolder folder;
  testing::TempFolder cache;
  GeneratedDataSet generated;
  DataSetOptions options;
  options.movements = 40000;
  options.accounts = 200;
  options.documents = 20000;
  options.seed = 3;
  ASSERT_TRUE(GenerateDataSet(options, folder.path(), &generated).ok());
  RecordStore store;
  SilentProgress silent;
  ASSERT_TRUE(ImportFolder(store, folder.path(), silent, {cache.path()}).status.ok());
  ASSERT_GE(store.DocumentIndex.Count() + store.DocumentLineIndex.Count(), 20000);
  const std::string stopped = "4\tהבדיקה הופסקה ע'י המשתמש\xE2\x80\x8E";
  CheckTicks movements;
  movements.bookkeeping.SetAll(false);
  movements.documents.SetAll(false);
  movements.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kMovementsBalance),
                                  true);
  CheckTicks documents;
  documents.bookkeeping.SetAll(false);
  documents.documents.SetAll(false);
  documents.documents.SetTicked(static_cast<std::size_t>(DocumentItem::kSummaries), true);
  const struct {
    CheckTicks ticks;
    std::vector<std::string> rows;
  } cases[] = {
      {movements, {"0\tבדיקת איזון תנועות\xE2\x80\x8E", stopped}},
      {documents, {"0\tבדיקת תעודות\xE2\x80\x8E", "3\tסיום בדיקת תעודות", stopped}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows.front());
    StopAtOnce monitor;
    CheckResultRows rows;
    EXPECT_FALSE(RunChecks(store, c.ticks, NoonClock(), monitor, rows));
    ASSERT_FALSE(rows.empty());
    rows.erase(rows.begin());  // the start row
    EXPECT_EQ(c.rows, rows);
  }
}

}  // namespace
}  // namespace tallyscan
