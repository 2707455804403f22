// tallyscan-cli report on generated data sets: the workbook read back by openpyxl, the PDF read
// back by pdftotext, a failed write, what --out may not name, and the usage.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
       start = end + separator.size()) {
    parts.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) parts.push_back(text.substr(start));
  return parts;
}

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  ::pclose(pipe);
  return text;
}

// The data rows of an HTML report, each its cells as shown (tags and the filler removed).
std::vector<std::vector<std::string>> HtmlRows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Split(Cp1255ToUtf8(testing::ReadFile(path)), "\r\n")) {
    if (line.starts_with("<Tr id=")) rows.emplace_back();
    if (rows.empty() || !line.starts_with("<td align=")) continue;
    std::string cell = std::regex_replace(line, std::regex("<[^>]*>"), "");
    if (cell.starts_with("&nbsp;")) cell.erase(0, 6);
    rows.back().push_back(std::regex_replace(cell, std::regex("&amp;"), "&"));
  }
  return rows;
}

// pdftotext's text with the bidirectional controls it adds removed.
std::string PdfText(const std::string& path, const std::string& options = "-layout") {
  const std::string text = Output("pdftotext " + options + " '" + path + "' -");
  return std::regex_replace(
      text, std::regex("\u202A|\u202B|\u202C|\u202D|\u202E|\u2066|\u2067|\u2068|\u2069"), "");
}

// What a folder holds: each name with its bytes, or where it links to.
std::map<std::string, std::string> Listing(const std::string& folder) {
  std::map<std::string, std::string> listing;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string path = entry.path().string();
    listing[entry.path().filename().string()] =
        entry.is_symlink() ? "-> " + std::filesystem::read_symlink(path).string()
                           : testing::ReadFile(path);
  }
  return listing;
}

// A small data set of its own in `folder`, for a test that may harm it.
void Generate(const std::string& folder, const std::string& options = "") {
  const std::string gen =
      std::string(TALLYSCAN_GEN) + " --quiet --movements 400 --seed 3 " + options + " " + folder;
  ASSERT_EQ(0, std::system(gen.c_str()));
}

class ReportCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    set_ = new testing::TempFolder;
    // The set of the golden outputs: its checks find a negative balance.
    const std::string gen = std::string(TALLYSCAN_GEN) + " --quiet --movements 400 --seed 101 " +
                            set_->path() + "/valid";
    ASSERT_EQ(0, std::system(gen.c_str()));
  }
  static void TearDownTestSuite() { delete set_; }

  testing::CliRun Report(const std::string& kind, const std::string& format,
                         const std::string& out) {
    return testing::RunCli(
        "report " + kind + " --format " + format + " --out " + out + " " + set_->path() + "/valid",
        scratch_);
  }

  static testing::TempFolder* set_;
  testing::TempFolder scratch_;
};
testing::TempFolder* ReportCliTest::set_ = nullptr;

