#pragma once

// A report's pages on a paged device: the page layout of the engine drawn through a QPainter.
// The printer target of the output dialog and the PDF writer are both one of these.

#include <functional>
#include <string>

#include <QPainter>

#include "engine/report/report_writers.h"
#include "paper/qt_page_canvas.h"

class QPagedPaintDevice;

namespace tallyscan {

class PaperTarget final : public ReportTarget {
 public:
  // Called once, before painting begins on the device (the titles are known by then):
  // the place to name the document.
  using BeforeBegin = std::function<void(const ReportState& state)>;

  // Neither the device nor the settings are owned; both must outlive the target. Painting
  // begins with the first call that outputs anything. `failure` is the message OnEnd gives
  // when painting could not begin or end on the device.
  PaperTarget(QPagedPaintDevice& device, const PrintFonts& fonts, std::string failure,
              BeforeBegin before_begin = {});

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  void OnChart(const ReportState& state, const ReportChart& chart) override;
  // Ends the document. Failed, with the message given, when painting could not begin or
  // end on the device.
  Status OnEnd(const ReportState& state) override;
  int PageNumber() const override { return layout_.PageNumber(); }

  int PagesDrawn() const { return layout_.PagesDrawn(); }

 private:
  void Begin(const ReportState& state);

  std::string failure_;
  BeforeBegin before_begin_;
  QPainter painter_;
  QtPageCanvas canvas_;
  PageLayout layout_;
  bool began_ = false;
};

}  // namespace tallyscan
