#pragma once

// One run of a report from the output dialog: the targets it chose opened over files in the
// dialog's own folder and the chosen printer, the producer called once, every target closed,
// and what each left behind.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "engine/report/report.h"

class QPrinter;

namespace tallyscan {

class RecordStore;

// Writes a report into the stream; false when it was stopped before its end.
using ReportProducer = std::function<bool(ReportStream& stream)>;

// The folder of the dialog's files under the user's temporary folder, made when missing.
// Opening the dialog removes from it the files earlier runs left ("Htm*") that are older than
// kReportFileLifetimeSeconds at `now`, and nothing else: a report of an hour ago may still be
// open in the program that shows it, and the shared temporary folder is other programs' too.
QString ReportFolder();
inline constexpr qint64 kReportFileLifetimeSeconds = 24 * 60 * 60;
void CleanReportFolder(const QString& folder, const QDateTime& now = QDateTime::currentDateTime());

struct ReportRunRequest {
  int targets = 0;                // OutputTarget bits
  bool excel_as_workbook = true;  // the Excel target as .xlsx, or as the HTML ".Xls"
  QString folder;                 // where the files go
  QPrinter* printer = nullptr;    // for the printer target; null when it could not be opened
  const PrintFonts* fonts = nullptr;
  const RecordStore* store = nullptr;
  CivilDate print_date;
};

// The message of a printer that cannot be opened.
inline constexpr std::string_view kPrinterFailure =
    "תקלה בזמן נסיון גישה למדפסת\nבדוק את הגדרות המדפסות בהגדרות המערכת";

struct ReportRunResult {
  bool completed = false;  // the producer reached its end (not stopped)
  Status status;           // the targets that failed, one message per line
  QString excel_file;      // written files, empty for targets not chosen or failed
  QString mail_file;
  QString pdf_file;
  QString subject;  // the first title line
};

// Runs `producer` over the targets of `request`. The monitor is asked before every line
// whether to stop; the listener hears of every line.
ReportRunResult RunReport(const ReportRunRequest& request, const ReportProducer& producer,
                          ProgressMonitor& monitor, ReportListener* listener);

}  // namespace tallyscan