TEST_F(ReportCliTest, TheWorkbookHoldsTheFiguresAsNumbersEqualToTheReport) {
  const std::string xlsx = scratch_.File("checks.xlsx"), xls = scratch_.File("checks.xls");
  ASSERT_EQ(0, Report("checks", "xlsx", xlsx).exit_code);
  ASSERT_EQ(0, Report("checks", "xls", xls).exit_code);
  std::map<std::string, std::vector<std::string>> cells;
  std::vector<std::string> sheet;
  std::map<std::string, std::string> custom;
  for (const std::string& line :
       Split(Output("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " +
                    xlsx),
             "\n")) {
    const std::vector<std::string> fields = Split(line, "\t");
    if (fields[0] == "cell") cells[fields[2]] = fields;
    if (fields[0] == "sheet") sheet = fields;
    if (fields[0] == "custom") custom[fields[1]] = fields.size() > 2 ? fields[2] : "";
  }
  EXPECT_EQ((std::vector<std::string>{"sheet", "דו'ח", "rtl", "A4"}), sheet);
  EXPECT_EQ("תוצאות בדיקות תקינות", cells["A1"][4]);
  const std::vector<std::string> headings = {"#", "פרטים", "חובה", "זכות", "יתרה"};
  for (std::size_t c = 0; c < headings.size(); ++c) {
    const std::string at = std::string(1, static_cast<char>('A' + c)) + "3";
    EXPECT_EQ(headings[c], cells[at][4]) << at;
    EXPECT_EQ("bold", cells[at][7]) << at;
  }
  // Every figure of the Excel form (its sign in front) is the number of the same cell.
  const auto rows = HtmlRows(xls);
  ASSERT_GT(rows.size(), 40u);
  int numbers = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 2; c < rows[r].size(); ++c) {
      const std::string& figure = rows[r][c];
      // Amounts only: a key or a count in an amount column stays a text.
      if (!std::regex_match(figure, std::regex("-?[0-9,]+\\.[0-9]{2}-?"))) continue;
      const std::string at = std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 4);
      ASSERT_EQ(1u, cells.count(at)) << at << " " << figure;
      const std::string plain = std::regex_replace(figure, std::regex(","), "");
      EXPECT_DOUBLE_EQ(std::stod(plain), std::stod(cells[at][4])) << at;
      EXPECT_TRUE(cells[at][3] == "float" || cells[at][3] == "int") << at;
      ++numbers;
    }
  }
  EXPECT_GT(numbers, 80);
  EXPECT_EQ(64u, custom["Source SHA-256"].size());
  EXPECT_TRUE(custom["Source file"].ends_with("BKMVDATA.TXT"));
}

// On a set with every fault, the checks' amount columns ("חובה", "זכות", "יתרה") hold numbers
// for amounts only: a key, a dealer number, a count or a quantity there is a text cell, in
// neither the debit nor the credit colour, so that a sum of the column adds amounts.
TEST_F(ReportCliTest, TheChecksWorkbookKeepsKeysAndCountsOutOfItsAmountColumns) {
  const std::string set = scratch_.File("faults");
  Generate(set, "$(" TALLYSCAN_GEN " --list-faults | awk '{ printf \"--fault %s \", $1 }')");
  const std::string xlsx = scratch_.File("faults-checks.xlsx");
  ASSERT_EQ(
      0,
      testing::RunCli("report checks --format xlsx --out " + xlsx + " " + set, scratch_).exit_code);
  struct Cell {
    std::string type, value, format, colour;
  };
  std::map<std::string, Cell> cells;  // by coordinate
  for (const std::string& line :
       Split(Output("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " +
                    xlsx),
             "\n")) {
    const std::vector<std::string> f = Split(line, "\t");
    if (f.size() > 6 && f[0] == "cell") cells[f[2]] = {f[3], f[4], f[5], f[6]};
  }
  std::set<std::string> amount_colours;
  for (const auto& [at, cell] : cells) {
    if ((at[0] == 'C' || at[0] == 'D') && cell.type == "float" && cell.value != "0.0") {
      amount_colours.insert(cell.colour);
    }
  }
  int texts = 0, amounts = 0;
  for (const auto& [at, cell] : cells) {
    if (at[0] < 'C' || at[0] > 'E' || std::stoi(at.substr(1)) < 4) continue;
    if (cell.type == "str") {
      ++texts;
      EXPECT_EQ(0u, amount_colours.count(cell.colour)) << at << " " << cell.value;
    } else {
      ++amounts;
      EXPECT_NE(std::string::npos, cell.format.find("0.00")) << at << " " << cell.value;
    }
  }
  EXPECT_GT(texts, 3);  // the keys of the missing accounts, the dealer numbers, the counts
  EXPECT_GT(amounts, 40);
}

// The cells of the layout line that holds `text`, in reading order: pdftotext gives a right-to-
// left line's cells from left to right, each cell's words in the order they are written.
std::vector<std::string> PdfCells(const std::string& pdf_text, const std::string& text) {
  for (const std::string& line : Split(pdf_text, "\n")) {
    if (line.find(text) == std::string::npos) continue;
    std::vector<std::string> cells;
    for (const std::string& cell :
         Split(std::regex_replace(line, std::regex("^ +| +$"), ""), "  ")) {
      const std::string trimmed = std::regex_replace(cell, std::regex("^ +| +$"), "");
      if (!trimmed.empty()) cells.insert(cells.begin(), trimmed);
    }
    return cells;
  }
  return {};
}

