// Any grid as a report: its columns as the column layout, its rows numbered in the "#" column
// with totals left unnumbered, the cells without markers but with the isolates that keep a
// path in its order.
#include "engine/report/grid_report.h"

#include <gtest/gtest.h>

#include "engine/report/report_fixture.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

class RecordingTarget final : public ReportTarget {
 public:
  void OnColumns(const ReportState& state) override { columns = state.columns; }
  void OnLine(const ReportState&, const ReportLine& line) override {
    lines.push_back({std::vector<std::string>(line.cells.begin(), line.cells.end()), line.style});
  }
  void OnFreeText(const ReportState&, const FreeText&) override {}
  void OnAddressBox(const ReportState&, std::span<const std::string>) override {}
  Status OnEnd(const ReportState& state) override {
    titles = state.titles;
    return Status::Ok();
  }

  struct Line {
    std::vector<std::string> cells;
    int style;
  };
  ColumnLayout columns;
  std::vector<Line> lines;
  std::vector<CodedText> titles;
};

const std::vector<GridReportColumn> kColumns = {
    {"#", 30, kTextColumn, true},
    {"שם", 204, kTextColumn, false},
    {"סכום", 96, kDebitColumn, false},
};

// Rows as a grid's source gives them: image index, name, amount.
const std::vector<std::vector<std::string>> kRows = {
    {"3", "אלף", "1,234.50\x1C"},
    {"3", "\u2066/tmp/בית\u2069", "-7.00\x1D"},
    {"", std::string("סה\"כ") + std::string(kHeadingMarker), "1,227.50\x1C"},
};

GridCellText CellsOf(const std::vector<std::vector<std::string>>& rows) {
  return [&rows](std::int64_t row, std::size_t column) {
    return rows[static_cast<std::size_t>(row)][column];
  };
}

TEST(GridReport, ColumnsRowNumbersStylesAndPlainCells) {
  RecordingTarget target;
  SilentProgress silent;
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&target}, silent);
  EXPECT_TRUE(WriteGridReport("10רשימה", kColumns, 3, CellsOf(kRows), stream));
  EXPECT_TRUE(stream.End().ok());

  ASSERT_EQ(1u, target.titles.size());
  EXPECT_EQ("רשימה", target.titles[0].text);
  EXPECT_EQ(1, target.titles[0].font);
  ASSERT_EQ(3u, target.columns.columns.size());
  const std::vector<std::tuple<std::string, int, int>> expected_columns = {
      {"#", 3, kTextColumn}, {"שם", 20, kTextColumn}, {"סכום", 10, kDebitColumn}};
  for (std::size_t at = 0; at < expected_columns.size(); ++at) {
    const ReportColumn& column = target.columns.columns[at];
    EXPECT_EQ(expected_columns[at], std::make_tuple(column.caption, column.width, column.type));
  }

  const std::vector<std::pair<std::vector<std::string>, int>> expected_lines = {
      {{"1", "אלף", "1,234.50"}, kBodyStyle},
      {{"2", "\u2066/tmp/בית\u2069", "-7.00"}, kBodyStyle},
      {{"", "סה\"כ", "1,227.50"}, kSummaryStyle},
  };
  ASSERT_EQ(expected_lines.size(), target.lines.size());
  for (std::size_t at = 0; at < expected_lines.size(); ++at) {
    EXPECT_EQ(expected_lines[at].first, target.lines[at].cells) << at;
    EXPECT_EQ(expected_lines[at].second, target.lines[at].style) << at;
  }
}

TEST(GridReport, AStopEndsTheRowsAndSaysSo) {
  RecordingTarget target;
  testing::StopAfter stop(1);
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&target}, stop);
  EXPECT_FALSE(WriteGridReport("10רשימה", kColumns, 3, CellsOf(kRows), stream));
  EXPECT_TRUE(stream.End().ok());
  // The row let through, then the line that says the report was stopped.
  ASSERT_EQ(2u, target.lines.size());
  EXPECT_EQ(std::vector<std::string>{std::string(kReportStoppedText)}, target.lines[1].cells);
}

}  // namespace
}  // namespace tallyscan
