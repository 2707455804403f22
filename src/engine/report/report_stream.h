#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// Report output: what a report producer says and what every target renders from it.
//
// A producer (the accounts index, a ledger range, a document, the catalogue, the check
// findings, the import log) talks to one ReportStream: title lines, then the columns, then its
// lines (and, for a document, free texts and the addressee box), then End. The stream hands
// each call to every target of the run at once: the pages (printer, PDF), the HTML document
// (the ".Xls" table or the e-mail body) and the workbook. Texts are UTF-8 without the grid's
// marker bytes; targets convert at their edge.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/progress.h"
#include "engine/common/status.h"
#include "engine/report/print_fonts.h"

namespace tallyscan {

enum class TextAlign { kCentre, kRight, kLeft };

// A title line or a free text: a font slot digit, an alignment digit ("0" centred, "1" right,
// "2" left) and the text, e.g. "10" + "אינדקס החשבונות". A text shorter than its code, or
// with digits out of range, reads as slot 1, centred.
struct CodedText {
  int font = 1;
  TextAlign align = TextAlign::kCentre;
  std::string text;
};
CodedText ParseCodedText(std::string_view coded);
// "center", "right" or "left", as the HTML writes it.
std::string_view AlignWord(TextAlign align);

// Column types. 0 is text; the others are figure columns. 1-4 also colour their cells in the
// HTML document and the workbook: 1 debit amounts, 2 credit amounts, 3 balances marked with
// the letter ח or ז, 4 signed balances. 9 is left-aligned without its inner margin, 8 is
// right-aligned without right-to-left reading.
inline constexpr int kTextColumn = 0;
inline constexpr int kDebitColumn = 1;
inline constexpr int kCreditColumn = 2;
inline constexpr int kLetterBalanceColumn = 3;
inline constexpr int kSignedBalanceColumn = 4;
inline constexpr int kFigureColumn = 5;
// Whether a byte of a coded column layout is a type marker: 1-5, 8, 9 and 11.
bool IsColumnTypeMarker(int code);

struct ReportColumn {
  std::string caption;  // UTF-8, without the type marker
  int width = 0;        // in characters
  int type = kTextColumn;
  // A text column whose cells are words or figures row by row (a list of facts and their
  // values): a workbook writes its figures, and its percentages ("99.50%"), as numbers. The
  // pages and the HTML documents show it as any text column.
  bool figures_in_workbook = false;
};

struct ColumnLayout {
  std::vector<ReportColumn> columns;
  bool wide_flag = false;  // the byte 254 of a coded column layout: always the wide fonts

