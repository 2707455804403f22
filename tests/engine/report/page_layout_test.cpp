// The pages of a report on a canvas that records what would be drawn: the header on every page,
// narrow and wide fonts, figures widened and texts broken into lines rather than cut, the
// least widths of text columns, landscape pages, rows kept on one page, red error lines, grid
// lines, and a stop that still ends the document.
#include "engine/report/page_layout.h"

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "engine/report/report_fixture.h"

namespace tallyscan {
namespace {

using testing::Col;

struct DrawnText {
  int page;
  int slot;
  PaperRect box;
  std::string text;
  TextAlign align;
  bool right_to_left;
  bool elide;
  Colour colour;
};

struct DrawnLine {
  int page;
  double y1, y2;
  double width;
};

// Every letter is as wide as the slot's number of units, except that the wide slots (even)
// are narrower; a line of any font is 20 units high. 5 units make a millimetre.
class RecordingCanvas final : public PageCanvas {
 public:
  PaperRect PageArea() override {
    return landscape ? PaperRect{0, 0, 1400, 1000} : PaperRect{0, 0, 1000, 1400};
  }
  bool TurnLandscape() override {
    if (pages > 0) turned_late = true;
    landscape = can_turn;
    return can_turn;
  }
  double UnitsPerMillimetre() override { return 5; }
  void SelectFont(int slot) override { slot_ = slot; }
  double TextWidth(std::string_view text) override {
    double letters = 0;
    for (const char c : text) letters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return letters * LetterWidth();
  }
  double LineHeight() override { return 20; }
  void SetTextColour(Colour colour) override { text_colour = colour; }
  void DrawText(const PaperRect& box, std::string_view text, TextAlign align, bool rtl,
                bool elide) override {
    texts.push_back({pages, slot_, box, std::string(text), align, rtl, elide, text_colour});
  }
  void DrawLine(double, double y1, double, double y2, Colour, double width) override {
    lines.push_back({pages, y1, y2, width});
  }
  void DrawRoundedFrame(const PaperRect&) override {}
  void DrawChart(const PaperRect& box, const ReportChart& chart) override {
    charts.push_back({pages, box, chart.title});
  }
  void StartPage() override { ++pages; }
  Status Finish() override {
    ++finished;
    return Status::Ok();
  }

  double LetterWidth() const { return slot_ % 2 == 0 ? 6 : 10; }

  const DrawnText* Find(std::string_view text) const {
    for (const DrawnText& drawn : texts) {
      if (drawn.text == text) return &drawn;
    }
    return nullptr;
  }
  int CountOf(std::string_view text) const {
    int count = 0;
    for (const DrawnText& drawn : texts) count += drawn.text == text ? 1 : 0;
    return count;
  }
  // The lines drawn in the column and row of `first`, from its own on, a line height apart.
  std::vector<std::string> LinesFrom(const DrawnText& first) const {
    std::vector<std::string> found;
    for (const DrawnText& drawn : texts) {
      const double top = first.box.top + 20 * static_cast<double>(found.size());
      if (drawn.page == first.page && drawn.box.left == first.box.left &&
          drawn.box.right == first.box.right && std::abs(drawn.box.top - top) < 0.01) {
        found.push_back(drawn.text);
      }
    }
    return found;
  }

  std::vector<DrawnText> texts;
  std::vector<DrawnLine> lines;
  struct DrawnChart {
    int page;
    PaperRect box;
    std::string title;
  };
  std::vector<DrawnChart> charts;
  int pages = 0;
  int finished = 0;
  Colour text_colour = 0;
  bool can_turn = true;
  bool landscape = false;
  bool turned_late = false;

 private:
  int slot_ = 0;
};

class PageLayoutTest : public ::testing::Test {
 protected:
  Status Run(const ColumnLayout& column_layout, int lines, ProgressMonitor& monitor,
             const std::vector<std::string>& cells = {"1", "שם", "1,234.50"}) {
    PageLayout layout(canvas_);
    ReportStream stream(header_, fonts_, {&layout}, monitor);
    stream.AddTitle("10אינדקס החשבונות");
    stream.SetColumns(column_layout);
    for (int i = 1; i <= lines; ++i) {
      std::vector<std::string> line = cells;
      line[0] = std::to_string(i);
      if (!stream.Line(std::move(line))) break;
    }
    wide_ = layout.Wide();
    return stream.End();
  }

