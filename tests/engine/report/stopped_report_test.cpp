// A stop in any phase of the evidence report and of the run before it: the report given up
// leaves the files it would have replaced as they were, the report kept says it was stopped,
// and the hit rows read back are only those printed.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/analytics/analytics.h"
#include "engine/analytics/jet_fixture.h"
#include "engine/report/byte_sink.h"
#include "engine/report/html_writer.h"
#include "engine/report/jet_report.h"
#include "engine/report/report_file.h"
#include "engine/report/xlsx_writer.h"
#include "engine/text/text.h"
#include "report_fixture.h"

namespace tallyscan::testing {
namespace {

// Counts the looks for a stop in each phase, and asks to stop from the `at`-th look (1-based)
// of the phase `stop_in` on.
class PhaseMonitor final : public ProgressMonitor {
 public:
  explicit PhaseMonitor(std::string stop_in = {}, long long at = 1)
      : stop_in_(std::move(stop_in)), at_(at) {}
  void OnProgress(int) override { ++progress[phase]; }
  void OnPhase(std::string_view name) override { phase = name; }
  bool StopRequested() override {
    return ++looks[phase] >= at_ && !stop_in_.empty() && phase == stop_in_;
  }
  std::string phase;
  std::map<std::string, long long> looks;
  std::map<std::string, long long> progress;

 private:
  std::string stop_in_;
  long long at_;
};

// Every movement a hit of several tests: a Saturday in a week of seven weekend days, a whole
// amount where any multiple of an agora is round.
constexpr int kMovements = 3000;

class StoppedReportTest : public JetFixture {
 protected:
  void SetUp() override {
    for (int i = 0; i < kMovements; ++i) {
      Add(Move{.transaction = std::to_string(i / 2 + 1),
               .account = i % 2 == 0 ? "100" : "200",
               .counter = i % 2 == 0 ? "200" : "100",
               .credit = i % 2 == 1,
               .amount = 10000,
               .date = 20230107,
               .entered = 20230107});
    }
    Add(Doc{});
    ASSERT_TRUE(LoadJetParameters(R"({"weekend_days": ["sunday", "monday", "tuesday",
                  "wednesday", "thursday", "friday", "saturday"], "round_unit": "0.01",
                  "report_hits": 1})",
                                  JetParameters{}, parameters_)
                    .ok());
    result_ = RunTests(parameters_);
    for (const char* name : {"r.htm", "r.xlsx"}) {
      const std::string path = out_.File(name);
      WriteText(path, "the earlier report");
    }
  }

  static void WriteText(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }

  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The evidence report into r.htm and r.xlsx at once; false when it was stopped.
  struct Run {
    ReportFile html_file, book_file;
    std::unique_ptr<FileSink> sink;
    std::unique_ptr<HtmlReportWriter> html;
    std::unique_ptr<XlsxReportWriter> book;
    std::unique_ptr<ReportStream> stream;
    bool completed = false;
  };
  void Write(ProgressMonitor& monitor, Run& run, ProgressMonitor* closing = nullptr) {
    ASSERT_TRUE(ReportFile::Open(out_.File("r.htm"), {}, run.html_file).ok());
    ASSERT_TRUE(ReportFile::Open(out_.File("r.xlsx"), {}, run.book_file).ok());
    run.sink = std::make_unique<FileSink>(std::move(run.html_file));
    run.html = std::make_unique<HtmlReportWriter>(HtmlForm::kMail, *run.sink);
    run.book = std::make_unique<XlsxReportWriter>(std::move(run.book_file), 0, closing);
    run.stream = std::make_unique<ReportStream>(
        header_, fonts_, std::vector<ReportTarget*>{run.html.get(), run.book.get()}, monitor);
    run.completed = WriteJetReport(store_, result_, "2025-01-15", *run.stream);
  }

  TempFolder out_;
  JetParameters parameters_;
  JetResult result_;
  ReportHeader header_ = TestHeader();
  PrintFonts fonts_ = DefaultPrintFonts();
};

