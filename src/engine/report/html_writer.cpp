#include "engine/report/html_writer.h"

#include <cstdlib>

#include "engine/report/figure_cell.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kEndOfLine = "\r\n";

// A fixed piece of markup: the system's own texts are UTF-8 in the source.
std::string Markup(std::string_view utf8) { return Utf8ToCp1255(utf8); }

std::string_view FrameWord(const PrintFonts& fonts) {
  const bool vertical = fonts.vertical_lines != 0;
  const bool horizontal = fonts.horizontal_lines != 0;
  if (vertical && horizontal) return "FRAME=box";
  if (vertical) return "FRAME=Vsides";
  if (horizontal) return "FRAME=hSides";
  return "FRAME=void";
}

std::string_view RowId(int style) {
  if (style == kSummaryStyle) return " id=F4";
  if (style == kSubTitleStyle) return " id=F3";
  return " id=F2";
}

std::string_view SpanWord(int mode) {
  if (mode == kSpanRight) return "Right";
  if (mode == kSpanLeft) return "Left";
  return "Center";
}

// Tells the spreadsheet that reads the Excel form to take a cell as text: one that starts as
// a formula would otherwise be run.
constexpr std::string_view kTextCellStyle = " style=\"mso-number-format:'\\@'\"";

// Whether a cell of the Excel form needs kTextCellStyle: it starts as a formula does and is
// not a figure of a figure column (whose minus the spreadsheet must read as a sign).
bool RunsAsFormula(std::string_view cell, int type) {
  return StartsAsFormula(cell) && (type == kTextColumn || !ParseFigure(cell));
}

std::string_view FontTag(int font) {
  return font > 1 ? "<font COLOR=blue SIZE=3>" : "<font COLOR=blue SIZE=5>";
}

// A column's share of the table in percent, rounded half away from zero.
int Share(int width, int total) {
  if (total <= 0) return 0;
  return (200 * width + total) / (2 * total);
}

std::string Repeat(std::string_view piece, double count) {
  std::string out;
  for (int i = 0; i < static_cast<int>(count); ++i) out += piece;
  return out;
}

}  // namespace

void AppendHtmlText(std::string& out, std::string_view utf8) {
  // Most cells are figures and Latin text: their bytes are the code page's as they stand.
  bool plain = true;
  for (const char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '&' || c == '<' || c == '>') {
      plain = false;
      break;
    }
  }
  if (plain) {
    out.append(utf8);
    return;
  }
  std::string escaped;
  escaped.reserve(utf8.size() + 8);
  for (const char c : utf8) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  out += Utf8ToCp1255WithReferences(escaped);
}

std::string HtmlText(std::string_view utf8) {
  std::string out;
  AppendHtmlText(out, utf8);
  return out;
}

void HtmlReportWriter::Put(std::string_view markup) {
  line_.assign(markup);
  PutLine();
}

void HtmlReportWriter::PutLine() {
  line_ += kEndOfLine;
  sink_.Write(line_);
}

void HtmlReportWriter::PutText(std::string_view prefix, std::string_view text,
                               std::string_view suffix) {
  line_.assign(Markup(prefix));
  AppendHtmlText(line_, text);
  line_ += Markup(suffix);
  PutLine();
}

void HtmlReportWriter::StyleRule(const ReportState& state, int id, int slot) {
  const PrintFonts& fonts = *state.fonts;
  std::string rule = "#F" + PlainNumber(id);
  if (id == 1) {
    rule += "{font-SIZE:" + PlainNumber(fonts.Size(slot)) + "pt; color:white";
  } else {
    rule += "{font-size:" + PlainNumber(fonts.Size(slot)) + "pt; color:\"" +
            ColourText(fonts.text_colour) + "\"";
  }
  rule += ";font-family:\"" + fonts.Face(slot) + "\"";
  if (fonts.Bold(slot)) rule += ";font-weight:bold";
  if (fonts.Italic(slot)) rule += ";font-style:italic";
  if (fonts.Underline(slot)) rule += ";text-decoration:underline";
  rule += id == 2 ? ";text-align:right}" : "}";
  Put(Markup(rule));
}

void HtmlReportWriter::Head(const ReportState& state, bool wide) {
  head_written_ = true;
  Put("<Html>");
  Put("<Head>");
  Put("<META NAME=\"Generator\"CONTENT=\"Ledgora\">");
  Put("<META HTTP-EQUIV=\"Content-Type\"CONTENT=\"TEXT/html;charset=windows-1255\">");
  PutText("<Title>", state.titles.empty() ? std::string_view() : state.titles.front().text,
          "</Title>");
  Put("<style>");
  Put("<!--");
  StyleRule(state, 1, SlotFor(kHeadingSlot, wide));
  StyleRule(state, 2, SlotFor(kBodySlot, wide));
  StyleRule(state, 3, SlotFor(kSubTitleSlot, wide));
  StyleRule(state, 4, SlotFor(kSummarySlot, wide));
  Put("-->");
  Put("</style>");
  Put("</Head>");
  Put("<Body BGCOLOR=\"#fdffca\" Style=\"direction:rtl\">");
  Put("<div dir=RTL>");
  Put("<table Width=\"100%\">");
  // The Excel form keeps the table without the company block in it, closed as the e-mail
  // form's block closes it.
  if (form_ == HtmlForm::kMail) {
    MailBlock(state);
  } else {
    Put("</table>");
  }
}