  RecordingCanvas canvas_;
  ReportHeader header_ = testing::TestHeader();
  PrintFonts fonts_ = DefaultPrintFonts();
  SilentProgress silent_;
  bool wide_ = false;
};

TEST_F(PageLayoutTest, EveryPageOpensWithTheFullHeader) {
  ASSERT_TRUE(
      Run({{Col(3, "#"), Col(30, "שם"), Col(10, "חובה", kDebitColumn)}}, 120, silent_).ok());
  ASSERT_GE(canvas_.pages, 3);
  EXPECT_EQ(1, canvas_.finished);
  EXPECT_EQ(Rgb(0, 0, 255), canvas_.text_colour);  // the print settings' text colour
  for (int page = 1; page <= canvas_.pages; ++page) {
    for (const std::string& text :
         {std::string("מאפיית הגליל <בע\"מ>"), std::string("רחוב הרצל 1 חיפה"),
          std::string("מספר עוסק - 123456782"), std::string("תאריך הדפסה - 15/01/2025 "),
          std::string(" שנת כספים - 2024"), "דף - " + std::to_string(page),
          std::string("אינדקס החשבונות"), std::string("חובה")}) {
      const bool found =
          std::any_of(canvas_.texts.begin(), canvas_.texts.end(),
                      [&](const DrawnText& t) { return t.page == page && t.text == text; });
      EXPECT_TRUE(found) << "page " << page << ": " << text;
    }
  }
  // Every line printed once, in order, and nothing below the printable area.
  for (int i = 1; i <= 120; ++i) EXPECT_EQ(1, canvas_.CountOf(std::to_string(i))) << i;
  for (const DrawnText& text : canvas_.texts) EXPECT_LE(text.box.bottom, 1400.01) << text.text;
}

TEST_F(PageLayoutTest, HeadingsThatDoNotFitInTheBodyFontMakeTheReportWide) {
  // 100 counted letters of 10 units fill the 1000 units exactly: narrow.
  ASSERT_TRUE(
      Run({{Col(10, std::string(50, 'a')), Col(10, std::string(50, 'b'))}}, 1, silent_, {"1", "x"})
          .ok());
  EXPECT_FALSE(wide_);
  EXPECT_EQ(5, [&] {
    for (const DrawnText& t : canvas_.texts) {
      if (t.text == "x") return t.slot;
    }
    return -1;
  }());
  canvas_ = RecordingCanvas();
  ASSERT_TRUE(
      Run({{Col(10, std::string(50, 'a')), Col(10, std::string(51, 'b'))}}, 1, silent_, {"1", "x"})
          .ok());
  EXPECT_TRUE(wide_);
  const DrawnText* body = canvas_.Find("x");
  ASSERT_NE(nullptr, body);
  EXPECT_EQ(6, body->slot);
  EXPECT_EQ(4, canvas_.Find(std::string(50, 'a'))->slot);  // the wide heading slot
}

TEST_F(PageLayoutTest, NothingIsCutFiguresWidenAndTextsBreakIntoLines) {
  // The figure column's share (10 of 54 characters) holds 18 letters; the figure has 22. The
  // date's text column holds 7 letters of its 10: a date is kept whole like a figure. The name
  // is one word longer than the page: it breaks between its letters.
  const std::string figure = "123,456,789,012,345.00";
  const std::string long_name(120, 'n');
  ASSERT_TRUE(Run({{Col(5, "#"), Col(35, "שם"), Col(4, "תאריך"), Col(10, "סכום", kFigureColumn)}},
                  1, silent_, {"1", long_name, "01/01/2024", figure})
                  .ok());
  const DrawnText* date = canvas_.Find("01/01/2024");
  ASSERT_NE(nullptr, date);
  EXPECT_GE(date->box.right - date->box.left, 10 * 10.0);
  const DrawnText* drawn = canvas_.Find(figure);
  ASSERT_NE(nullptr, drawn);
  EXPECT_GE(drawn->box.right - drawn->box.left, 22 * 10.0);
  EXPECT_FALSE(drawn->elide);
  EXPECT_EQ(TextAlign::kRight, drawn->align);
  const DrawnText* name = nullptr;
  for (const DrawnText& text : canvas_.texts) {
    if (text.text.starts_with("nnn") && name == nullptr) name = &text;
  }
  ASSERT_NE(nullptr, name);
  const std::vector<std::string> lines = canvas_.LinesFrom(*name);
  EXPECT_GT(lines.size(), 1u);
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(10.0 * static_cast<double>(line.size()), name->box.right - name->box.left) << line;
    joined += line;
  }
  EXPECT_EQ(long_name, joined);
  EXPECT_FALSE(name->elide);
  EXPECT_LE(name->box.right, 1000);
  EXPECT_LE(drawn->box.right, name->box.left);  // the figure lies left of the name
  EXPECT_GE(drawn->box.left, 0);
  EXPECT_FALSE(canvas_.landscape);
}

TEST_F(PageLayoutTest, ATextColumnKeepsItsHeadingAndTwelveLettersAndItsRowGrows) {
  // Shares of 1 and 2 of 54 characters: 18 and 37 units. The name column keeps 12 letters
  // (120 units inside its margins), the other its 15-letter heading; no column has room to
  // lend (the notes hold words too).
  const std::string name = "אבגד הוזח טיכל מנסע פצקר שתאב";
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(1, "#"), Col(1, "שם"), Col(2, "מספר עוסק מורשה"), Col(40, "הערות"),
                      Col(10, "יתרה", kFigureColumn)}});
  stream.Line({"1", name, "", "הערה", "10.00"});
  stream.Line({"2", "קצר", "", "הערה", "20.00"});
  ASSERT_TRUE(stream.End().ok());
  const DrawnText* first = canvas_.Find("אבגד הוזח");
  ASSERT_NE(nullptr, first);
  EXPECT_GE(first->box.right - first->box.left, 120.0);
  EXPECT_EQ((std::vector<std::string>{"אבגד הוזח", "טיכל מנסע", "פצקר שתאב"}),
            canvas_.LinesFrom(*first));
  const DrawnText* heading = canvas_.Find("מספר עוסק מורשה");
  ASSERT_NE(nullptr, heading);
  EXPECT_GE(heading->box.right - heading->box.left, 150.0);
  // The first row holds three lines: the second row begins below the third.
  const DrawnText* one = canvas_.Find("1");
  const DrawnText* two = canvas_.Find("2");
  ASSERT_TRUE(one != nullptr && two != nullptr);
  EXPECT_GE(two->box.top - one->box.top, 26.0 + 2 * 20.0);
  EXPECT_FALSE(canvas_.landscape);
}

