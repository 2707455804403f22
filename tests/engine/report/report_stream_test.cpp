// The stream between a producer and its targets: every target gets every call, a stop ends
// the lines but not the targets, and the failures of all targets are reported.
#include "engine/report/report.h"

#include "engine/report/output_targets.h"

#include <gtest/gtest.h>

#include "engine/report/report_fixture.h"

namespace tallyscan {
namespace {

class CountingTarget final : public ReportTarget {
 public:
  explicit CountingTarget(Status end = Status::Ok(), int page = 0, bool sheets = false)
      : end_(std::move(end)), page_(page), sheets_(sheets) {}
  void OnColumns(const ReportState&) override { ++columns; }
  void OnLine(const ReportState&, const ReportLine& line) override {
    cells.push_back(std::vector<std::string>(line.cells.begin(), line.cells.end()));
  }
  void OnFreeText(const ReportState&, const FreeText&) override {}
  void OnAddressBox(const ReportState&, std::span<const std::string>) override {}
  Status OnEnd(const ReportState&) override {
    ++ends;
    return end_;
  }
  void OnAbandon(const ReportState&) override { ++abandons; }
  int PageNumber() const override { return page_; }
  void OnChart(const ReportState&, const ReportChart& chart) override {
    cells.push_back({"chart " + chart.title});
  }
  void OnSheet(const ReportState&, std::string_view name) override {
    cells.push_back({"sheet " + std::string(name)});
  }
  bool KeepsSheets() const override { return sheets_; }

  int columns = 0;
  int ends = 0;
  int abandons = 0;
  std::vector<std::vector<std::string>> cells;

 private:
  Status end_;
  int page_;
  bool sheets_;
};

class Progress final : public ReportListener {
 public:
  void OnLine(std::int64_t line, int page) override {
    texts.push_back(PrintingProgressText(line, page));
  }
  std::vector<std::string> texts;
};

TEST(ReportStream, EveryTargetGetsEveryLineWithOneCellPerColumn) {
  CountingTarget a, b(Status::Ok(), 3);
  SilentProgress silent;
  Progress progress;
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&a, &b}, silent, &progress);
  stream.SetColumns({{testing::Col(3, "#"), testing::Col(10, "x")}});
  EXPECT_TRUE(stream.Line({"1"}));
  EXPECT_TRUE(stream.Line({"2", "b", "dropped"}));
  EXPECT_TRUE(stream.Line({"span", "dropped"}, kBodyStyle, kSpanCentre));
  EXPECT_TRUE(stream.End().ok());
  for (const CountingTarget* target : {&a, &b}) {
    EXPECT_EQ(1, target->columns);
    EXPECT_EQ(1, target->ends);
    ASSERT_EQ(3u, target->cells.size());
    EXPECT_EQ((std::vector<std::string>{"1", ""}), target->cells[0]);
    EXPECT_EQ((std::vector<std::string>{"2", "b"}), target->cells[1]);
    EXPECT_EQ((std::vector<std::string>{"span"}), target->cells[2]);
  }
  EXPECT_EQ("מדפיס שורה מס. - 3 בדף - 3", progress.texts.back());
  EXPECT_EQ("מדפיס שורה מס. - 1 בדף 1 ", PrintingProgressText(1, 0));
}

TEST(ReportStream, AReachSendsWhatFollowsToTheWorkbookOrToEveryOtherTarget) {
  CountingTarget pages, book(Status::Ok(), 0, true);
  SilentProgress silent;
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&pages, &book}, silent);
  stream.SetColumns({{testing::Col(3, "#")}});
  stream.Line({"both"});
  stream.SetReach(ReportReach::kAllButWorkbook);
  stream.Line({"pages"});
  stream.Chart({"c", {}, {}, {}, "", "", 0, 1, 2});
  stream.SetReach(ReportReach::kWorkbookOnly);
  stream.Sheet("s");
  stream.SetColumns({{testing::Col(3, "#")}});
  stream.Line({"book"});
  stream.SetReach(ReportReach::kEvery);
  stream.Line({"again both"});
  EXPECT_TRUE(stream.End().ok());
  using Cells = std::vector<std::vector<std::string>>;
  EXPECT_EQ((Cells{{"both"}, {"pages"}, {"chart c"}, {"again both"}}), pages.cells);
  EXPECT_EQ((Cells{{"both"}, {"sheet s"}, {"book"}, {"again both"}}), book.cells);
  EXPECT_EQ(1, pages.columns);
  EXPECT_EQ(2, book.columns);
  EXPECT_EQ(4, stream.State().line_number);
}