// A row of the e-mail form as the page shows it: empty cells left out, a trailing sign before
// its figure.
std::vector<std::string> Shown(const std::vector<std::string>& row) {
  std::vector<std::string> shown;
  for (const std::string& cell : row) {
    if (cell.empty()) continue;
    shown.push_back(cell.ends_with("-") ? "-" + cell.substr(0, cell.size() - 1) : cell);
  }
  return shown;
}

TEST_F(ReportCliTest, ThePdfHoldsTheWordsAndFiguresOfEachReportAsText) {
  for (const std::string kind : {"import", "checks"}) {
    const std::string pdf = scratch_.File(kind + ".pdf"), htm = scratch_.File(kind + ".htm");
    ASSERT_EQ(0, Report(kind, "pdf", pdf).exit_code) << kind;
    ASSERT_EQ(0, Report(kind, "htm", htm).exit_code) << kind;
    const std::string text = PdfText(pdf);
    const auto rows = HtmlRows(htm);
    ASSERT_GT(rows.size(), 3u);
    // The first row with a figure (or the first row), and a row with a negative figure.
    std::vector<std::vector<std::string>> chosen = {rows[0]};
    for (const auto& row : rows) {
      if (row.size() > 2 && !row[2].empty() && row[2].find_first_of("0123456789") == 0) {
        chosen[0] = row;
        break;
      }
    }
    for (const auto& row : rows) {
      if (kind == "checks" && !row.back().empty() && row.back().ends_with("-")) {
        chosen.push_back(row);
        break;
      }
    }
    if (kind == "checks") {
      ASSERT_EQ(2u, chosen.size());
    }
    for (const auto& row : chosen) {
      EXPECT_EQ(Shown(row), PdfCells(text, row[1])) << kind << ": " << row[1];
    }
    EXPECT_NE(std::string::npos, text.find("מספר עוסק")) << kind;
  }
}

// The letters of a text (its code points but blanks), counted.
std::multiset<std::string> Letters(const std::string& text) {
  std::multiset<std::string> letters;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    if (!std::isspace(static_cast<unsigned char>(text[at])))
      letters.insert(text.substr(at, end - at));
    at = end;
  }
  return letters;
}

// The letters of each row of a report's -layout text, by the row's number: a row begins at the
// line that ends with its number in the "#" column (the rightmost; rows count from 1) and takes
// the lines below it up to the next row's. Counted, not read in order: the reader may reorder
// the pieces of a line and space out the letters of a word.
std::map<int, std::multiset<std::string>> RowLetters(const std::string& layout_text) {
  std::map<int, std::multiset<std::string>> rows;
  int row = 0;
  for (const std::string& line : Split(layout_text, "\n")) {
    std::smatch number;
    if (std::regex_search(line, number, std::regex("(^|\\s)([0-9]+) *$")) &&
        std::stoi(number[2]) == row + 1) {
      ++row;
    }
    if (row > 0) rows[row].merge(Letters(line));
  }
  return rows;
}