TEST_F(PageLayoutTest, AColumnOfCodesLendsItsBlankRoomToANameRatherThanBreakIt) {
  // As the accounts index: a wide key column of six-digit keys beside a narrow name column.
  const std::string name = "אבגדהוזחטיכלמנסעפצקר שתאב";  // 25 letters
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(3, "#"), Col(18, "מפתח"), Col(6, "שם"), Col(10, "יתרה", kFigureColumn)}});
  stream.Line({"1", "100001", name, "1,234.50"});
  ASSERT_TRUE(stream.End().ok());
  const DrawnText* whole = canvas_.Find(name);
  ASSERT_NE(nullptr, whole);
  EXPECT_GE(whole->box.right - whole->box.left, 250.0);
  const DrawnText* key = canvas_.Find("100001");
  ASSERT_NE(nullptr, key);
  EXPECT_GE(key->box.right - key->box.left, 60.0);
  for (const DrawnText& text : canvas_.texts) EXPECT_GE(text.box.left, 0) << text.text;
}

TEST_F(PageLayoutTest, ColumnsThatCannotStandUprightTurnThePagesOrBreakTheirWordsShorter) {
  // Eight text columns of words keep 12 letters each (128.5 units with margins and rule): 1028
  // units beside the column of row numbers.
  ColumnLayout columns;
  std::vector<std::string> cells;
  for (const char* caption : {"#", "a", "b", "c", "d", "e", "f", "g", "h"}) {
    columns.columns.push_back(Col(1, caption));
    cells.push_back("abcdefghijkl");
  }
  for (const bool can_turn : {true, false}) {
    canvas_ = RecordingCanvas();
    canvas_.can_turn = can_turn;
    ASSERT_TRUE(Run(columns, 2, silent_, cells).ok());
    EXPECT_EQ(can_turn, canvas_.landscape);
    EXPECT_FALSE(canvas_.turned_late);  // the first page is already turned
    const double page_width = can_turn ? 1400 : 1000;
    for (const DrawnText& text : canvas_.texts) {
      EXPECT_GE(text.box.left, 0) << text.text;
      EXPECT_LE(text.box.right, page_width) << text.text;
    }
    // Eight cells in each of the two rows: whole in landscape; upright, 11 letters a line.
    EXPECT_EQ(can_turn ? 16 : 0, canvas_.CountOf("abcdefghijkl"));
    EXPECT_EQ(can_turn ? 0 : 16, canvas_.CountOf("abcdefghijk"));
    EXPECT_EQ(can_turn ? 0 : 16, canvas_.CountOf("l"));
  }
}

