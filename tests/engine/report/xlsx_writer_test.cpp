// The workbook read back by an independent reader (openpyxl, run with the system's Python):
// titles, the bold frozen heading row, figures as numbers in their colours, texts as text, the
// right-to-left sheet, a further sheet when one is full, and the source in the properties;
// named parts on sheets of their own and a chart over the cells of its table; parts named by
// long or clashing captions on sheets of names a workbook takes.
#include "engine/report/xlsx_writer.h"

#include <cstdio>
#include <map>

#include <gtest/gtest.h>

#include "engine/report/report_fixture.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

using testing::Col;

// The reader's facts, TAB-separated fields per line.
std::vector<std::vector<std::string>> ReadWorkbook(const std::string& path) {
  const std::string command =
      "/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py '" + path + "'";
  std::vector<std::vector<std::string>> facts;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return facts;
  std::string text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    text.append(buffer, got);
  EXPECT_EQ(0, ::pclose(pipe)) << text;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::vector<std::string> fields;
    const std::string line = text.substr(start, end - start);
    std::size_t from = 0;
    for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1) {
      fields.push_back(line.substr(from, tab - from));
    }
    fields.push_back(line.substr(from));
    facts.push_back(std::move(fields));
  }
  return facts;
}

TEST(XlsxWriter, AnIndependentReaderFindsTheReportAsNumbersAndTexts) {
  testing::TempFolder folder;
  const std::string path = folder.File("report.xlsx");
  ReportHeader header = testing::TestHeader();
  header.source = {"/data/BKMVDATA.TXT", 1234, std::string(64, 'a'), 1736937000};
  const PrintFonts fonts = DefaultPrintFonts();
  {
    ReportFile file;
    ASSERT_TRUE(ReportFile::Open(path, {}, file).ok());
    XlsxReportWriter writer(std::move(file), 1736937000);
    writer.SetRowsPerSheet(6);
    SilentProgress silent;
    ReportStream stream(header, fonts, {&writer}, silent);
    stream.AddTitle("10אינדקס החשבונות");
    stream.SetColumns({{Col(3, "#"), Col(18, "שם"), Col(10, "חובה", kDebitColumn),
                        Col(10, "זכות", kCreditColumn), Col(10, "יתרה", kLetterBalanceColumn)}});
    stream.Line({"1", "חשבון א", "1,234.50", "", "120.00 ח"});
    stream.Line({"2", "ACC-7", "", "-7.00", "50.00 ז"});
    stream.Line({"כרטיס 2"}, kSubTitleStyle, kSpanCentre);
    stream.Line({"3", "ג", "12,345,678.9", "", ""}, kSummaryStyle);
    ASSERT_TRUE(stream.End().ok());
  }
  std::map<std::string, std::vector<std::string>> cells;  // "sheet!A1" -> fields
  std::vector<std::vector<std::string>> sheets;
  std::map<std::string, std::string> custom;
  std::vector<std::string> properties;
  for (auto& fact : ReadWorkbook(path)) {
    if (fact[0] == "cell") cells[fact[1] + "!" + fact[2]] = fact;
    if (fact[0] == "sheet") sheets.push_back(fact);
    if (fact[0] == "custom") custom[fact[1]] = fact[2];
    if (fact[0] == "properties") properties = fact;
  }
  ASSERT_EQ(2u, sheets.size());
  EXPECT_EQ((std::vector<std::string>{"sheet", "דו'ח", "rtl", "A4"}), sheets[0]);
  EXPECT_EQ((std::vector<std::string>{"sheet", "דו'ח 2", "rtl", "A2"}), sheets[1]);

  const auto cell = [&](const std::string& at) {
    const auto found = cells.find(at);
    return found == cells.end() ? std::vector<std::string>(10) : found->second;
  };
  // From the fourth field on: type, value, number format, colour, bold, alignment.
  const auto facts = [&](const std::string& at) {
    const std::vector<std::string> found = cell(at);
    return std::vector<std::string>(found.begin() + 3, found.end());
  };
  using Facts = std::vector<std::string>;
  const std::string debit = "FF00FF00", credit = "FFFF0000";
  const std::string letters = "\"ח \"#,##0.00;\"ז \"#,##0.00;#,##0.00";
  EXPECT_EQ((Facts{"str", "אינדקס החשבונות", "General", "", "bold", "centerContinuous"}),
            facts("דו'ח!A1"));
  EXPECT_EQ((Facts{"str", "חובה", "General", "", "bold", "center"}), facts("דו'ח!C3"));
  EXPECT_EQ((Facts{"str", "1", "General", "", "", ""}), facts("דו'ח!A4"));
  EXPECT_EQ((Facts{"float", "1234.5", "#,##0.00", debit, "", ""}), facts("דו'ח!C4"));
  EXPECT_EQ((Facts{"int", "120", letters, debit, "", ""}), facts("דו'ח!E4"));
  EXPECT_EQ((Facts{"str", "ACC-7", "General", "", "", ""}), facts("דו'ח!B5"));
  EXPECT_EQ((Facts{"int", "-7", "#,##0.00", credit, "", ""}), facts("דו'ח!D5"));
  EXPECT_EQ((Facts{"int", "-50", letters, credit, "", ""}), facts("דו'ח!E5"));
  EXPECT_EQ((Facts{"str", "כרטיס 2", "General", "", "bold", "centerContinuous"}), facts("דו'ח!A6"));
  // The further sheet repeats the heading row and goes on with the lines.
  EXPECT_EQ((Facts{"str", "#", "General", "", "bold", "center"}), facts("דו'ח 2!A1"));
  EXPECT_EQ((Facts{"float", "12345678.9", "#,##0.0", debit, "bold", ""}), facts("דו'ח 2!C2"));
  EXPECT_EQ(0u, cells.count("דו'ח 2!D2"));

  ASSERT_EQ(3u, properties.size());
  EXPECT_EQ("אינדקס החשבונות", properties[1]);
  EXPECT_EQ("/data/BKMVDATA.TXT, 1,234 bytes, SHA-256 " + std::string(64, 'a') +
                ", read 2025-01-15T10:30:00Z",
            properties[2]);
  EXPECT_EQ("/data/BKMVDATA.TXT", custom["Source file"]);
  EXPECT_EQ("1234", custom["Source size"]);
  EXPECT_EQ(std::string(64, 'a'), custom["Source SHA-256"]);
  EXPECT_EQ("2025-01-15T10:30:00Z", custom["Source read at"]);
}

