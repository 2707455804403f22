#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The pages of a report, every text in the print settings' text colour (figures have no
// debit or credit colour on paper; an error line is red): every page opens with the full
// header (company, its second line and dealer number; print date, fiscal year and page number;
// the title lines; the column headings), then as many rows as fit. Columns run from right to
// left in shares of the printable width; narrow reports use the odd font slots, wide ones the
// even slots.
//
// Nothing is cut. The rows of a page are gathered before the page is drawn, and every column
// keeps at least the width of its heading. A figure column is widened to its widest figure so
// far (it stays at least that wide on later pages), and so is a text column for its dates,
// times, references and codes (cells of digits and "/:.-,"). A text column that has held words
// keeps at least the width of 12 letters "א" of the body font, and takes the room the columns
// without words have beyond their widest cells for a text that would not fit on one line; a
// text wider than its column breaks into further lines inside its row, which grows. The room
// the widened columns take comes first from the figure columns' room beyond their figures,
// then from the text columns, down to those widths; when the columns still do not fit upright,
// the pages turn to landscape (decided before the first page), and when they do not fit even
// then, the text columns give way further, their words breaking into shorter lines. Only
// figures wider than the whole page make the table grow past its left edge. A row stays on one
// page unless it alone is taller than a page; a row that does not fit below the others opens
// the next page. A chart spans the printable width at a fixed height and is never split.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/report/page_canvas.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

class PageLayout final : public ReportTarget {
 public:
  // The canvas is not owned; OnEnd finishes it.
  explicit PageLayout(PageCanvas& canvas) : canvas_(canvas) {}

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  // A chart takes the printable width and a fixed height; it stays on one page.
  void OnChart(const ReportState& state, const ReportChart& chart) override;
  Status OnEnd(const ReportState& state) override;
  int PageNumber() const override;

  // Pages drawn so far.
  int PagesDrawn() const { return pages_; }
  bool Wide() const { return wide_; }

  // What a page holds, in the order it is drawn.
  enum class ItemKind { kLine, kHeadings, kFreeText, kAddressBox, kChart };
  struct Item {
    ItemKind kind = ItemKind::kLine;
    std::vector<std::string> cells;  // a line's cells; the free text's text; the box's lines
    int style = kBodyStyle;
    int mode = 0;
    LineMark mark = LineMark::kPlain;
    FreeText free_text;
    ReportChart chart;
    std::vector<std::vector<std::string>> lines;  // a line's cells as drawn, line by line
    int measured_at = -1;    // the widths the lines were broken for (widths_version_)
    bool continued = false;  // the rest of a row begun on the page before: no rule above it
    double height = 0;
  };

 private:
  void Prepare(const ReportState& state);
  PaperRect PrintableArea(const ReportState& state);
  void Add(const ReportState& state, Item item);
  void Measure(Item& item);
  double TextRoom(std::size_t column) const;
  double HeaderHeight(const ReportState& state);
  void StartNextPage(const ReportState& state);
  void DrawPage(const ReportState& state);
  void DrawHeader(const ReportState& state, double& y);
  void FitColumns(const ReportState& state);
  void ColumnFloors(const ReportState& state);
  bool Note(const Item& item);
  void GiveWay(const std::vector<double>& least, bool text_columns);
  void Lend(const std::vector<double>& need);
  double TableWidth() const;
  void SplitRow(std::size_t at, double room);
  void DrawHeadings(const ReportState& state, double y);
  void DrawLine(const ReportState& state, const Item& item, double y);
  void DrawFreeText(const Item& item, double y);
  void DrawAddressBox(const Item& item, double y);
  void DrawChart(const Item& item, double y);
  void VerticalRules(double top, double bottom, bool inner);
  int LineSlot(int style) const;
  double RowHeight(int slot);
  double Margin() const;

  PageCanvas& canvas_;
  bool prepared_ = false;
  PaperRect area_;
  double units_per_mm_ = 1;
  Colour separator_ = 0;
  bool wide_ = false;
  bool landscape_ = false;
  std::vector<int> types_;
  std::vector<double> shares_;  // of the printable width, by the column layout
  std::vector<double> widths_;  // of the columns, right to left; empty without columns
  // The captions of those columns: the stream's columns may already be those of the next table
  // when the pages of this one are drawn.
  std::vector<std::string> captions_;
  std::vector<double> headings_;  // the width of each column's heading
  std::vector<bool> words_;       // whether a text column has held words (not only codes)
  std::vector<double> whole_;     // the widest figure, date or code of each column so far
  std::vector<double> longest_;   // the widest text of words of each column so far, on a line
  double letters_ = 0;            // the least width of a text column of words
  double fewest_ = 0;             // the same when even landscape is too narrow
  int widths_version_ = 0;        // counts the changes of widths_
  std::vector<Item> items_;       // the lines of the page being gathered
  double gathered_ = 0;           // their height
  double header_height_ = 0;
  bool headers_have_columns_ = false;
  int pages_ = 0;
};

}  // namespace tallyscan
