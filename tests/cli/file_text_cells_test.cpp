// Hostile texts of the file in the outputs that reach other programs: texts that start like
// spreadsheet formulas, in the CSV outputs (read back by Python's csv module) and in the
// Excel form of a report; terminal control sequences in every form of the views.
#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kHyperlink = "=HYPERLINK(\"http://x.example/\",\"click\")";
constexpr std::string_view kCommand = "+SUM(1+1)*cmd|' /C calc'!A0";
constexpr std::string_view kAtSum = "@SUM(1+1)";
constexpr std::string_view kDash = "-note";
// A terminal title, a clipboard write, a screen wipe and a byte code page 1255 leaves
// undefined (U+009D once converted).
constexpr std::string_view kTitle = "\x1b]0;owned\x07";
constexpr std::string_view kClipboard = "\x1b]52;c;b3duZWQ=\x1b\\\x9d\x1b[2J";

std::string WithField(std::string line, const FieldLayout& field, std::string_view value) {
  std::string padded(value);
  padded.resize(static_cast<std::size_t>(field.width), ' ');
  line.replace(static_cast<std::size_t>(field.start - 1), padded.size(), padded);
  return line;
}

// The records of a CSV file as Python's csv module reads them, cells separated by 0x1F.
std::vector<std::string> CsvRecords(const std::string& path) {
  const std::string command =
      "/usr/bin/python3 -c 'import csv, sys\n"
      "with open(sys.argv[1], encoding=\"utf-8-sig\", newline=\"\") as f:\n"
      "    for r in csv.reader(f): print(\"\\x1f\".join(r))' " +
      path;
  std::vector<std::string> records;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return records;
  std::string text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  EXPECT_EQ(0, ::pclose(pipe));
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    records.push_back(text.substr(start, end - start));
  }
  return records;
}

std::vector<std::string> Cells(const std::string& record) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (std::size_t end; (end = record.find('\x1f', start)) != std::string::npos; start = end + 1) {
    cells.push_back(record.substr(start, end - start));
  }
  cells.push_back(record.substr(start));
  return cells;
}

class FileTextCellsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DataSetFiles set = testing::SmallValidSet();
    for (std::string& line : set.data) {
      if (line.starts_with("B110") && line.find("1200") != std::string::npos) {
        line = WithField(line, field::B110(1404), kHyperlink);
        line = WithField(line, field::B110(1407), kTitle);
        line = WithField(line, field::B110(1408), kClipboard);
      } else if (line.starts_with("B110")) {
        line = WithField(line, field::B110(1404), kCommand);
      } else if (line.starts_with("B100")) {
        line = WithField(line, field::B100(1361), kAtSum);
        line = WithField(line, field::B100(1356), kDash);
      }
    }
    set.Write(data_.path());
  }

  // The cells of every record of a command's CSV output.
  std::vector<std::vector<std::string>> Csv(const std::string& command) {
    const testing::CliRun run =
        testing::RunCli(command + " --format csv " + data_.path(), scratch_);
    EXPECT_EQ(0, run.exit_code) << command << run.err;
    testing::WriteFile(scratch_.File("out.csv"), run.out);
    std::vector<std::vector<std::string>> records;
    for (const std::string& record : CsvRecords(scratch_.File("out.csv"))) {
      records.push_back(Cells(record));
    }
    return records;
  }

  testing::TempFolder data_;
  testing::TempFolder scratch_;
};

TEST_F(FileTextCellsTest, CsvCellsThatStartAsFormulasAreTextFiguresStayNumbers) {
  const std::vector<std::string> formulas = {std::string(kHyperlink), std::string(kCommand),
                                             std::string(kAtSum), std::string(kDash)};
  const std::regex figure("-?[0-9]{1,3}(,[0-9]{3})*(\\.[0-9]+)?( (ח|ז))?");
  std::vector<std::string> guarded_seen;
  int figures = 0;
  for (const std::string command : {"view index", "view ledger --from 1200 --to 4000"}) {
    for (const std::vector<std::string>& record : Csv(command)) {
      for (const std::string& cell : record) {
        const bool is_figure = std::regex_match(cell, figure);
        figures += is_figure ? 1 : 0;
        // Only a figure may start as a formula does.
        EXPECT_TRUE(is_figure || cell.empty() ||
                    std::string_view("=+-@").find(cell[0]) == std::string_view::npos)
            << command << ": " << cell;
        if (cell.starts_with('\'')) guarded_seen.push_back(cell.substr(1));
      }
    }
  }
  for (const std::string& formula : formulas) {
    EXPECT_NE(guarded_seen.end(), std::find(guarded_seen.begin(), guarded_seen.end(), formula))
        << formula;
  }
  EXPECT_GT(figures, 0);
}

TEST_F(FileTextCellsTest, ExcelReportStylesFormulaCellsAsTextAndOnlyThem) {
  const std::string out = scratch_.File("index.xls");
  const testing::CliRun run =
      testing::RunCli("report index --format xls --out " + out + " " + data_.path(), scratch_);
  ASSERT_EQ(0, run.exit_code) << run.err;
  const std::string html = Cp1255ToUtf8(testing::ReadFile(out));
  const std::string style = " style=\"mso-number-format:'\\@'\">";
  for (const std::string_view formula : {kHyperlink, kCommand}) {
    EXPECT_NE(std::string::npos, html.find(style + std::string(formula) + "</td>\r\n")) << formula;
  }
  std::size_t styled = 0;
  for (std::size_t at = html.find(style); at != std::string::npos; at = html.find(style, at + 1)) {
    ++styled;
  }
  EXPECT_EQ(2u, styled);
}

TEST_F(FileTextCellsTest, NoControlCharacterOfTheFileReachesAnyForm) {
  for (const std::string format : {"text", "raw", "csv", "json"}) {
    const testing::CliRun run =
        testing::RunCli("view index --format " + format + " " + data_.path(), scratch_);
    ASSERT_EQ(0, run.exit_code) << format << run.err;
    EXPECT_NE(std::string::npos, run.out.find("]0;owned")) << format;  // the text, made harmless
    for (const char c : run.out) {
      const auto byte = static_cast<unsigned char>(c);
      // Line ends, the raw form's TABs and its markers are the program's own.
      const bool own = c == '\n' || c == '\r' || c == '\t' || c == '\x1C' || c == '\x1D';
      EXPECT_TRUE(own || (byte >= 0x20 && byte != 0x7F)) << format << ": " << int{byte};
    }
    EXPECT_EQ(std::string::npos, run.out.find("\xC2\x9D")) << format;  // U+009D
  }
}

}  // namespace
}  // namespace tallyscan
