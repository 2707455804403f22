#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The targets of the output dialog as a set of bits, and the rules its buttons follow.

namespace tallyscan {

enum OutputTarget : int {
  kExcelTarget = 1,    // "קובץ אקסל": the workbook, or the HTML table saved as ".Xls"
  kMailTarget = 2,     // "שלח דואר": the HTML document handed to the e-mail dialog
  kPrinterTarget = 4,  // "מדפסת"
  kPdfTarget = 8,      // "קובץ PDF"
};

// The targets when the dialog opens: the printer alone.
inline constexpr int kInitialTargets = kPrinterTarget;

// Where there is no printer to print on, the PDF takes the printer's place: the target the
// dialog opens with, and the one chosen again when none is left.
inline constexpr int kInitialTargetsWithoutPrinter = kPdfTarget;

// The targets after a click on `target`: it is turned over; choosing e-mail clears Excel and
// choosing Excel clears e-mail; and when no target is left `fallback` (the printer, or the PDF
// where there is no printer) is chosen again, so that at least one is always set.
constexpr int ToggleTarget(int targets, OutputTarget target,
                           OutputTarget fallback = kPrinterTarget) {
  targets ^= target;
  if (target == kMailTarget && (targets & kMailTarget) != 0) targets &= ~kExcelTarget;
  if (target == kExcelTarget && (targets & kExcelTarget) != 0) targets &= ~kMailTarget;
  if ((targets & (kExcelTarget | kMailTarget | kPrinterTarget | kPdfTarget)) == 0) {
    targets |= fallback;
  }
  return targets;
}

}  // namespace tallyscan