TEST(ReportStream, AStopEndsTheLinesAndEveryTargetIsStillClosed) {
  CountingTarget a, failing(Status::IoError("first")), other(Status::IoError("second"));
  testing::StopAfter stop(2);
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&a, &failing, &other}, stop);
  stream.SetColumns({{testing::Col(3, "#")}});
  EXPECT_TRUE(stream.Line({"1"}));
  EXPECT_TRUE(stream.Line({"2"}));
  EXPECT_FALSE(stream.Line({"3"}));
  EXPECT_FALSE(stream.Line({"4"}));
  EXPECT_TRUE(stream.Stopped());
  const Status status = stream.End();
  EXPECT_EQ("first\nsecond", status.message());
  // What is kept says in its last line that it is not whole.
  EXPECT_EQ(
      (std::vector<std::vector<std::string>>{{"1"}, {"2"}, {std::string(kReportStoppedText)}}),
      a.cells);
  EXPECT_EQ(1, a.ends);
  EXPECT_EQ(1, other.ends);
  EXPECT_EQ("first\nsecond", stream.End().message());  // closed once
  EXPECT_EQ(1, a.ends);
  EXPECT_EQ(0, a.abandons);
}

TEST(ReportStream, AStreamGivenUpClosesNoTargetAndAddsNothing) {
  CountingTarget a, b;
  testing::StopAfter stop(1);
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&a, &b}, stop);
  EXPECT_TRUE(stream.Line({"1"}));
  EXPECT_FALSE(stream.Line({"2"}));
  stream.Abandon();
  stream.Abandon();
  EXPECT_TRUE(stream.End().ok());  // nothing more once given up
  for (const CountingTarget* target : {&a, &b}) {
    EXPECT_EQ(1, target->abandons);
    EXPECT_EQ(0, target->ends);
    EXPECT_EQ(std::vector<std::vector<std::string>>{{"1"}}, target->cells);
  }
}

TEST(ReportStream, CodedTextsAndDates) {
  const CodedText right = ParseCodedText("51מפיק התעודה");
  EXPECT_EQ(5, right.font);
  EXPECT_EQ(TextAlign::kRight, right.align);
  EXPECT_EQ("מפיק התעודה", right.text);
  const CodedText odd = ParseCodedText("x9z");
  EXPECT_EQ(1, odd.font);
  EXPECT_EQ(TextAlign::kCentre, odd.align);
  EXPECT_EQ("15-01-2025", DashedDate(UtcDateOf(1736937000)));
  EXPECT_EQ("29/02/2024", SlashedDate(UtcDateOf(1709208000)));
  EXPECT_EQ("31/12/1969", SlashedDate(UtcDateOf(-1)));
  EXPECT_EQ(18, CharactersOfPixels(180));
  EXPECT_EQ(3, CharactersOfPixels(25));
}

TEST(OutputTargets, EMailAndExcelExcludeEachOtherAndSomeTargetIsAlwaysChosen) {
  struct Case {
    int before;
    OutputTarget click;
    int after;
  };
  constexpr int P = kPrinterTarget, X = kExcelTarget, M = kMailTarget, F = kPdfTarget;
  for (const Case& c : {
           Case{P, kMailTarget, P | M},
           Case{P | X, kMailTarget, P | M},   // e-mail clears Excel
           Case{P | M, kExcelTarget, P | X},  // and Excel clears e-mail
           Case{M, kMailTarget, P},           // no target left: the printer again
           Case{P, kPrinterTarget, P},        // the printer alone stays on
           Case{P | X, kPrinterTarget, X},
           Case{X, kExcelTarget, P},
           Case{P | F, kPrinterTarget, F},  // the PDF alone is a target
           Case{F, kPdfTarget, P},
       }) {
    EXPECT_EQ(c.after, ToggleTarget(c.before, c.click)) << c.before << " click " << c.click;
  }
  EXPECT_EQ(P, kInitialTargets);
}

}  // namespace
}  // namespace tallyscan
