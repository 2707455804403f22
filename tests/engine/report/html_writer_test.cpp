// The HTML document byte for byte: the head and its style block, the e-mail form's company
// block, the data table with its frame word and shares, the cells in each form, free texts.
#include "engine/report/html_writer.h"

#include <gtest/gtest.h>

#include "engine/report/report_fixture.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

using testing::Col;

// The expected document: UTF-8 lines, joined by CR LF and converted as the file holds them.
std::string Document(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return Utf8ToCp1255(text);
}

std::vector<std::string> HeadLines(const std::string& title, int heading_size, int body_size,
                                   int sub_size, int summary_size) {
  const std::string face = ";font-family:\"Tahoma\"";
  const std::string colour = "pt; color:\"0000FF\"";
  return {"<Html>",
          "<Head>",
          "<META NAME=\"Generator\"CONTENT=\"Ledgora\">",
          "<META HTTP-EQUIV=\"Content-Type\"CONTENT=\"TEXT/html;charset=windows-1255\">",
          "<Title>" + title + "</Title>",
          "<style>",
          "<!--",
          "#F1{font-SIZE:" + std::to_string(heading_size) + "pt; color:white" + face + "}",
          "#F2{font-size:" + std::to_string(body_size) + colour + face + ";text-align:right}",
          "#F3{font-size:" + std::to_string(sub_size) + colour + face + ";font-weight:bold}",
          "#F4{font-size:" + std::to_string(summary_size) + colour + face + ";font-weight:bold}",
          "-->",
          "</style>",
          "</Head>",
          "<Body BGCOLOR=\"#fdffca\" Style=\"direction:rtl\">",
          "<div dir=RTL>",
          "<table Width=\"100%\">"};
}

class HtmlWriterTest : public ::testing::Test {
 protected:
  // Writes the sample report: the index's title, five columns (text, debit, credit, a
  // balance with its letter), two rows, a totals row and a spanning row.
  std::string Write(HtmlForm form) {
    StringSink sink;
    HtmlReportWriter writer(form, sink);
    SilentProgress silent;
    ReportStream stream(header_, fonts_, {&writer}, silent);
    stream.AddTitle("10אינדקס החשבונות");
    stream.SetColumns({{Col(3, "#"), Col(18, "שם"), Col(10, "חובה", kDebitColumn),
                        Col(10, "זכות", kCreditColumn), Col(10, "יתרה", kLetterBalanceColumn)}});
    stream.Line({"1", "חשבון א", "1,234.50", "", "120.00 ח"});
    stream.Line({"2", "\u0643 & co", "", "-120.00", "50.00 ז"});
    stream.Line({"", "סה'כ", "1,234.50", "120.00", "0.00"}, kSummaryStyle);
    stream.Line({"כרטיס 2"}, kSubTitleStyle, kSpanCentre);
    EXPECT_TRUE(stream.End().ok());
    return sink.bytes();
  }

  std::vector<std::string> TableLines() {
    return {
        "<table id=F2 bordercolor=\"#C0C0C0\"FRAME=box cellspacing=0 cellpadding=0 "
        "width=\"100%\" id=\"t1\">",
        "<tr id=F1 bgcolor=\"#8d4747\" align=center>",
        "<th width=\"6%\">#</th>",
        "<th width=\"35%\">שם</th>",
        "<th width=\"20%\">חובה</th>",
        "<th width=\"20%\">זכות</th>",
        "<th width=\"20%\">יתרה</th>",
        "</tr>"};
  }

  ReportHeader header_ = testing::TestHeader();
  PrintFonts fonts_ = DefaultPrintFonts();
};

