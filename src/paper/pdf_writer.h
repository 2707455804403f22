#pragma once

// The PDF form of a report: the same pages the printer gets, written through Qt's PDF writer on
// A4. Hebrew stays text (a reader can search and copy it); the document's title is the
// report's first title line, and its metadata name the data file with its size, SHA-256 and
// the time it was read.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/report/report.h"
#include "engine/report/report_writers.h"

namespace tallyscan {

class PdfReportWriter final : public ReportTarget {
 public:
  // Writes the pages into `file`, which must be open. The settings must outlive the writer.
  // `created` (seconds since 1970), when given, is the creation date the document carries
  // instead of the moment it was written, so that equal input gives equal files.
  PdfReportWriter(ReportFile file, const PrintFonts& fonts,
                  std::optional<std::int64_t> created = std::nullopt);
  ~PdfReportWriter() override;
  PdfReportWriter(const PdfReportWriter&) = delete;
  PdfReportWriter& operator=(const PdfReportWriter&) = delete;

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  void OnChart(const ReportState& state, const ReportChart& chart) override;
  // Puts the file in place when it was written whole. Failed when it could not be written; the
  // temporary file is then removed.
  Status OnEnd(const ReportState& state) override;
  // Ends the pages and removes the file.
  void OnAbandon(const ReportState& state) override;
  int PageNumber() const override;

  int PagesDrawn() const;

 private:
  struct Document;
  std::unique_ptr<Document> document_;
};

// The XMP packet of a report's PDF: title, creator, the source description and its parts.
std::string ReportXmp(const ReportState& state);

}  // namespace tallyscan
