#include "engine/report/report_stream.h"

#include <algorithm>
#include <cstdio>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value % 100);
  return text;
}

std::string FourDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", value);
  return text;
}

}  // namespace

CodedText ParseCodedText(std::string_view coded) {
  CodedText result;
  if (coded.size() < 2) return result;
  if (coded[0] >= '1' && coded[0] <= '9') result.font = coded[0] - '0';
  if (coded[1] == '1') result.align = TextAlign::kRight;
  if (coded[1] == '2') result.align = TextAlign::kLeft;
  result.text = std::string(coded.substr(2));
  return result;
}

std::string_view AlignWord(TextAlign align) {
  switch (align) {
    case TextAlign::kRight:
      return "right";
    case TextAlign::kLeft:
      return "left";
    case TextAlign::kCentre:
      break;
  }
  return "center";
}

bool IsColumnTypeMarker(int code) {
  return (code >= 1 && code <= 5) || code == 8 || code == 9 || code == 11;
}

std::size_t ColumnLayout::CodedLength() const {
  std::size_t length = wide_flag ? 1 : 0;
  for (const ReportColumn& column : columns) {
    length += 1 + Utf8ToCp1255(column.caption).size() + (column.type != kTextColumn ? 1 : 0);
  }
  if (!columns.empty()) length += columns.size() - 1;
  return length;
}

int ColumnLayout::TotalWidth() const {
  int total = 0;
  for (const ReportColumn& column : columns) total += std::max(column.width, 0);
  return total;
}

int CharactersOfPixels(int pixels) { return pixels <= 0 ? 0 : (pixels + 5) / 10; }

CivilDate UtcDateOf(std::int64_t seconds) {
  // Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
  std::int64_t days = seconds / 86400;
  if (seconds % 86400 < 0) --days;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

std::string DashedDate(const CivilDate& date) {
  return TwoDigits(date.day) + "-" + TwoDigits(date.month) + "-" + FourDigits(date.year);
}

std::string SlashedDate(const CivilDate& date) {
  return TwoDigits(date.day) + "/" + TwoDigits(date.month) + "/" + FourDigits(date.year);
}

std::string PrintingProgressText(std::int64_t line_number, int page_number) {
  std::string text = "מדפיס שורה מס. - " + PlainNumber(line_number);
  if (page_number <= 0) return text + " בדף 1 ";
  return text + " בדף - " + PlainNumber(page_number);
}

ReportStream::ReportStream(const ReportHeader& header, const PrintFonts& fonts,
                           std::vector<ReportTarget*> targets, ProgressMonitor& monitor,
                           ReportListener* listener)
    : targets_(std::move(targets)), monitor_(monitor), listener_(listener) {
  state_.header = &header;
  state_.fonts = &fonts;
  monitor_.OnPhase("report");
}

void ReportStream::AddTitle(std::string_view coded) {
  state_.titles.push_back(ParseCodedText(coded));
}

void ReportStream::SetColumns(ColumnLayout columns) {
  for (ReportColumn& column : columns.columns) {
    if (!IsColumnTypeMarker(column.type)) column.type = kTextColumn;
    column.width = std::max(column.width, 0);
  }
  state_.columns = std::move(columns);
  for (ReportTarget* target : targets_) {
    if (Reaches(*target)) target->OnColumns(state_);
  }
}

bool ReportStream::Line(std::vector<std::string> cells, int style, int mode, LineMark mark,
                        std::uint64_t text_cells) {
  if (stopped_ || ended_) return false;
  if (monitor_.StopRequested()) {
    stopped_ = true;
    return false;
  }
  ReportLine line{{}, style, mode, mark, text_cells};
  if (!line.Spanning() && !state_.columns.empty()) {
    cells.resize(state_.columns.columns.size());
  } else if (line.Spanning() && cells.size() > 1) {
    cells.resize(1);
  }
  line.cells = cells;
  ++state_.line_number;
  int page = 0;
  for (ReportTarget* target : targets_) {
    if (Reaches(*target)) target->OnLine(state_, line);
    page = std::max(page, target->PageNumber());
  }
  if (listener_ != nullptr) listener_->OnLine(state_.line_number, page);
  return true;
}

void ReportStream::PlainKot(double lines_before, double extra_height, std::string_view coded,
                            int width_percent) {
  if (stopped_ || ended_) return;
  const FreeText text{lines_before, extra_height, ParseCodedText(coded), width_percent};
  for (ReportTarget* target : targets_) {
    if (Reaches(*target)) target->OnFreeText(state_, text);
  }
}

void ReportStream::CliName(std::span<const std::string> lines) {
  if (stopped_ || ended_) return;
  for (ReportTarget* target : targets_) {
    if (Reaches(*target)) target->OnAddressBox(state_, lines);
  }
}

void ReportStream::Chart(const ReportChart& chart) {
  if (stopped_ || ended_) return;
  for (ReportTarget* target : targets_) {
    if (Reaches(*target)) target->OnChart(state_, chart);
  }
}

void ReportStream::Sheet(std::string_view name) {
  if (stopped_ || ended_) return;
  for (ReportTarget* target : targets_) {
    if (Reaches(*target)) target->OnSheet(state_, name);
  }
}

void ReportStream::SetReach(ReportReach reach) { reach_ = reach; }

bool ReportStream::Reaching() const {
  return std::any_of(targets_.begin(), targets_.end(),
                     [this](const ReportTarget* target) { return Reaches(*target); });
}

bool ReportStream::ProducerProgress::StopRequested() {
  if (stream_.stopped_ || stream_.ended_) return true;
  if (!stream_.monitor_.StopRequested()) return false;
  stream_.stopped_ = true;
  return true;
}

bool ReportStream::Reaches(const ReportTarget& target) const {
  switch (reach_) {
    case ReportReach::kWorkbookOnly:
      return target.KeepsSheets();
    case ReportReach::kAllButWorkbook:
      return !target.KeepsSheets();
    case ReportReach::kEvery:
      break;
  }
  return true;
}

Status ReportStream::End() {
  if (ended_) return end_status_;
  if (stopped_) {
    // Said to every target, past the stop, as the report's last line.
    const std::vector<std::string> cells = {std::string(kReportStoppedText)};
    const ReportLine last{cells, kBodyStyle, kSpanRight, LineMark::kError};
    ++state_.line_number;
    for (ReportTarget* target : targets_) target->OnLine(state_, last);
  }
  ended_ = true;
  std::string failures;
  bool stopped_closing = false;
  for (ReportTarget* target : targets_) {
    const Status status = target->OnEnd(state_);
    if (status.code() == StatusCode::kInterrupted) {
      stopped_closing = true;
    } else if (!status.ok()) {
      if (!failures.empty()) failures += '\n';
      failures += status.message();
    }
  }
  end_status_ = !failures.empty() ? Status::IoError(failures)
                : stopped_closing ? Status::Interrupted(std::string(kReportStoppedText))
                                  : Status::Ok();
  return end_status_;
}

void ReportStream::Abandon() {
  if (ended_) return;
  ended_ = true;
  for (ReportTarget* target : targets_) target->OnAbandon(state_);
}

}  // namespace tallyscan