  bool empty() const { return columns.empty(); }
  // The length of the coded column layout in code page 1255 bytes: per column its width
  // byte, its caption and its type marker, 255 between columns, and the flag byte.
  std::size_t CodedLength() const;
  int TotalWidth() const;
};

// A column's width in characters from a field list's width in pixels: divided by 10, rounded.
int CharactersOfPixels(int pixels);

// The line styles and modes of ReportStream::Line.
inline constexpr int kBodyStyle = 0;
inline constexpr int kSummaryStyle = 1;   // totals: the sub-title fonts on paper, F4 in HTML
inline constexpr int kSubTitleStyle = 2;  // headings within a report: the summary fonts, F3
inline constexpr int kSpanCentre = 101;
inline constexpr int kSpanRight = 102;
inline constexpr int kSpanLeft = 103;

// A date of the calendar.
struct CivilDate {
  int year = 1970;
  int month = 1;
  int day = 1;
};
// The date of a moment (seconds since 1970) in UTC.
CivilDate UtcDateOf(std::int64_t seconds);
// "DD-MM-YYYY" (HTML) and "DD/MM/YYYY" (pages).
std::string DashedDate(const CivilDate& date);
std::string SlashedDate(const CivilDate& date);

// The data a report was made from, for the document properties of the PDF and the workbook.
struct ReportSource {
  std::string file_name;     // the data file read, as its path was given
  std::int64_t size = -1;    // bytes; -1 when unknown
  std::string sha256;        // 64 lower-case hexadecimal digits; empty when unknown
  std::int64_t read_at = 0;  // when the set was read, seconds since 1970; 0 when unknown
};

// What every page and every document of a run carries besides the producer's lines.
struct ReportHeader {
  std::string company;        // the business name
  std::string second_line;    // the business address
  std::string dealer_number;  // trimmed
  int fiscal_year = 0;
  CivilDate print_date;
  ReportSource source;
};

// Everything the producer has said so far; targets read it.
struct ReportState {
  const ReportHeader* header = nullptr;
  const PrintFonts* fonts = nullptr;
  std::vector<CodedText> titles;
  ColumnLayout columns;
  std::int64_t line_number = 0;  // lines given so far, the current one included
};

// An error line prints in red on paper; the HTML document and the workbook show it as any line.
enum class LineMark { kPlain, kError };

struct ReportLine {
  std::span<const std::string> cells;  // one per column; a spanning line has one
  int style = kBodyStyle;
  int mode = 0;  // negative: as its absolute value, without the grid line under it on paper
  LineMark mark = LineMark::kPlain;
  // Cells (bit c for column c) that hold no figure although their column holds figures: a key,
  // a count or a quantity in an amount column, written and drawn as the text it is.
  std::uint64_t text_cells = 0;
  int Mode() const { return mode < 0 ? -mode : mode; }
  bool Spanning() const { return Mode() > 100; }
  // The type cell `column` is written as: its column's, or text.
  int CellType(std::size_t column, const ColumnLayout& layout) const {
    if (column >= layout.columns.size() || (column < 64 && (text_cells >> column & 1U) != 0)) {
      return kTextColumn;
    }
    return layout.columns[column].type;
  }
};

// A text placed below what came before (PlainKot): `lines_before` and `extra_height` are
// counted in lines of its font; `width_percent` 0 takes the whole width, another value that
// share of it (at the right for a right-aligned text, at the left for a left-aligned one,
// centred otherwise), and a negative one the same share with a rounded frame around it. A
// TAB in the text separates a label from its value.
struct FreeText {
  double lines_before = 0;
  double extra_height = 0;
  CodedText text;
  int width_percent = 0;
};

// A picture: a column chart given as data. Bars of `bars` stand over their `labels`; `line`
// (as many points as bars, or none) runs over them. `title` names the chart with its figures.
// A chart follows the table that holds its figures, its last lines one per label: a workbook
// charts those cells (the columns named here) instead of copying the figures.
struct ReportChart {
  std::string title;
  std::vector<std::string> labels;
  std::vector<double> bars;
  std::vector<double> line;
  std::string bars_caption;  // the legend's words for the bars and for the line
  std::string line_caption;
  int label_column = 0;  // columns of the table, 0-based
  int bars_column = 1;
  int line_column = 2;
};

// Which targets what the producer says next reaches: a workbook can hold what a page or an
// HTML table should not (every hit of a test on a sheet of its own), and the reverse.
enum class ReportReach {
  kEvery,
  kWorkbookOnly,    // the targets that keep sheets
  kAllButWorkbook,  // the targets that do not
};

// One output of a run. The stream calls it in the producer's order and always ends with
// OnEnd, also after a stop or a failure of another target. A target that fails keeps
// accepting calls and reports the failure from OnEnd.
class ReportTarget {
 public:
  virtual ~ReportTarget() = default;
  virtual void OnColumns(const ReportState& state) = 0;
  virtual void OnLine(const ReportState& state, const ReportLine& line) = 0;
  virtual void OnFreeText(const ReportState& state, const FreeText& text) = 0;
  // The addressee box (CliName): the heading line first, then the address lines.
  virtual void OnAddressBox(const ReportState& state, std::span<const std::string> lines) = 0;
  // A picture; the targets that draw none (the HTML forms, whose tables carry the figures)
  // leave it out.
  virtual void OnChart(const ReportState& /*state*/, const ReportChart& /*chart*/) {}
  // A named part of the report: a workbook begins a sheet of that name (the first sheet takes
  // it when nothing was written yet); the other targets go on as before.
  virtual void OnSheet(const ReportState& /*state*/, std::string_view /*name*/) {}
  // Whether the target is a workbook, for ReportReach.
  virtual bool KeepsSheets() const { return false; }
  // Closes the output. Failed when it could not be written completely: the message says so
  // and the target has removed its partial file.
  virtual Status OnEnd(const ReportState& state) = 0;
  // Instead of OnEnd, when the run is given up: a target that writes a file removes what it
  // began, so that whatever the path held before stays as it was.
  virtual void OnAbandon(const ReportState& /*state*/) {}
  // The page being printed, for the progress text; 0 for a target without pages.
  virtual int PageNumber() const { return 0; }
};

// Told of every line while a report is being produced, for the output dialog's progress text.
class ReportListener {
 public:
  virtual ~ReportListener() = default;
  virtual void OnLine(std::int64_t line_number, int page_number) = 0;
};

// The last line of a report kept after a stop.
inline constexpr std::string_view kReportStoppedText = "הדוח הופסק לפני סיומו";

// "מדפיס שורה מס. - N בדף - P"; when no target has pages (page 0), "מדפיס שורה מס. - N בדף 1 ".
std::string PrintingProgressText(std::int64_t line_number, int page_number);

// The producers' side of one run. Not copyable; lives for one report.
class ReportStream {
 public:
  // `fonts` and `targets` are not owned and must outlive the stream (a temporary set of fonts
  // does not compile). The monitor is told the phase "report" and asked before every line
  // whether to stop.
  ReportStream(const ReportHeader& header, const PrintFonts& fonts,
               std::vector<ReportTarget*> targets, ProgressMonitor& monitor,
               ReportListener* listener = nullptr);
  ReportStream(const ReportHeader& header, PrintFonts&& fonts, std::vector<ReportTarget*> targets,
               ProgressMonitor& monitor, ReportListener* listener = nullptr) = delete;
  ReportStream(const ReportStream&) = delete;
  ReportStream& operator=(const ReportStream&) = delete;