TEST_F(PageLayoutTest, ARowStaysOnOnePageUnlessItIsTallerThanAPage) {
  // Rows of three lines each, then one row of 300 words (a line each).
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(1, "#"), Col(1, "פרטים"), Col(40, "הערות")}});
  constexpr int kRows = 80;
  for (int row = 1; row <= kRows; ++row) {
    const std::string id = "r" + std::to_string(100 + row);
    stream.Line({std::to_string(row), id + "aaaaaa " + id + "bbbbbb " + id + "cccccc", "x"});
  }
  std::string long_text;
  for (int word = 0; word < 300; ++word)
    long_text += "w" + std::to_string(1000 + word) + "xxxxxxx ";
  stream.Line({"999", long_text, "x"});
  ASSERT_TRUE(stream.End().ok());
  for (int row = 1; row <= kRows; ++row) {
    const DrawnText* number = canvas_.Find(std::to_string(row));
    ASSERT_NE(nullptr, number) << row;
    const std::string id = "r" + std::to_string(100 + row);
    int lines = 0;
    for (const DrawnText& text : canvas_.texts) {
      if (!text.text.starts_with(id)) continue;
      ++lines;
      EXPECT_EQ(number->page, text.page) << text.text;
    }
    EXPECT_EQ(3, lines) << row;
  }
  // The long row goes on over the next pages, every word once and in order.
  std::vector<int> words;
  std::set<int> pages;
  for (const DrawnText& text : canvas_.texts) {
    if (!text.text.starts_with("w")) continue;
    words.push_back(std::stoi(text.text.substr(1, 4)));
    pages.insert(text.page);
  }
  ASSERT_EQ(300u, words.size());
  for (int word = 0; word < 300; ++word)
    EXPECT_EQ(1000 + word, words[static_cast<std::size_t>(word)]);
  EXPECT_GE(pages.size(), 5u);
  for (const DrawnText& text : canvas_.texts) EXPECT_LE(text.box.bottom, 1400.01) << text.text;
}

TEST_F(PageLayoutTest, AChartSpansThePageBelowItsTableAndMovesWholeToTheNextPage) {
  // Tables of nine rows, each with its chart: some charts fit below their table, others not.
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(4, "ספרה"), Col(8, "בפועל", kFigureColumn)}});
  constexpr int kTables = 8;
  for (int table = 0; table < kTables; ++table) {
    const std::string name = "t" + std::to_string(table) + "-";
    for (int row = 1; row <= 9; ++row) stream.Line({name + std::to_string(row), "0.1000"});
    stream.Chart({name, {"1"}, {0.1}, {0.1}, "", "", 0, 1, 1});
  }
  ASSERT_TRUE(stream.End().ok());
  ASSERT_EQ(static_cast<std::size_t>(kTables), canvas_.charts.size());
  int moved = 0;
  for (const auto& [page, box, title] : canvas_.charts) {
    const DrawnText* last = canvas_.Find(title + "9");
    ASSERT_NE(nullptr, last) << title;
    EXPECT_NEAR(85 * 5, box.Height(), 25) << title;
    EXPECT_NEAR(1000, box.Width(), 200) << title;
    EXPECT_LE(box.bottom, 1400.01) << title;
    if (page == last->page) {
      EXPECT_GE(box.top, last->box.bottom) << title;
    } else {
      EXPECT_EQ(last->page + 1, page) << title;
      // Room was short below the table.
      EXPECT_GT(last->box.bottom + box.Height(), 1400) << title;
      ++moved;
    }
  }
  EXPECT_GT(moved, 0);
  EXPECT_LT(moved, kTables);
}

