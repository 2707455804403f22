#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The workbook of a report (.xlsx), written with libxlsxwriter in its constant-memory mode: each
// row goes to disk as soon as the next one starts, so a report of a million lines never holds
// its sheet in memory. The sheet reads right to left; the title lines stand above the bold
// heading row, which stays frozen while the rows scroll; figures are numbers ("#,##0.00" and
// its kin) in the debit and credit colours the HTML document gives them (a figure of more
// digits than a double holds exactly, beyond 2^53, is its text), texts are text. A
// report longer than a sheet continues on a further sheet under a repeated heading row.
// Spanning lines are centred across the columns (cells cannot be merged in this mode). A named
// part (ReportStream::Sheet) begins a sheet of that name, and a chart becomes a native column
// chart of the cells of its table. The document properties name the data file with its size,
// SHA-256 and the time it was read.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/common/progress.h"
#include "engine/report/report_file.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

class XlsxReportWriter final : public ReportTarget {
 public:
  // Writes the workbook into `file`, which must be open; the library's temporary files (about
  // as large as the sheets' XML, many times the workbook) go into the same folder. `created`
  // (seconds since 1970) is the creation time written into the properties, so that equal input
  // gives equal files. `closing`, when given, is asked once the workbook is packed and read
  // back, before it takes the path's place: a stop asked during that closing leaves the path
  // as it was (OnEnd is then kInterrupted). For callers that keep nothing of a stopped run.
  XlsxReportWriter(ReportFile file, std::int64_t created, ProgressMonitor* closing = nullptr);
  ~XlsxReportWriter() override;
  XlsxReportWriter(const XlsxReportWriter&) = delete;
  XlsxReportWriter& operator=(const XlsxReportWriter&) = delete;

  // The rows of one sheet, 1,048,576 unless a test asks for fewer.
  void SetRowsPerSheet(std::uint32_t rows);

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  // A native column chart of the cells of the table just written, beside it: the bars as
  // one series, the line (when the chart has one) as a second.
  void OnChart(const ReportState& state, const ReportChart& chart) override;
  // A sheet named `name`; when it is full the part goes on in "name-2", "name-3"…
  void OnSheet(const ReportState& state, std::string_view name) override;
  bool KeepsSheets() const override { return true; }
  // Finishes the workbook, reads it back whole (every part present, every entry through its
  // CRC, every sheet complete) and only then puts it in place. Failed when it could not be
  // written or does not read back, or stopped while it closed (above); the temporary file is
  // then removed.
  Status OnEnd(const ReportState& state) override;
  // Drops the workbook unwritten, with the library's temporary files, and removes the file.
  void OnAbandon(const ReportState& state) override;

 private:
  struct Book;
  std::unique_ptr<Book> book_;
};

}  // namespace tallyscan