TEST_F(HtmlWriterTest, MailFormCarriesTheCompanyBlockAndMovesTheSignToTheEnd) {
  std::vector<std::string> lines = HeadLines("אינדקס החשבונות", 10, 10, 10, 10);
  for (const std::string& line : std::vector<std::string>{
           "<tr><td colspan=2 align=center>", "<font COLOR=Blue SIZE=5>",
           "מאפיית הגליל &lt;בע\"מ&gt;<br></font></td></tr>", "<tr><td colspan=2 align=center>",
           "<font COLOR=Blue SIZE=3>", "רחוב הרצל 1 חיפה<br></font></td></tr>",
           "<tr><td colspan=2 align=center>", "<font COLOR=Blue SIZE=3>",
           "מספר עוסק - 123456782<br></font></td></tr>", "<tr >",
           "<td  width=\"50%\"><font COLOR=blue size=3>שנת כספים - 2024</font></Td>",
           "<td  align=Left width=\"50%\"><font COLOR=blue size=3>תאריך הדפסה - "
           "15-01-2025</font></Td>",
           "</tr>", "<tr><td colspan=2 align=center>", "<font COLOR=blue SIZE=5>",
           "אינדקס החשבונות", "</font></td></tr>", "</table>"}) {
    lines.push_back(line);
  }
  for (const std::string& line : TableLines()) lines.push_back(line);
  for (const std::string& line : std::vector<std::string>{
           "<Tr id=F2>",
           "<td align=right>&nbsp;1</td>",
           "<td align=right>&nbsp;חשבון א</td>",
           "<td align=right><font color=\"#00FF00\">&nbsp;1,234.50</font></td>",
           "<td align=right>&nbsp;</td>",
           "<td align=right><font color=\"#00FF00\">&nbsp;ח 120.00</font></td>",
           "</tr>",
           "<Tr id=F2>",
           "<td align=right>&nbsp;2</td>",
           "<td align=right>&nbsp;&#1603; &amp; co</td>",
           "<td align=right>&nbsp;</td>",
           "<td align=right><font color=\"#FF0000\">&nbsp;120.00-</font></td>",
           "<td align=right><font color=\"#FF0000\">&nbsp;ז 50.00</font></td>",
           "</tr>",
           "<Tr id=F4>",
           "<td align=right>&nbsp;</td>",
           "<td align=right>&nbsp;סה'כ</td>",
           "<td align=right><font color=\"#00FF00\">&nbsp;1,234.50</font></td>",
           "<td align=right><font color=\"#FF0000\">&nbsp;120.00</font></td>",
           "<td align=right>&nbsp;0.00</td>",
           "</tr>",
           "<Tr id=F3>",
           "<td colspan=5 align=Center>כרטיס 2</td></tr>",
           "</table>",
           "</div>",
           "</Body>",
           "</Html>"}) {
    lines.push_back(line);
  }
  EXPECT_EQ(Document(lines), Write(HtmlForm::kMail));
}

TEST_F(HtmlWriterTest, ExcelFormHasNoCompanyBlockAndPutsTheSignInFront) {
  std::vector<std::string> lines = HeadLines("אינדקס החשבונות", 10, 10, 10, 10);
  lines.push_back("</table>");  // the head's table, without the company block
  for (const std::string& line : TableLines()) lines.push_back(line);
  for (const std::string& line :
       std::vector<std::string>{"<Tr id=F2>",
                                "<td align=right>1</td>",
                                "<td align=right>חשבון א</td>",
                                "<td align=right><font color=\"#00FF00\">1,234.50</font></td>",
                                "<td align=right></td>",
                                "<td align=right><font color=\"#00FF00\">ח 120.00</font></td>",
                                "</tr>",
                                "<Tr id=F2>",
                                "<td align=right>2</td>",
                                "<td align=right>&#1603; &amp; co</td>",
                                "<td align=right></td>",
                                "<td align=right><font color=\"#FF0000\">-120.00</font></td>",
                                "<td align=right><font color=\"#FF0000\">ז 50.00</font></td>",
                                "</tr>",
                                "<Tr id=F4>",
                                "<td align=right></td>",
                                "<td align=right>סה'כ</td>",
                                "<td align=right><font color=\"#00FF00\">1,234.50</font></td>",
                                "<td align=right><font color=\"#FF0000\">120.00</font></td>",
                                "<td align=right>0.00</td>",
                                "</tr>",
                                "<Tr id=F3>",
                                "<td colspan=5 align=Center>כרטיס 2</td></tr>",
                                "</table>",
                                "</div>",
                                "</Body>",
                                "</Html>"}) {
    lines.push_back(line);
  }
  EXPECT_EQ(Document(lines), Write(HtmlForm::kExcel));
}