void HtmlReportWriter::MailBlock(const ReportState& state) {
  const ReportHeader& header = *state.header;
  Put("<tr><td colspan=2 align=center>");
  Put("<font COLOR=Blue SIZE=5>");
  PutText("", header.company, "<br></font></td></tr>");
  for (const std::string& line : {header.second_line, "מספר עוסק - " + header.dealer_number}) {
    Put("<tr><td colspan=2 align=center>");
    Put("<font COLOR=Blue SIZE=3>");
    PutText("", line, "<br></font></td></tr>");
  }
  Put("<tr >");
  PutText("<td  width=\"50%\"><font COLOR=blue size=3>",
          "שנת כספים - " + PlainNumber(header.fiscal_year), "</font></Td>");
  PutText("<td  align=Left width=\"50%\"><font COLOR=blue size=3>",
          "תאריך הדפסה - " + DashedDate(header.print_date), "</font></Td>");
  Put("</tr>");
  for (const CodedText& title : state.titles) {
    Put(Markup("<tr><td colspan=2 align=" + std::string(AlignWord(title.align)) + ">"));
    Put(FontTag(title.font));
    PutText("", title.text, "");
    Put("</font></td></tr>");
  }
  Put("</table>");
}

void HtmlReportWriter::HeadOnce(const ReportState& state) {
  if (!head_written_) Head(state, false);
}

void HtmlReportWriter::OnColumns(const ReportState& state) {
  const ColumnLayout& column_layout = state.columns;
  if (!head_written_) Head(state, column_layout.wide_flag || column_layout.CodedLength() > 80);
  CloseTable();
  if (!column_layout.empty()) OpenTable(state);
}

void HtmlReportWriter::OpenTable(const ReportState& state) {
  table_open_ = true;
  const ColumnLayout& column_layout = state.columns;
  Put(Markup("<table id=F2 bordercolor=\"#C0C0C0\"" + std::string(FrameWord(*state.fonts)) +
             " cellspacing=0 cellpadding=0 width=\"100%\" id=\"t1\">"));
  // Lines given before any columns stand in a table of their own, without a heading row.
  if (column_layout.empty()) return;
  Put("<tr id=F1 bgcolor=\"#8d4747\" align=center>");
  const int total = column_layout.TotalWidth();
  for (const ReportColumn& column : column_layout.columns) {
    PutText("<th width=\"" + PlainNumber(Share(column.width, total)) + "%\">",
            std::string(TrimSpaces(column.caption)), "</th>");
  }
  Put("</tr>");
}

void HtmlReportWriter::CloseTable() {
  if (!table_open_) return;
  table_open_ = false;
  Put("</table>");
}

void HtmlReportWriter::OnLine(const ReportState& state, const ReportLine& line) {
  HeadOnce(state);
  if (!table_open_) OpenTable(state);
  line_.assign("<Tr");
  line_ += RowId(line.style);
  line_ += '>';
  PutLine();
  const std::vector<ReportColumn>& columns = state.columns.columns;
  const bool excel = form_ == HtmlForm::kExcel;
  if (line.Spanning()) {
    const std::string_view text =
        line.cells.empty() ? std::string_view() : std::string_view(line.cells.front());
    const bool as_text = excel && RunsAsFormula(text, kTextColumn);
    PutText("<td colspan=" + PlainNumber(static_cast<std::int64_t>(columns.size())) +
                " align=" + std::string(SpanWord(line.Mode())) +
                std::string(as_text ? kTextCellStyle : "") + ">",
            text, "</td></tr>");
    return;
  }
  const std::string_view filler = excel ? "" : "&nbsp;";
  for (std::size_t i = 0; i < line.cells.size(); ++i) {
    const int type = line.CellType(i, state.columns);
    const std::string_view cell = line.cells[i];
    line_.assign(excel && type > 6 ? "<td align=left" : "<td align=right");
    if (excel && RunsAsFormula(cell, type)) line_ += kTextCellStyle;
    line_ += '>';
    const CellColour kind = ColourOfCell(cell, type);
    const Colour colour = kind == CellColour::kDebit    ? state.fonts->debit_colour
                          : kind == CellColour::kCredit ? state.fonts->credit_colour
                                                        : 0;
    if (colour != 0) {
      line_ += "<font color=\"#";
      line_ += ColourText(colour);
      line_ += "\">";
    }
    line_ += filler;
    if (type == kTextColumn) {
      AppendHtmlText(line_, cell);
    } else {
      AppendHtmlText(line_, FigureText(cell, type, excel ? SignPlace::kFront : SignPlace::kEnd));
    }
    if (colour != 0) line_ += "</font>";
    line_ += "</td>";
    PutLine();
  }
  Put("</tr>");
}

void HtmlReportWriter::OnFreeText(const ReportState& state, const FreeText& text) {
  HeadOnce(state);
  CloseTable();
  const int percent = text.width_percent == 0 ? 100 : std::abs(text.width_percent);
  Put(Repeat("<br>", text.lines_before) + "<table Width=\"" + PlainNumber(percent) + "%\"><tr>");
  Put(Markup("<td colspan=2 align=" + std::string(AlignWord(text.text.align)) + ">"));
  Put(FontTag(text.text.font));
  PutText("", text.text.text, "");
  Put("</font></td></tr></table>" + Repeat("<br>", text.extra_height));
}

void HtmlReportWriter::OnAddressBox(const ReportState& state, std::span<const std::string> lines) {
  HeadOnce(state);
  CloseTable();
  Put("<Table  width=100% style=\"float:right;position:absolute;top:160\">");
  for (const std::string& line : lines) {
    PutText("<tr><td align=right><font COLOR=blue SIZE=3>", line, "</font></td></tr>");
  }
  Put("</Table>");
}

Status HtmlReportWriter::OnEnd(const ReportState& state) {
  HeadOnce(state);
  CloseTable();
  Put("</div>");
  Put("</Body>");
  Put("</Html>");
  return sink_.Close();
}

void HtmlReportWriter::OnAbandon(const ReportState& /*state*/) { sink_.Discard(); }

}  // namespace tallyscan