  // A coded title line (ParseCodedText), in display order, before the columns.
  void AddTitle(std::string_view coded);
  void SetColumns(ColumnLayout columns);
  // One line of cells, as many as there are columns (missing cells are empty, extra ones
  // dropped); a spanning line (mode 101-103) has one. Returns false, writing nothing, once
  // the monitor has asked to stop: the producer then returns.
  bool Line(std::vector<std::string> cells, int style = kBodyStyle, int mode = 0,
            LineMark mark = LineMark::kPlain, std::uint64_t text_cells = 0);
  void PlainKot(double lines_before, double extra_height, std::string_view coded,
                int width_percent);
  void CliName(std::span<const std::string> lines);
  // A chart after the table of its figures (ReportChart).
  void Chart(const ReportChart& chart);
  // Begins a part named `name`: a sheet of its own in a workbook, the pages and the HTML
  // documents going on.
  void Sheet(std::string_view name);
  // The targets that the calls after it reach, until the next call (every target at first).
  // The columns given while a reach holds reach only its targets: give them again after it.
  void SetReach(ReportReach reach);
  // The monitor for a producer's own work between its lines (reading the data file for the
  // rows it prints): told its progress and asked whether to stop as the stream's monitor is,
  // a stop it sees stops the stream.
  ProgressMonitor& Progress() { return progress_; }
  // Whether what is said now reaches any target (ReportReach): a producer need not gather
  // what no target would keep.
  bool Reaching() const;
  // Closes every target (once; later calls return the first result). A stopped report ends
  // with the line kReportStoppedText, so that what is kept says it is not whole. Failed when a
  // target failed: the messages of all that failed, one per line; else kInterrupted when a
  // target was stopped while it closed and left its path as it was.
  Status End();
  // Closes every target without keeping its file (once, instead of End): for a stopped run
  // whose caller keeps nothing of it.
  void Abandon();

  bool Stopped() const { return stopped_; }
  const ReportState& State() const { return state_; }

 private:
  // Progress(): forwards to the stream's monitor and remembers a stop.
  class ProducerProgress final : public ProgressMonitor {
   public:
    explicit ProducerProgress(ReportStream& stream) : stream_(stream) {}
    void OnProgress(int percent) override { stream_.monitor_.OnProgress(percent); }
    void OnPhase(std::string_view phase) override { stream_.monitor_.OnPhase(phase); }
    bool StopRequested() override;

   private:
    ReportStream& stream_;
  };

  ReportState state_;
  std::vector<ReportTarget*> targets_;
  ProgressMonitor& monitor_;
  ProducerProgress progress_{*this};
  ReportListener* listener_;
  ReportReach reach_ = ReportReach::kEvery;
  bool stopped_ = false;
  bool ended_ = false;
  Status end_status_;

  bool Reaches(const ReportTarget& target) const;
};

}  // namespace tallyscan