// On paper nothing is cut: every account name of the index, and the longest finding of the
// checks (on a set with faults), are printed whole in their rows, broken over lines where they
// must.
TEST_F(ReportCliTest, ThePdfHoldsEveryAccountNameAndTheLongestFindingWhole) {
  const std::string faulted = scratch_.File("faulted");
  Generate(faulted,
           "--fault account-totals --fault price-quantity --fault missing-section --fault vat");
  struct Case {
    std::string kind, folder;
    std::size_t column;  // of the texts in the HTML form's rows, whose first cell is "#"
    bool longest_only;
  };
  for (const Case& c : std::vector<Case>{{"index", set_->path() + "/valid", 2, false},
                                         {"checks", faulted, 1, true}}) {
    const std::string pdf = scratch_.File(c.kind + ".pdf"), htm = scratch_.File(c.kind + ".htm");
    for (const auto& [format, out] : {std::pair{"pdf", pdf}, std::pair{"htm", htm}}) {
      ASSERT_EQ(0, testing::RunCli("report " + c.kind + " --format " + format + " --out " + out +
                                       " " + c.folder,
                                   scratch_)
                       .exit_code)
          << c.kind << " " << format;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : HtmlRows(htm)) {
      if (row.size() <= c.column || row[0].empty() || row[c.column].empty()) continue;
      if (!c.longest_only) {
        rows.push_back(row);
      } else if (rows.empty() ||
                 Letters(row[c.column]).size() > Letters(rows[0][c.column]).size()) {
        rows = {row};
      }
    }
    ASSERT_GT(rows.size(), c.longest_only ? 0u : 20u) << c.kind;
    auto printed = RowLetters(PdfText(pdf));
    for (const auto& row : rows) {
      const std::multiset<std::string> letters = Letters(row[c.column]);
      const std::multiset<std::string>& in_row = printed[std::stoi(row[0])];
      EXPECT_TRUE(std::includes(in_row.begin(), in_row.end(), letters.begin(), letters.end()))
          << c.kind << " row " << row[0] << ": " << row[c.column];
    }
    if (c.longest_only) {
      EXPECT_GT(Letters(rows[0][c.column]).size(), 40u) << rows[0][c.column];
    }
  }
}

TEST_F(ReportCliTest, ALongReportRunsOverPagesWithEveryLineOnce) {
  testing::TempFolder big;
  const std::string gen = std::string(TALLYSCAN_GEN) +
                          " --quiet --movements 3000 --seed 7 --fault missing-cheque@150"
                          " --fault vat@150 " +
                          big.path();
  ASSERT_EQ(0, std::system(gen.c_str()));
  const std::string pdf = scratch_.File("long.pdf"), htm = scratch_.File("long.htm");
  for (const auto& [format, out] : {std::pair{"pdf", pdf}, std::pair{"htm", htm}}) {
    ASSERT_EQ(0, testing::RunCli("report checks --format " + std::string(format) + " --out " + out +
                                     " " + big.path(),
                                 scratch_)
                     .exit_code);
  }
  const std::size_t lines = HtmlRows(htm).size();
  const std::string info = Output("pdfinfo '" + pdf + "'");
  std::smatch pages;
  ASSERT_TRUE(std::regex_search(info, pages, std::regex("Pages: +([0-9]+)")));
  const std::size_t page_count = std::stoul(pages[1]);
  EXPECT_GT(page_count, 3u);
  // Each page opens with the header that numbers it.
  const std::vector<std::string> texts = Split(PdfText(pdf), "\f");
  for (std::size_t page = 1; page <= page_count; ++page) {
    ASSERT_GE(texts.size(), page);
    // pdftotext may put the dash of "דף - N" after the number.
    EXPECT_TRUE(std::regex_search(texts[page - 1],
                                  std::regex("דף -? ?" + std::to_string(page) + "( -)?\\s")))
        << page;
    EXPECT_NE(std::string::npos, texts[page - 1].find("תוצאות בדיקות תקינות"));
  }
  // The "#" column counts every line once.
  const std::string last = "  " + std::to_string(lines) + "\n";
  EXPECT_NE(std::string::npos, texts[page_count - 1].find(last));
}

