#include "paper/paper_target.h"

#include <QPagedPaintDevice>

namespace tallyscan {

PaperTarget::PaperTarget(QPagedPaintDevice& device, const PrintFonts& fonts, std::string failure,
                         BeforeBegin before_begin)
    : failure_(std::move(failure)),
      before_begin_(std::move(before_begin)),
      canvas_(painter_, device, fonts),
      layout_(canvas_) {}

void PaperTarget::Begin(const ReportState& state) {
  if (began_) return;
  began_ = true;
  // The canvas begins painting when the first page starts.
  if (before_begin_) before_begin_(state);
}

void PaperTarget::OnColumns(const ReportState& state) {
  Begin(state);
  layout_.OnColumns(state);
}

void PaperTarget::OnLine(const ReportState& state, const ReportLine& line) {
  Begin(state);
  layout_.OnLine(state, line);
}

void PaperTarget::OnFreeText(const ReportState& state, const FreeText& text) {
  Begin(state);
  layout_.OnFreeText(state, text);
}

void PaperTarget::OnAddressBox(const ReportState& state, std::span<const std::string> lines) {
  Begin(state);
  layout_.OnAddressBox(state, lines);
}

void PaperTarget::OnChart(const ReportState& state, const ReportChart& chart) {
  Begin(state);
  layout_.OnChart(state, chart);
}

Status PaperTarget::OnEnd(const ReportState& state) {
  Begin(state);
  return layout_.OnEnd(state).ok() ? Status::Ok() : Status::IoError(failure_);
}

}  // namespace tallyscan
