// Generated data sets: every injected import fault gives its row, and the counts, totals and
// document-type breakdown agree with what the generator wrote.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/progress.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "engine/uniform/values.h"
#include "generator/data_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

bool IsImportFault(FaultKind kind) {
  switch (kind) {
    case FaultKind::kBadLength:
    case FaultKind::kControlCharacter:
    case FaultKind::kUnknownRecord:
    case FaultKind::kBadNumeric:
    case FaultKind::kBadSign:
    case FaultKind::kBadDate:
    case FaultKind::kIniTotal:
    case FaultKind::kIniTypeCount:
    case FaultKind::kZ900Total:
      return true;
    default:
      return false;
  }
}

class GeneratedImportTest : public ::testing::Test {
 protected:
  void Generate(DataSetOptions options) {
    ASSERT_TRUE(GenerateDataSet(options, folder_.path(), &generated_).ok());
    SilentProgress silent;
    result_ = ImportFolder(store_, folder_.path(), silent, {cache_.path()});
    ASSERT_TRUE(result_.status.ok()) << result_.status.message();
  }
  bool HasRowStarting(const std::string& start) const {
    for (const std::string& row : result_.rows.Rows()) {
      if (row == start || row.starts_with(start + "\t")) return true;
    }
    return false;
  }

  testing::TempFolder folder_;
  testing::TempFolder cache_;
  RecordStore store_;
  GeneratedDataSet generated_;
  ImportResult result_;
};

TEST_F(GeneratedImportTest, EveryInjectedImportFaultGivesItsRow) {
  DataSetOptions options;
  options.movements = 3000;
  for (const FaultKind kind :
       {FaultKind::kBadLength, FaultKind::kControlCharacter, FaultKind::kUnknownRecord,
        FaultKind::kBadNumeric, FaultKind::kBadSign, FaultKind::kBadDate}) {
    options.faults.push_back({kind, 3});
  }
  options.faults.push_back({FaultKind::kIniTotal, 1});
  options.faults.push_back({FaultKind::kIniTypeCount, 4});
  options.faults.push_back({FaultKind::kZ900Total, 1});
  Generate(options);
  int checked = 0;
  for (const ManifestEntry& entry : generated_.manifest) {
    if (!IsImportFault(entry.kind)) continue;
    ++checked;
    EXPECT_TRUE(HasRowStarting("1\t" + entry.message + "\t" + entry.value))
        << entry.message << " | " << entry.value;
  }
  EXPECT_EQ(3 * 6 + 1 + 4 + 1, checked);
  // Nothing but the injected faults is reported.
  const auto rows = result_.rows.Rows();
  const auto count_row = std::find_if(rows.begin(), rows.end(), [](const std::string& r) {
    return r.starts_with("1\tשגיאות שנמצאו במהלך קריאת הקובץ\t");
  });
  ASSERT_NE(rows.end(), count_row);
  EXPECT_EQ("1\tשגיאות שנמצאו במהלך קריאת הקובץ\t18", *count_row);
}

TEST_F(GeneratedImportTest, CountsTotalsAndBreakdownMatchTheWrittenSet) {
  DataSetOptions options;
  options.movements = 5000;
  options.documents = 700;
  options.seed = 11;
  Generate(options);
  EXPECT_EQ(generated_.data_lines, result_.lines_read);
  EXPECT_EQ(generated_.counts.b100, store_.MovementIndex.Count());
  EXPECT_EQ(generated_.counts.b110, store_.AccountIndex.Count());
  EXPECT_EQ(generated_.counts.c100, store_.DocumentIndex.Count());
  EXPECT_EQ(generated_.counts.d110, store_.DocumentLineIndex.Count());
  EXPECT_EQ(generated_.counts.d120, store_.ReceiptLineIndex.Count());
  EXPECT_EQ(generated_.counts.m100, store_.ItemIndex.Count());
  EXPECT_TRUE(HasRowStarting("0\tשגיאות שנמצאו במהלך קריאת הקובץ\tללא"));

  // Totals and the breakdown, recounted from the file.
  std::int64_t opening = 0, debit = 0, credit = 0, fx = 0;
  std::map<int, std::int64_t> by_type;
  const std::string data = testing::ReadFile(folder_.File("BKMVDATA.TXT"));
  for (std::size_t start = 0; start < data.size();) {
    const std::size_t end = data.find('\n', start);
    const std::string_view line(data.data() + start, end - start);
    if (line.starts_with("B110")) {
      opening += ReadAmount(line.substr(277, 15));
      debit += ReadAmount(line.substr(292, 15));
      credit += ReadAmount(line.substr(307, 15));
      fx += ReadAmount(line.substr(342, 15));
    } else if (line.starts_with("C100")) {
      ++by_type[std::stoi(std::string(line.substr(22, 3)))];
    }
    start = end + 1;
  }
  EXPECT_EQ(opening, store_.TotalOpeningBalance);
  EXPECT_EQ(debit, store_.TotalDebit);
  EXPECT_EQ(credit, store_.TotalCredit);
  EXPECT_EQ(fx, store_.TotalOpeningBalanceFx);
  ASSERT_GT(by_type.size(), 1u);
  for (const auto& [code, count] : by_type) {
    const DocumentType* type = FindDocumentType(code);
    ASSERT_NE(nullptr, type) << code;
    EXPECT_TRUE(
        HasRowStarting("3\t" + std::string(type->breakdown_text) + "\t" + FormatCount(count)))
        << code;
  }
}

TEST_F(GeneratedImportTest, ZippedDosCodedSetReadsLikeThePlainOne) {
  DataSetOptions options;
  options.dos_coded = true;
  Generate(options);
  const std::vector<std::string> plain(result_.rows.Rows().begin(), result_.rows.Rows().end());
  EXPECT_TRUE(store_.DosCodePage);

  testing::TempFolder zipped;
  options.zip = true;
  GeneratedDataSet again;
  ASSERT_TRUE(GenerateDataSet(options, zipped.path(), &again).ok());
  RecordStore store;
  SilentProgress silent;
  const ImportResult result = ImportFolder(store, zipped.path(), silent, {cache_.path()});
  EXPECT_EQ(plain, std::vector<std::string>(result.rows.Rows().begin(), result.rows.Rows().end()));
}

}  // namespace
}  // namespace tallyscan