// The browsers' reports in the three forms besides the HTML of the golden files: the PDF holds
// the title and the last figure of the e-mail form as text, the workbook the title above its
// table and the figures as numbers.
TEST_F(ReportCliTest, EachBrowserReportReachesThePdfAndTheWorkbook) {
  struct Case {
    std::string kind, title, further;  // `further`: a text further into the report
  };
  for (const Case& c :
       std::vector<Case>{{"index --sort 3", "אינדקס החשבונות", "מפתח החשבון"},
                         {"ledger --from 1100 --to 1300", "קופה ראשית", "מע\"מ תשומות"},
                         {"document --type 305", "****העתק****", "סה'כ לתשלום"},
                         {"items --sort 12", "קטלוג פריטים", "מחיר עלות"}}) {
    const std::string pdf = scratch_.File("b.pdf"), htm = scratch_.File("b.htm"),
                      xlsx = scratch_.File("b.xlsx");
    for (const auto& [format, out] :
         {std::pair{"pdf", pdf}, std::pair{"htm", htm}, std::pair{"xlsx", xlsx}}) {
      ASSERT_EQ(0, Report(c.kind, format, out).exit_code) << c.kind << " " << format;
    }
    const std::string text = PdfText(pdf);
    EXPECT_NE(std::string::npos, text.find(c.title)) << c.kind;
    EXPECT_NE(std::string::npos, text.find(c.further)) << c.kind;
    const auto rows = HtmlRows(htm);
    ASSERT_FALSE(rows.empty()) << c.kind;
    std::string figure;
    for (const std::string& cell : rows.back()) {
      if (std::regex_match(cell, std::regex("[0-9,]+\\.[0-9]{2}-?"))) figure = cell;
    }
    ASSERT_FALSE(figure.empty()) << c.kind;
    EXPECT_NE(std::string::npos,
              text.find(figure.ends_with("-") ? "-" + figure.substr(0, figure.size() - 1) : figure))
        << c.kind << ": " << figure;

    const std::string book =
        Output("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " + xlsx);
    EXPECT_NE(std::string::npos, book.find(c.title)) << c.kind;
    EXPECT_NE(std::string::npos, book.find(c.further)) << c.kind;
    const std::string plain = std::regex_replace(figure, std::regex(",|-"), "");
    EXPECT_TRUE(
        std::regex_search(
            book, std::regex("\tfloat\t-?" + std::regex_replace(plain, std::regex("\\."), "\\.") +
                             "\t")) ||
        std::regex_search(book, std::regex("\tint\t-?" + plain.substr(0, plain.find('.')) + "\t")))
        << c.kind << ": " << figure;
  }
}

TEST_F(ReportCliTest, TheStatisticsReportsReachThePdfAndTheWorkbook) {
  struct Case {
    std::string kind, title, further;  // `further`: a text of a row
  };
  for (const Case& c :
       std::vector<Case>{{"fields", "סטטיסטיקת שדות", "2,522,083.41"},
                         {"summary-documents", "סיכום מסמכים לפי סוג", "קבלה"},
                         {"summary-records", "סיכום רשומות לפי סוג", "תנועות הנהלת חשבונות"}}) {
    const std::string pdf = scratch_.File("s.pdf"), xlsx = scratch_.File("s.xlsx");
    ASSERT_EQ(0, Report(c.kind, "pdf", pdf).exit_code) << c.kind;
    ASSERT_EQ(0, Report(c.kind, "xlsx", xlsx).exit_code) << c.kind;
    const std::string text = PdfText(pdf);
    EXPECT_NE(std::string::npos, text.find(c.title)) << c.kind;
    EXPECT_NE(std::string::npos, text.find(c.further)) << c.kind;
    const std::string book =
        Output("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " + xlsx);
    EXPECT_NE(std::string::npos, book.find(c.title)) << c.kind;
  }
}

TEST_F(ReportCliTest, AReportThatFindsNothingWritesNoFile) {
  for (const std::string args : {"ledger --from NO-SUCH-CARD", "document --type 330",
                                 "document --type 400 --number 999999"}) {
    const std::string out = scratch_.File("none.htm");
    EXPECT_EQ(1, Report(args, "htm", out).exit_code) << args;
    EXPECT_NE(0, ::access(out.c_str(), F_OK)) << args;
  }
}

