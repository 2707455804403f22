#pragma once

// The pages of a report, every text in the print settings' text colour (figures have no
// debit or credit colour on paper): every page opens with the full header (company, its second line
// and dealer number; print date, fiscal year and page number; the title lines; the column
// headings), then as many lines as fit. Columns run from right to left in shares of the
// printable width; narrow reports use the odd font slots, wide ones the even slots.
//
// Figures are never cut: the lines of a page are gathered before the page is drawn, each
// figure column is widened to the widest figure of the page (and stays at least that wide on
// later pages), and so is a text column for its dates, times, references and codes (cells of
// digits and "/:.-,"). The text columns give way, a column of words ending its texts with an
// ellipsis; a text column never shrinks below its inner margins, nor below its widest date or
// code; when the text columns have nothing more to give, the table grows past its left edge
// rather than cut a figure.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/report/page_canvas.h"
#include "engine/report/report.h"

namespace tallyscan {

class PageLayout final : public ReportTarget {
 public:
  // The canvas is not owned; OnEnd finishes it.
  explicit PageLayout(PageCanvas& canvas) : canvas_(canvas) {}

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  Status OnEnd(const ReportState& state) override;
  int PageNumber() const override;

  // Pages drawn so far.
  int PagesDrawn() const { return pages_; }
  bool Wide() const { return wide_; }

  // What a page holds, in the order it is drawn.
  enum class ItemKind { kLine, kHeadings, kFreeText, kAddressBox };
  struct Item {
    ItemKind kind = ItemKind::kLine;
    std::vector<std::string> cells;  // a line's cells; the free text's text; the box's lines
    int style = kBodyStyle;
    int mode = 0;
    FreeText free_text;
    double height = 0;
  };

 private:
  void Prepare(const ReportState& state);
  void Add(const ReportState& state, Item item);
  double HeightOf(const Item& item);
  double HeaderHeight(const ReportState& state);
  void DrawPage(const ReportState& state);
  void DrawHeader(const ReportState& state, double& y);
  void FitColumns();
  void DrawHeadings(const ReportState& state, double y);
  void DrawLine(const ReportState& state, const Item& item, double y);
  void DrawFreeText(const Item& item, double y);
  void DrawAddressBox(const Item& item, double y);
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
  std::vector<int> types_;
  std::vector<double> widths_;  // of the columns, right to left; empty without columns
  std::vector<Item> items_;     // the lines of the page being gathered
  double gathered_ = 0;         // their height
  double header_height_ = 0;
  bool headers_have_columns_ = false;
  int pages_ = 0;
};

}  // namespace tallyscan
