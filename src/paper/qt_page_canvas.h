#pragma once

// The page canvas over a QPainter on a paged device (a QPrinter or a QPdfWriter): the fonts of
// the print settings' slots, text drawn with Qt's shaping, so Hebrew is laid out right to left
// and a PDF keeps it as searchable text in logical order.

#include <array>
#include <optional>

#include <QFont>
#include <QFontMetricsF>

#include "engine/report/report_writers.h"

class QPainter;
class QPagedPaintDevice;

namespace tallyscan {

class QtPageCanvas final : public PageCanvas {
 public:
  // The painter begins on `device` when the first page starts, so that the pages can still turn
  // before it (a device sizes its first page when painting begins); a painter that cannot begin
  // draws nothing and Finish fails. Neither is owned; Finish ends the painter.
  QtPageCanvas(QPainter& painter, QPagedPaintDevice& device, const PrintFonts& fonts);

  PaperRect PageArea() override;
  bool TurnLandscape() override;
  double UnitsPerMillimetre() override;
  void SelectFont(int slot) override;
  double TextWidth(std::string_view text) override;
  double LineHeight() override;
  void SetTextColour(Colour colour) override { text_colour_ = colour; }
  void DrawText(const PaperRect& box, std::string_view text, TextAlign align, bool right_to_left,
                bool elide) override;
  void DrawLine(double x1, double y1, double x2, double y2, Colour colour, double width) override;
  void DrawRoundedFrame(const PaperRect& box) override;
  // Bars for the actual figures, the expected line over them with a dot per label, the value
  // axis with four steps, the labels under the bars (every k-th when they would touch), the
  // title above and the legend below, in the selected font.
  void DrawChart(const PaperRect& box, const ReportChart& chart) override;
  void StartPage() override;
  Status Finish() override;

  // The font of a slot as the canvas uses it: the slot's face (Tahoma when empty; an installed
  // Hebrew face, Culmus first, when that face is not installed), size (1-144 points), weight,
  // italic and underline.
  static QFont SlotFont(const PrintFonts& fonts, int slot);

 private:
  QPainter& painter_;
  QPagedPaintDevice& device_;
  const PrintFonts& fonts_;
  std::array<std::optional<QFont>, kPrintFontSlots> slot_fonts_;
  std::array<std::optional<QFontMetricsF>, kPrintFontSlots> slot_metrics_;
  int slot_ = -1;
  Colour text_colour_ = 0;
  bool page_started_ = false;
};

}  // namespace tallyscan