TEST_F(ReportCliTest, AFailedWriteIsReportedAndLeavesNoFile) {
  for (const std::string format : {"htm", "xlsx", "pdf"}) {
    const std::string out = scratch_.File("full." + format);
    // A file size limit of 4 KB makes every write past it fail, as a full disk would.
    const std::string command = "bash -c \"trap '' XFSZ; ulimit -f 4; exec " TALLYSCAN_CLI
                                " report checks --format " +
                                format + " --out " + out + " " + set_->path() +
                                "/valid\" >/dev/null 2>" + scratch_.File("err");
    const int status = std::system(command.c_str());
    EXPECT_EQ(1, WEXITSTATUS(status)) << format;
    EXPECT_NE(std::string::npos,
              testing::ReadFile(scratch_.File("err")).find("לא ניתן לכתוב את הקובץ " + out))
        << format << ": " << testing::ReadFile(scratch_.File("err"));
    EXPECT_NE(0, ::access(out.c_str(), F_OK)) << format;
  }
}

// A report never replaces the files it was read from, whatever name --out gives them.
TEST_F(ReportCliTest, TheDataSetsOwnFilesAreNeverAReportsOutput) {
  for (const bool zipped : {false, true}) {
    const std::string folder = scratch_.File(zipped ? "zipped" : "plain");
    Generate(folder, zipped ? "--zip" : "");
    const std::string data = folder + (zipped ? "/BKMVDATA.ZIP" : "/BKMVDATA.TXT");
    const std::string link = scratch_.File("link.htm");
    std::filesystem::remove(link);
    ASSERT_EQ(0, ::symlink(data.c_str(), link.c_str()));
    // The first reading extracts the archive beside it; what the folder holds then must stay.
    ASSERT_EQ(0, testing::RunCli("import " + folder, scratch_).exit_code);
    const auto before = Listing(folder);
    for (const std::string& out : {data, folder + "/INI.TXT", folder + "/Ini.txt",
                                   folder + "/bkmvdata.txt", folder + "/BkmvData.Zip", link}) {
      for (const std::string format : {"htm", "xlsx"}) {
        const testing::CliRun run =
            testing::RunCli("report ledger --from 1100 --to 8100 --format " + format + " --out " +
                                out + " " + folder,
                            scratch_);
        EXPECT_EQ(1, run.exit_code) << out << " " << format;
        EXPECT_NE(std::string::npos, run.err.find("לא ניתן לכתוב את הקובץ " + out)) << run.err;
      }
    }
    EXPECT_EQ(before, Listing(folder)) << folder;
  }
}

TEST_F(ReportCliTest, ALinkAtTheOutputIsRefusedAndLeftAsItWas) {
  testing::WriteFile(scratch_.File("kept.htm"), "kept");
  ASSERT_EQ(0, ::symlink("kept.htm", scratch_.File("link.htm").c_str()));
  ASSERT_EQ(0, ::symlink("/proc/self/fd/1", scratch_.File("stdout.htm").c_str()));
  const auto before = Listing(scratch_.path());
  for (const std::string name : {"link.htm", "stdout.htm"}) {
    for (const std::string format : {"htm", "xlsx", "pdf"}) {
      const testing::CliRun run = Report("checks", format, scratch_.File(name));
      EXPECT_EQ(1, run.exit_code) << name << " " << format;
      EXPECT_EQ("", run.out) << name << " " << format;
    }
  }
  auto after = Listing(scratch_.path());
  after.erase("stdout");
  after.erase("stderr");
  EXPECT_EQ(before, after);
}

// A copy of /dev/full: writing it fails, and a failure once removed whatever --out named.
TEST_F(ReportCliTest, ADeviceAtTheOutputIsRefusedAndLeftAsItWas) {
  const std::string device = scratch_.File("full.htm");
  if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
    GTEST_SKIP() << "making a device node needs root";
  }
  for (const std::string format : {"htm", "xlsx", "pdf"}) {
    EXPECT_EQ(1, Report("checks", format, device).exit_code) << format;
    struct stat info {};
    ASSERT_EQ(0, ::lstat(device.c_str(), &info)) << format;
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << format;
    EXPECT_EQ(::makedev(1, 7), info.st_rdev) << format;
  }
}

