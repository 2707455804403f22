#pragma once

// The PDF form of a report: the same pages the printer gets, written through Qt's PDF writer on
// A4. Hebrew stays text (a reader can search and copy it); the document's title is the
// report's first title line, and its metadata name the data file with its size, SHA-256 and
// the time it was read.

#include <memory>
#include <string>

#include "engine/report/report.h"

namespace tallyscan {

class PdfReportWriter final : public ReportTarget {
 public:
  // Creates the file at `path` (replacing one there). The settings must outlive the writer.
  PdfReportWriter(const std::string& path, const PrintFonts& fonts);
  ~PdfReportWriter() override;
  PdfReportWriter(const PdfReportWriter&) = delete;
  PdfReportWriter& operator=(const PdfReportWriter&) = delete;

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  // Failed when the file could not be written; a partial file is then removed.
  Status OnEnd(const ReportState& state) override;
  int PageNumber() const override;

  int PagesDrawn() const;

 private:
  struct Document;
  std::unique_ptr<Document> document_;
};

// The XMP packet of a report's PDF: title, creator, the source description and its parts.
std::string ReportXmp(const ReportState& state);

}  // namespace tallyscan
