// The evidence report's figures: sums of amounts beyond 64 bits are shown whole, with their
// separators, as every other amount is, in the report and in the summary rows it shares with
// the command line.
#include "engine/report/jet_report.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/analytics/analytics.h"
#include "engine/report/report_fixture.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

class CellsTarget final : public ReportTarget {
 public:
  void OnColumns(const ReportState&) override {}
  void OnLine(const ReportState&, const ReportLine& line) override {
    for (const std::string& cell : line.cells) text += cell + "\n";
  }
  void OnFreeText(const ReportState&, const FreeText&) override {}
  void OnAddressBox(const ReportState&, std::span<const std::string>) override {}
  Status OnEnd(const ReportState&) override { return Status::Ok(); }
  std::string text;
};

TEST(JetReport, SumsBeyondSixtyFourBitsAreShownWholeWithSeparators) {
  const AmountSum beyond = AmountSum{19999999999999799} * 1000 + 999;  // past 2^63 agorot
  JetResult result;
  result.population.movements = 200000;
  result.population.reconciles = true;
  result.population.debit = beyond;
  result.population.credit = -beyond;
  JetTestResult weekend;
  weekend.test = JetTest::kWeekend;
  weekend.hits = 1;
  weekend.hit_amount = beyond;
  result.tests.push_back(weekend);

  RecordStore store;
  SilentProgress silent;
  CellsTarget target;
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(testing::TestHeader(), fonts, {&target}, silent);
  ASSERT_TRUE(WriteJetReport(store, result, "2026-01-01", stream));
  ASSERT_TRUE(stream.End().ok());
  const std::string shown = "199,999,999,999,997,999.99";
  EXPECT_NE(std::string::npos, target.text.find("\n" + shown + "\n")) << target.text;
  EXPECT_NE(std::string::npos, target.text.find("\n-" + shown + "\n")) << target.text;
  EXPECT_NE(std::string::npos, target.text.find("סכום הפגיעות: " + shown)) << target.text;
  EXPECT_EQ(std::string::npos, target.text.find("199999999999998")) << target.text;

  const std::vector<std::string> rows = JetSummaryRows(result);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(shown, RowField(rows[0], 6));
}

}  // namespace
}  // namespace tallyscan