// The document's lines as UTF-8, for looking at single lines.
std::vector<std::string> LinesOf(const std::string& bytes) {
  std::vector<std::string> lines;
  const std::string text = Cp1255ToUtf8(bytes);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::string WriteWith(const PrintFonts& fonts, HtmlForm form, const ColumnLayout& column_layout,
                      std::vector<std::string> cells = {}) {
  StringSink sink;
  HtmlReportWriter writer(form, sink);
  SilentProgress silent;
  const ReportHeader header = testing::TestHeader();
  ReportStream stream(header, fonts, {&writer}, silent);
  stream.AddTitle("10ת");
  stream.SetColumns(column_layout);
  if (!cells.empty()) stream.Line(std::move(cells));
  EXPECT_TRUE(stream.End().ok());
  return sink.bytes();
}

TEST(HtmlFrameWord, FollowsTheGridLines) {
  struct Case {
    int vertical, horizontal;
    std::string word;
  };
  for (const Case& c : {Case{0, 0, "FRAME=void"}, Case{0, 1, "FRAME=hSides"},
                        Case{1, 0, "FRAME=Vsides"}, Case{1, 1, "FRAME=box"}}) {
    PrintFonts fonts = DefaultPrintFonts();
    fonts.vertical_lines = c.vertical;
    fonts.horizontal_lines = c.horizontal;
    const auto lines = LinesOf(WriteWith(fonts, HtmlForm::kExcel, {{Col(10, "א")}}));
    const std::string expected = "<table id=F2 bordercolor=\"#C0C0C0\"" + c.word +
                                 " cellspacing=0 cellpadding=0 width=\"100%\" id=\"t1\">";
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), expected)) << c.word;
  }
}

TEST(HtmlWidthClass, AColumnLayoutOf81BytesTakesTheWideSlots) {
  const PrintFonts fonts = DefaultPrintFonts();  // slot 3 is 10 points, slot 4 is 8
  for (const auto& [caption_bytes, heading_rule] :
       {std::pair{79, "#F1{font-SIZE:10pt; color:white;font-family:\"Tahoma\"}"},
        std::pair{80, "#F1{font-SIZE:8pt; color:white;font-family:\"Tahoma\"}"}}) {
    // One column: its width byte and the caption.
    const ColumnLayout column_layout{
        {Col(10, std::string(static_cast<std::size_t>(caption_bytes), 'x'))}};
    EXPECT_EQ(static_cast<std::size_t>(caption_bytes + 1), column_layout.CodedLength());
    const auto lines = LinesOf(WriteWith(fonts, HtmlForm::kExcel, column_layout));
    EXPECT_EQ(heading_rule, lines[7]) << caption_bytes;
  }
  // The markers, the separators and the Hebrew captions count as the bytes they are.
  const ColumnLayout hebrew{{Col(3, "#"), Col(10, "חובה", kDebitColumn)}};
  EXPECT_EQ(1u + 1 + 1 + 1 + 4 + 1, hebrew.CodedLength());
}

TEST(HtmlColours, AreWrittenRedGreenBlueAndZeroGivesNoColour) {
  PrintFonts fonts = DefaultPrintFonts();
  fonts.text_colour = Rgb(0x12, 0x34, 0x56);
  fonts.debit_colour = 0;
  fonts.credit_colour = Rgb(0xAB, 0xCD, 0xEF);
  const auto lines = LinesOf(WriteWith(fonts, HtmlForm::kMail,
                                       {{Col(10, "ח", kDebitColumn), Col(10, "ז", kCreditColumn),
                                         Col(10, "י", kSignedBalanceColumn), Col(10, "ט", 8)}},
                                       {"5.00", "6.00", "-7.00", "8-"}));
  EXPECT_EQ("#F2{font-size:10pt; color:\"123456\";font-family:\"Tahoma\";text-align:right}",
            lines[8]);
  const auto row = std::find(lines.begin(), lines.end(), "<Tr id=F2>");
  ASSERT_NE(lines.end(), row);
  EXPECT_EQ("<td align=right>&nbsp;5.00</td>", row[1]);
  EXPECT_EQ("<td align=right><font color=\"#ABCDEF\">&nbsp;6.00</font></td>", row[2]);
  EXPECT_EQ("<td align=right><font color=\"#ABCDEF\">&nbsp;7.00-</font></td>", row[3]);
  EXPECT_EQ("<td align=right>&nbsp;8-</td>", row[4]);
  // A column of type above 6 is left-aligned in the Excel form, with its sign in front.
  const auto excel = LinesOf(WriteWith(fonts, HtmlForm::kExcel, {{Col(10, "ט", 8)}}, {"8-"}));
  EXPECT_EQ("<td align=left>-8</td>", *(std::find(excel.begin(), excel.end(), "<Tr id=F2>") + 1));
}

