#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The HTML document of a report: the Excel form (saved as ".Xls" for a spreadsheet program to
// read) and the e-mail form (the body of a message). Code page 1255, every line ended by CR LF,
// right to left. The head and its style block come from the print settings and are written by
// the first call that outputs anything; the e-mail form adds the company block.
//
// Every element the document opens it closes, in order: each column layout's table ends
// before the next layout, a free text or the addressee box begins (a line after these opens
// its table again, with its heading row), so that tables stand one after another and never
// inside each other; a mail program or a preview that lays tables out inside one another
// takes time that grows with their depth.

#include "engine/report/byte_sink.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

enum class HtmlForm {
  // Empty cells empty, a figure's sign in front, no company block; a cell that starts with
  // "=", "+", "-" or "@" and is no figure of a figure column is styled as text
  // (mso-number-format:'\@'), so that the spreadsheet never runs it as a formula.
  kExcel,
  kMail,  // empty cells "&nbsp;", a figure's sign after it, the company block
};

class HtmlReportWriter final : public ReportTarget {
 public:
  // The sink is not owned; OnEnd closes it.
  HtmlReportWriter(HtmlForm form, ByteSink& sink) : form_(form), sink_(sink) {}

  void OnColumns(const ReportState& state) override;
  void OnLine(const ReportState& state, const ReportLine& line) override;
  void OnFreeText(const ReportState& state, const FreeText& text) override;
  void OnAddressBox(const ReportState& state, std::span<const std::string> lines) override;
  Status OnEnd(const ReportState& state) override;
  // Discards the sink.
  void OnAbandon(const ReportState& state) override;

 private:
  void Head(const ReportState& state, bool wide);
  // The data table of the current columns with its heading row, and its end.
  void OpenTable(const ReportState& state);
  void CloseTable();
  void HeadOnce(const ReportState& state);
  void StyleRule(const ReportState& state, int id, int slot);
  void MailBlock(const ReportState& state);
  void Put(std::string_view markup);
  // Ends line_ and writes it.
  void PutLine();
  void PutText(std::string_view prefix, std::string_view text, std::string_view suffix);

  HtmlForm form_;
  ByteSink& sink_;
  bool head_written_ = false;
  bool table_open_ = false;  // a data table is open
  std::string line_;         // the line being written, reused for every line
};

// Text as the document carries it: "&", "<" and ">" as entities, then code page 1255 with a
// numeric character reference for what the code page cannot hold.
std::string HtmlText(std::string_view utf8);

}  // namespace tallyscan