TEST_F(StoppedReportTest, AStopInAnyPhaseGivenUpLeavesTheEarlierFilesAlone) {
  for (const auto& [phase, at] : std::vector<std::pair<std::string, long long>>{
           {"report", 3}, {"hits", 1}, {"hits", 40}, {"sheets", 1}, {"sheets", 300}}) {
    SCOPED_TRACE(phase + " " + std::to_string(at));
    PhaseMonitor monitor(phase, at);
    Run run;
    Write(monitor, run);
    EXPECT_FALSE(run.completed);
    EXPECT_TRUE(run.stream->Stopped());
    run.stream->Abandon();
    EXPECT_EQ("the earlier report", ReadFile(out_.File("r.htm")));
    EXPECT_EQ("the earlier report", ReadFile(out_.File("r.xlsx")));
    EXPECT_EQ((std::vector<std::string>{"r.htm", "r.xlsx"}), OutputFiles());
  }
}

TEST_F(StoppedReportTest, AStopWhileTheWorkbookIsPackedLeavesTheEarlierOne) {
  PhaseMonitor whole;
  class StopNow final : public ProgressMonitor {
   public:
    void OnProgress(int) override {}
    bool StopRequested() override { return true; }
  } stop;
  Run run;
  Write(whole, run, &stop);
  ASSERT_TRUE(run.completed);
  const Status ended = run.stream->End();
  EXPECT_EQ(StatusCode::kInterrupted, ended.code());
  EXPECT_EQ(kReportStoppedText, ended.message());
  EXPECT_EQ("the earlier report", ReadFile(out_.File("r.xlsx")));
  EXPECT_EQ((std::vector<std::string>{"r.htm", "r.xlsx"}), OutputFiles());
}

TEST_F(StoppedReportTest, AReportKeptAfterAStopEndsSayingSo) {
  PhaseMonitor monitor("hits", 2);
  Run run;
  Write(monitor, run);
  ASSERT_FALSE(run.completed);
  ASSERT_TRUE(run.stream->End().ok());
  const std::string html = ReadFile(out_.File("r.htm"));
  const std::string said = Utf8ToCp1255(kReportStoppedText);
  ASSERT_NE(std::string::npos, html.find(said));
  // The last line of the document, after the last hit row printed.
  EXPECT_EQ(std::string::npos, html.find("<Tr", html.find(said)));

  PhaseMonitor whole;
  Run complete;
  Write(whole, complete);
  ASSERT_TRUE(complete.completed);
  ASSERT_TRUE(complete.stream->End().ok());
  EXPECT_EQ(std::string::npos, ReadFile(out_.File("r.htm")).find(said));
}

TEST_F(StoppedReportTest, TheRowsPrintedAreTheOnlyOnesReadAndTheGatheringMoves) {
  PhaseMonitor monitor;
  Run run;
  Write(monitor, run);
  ASSERT_TRUE(run.completed);
  ASSERT_TRUE(run.stream->End().ok());
  std::int64_t tests_with_lines = 0;
  for (const JetTestResult& t : result_.tests) tests_with_lines += t.lines.empty() ? 0 : 1;
  ASSERT_GE(tests_with_lines, 3);
  // One row per test: each reading ends at the first hit line; reading every hit would look
  // at every line once per test.
  EXPECT_LT(monitor.looks["hits"], kMovements);
  // The workbook's sheets take every hit, told as they are read.
  EXPECT_GE(monitor.looks["sheets"], tests_with_lines * kMovements);
  EXPECT_GT(monitor.progress["sheets"], 0);
  // Each test says how many rows it leaves out.
  const std::string html = Cp1255ToUtf8(ReadFile(out_.File("r.htm")));
  EXPECT_NE(std::string::npos,
            html.find("ועוד " + FormatCount(kMovements - 1) + " שורות שאינן מודפסות"));
}

TEST_F(StoppedReportTest, TheRunStopsInItsLastPhases) {
  for (const char* phase : {"tests", "ranking"}) {
    SCOPED_TRACE(phase);
    PhaseMonitor monitor(phase);
    const JetRun run = RunWith(parameters_, AllJetTests(), monitor);
    EXPECT_EQ(StatusCode::kInterrupted, run.status.code());
    EXPECT_FALSE(run.result.has_value());
  }
}

}  // namespace
}  // namespace tallyscan::testing