TEST(HtmlFreeTexts, ADocumentWritesItsHeadNarrowAtItsFirstText) {
  StringSink sink;
  HtmlReportWriter writer(HtmlForm::kExcel, sink);
  SilentProgress silent;
  const ReportHeader header = testing::TestHeader();
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&writer}, silent);
  stream.AddTitle("10חשבונית מס 17");
  stream.PlainKot(2, 1, "52תאריך המסמך\t01/02/2024", 0);
  const std::vector<std::string> address = {"לכב' :", "דני <כהן>"};
  stream.CliName(address);
  // 81 bytes, but the head is written already.
  stream.SetColumns({{Col(10, std::string(80, 'x'))}});
  stream.PlainKot(0.5, 0, "12סה'כ", -40);
  ASSERT_TRUE(stream.End().ok());
  const auto lines = LinesOf(sink.bytes());
  EXPECT_EQ("#F1{font-SIZE:10pt; color:white;font-family:\"Tahoma\"}", lines[7]);
  const std::vector<std::string> expected = {
      "<br><br><table Width=\"100%\"><tr>",
      "<td colspan=2 align=left>",
      "<font COLOR=blue SIZE=3>",
      "תאריך המסמך\t01/02/2024",
      "</font></td></tr></table><br>",
      "<Table  width=100% style=\"float:right;position:absolute;top:160\">",
      "<tr><td align=right><font COLOR=blue SIZE=3>לכב' :</font></td></tr>",
      "<tr><td align=right><font COLOR=blue SIZE=3>דני &lt;כהן&gt;</font></td></tr>",
      "</Table>"};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), lines.begin() + 18));
  const std::vector<std::string> last = {"<table Width=\"40%\"><tr>",
                                         "<td colspan=2 align=left>",
                                         "<font COLOR=blue SIZE=5>",
                                         "סה'כ",
                                         "</font></td></tr></table>",
                                         "</div>",
                                         "</Body>",
                                         "</Html>"};
  EXPECT_TRUE(std::equal(last.begin(), last.end(), lines.end() - 8));
}

// Each column layout's table ends before the next one, a free text or the addressee box
// begins; a line after a free text opens its columns' table again, heading row and all.
TEST(HtmlTables, StandOneAfterAnotherAndNeverInsideEachOther) {
  for (const HtmlForm form : {HtmlForm::kExcel, HtmlForm::kMail}) {
    StringSink sink;
    HtmlReportWriter writer(form, sink);
    SilentProgress silent;
    const ReportHeader header = testing::TestHeader();
    const PrintFonts fonts = DefaultPrintFonts();
    ReportStream stream(header, fonts, {&writer}, silent);
    stream.AddTitle("10ת");
    stream.SetColumns({{Col(10, "א")}});
    stream.Line({"1"});
    stream.SetColumns({{Col(10, "ב"), Col(10, "ג")}});
    stream.Line({"2", "3"});
    stream.PlainKot(0, 0, "12הערה", 0);
    stream.Line({"4", "5"});
    const std::vector<std::string> box = {"לכב' :"};
    stream.CliName(box);
    ASSERT_TRUE(stream.End().ok());
    std::vector<std::string> tables;
    int depth = 0;
    int deepest = 0;
    for (const std::string& line : LinesOf(sink.bytes())) {
      if (line.starts_with("<table id=F2")) tables.push_back("data");
      if (line.starts_with("<th ")) tables.back() += " " + line.substr(line.find('>') + 1, 2);
      for (std::size_t at = line.find("<"); at != std::string::npos; at = line.find("<", at + 1)) {
        const std::string tag = line.substr(at, 7);
        if (tag == "<table " || tag == "<Table ") deepest = std::max(deepest, ++depth);
        if (line.compare(at, 8, "</table>") == 0 || line.compare(at, 8, "</Table>") == 0) --depth;
      }
    }
    EXPECT_EQ(0, depth);
    EXPECT_EQ(1, deepest);
    // Hebrew letters are two bytes: each heading's caption.
    EXPECT_EQ((std::vector<std::string>{"data א", "data ב ג", "data ב ג"}), tables);
  }
}

}  // namespace
}  // namespace tallyscan