// The workbook library writes each sheet into a temporary file first and does not notice when
// that write fails: a limit on the size of a file cuts the sheet (not the much smaller
// archive), and the cut workbook must not be taken for a report.
TEST_F(ReportCliTest, AWorkbookWhoseSheetWasCutIsRefusedAndLeavesNoFile) {
  const std::string out = scratch_.File("ledger.xlsx");
  const std::string command = "bash -c \"trap '' XFSZ; ulimit -f 64; exec " TALLYSCAN_CLI
                              " report ledger --from 1100 --to 8100 --format xlsx --out " +
                              out + " " + set_->path() + "/valid\" >/dev/null 2>" +
                              scratch_.File("err");
  const int status = std::system(command.c_str());
  EXPECT_EQ(1, WEXITSTATUS(status));
  EXPECT_NE(std::string::npos,
            testing::ReadFile(scratch_.File("err")).find("לא ניתן לכתוב את הקובץ " + out))
      << testing::ReadFile(scratch_.File("err"));
  EXPECT_EQ((std::vector<std::string>{"err"}), [&] {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : Listing(scratch_.path())) names.push_back(name);
    return names;
  }());
}

// The temporary folder full (TMPDIR on a small file system of the test's own, mounted in a
// child's namespace where the test may mount one): the workbook keeps its temporary files
// beside itself and comes out whole. The mount lies in the scratch folder, so the program, the
// set and the workbook are reached wherever the checkout and the build lie.
TEST_F(ReportCliTest, AFullTemporaryFolderDoesNotCutTheWorkbook) {
  const std::string small = scratch_.File("small-tmp");
  std::filesystem::create_directory(small);
  const std::string mount = "mount -t tmpfs -o size=64k tmpfs '" + small + "'";
  if (std::system(("unshare -m sh -c \"" + mount + "\" 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "no file system can be mounted here";
  }
  Generate(scratch_.File("set"));
  const std::string command = "cd " + scratch_.path() + " && unshare -m sh -c \"" + mount +
                              " && TMPDIR='" + small +
                              "' exec " TALLYSCAN_CLI
                              " report ledger --from 1100 --to 8100 --format xlsx --out book.xlsx "
                              "set\" >/dev/null 2>err";
  ASSERT_EQ(0, std::system(command.c_str())) << testing::ReadFile(scratch_.File("err"));
  const std::string book =
      Output("/usr/bin/python3 " TALLYSCAN_SOURCE_DIR "/tests/report/read_workbook.py " +
             scratch_.File("book.xlsx") + " && echo read whole");
  EXPECT_TRUE(book.ends_with("read whole\n"))
      << book.substr(book.size() - std::min<std::size_t>(200, book.size()));
  EXPECT_NE(std::string::npos, book.find("הכנסות ריבית"));
}

TEST_F(ReportCliTest, TheHtmlFormsGoToStandardOutputAsToAFile) {
  const std::string htm = scratch_.File("checks.htm");
  ::setenv("SOURCE_DATE_EPOCH", "1736937000", 1);  // the same print date for both
  ASSERT_EQ(0, Report("checks", "htm", htm).exit_code);
  const testing::CliRun run = Report("checks", "htm", "-");
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(0, run.exit_code) << run.err;
  EXPECT_EQ(testing::ReadFile(htm), run.out);
}

TEST_F(ReportCliTest, UsageMistakesExitWithTwo) {
  const std::string folder = set_->path() + "/valid";
  for (const std::string& args : std::vector<std::string>{
           "report", "report checks --format htm " + folder, "report checks --out x " + folder,
           "report ledgers --format htm --out x " + folder,
           "report checks --format doc --out x " + folder,
           "report checks --format htm --out x --items Z9 " + folder,
           "report document --format htm --out x " + folder,
           "report index --sort 25 --format htm --out x " + folder,
           "report items --sort 1 --format htm --out x " + folder,
           "report index --from 1100 --format htm --out x " + folder,
           "report checks --format xlsx --out - " + folder,
           "report checks --format pdf --out - " + folder}) {
    EXPECT_EQ(2, testing::RunCli(args, scratch_).exit_code) << args;
  }
}

}  // namespace
}  // namespace tallyscan
