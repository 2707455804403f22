#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// What the page layout draws on: a printer or a PDF document behind a small interface, so the
// layout stays free of any window system and its tests can record what would be drawn.

#include <string_view>

#include "engine/common/status.h"
#include "engine/report/print_fonts.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

// A rectangle in canvas units, y growing downwards.
struct PaperRect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
};

class PageCanvas {
 public:
  virtual ~PageCanvas() = default;

  // The area of a page the device can print on, in canvas units.
  virtual PaperRect PageArea() = 0;
  // Turns the document's pages to landscape (they are upright until then); called before the
  // first page starts, never after. False when the device cannot turn; PageArea gives the
  // turned area once it has.
  virtual bool TurnLandscape() = 0;
  virtual double UnitsPerMillimetre() = 0;

  // Selects the font of a slot of the print settings for the calls that follow.
  virtual void SelectFont(int slot) = 0;
  virtual double TextWidth(std::string_view text) = 0;
  // The height of a line of the selected font.
  virtual double LineHeight() = 0;

  // The colour of the texts drawn after it (black until set).
  virtual void SetTextColour(Colour colour) = 0;
  // Draws `text` on one line inside `box`, vertically centred and placed by `align`;
  // `right_to_left` reads it right to left; `elide` ends a text that does not fit with an
  // ellipsis, otherwise it is drawn whole even where it passes the box.
  virtual void DrawText(const PaperRect& box, std::string_view text, TextAlign align,
                        bool right_to_left, bool elide) = 0;
  virtual void DrawLine(double x1, double y1, double x2, double y2, Colour colour,
                        double width) = 0;
  virtual void DrawRoundedFrame(const PaperRect& box) = 0;
  // Draws a chart inside `box`: its title (in the selected font) above, bars for `bars` with
  // the value axis and the labels, `line` over them, and a legend below.
  virtual void DrawChart(const PaperRect& box, const ReportChart& chart) = 0;

  // Begins a page: the first call the document's first page, every later call a new one.
  virtual void StartPage() = 0;
  // Ends the document. Failed when it could not be completed or written.
  virtual Status Finish() = 0;
};

}  // namespace tallyscan
