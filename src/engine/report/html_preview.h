#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The first part of a report's HTML document, for a preview that must not lay out the whole
// report: a mail program's preview of a report of thousands of rows takes the window's
// thread for as long as it lays them out, and nobody reads them there.

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyscan {

// The pages a preview shows, and the rows (table rows of any table) taken as one page: about
// what a printed page of the body font holds.
inline constexpr int kPreviewPages = 3;
inline constexpr std::int64_t kPreviewRowsPerPage = 40;

struct HtmlPreview {
  std::string html;  // the document, or its first part with every open element closed
  bool cut = false;  // whether rows were left out
};

// `html` up to its (max_rows + 1)-th table row, with the elements open there (cells, rows,
// tables, fonts, divisions, the body and the document) closed in order; the whole document
// when it has no more rows. The bytes are those of the document (any code page whose markup
// is ASCII). Cells and rows whose end tags the document leaves out, as HTML allows, end where
// HTML ends them; comments and the texts of style and script blocks are not read as markup.
HtmlPreview PreviewOfHtml(std::string_view html, std::int64_t max_rows);

}  // namespace tallyscan