TEST_F(PageLayoutTest, AnErrorLineIsRedAndTheLinesAroundItKeepTheTextColour) {
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(5, "#"), Col(30, "פרטים")}});
  stream.Line({"1", "תקין"});
  stream.Line({"2", "שגוי"}, kBodyStyle, 0, LineMark::kError);
  stream.Line({"3", "תקין גם"});
  ASSERT_TRUE(stream.End().ok());
  for (const auto& [text, colour] :
       {std::pair{"תקין", fonts_.text_colour}, std::pair{"2", Rgb(255, 0, 0)},
        std::pair{"שגוי", Rgb(255, 0, 0)}, std::pair{"תקין גם", fonts_.text_colour}}) {
    ASSERT_NE(nullptr, canvas_.Find(text)) << text;
    EXPECT_EQ(colour, canvas_.Find(text)->colour) << text;
  }
}

TEST_F(PageLayoutTest, FigureCellsCarryTheirSignAtTheEndAndTheirLetterInFront) {
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(10, "a", kSignedBalanceColumn), Col(10, "b", kLetterBalanceColumn),
                      Col(10, "c", 8), Col(10, "d", 9)}});
  stream.Line({"-120.00", "50 ח", "7", "8"});
  ASSERT_TRUE(stream.End().ok());
  ASSERT_NE(nullptr, canvas_.Find("120.00-"));
  ASSERT_NE(nullptr, canvas_.Find("ח 50"));
  EXPECT_TRUE(canvas_.Find("120.00-")->right_to_left);
  EXPECT_FALSE(canvas_.Find("7")->right_to_left);  // type 8 reads left to right
  EXPECT_EQ(TextAlign::kLeft, canvas_.Find("8")->align);
}

TEST_F(PageLayoutTest, RulesAndGridLinesFollowTheModesAndTheFlags) {
  PageLayout layout(canvas_);
  ReportStream stream(header_, fonts_, {&layout}, silent_);
  stream.SetColumns({{Col(10, "a"), Col(10, "b")}});
  stream.Line({"x", "y"});
  stream.Line({"", ""}, kBodyStyle, 1);
  stream.Line({"z", ""}, kBodyStyle, -1);
  ASSERT_TRUE(stream.End().ok());
  // Nothing is drawn before the page is; count the thick rules over the whole page.
  int rules = 0;
  int thin_horizontal = 0;
  for (const DrawnLine& line : canvas_.lines) {
    if (line.y1 != line.y2) continue;
    if (line.width > 0.5)
      ++rules;
    else
      ++thin_horizontal;
  }
  EXPECT_EQ(2, rules);  // mode 1 and mode -1 draw a rule above their row
  // Heading row top and bottom, and one line under each row but the one of mode -1.
  EXPECT_EQ(2 + 2, thin_horizontal);

  canvas_ = RecordingCanvas();
  fonts_.vertical_lines = 0;
  fonts_.horizontal_lines = 0;
  PageLayout bare(canvas_);
  ReportStream plain(header_, fonts_, {&bare}, silent_);
  plain.SetColumns({{Col(10, "a"), Col(10, "b")}});
  plain.Line({"x", "y"});
  ASSERT_TRUE(plain.End().ok());
  EXPECT_TRUE(canvas_.lines.empty());
}

TEST_F(PageLayoutTest, AStopDuringTheFirstPageStillEndsTheDocument) {
  testing::StopAfter stop(3);
  ASSERT_TRUE(Run({{Col(3, "#"), Col(30, "שם"), Col(10, "חובה", kDebitColumn)}}, 100, stop).ok());
  EXPECT_EQ(1, canvas_.pages);
  EXPECT_EQ(1, canvas_.finished);
  for (const char* line : {"1", "2", "3"}) EXPECT_NE(nullptr, canvas_.Find(line)) << line;
  EXPECT_EQ(nullptr, canvas_.Find("4"));
  EXPECT_NE(nullptr, canvas_.Find("דף - 1"));
}

TEST_F(PageLayoutTest, AnEmptyReportIsOnePageWithItsHeader) {
  ASSERT_TRUE(Run({{Col(3, "#"), Col(30, "שם")}}, 0, silent_).ok());
  EXPECT_EQ(1, canvas_.pages);
  EXPECT_NE(nullptr, canvas_.Find("שם"));
  EXPECT_NE(nullptr, canvas_.Find("אינדקס החשבונות"));
}

}  // namespace
}  // namespace tallyscan
