// A report of free texts and addressee boxes for other programs: what the calls say is kept
// on the handle and told to the engine's report stream, into the writer of the form asked
// for, each time the report is written.
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/common/progress.h"
#include "engine/report/report.h"
#include "engine/report/report_writers.h"
#include "library_messages.h"
#include "tallyscan.h"

// The handle's type, named in the header without its insides.
struct TallyscanReport {
  // A PlainKot or, when `lines` is not empty, a CliName.
  struct Piece {
    double lines_before = 0;
    double extra_height = 0;
    std::string coded;
    int width_percent = 0;
    std::vector<std::string> lines;
  };
  std::string title;
  std::vector<Piece> pieces;
};

namespace {

constexpr int32_t kDone = 0;
constexpr int32_t kCannotOpen = -3;
constexpr int32_t kWriteFailed = -4;
constexpr int32_t kBadArgument = -6;

// Space before and after a free text is counted in lines: a page holds about sixty, and a
// larger count is a caller's mistake that would otherwise fill the file with line breaks.
constexpr double kMostLines = 100;

bool WellFormedUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t point = 0;
    if (lead < 0x80) {
      ++at;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      point = lead & 0x1FU;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      point = lead & 0x0FU;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      point = lead & 0x07U;
    } else {
      return false;
    }
    if (text.size() - at < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0U) != 0x80U) return false;
      point = (point << 6) | (next & 0x3FU);
    }
    // Overlong forms, surrogates and points past U+10FFFF.
    if ((length == 3 && point < 0x800) || (length == 4 && point < 0x10000) ||
        (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
      return false;
    }
    at += length;
  }
  return true;
}

// A text the caller gives: present and UTF-8, else refused with a warning naming `what`.
bool Acceptable(const char* text, const char* what) {
  if (text == nullptr) {
    tallyscan::LibraryMessage(std::string("דוח: ") + what + ": לא נמסר ערך (NULL)");
    return false;
  }
  if (!WellFormedUtf8(text)) {
    tallyscan::LibraryMessage(std::string("דוח: ") + what + ": לא טקסט UTF-8 תקין");
    return false;
  }
  return true;
}

bool LinesInRange(double lines) { return lines >= 0 && lines <= kMostLines; }

void Replay(const TallyscanReport& report, tallyscan::ReportStream& stream) {
  stream.AddTitle("10" + report.title);
  for (const TallyscanReport::Piece& piece : report.pieces) {
    if (piece.lines.empty()) {
      stream.PlainKot(piece.lines_before, piece.extra_height, piece.coded, piece.width_percent);
    } else {
      stream.CliName(piece.lines);
    }
  }
}

}  // namespace

extern "C" {

TallyscanReport* TallyscanReportBegin(const char* title) {
  if (!Acceptable(title, "שם הדוח")) return nullptr;
  auto* report = new (std::nothrow) TallyscanReport;
  if (report != nullptr) report->title = title;
  return report;
}

int32_t PlainKot(TallyscanReport* report, double lines_before, double extra_height,
                 const char* coded_text, int32_t width_percent) {
  if (report == nullptr || !Acceptable(coded_text, "הטקסט")) return kBadArgument;
  const std::string_view coded = coded_text;
  // The two digits of the code are bytes of their own: a text without them would lose its
  // first letter, or half of one, to the code.
  if (coded.size() < 2 || coded[0] < '1' || coded[0] > '9' || coded[1] < '0' || coded[1] > '2') {
    tallyscan::LibraryMessage("דוח: הטקסט \"" + std::string(coded) +
                              "\" אינו פותח בספרת גופן (1-9) ובספרת יישור (0-2)");
    return kBadArgument;
  }
  if (!LinesInRange(lines_before) || !LinesInRange(extra_height) || width_percent < -100 ||
      width_percent > 100) {
    tallyscan::LibraryMessage(
        "דוח: הרווח לפני הטקסט ואחריו הוא 0 עד 100 שורות, והרוחב עד 100 אחוזים");
    return kBadArgument;
  }
  report->pieces.push_back({lines_before, extra_height, std::string(coded), width_percent, {}});
  return kDone;
}

int32_t CliName(TallyscanReport* report, const char* const* lines, int32_t line_count) {
  if (report == nullptr || lines == nullptr || line_count < 1) return kBadArgument;
  TallyscanReport::Piece box;
  for (int32_t i = 0; i < line_count; ++i) {
    if (!Acceptable(lines[i], i == 0 ? "כותרת תיבת הנמען" : "שורת הנמען")) return kBadArgument;
    box.lines.emplace_back(lines[i]);
  }
  report->pieces.push_back(std::move(box));
  return kDone;
}

int32_t TallyscanReportWrite(TallyscanReport* report, const char* file_name, int32_t form) {
  if (report == nullptr || file_name == nullptr || file_name[0] == '\0') return kBadArgument;
  if (form != TALLYSCAN_REPORT_EXCEL && form != TALLYSCAN_REPORT_MAIL &&
      form != TALLYSCAN_REPORT_WORKBOOK) {
    return kBadArgument;
  }
  tallyscan::ReportFile file;
  if (const tallyscan::Status refused = tallyscan::ReportFile::Open(file_name, {}, file);
      !refused.ok()) {
    tallyscan::LibraryMessage(refused.message());
    return kCannotOpen;
  }
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  tallyscan::ReportHeader header;
  header.print_date = tallyscan::UtcDateOf(now);
  const tallyscan::PrintFonts fonts = tallyscan::DefaultPrintFonts();
  std::unique_ptr<tallyscan::ByteSink> sink;
  std::unique_ptr<tallyscan::ReportTarget> target;
  if (form == TALLYSCAN_REPORT_WORKBOOK) {
    target = std::make_unique<tallyscan::XlsxReportWriter>(std::move(file), now);
  } else {
    sink = std::make_unique<tallyscan::FileSink>(std::move(file));
    target = std::make_unique<tallyscan::HtmlReportWriter>(
        form == TALLYSCAN_REPORT_EXCEL ? tallyscan::HtmlForm::kExcel : tallyscan::HtmlForm::kMail,
        *sink);
  }
  tallyscan::SilentProgress progress;
  tallyscan::ReportStream stream(header, fonts, {target.get()}, progress);
  Replay(*report, stream);
  if (const tallyscan::Status written = stream.End(); !written.ok()) {
    tallyscan::LibraryMessage(written.message());
    return kWriteFailed;
  }
  return kDone;
}

void TallyscanReportEnd(TallyscanReport* report) { delete report; }

}  // extern "C"
