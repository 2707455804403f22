// The first part of a report's HTML document for a preview: cut before the row past the limit,
// with what is open there closed in order, whatever the case of its tags and wherever the
// document leaves end tags out; comments and style blocks are not rows.
#include "engine/report/html_preview.h"

#include <gtest/gtest.h>

namespace tallyscan {
namespace {

// The end tags a cut adds, one a line.
std::string Closed(std::initializer_list<std::string_view> names) {
  std::string out;
  for (const std::string_view name : names) out += "</" + std::string(name) + ">\r\n";
  return out;
}

TEST(HtmlPreview, CutsBeforeTheRowPastTheLimitAndClosesWhatIsOpen) {
  struct Case {
    const char* what;
    std::string html;
    std::int64_t rows;
    std::string expected;
    bool cut;
  };
  const std::string two_rows =
      "<html><body><div><table><tr><td>a</td></tr><tr><td>b</td></tr></table></div></body>"
      "</html>";
  const Case cases[] = {
      {"no more rows than the limit", two_rows, 2, two_rows, false},
      {"the second row left out", two_rows, 1,
       "<html><body><div><table><tr><td>a</td></tr>" + Closed({"table", "div", "body", "html"}),
       true},
      {"no row at all", two_rows, 0,
       "<html><body><div><table>" + Closed({"table", "div", "body", "html"}), true},
      {"cells and rows without their end tags", "<table><tr><td>a<td><font>b<tr><td>c</table>", 1,
       "<table><tr><td>a<td><font>b" + Closed({"font", "td", "tr", "table"}), true},
      {"tags in any case", "<Table id=F2><Tr id=F2><TD>x</td></tr><TR><td>y</TD></Tr></TABLE>", 1,
       "<Table id=F2><Tr id=F2><TD>x</td></tr>" + Closed({"table"}), true},
      {"rows in a comment or a style block are no rows",
       "<style><!-- <tr> --></style><!-- <tr> --><table><tr><td>a</td></tr><tr><td>b</td></tr>"
       "</table>",
       1, "<style><!-- <tr> --></style><!-- <tr> --><table><tr><td>a</td></tr>" + Closed({"table"}),
       true},
      {"tables one after another",
       "<table><tr><td>a</td></tr></table><br><table><tr><th>h</th></tr><tr><td>b</td></tr>"
       "</table>",
       2, "<table><tr><td>a</td></tr></table><br><table><tr><th>h</th></tr>" + Closed({"table"}),
       true},
      {"an end tag of a cell never ends a row of an outer table",
       "<table><tr><td><table></td><tr><td>a</td></tr><tr>", 2,
       "<table><tr><td><table></td><tr><td>a</td></tr>" + Closed({"table", "td", "tr", "table"}),
       true},
  };
  for (const Case& c : cases) {
    const HtmlPreview preview = PreviewOfHtml(c.html, c.rows);
    EXPECT_EQ(c.expected, preview.html) << c.what;
    EXPECT_EQ(c.cut, preview.cut) << c.what;
  }
}

}  // namespace
}  // namespace tallyscan