TEST(XlsxWriter, NamedPartsGoOnInNumberedSheetsAndAChartChartsTheCellsOfItsTable) {
  testing::TempFolder folder;
  const std::string path = folder.File("parts.xlsx");
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  {
    ReportFile file;
    ASSERT_TRUE(ReportFile::Open(path, {}, file).ok());
    XlsxReportWriter writer(std::move(file), 1736937000);
    writer.SetRowsPerSheet(5);
    SilentProgress silent;
    ReportStream stream(header, fonts, {&writer}, silent);
    stream.AddTitle("10ספרות");
    stream.Sheet("סיכום");
    stream.SetColumns(
        {{Col(4, "ספרה"), Col(8, "בפועל", kFigureColumn), Col(8, "צפוי", kFigureColumn)}});
    stream.Line({"07", "0.2500", "0.3000"});
    stream.Line({"08", "0.7500", "0.7000"});
    stream.Chart(
        {"הספרות   N = 4", {"07", "08"}, {0.25, 0.75}, {0.3, 0.7}, "בפועל", "צפוי", 0, 1, 2});
    stream.SetReach(ReportReach::kAllButWorkbook);
    stream.Line({"not in the workbook"});
    stream.SetReach(ReportReach::kEvery);
    stream.Sheet("hits");
    stream.SetColumns({{Col(6, "שורה")}});
    for (int line = 1; line <= 6; ++line) stream.Line({std::to_string(line)});
    ASSERT_TRUE(stream.End().ok());
  }
  std::vector<std::string> sheets;
  std::map<std::string, std::string> cells;  // "sheet!A1" -> value
  std::vector<std::vector<std::string>> charts;
  std::vector<std::vector<std::string>> series;
  for (auto& fact : ReadWorkbook(path)) {
    if (fact[0] == "sheet") sheets.push_back(fact[1]);
    if (fact[0] == "cell") cells[fact[1] + "!" + fact[2]] = fact[4];
    if (fact[0] == "chart") charts.push_back(fact);
    if (fact[0] == "series") series.push_back(fact);
  }
  EXPECT_EQ((std::vector<std::string>{"סיכום", "hits", "hits-2"}), sheets);
  EXPECT_EQ("07", cells["סיכום!A4"]);
  EXPECT_EQ("0.75", cells["סיכום!B5"]);
  EXPECT_EQ(0u, cells.count("סיכום!A6"));
  EXPECT_EQ("4", cells["hits!A5"]);
  EXPECT_EQ("שורה", cells["hits-2!A1"]);
  EXPECT_EQ("6", cells["hits-2!A3"]);
  using Facts = std::vector<std::string>;
  ASSERT_EQ(1u, charts.size());
  EXPECT_EQ((Facts{"chart", "xl/charts/chart1.xml", "barChart", "הספרות   N = 4"}), charts[0]);
  ASSERT_EQ(2u, series.size());
  EXPECT_EQ((Facts{"series", "xl/charts/chart1.xml", "בפועל", "str:'סיכום'!$A$4:$A$5",
                   "'סיכום'!$B$4:$B$5"}),
            series[0]);
  EXPECT_EQ((Facts{"series", "xl/charts/chart1.xml", "צפוי", "str:'סיכום'!$A$4:$A$5",
                   "'סיכום'!$C$4:$C$5"}),
            series[1]);
}

// A part's name is a caption: cut to the 31 characters a sheet's name may hold (with room for
// a further sheet's number), its refused characters as "-", and one name never given twice.
TEST(XlsxWriter, PartsNamedByLongOrClashingCaptionsGetNamesTheWorkbookTakes) {
  const std::string long_caption = "חוק בנפורד - שתי הספרות הראשונות";  // 32 characters
  const std::string cut = "חוק בנפורד - שתי הספרות הראשונו";
  const std::string cut_for_two = "חוק בנפורד - שתי הספרות הראשו";
  const std::string cut_for_clash = "חוק בנפורד - שתי הספרות הרא";
  struct Part {
    std::string name;
    int lines;
  };
  const std::vector<Part> parts = {
      {long_caption, 6}, {long_caption, 1}, {"שעות: 07:00/20:00 [א]", 1}, {"'דו'ח'", 1}};
  testing::TempFolder folder;
  const std::string path = folder.File("names.xlsx");
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  {
    ReportFile file;
    ASSERT_TRUE(ReportFile::Open(path, {}, file).ok());
    XlsxReportWriter writer(std::move(file), 1736937000);
    writer.SetRowsPerSheet(5);
    SilentProgress silent;
    ReportStream stream(header, fonts, {&writer}, silent);
    stream.Sheet("סיכום");
    stream.Line({"פתיחה"});
    for (const Part& part : parts) {
      stream.Sheet(part.name);
      stream.SetColumns({{Col(6, "שורה")}});
      for (int line = 1; line <= part.lines; ++line) stream.Line({std::to_string(line)});
    }
    ASSERT_TRUE(stream.End().ok());
  }
  std::vector<std::string> sheets;
  for (auto& fact : ReadWorkbook(path)) {
    if (fact[0] == "sheet") sheets.push_back(fact[1]);
  }
  EXPECT_EQ((std::vector<std::string>{"סיכום", cut, cut_for_two + "-2", cut_for_clash + " (2)",
                                      "שעות- 07-00-20-00 -א-", "-דו'ח-"}),
            sheets);
}

// A sheet of several tables keeps only its first heading row in view; a column of facts
// holds its figures and percentages as numbers and its words and keys as texts; no cell
// keeps a directional mark.
TEST(XlsxWriter, ASheetOfTablesFreezesItsFirstHeadingRowAndFactsHoldTheirFigures) {
  testing::TempFolder folder;
  const std::string path = folder.File("facts.xlsx");
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  {
    ReportFile file;
    ASSERT_TRUE(ReportFile::Open(path, {}, file).ok());
    XlsxReportWriter writer(std::move(file), 1736937000);
    SilentProgress silent;
    ReportStream stream(header, fonts, {&writer}, silent);
    stream.AddTitle("10דו\"ח");
    ReportColumn value = Col(20, "ערך");
    value.figures_in_workbook = true;
    stream.SetColumns({{Col(10, "פרט"), value}});
    for (const std::string_view fact : {"\u20661.03+git\u2069", "295.90", "6,000", "99.50%",
                                        "2024-01-01 - 2024-12-31", "מתאזנת"}) {
      stream.Line({"פרט", std::string(fact)});
    }
    stream.Line({"\u200fסיכום\u200e"}, kSubTitleStyle, kSpanRight);
    stream.SetColumns({{Col(10, "מזהה"), Col(10, "מפתח")}});
    stream.Line({"a", "100200"});
    ASSERT_TRUE(stream.End().ok());
  }
  std::vector<std::vector<std::string>> sheets;
  std::map<std::string, std::vector<std::string>> cells;  // "A1" -> type, value, number format
  for (auto& fact : ReadWorkbook(path)) {
    if (fact[0] == "sheet") sheets.push_back(fact);
    if (fact[0] == "cell") cells[fact[2]] = {fact[3], fact[4], fact[5]};
  }
  ASSERT_EQ(1u, sheets.size());
  EXPECT_EQ("A4", sheets[0][3]);
  using Facts = std::vector<std::string>;
  EXPECT_EQ((Facts{"str", "1.03+git", "General"}), cells["B4"]);
  EXPECT_EQ((Facts{"float", "295.9", "#,##0.00"}), cells["B5"]);
  EXPECT_EQ((Facts{"int", "6000", "#,##0"}), cells["B6"]);
  EXPECT_EQ((Facts{"float", "0.995", "0.00%"}), cells["B7"]);
  EXPECT_EQ((Facts{"str", "2024-01-01 - 2024-12-31", "General"}), cells["B8"]);
  EXPECT_EQ((Facts{"str", "מתאזנת", "General"}), cells["B9"]);
  EXPECT_EQ((Facts{"str", "סיכום", "General"}), cells["A10"]);
  // A key in a text column stays a text.
  EXPECT_EQ((Facts{"str", "100200", "General"}), cells["B12"]);
}

}  // namespace
}  // namespace tallyscan
