#include "app/report/report_run.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "engine/report/report.h"
#include "engine/report/report_writers.h"
#include "engine/uniform/uniform.h"
#include "paper/paper_target.h"
#include "paper/pdf_writer.h"

namespace tallyscan {
namespace {

std::string Path(const QString& path) { return path.toStdString(); }

// A name no other run uses: "Htm" and a unique part, without extension.
QString FreshBase(const QString& folder) {
  QTemporaryFile file(QDir(folder).filePath(QStringLiteral("HtmXXXXXX.TMP")));
  file.setAutoRemove(true);
  if (!file.open()) return QDir(folder).filePath(QStringLiteral("Htm"));
  QString name = file.fileName();
  name.chop(4);
  return name;
}

}  // namespace

QString ReportFolder() {
  const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                             .filePath(QStringLiteral("tallyscan-reports"));
  QDir().mkpath(folder);
  return folder;
}

void CleanReportFolder(const QString& folder, const QDateTime& now) {
  QDir dir(folder);
  const QDateTime oldest = now.addSecs(-kReportFileLifetimeSeconds);
  for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("Htm*")}, QDir::Files)) {
    if (file.lastModified() < oldest) dir.remove(file.fileName());
  }
}

ReportRunResult RunReport(const ReportRunRequest& request, const ReportProducer& producer,
                          ProgressMonitor& monitor, ReportListener* listener) {
  ReportRunResult result;
  ReportHeader header = HeaderOfStore(*request.store, request.print_date);
  // The PDF and the workbook name the data file with its SHA-256, which reads it whole.
  const bool workbook = (request.targets & kExcelTarget) != 0 && request.excel_as_workbook;
  if (workbook || (request.targets & kPdfTarget) != 0)
    header.source = DescribeSource(*request.store);

  const QString base = FreshBase(request.folder);
  const ReportInputs inputs = InputsOfStore(*request.store);
  // Each file is examined and written as the command-line program's are; one that is refused
  // is not written and its message joins the run's.
  std::string refusals;
  const auto open = [&](QString& name) {
    ReportFile file;
    const Status opened = ReportFile::Open(Path(name), inputs, file);
    if (!opened.ok()) {
      if (!refusals.empty()) refusals += '\n';
      refusals += opened.message();
      name.clear();
    }
    return file;
  };
  std::vector<std::unique_ptr<ByteSink>> sinks;
  std::vector<std::unique_ptr<ReportTarget>> owned;
  std::vector<ReportTarget*> targets;
  const auto add = [&](std::unique_ptr<ReportTarget> target) {
    targets.push_back(target.get());
    owned.push_back(std::move(target));
  };
  if ((request.targets & kExcelTarget) != 0) {
    result.excel_file = base + (workbook ? QStringLiteral(".xlsx") : QStringLiteral(".Xls"));
    if (ReportFile file = open(result.excel_file); file.IsOpen()) {
      if (workbook) {
        add(std::make_unique<XlsxReportWriter>(std::move(file),
                                               static_cast<std::int64_t>(std::time(nullptr))));
      } else {
        sinks.push_back(std::make_unique<FileSink>(std::move(file)));
        add(std::make_unique<HtmlReportWriter>(HtmlForm::kExcel, *sinks.back()));
      }
    }
  }
  if ((request.targets & kMailTarget) != 0) {
    result.mail_file = base + QStringLiteral(".Htm");
    if (ReportFile file = open(result.mail_file); file.IsOpen()) {
      sinks.push_back(std::make_unique<FileSink>(std::move(file)));
      add(std::make_unique<HtmlReportWriter>(HtmlForm::kMail, *sinks.back()));
    }
  }
  if ((request.targets & kPdfTarget) != 0) {
    result.pdf_file = base + QStringLiteral(".pdf");
    if (ReportFile file = open(result.pdf_file); file.IsOpen()) {
      add(std::make_unique<PdfReportWriter>(std::move(file), *request.fonts));
    }
  }
  if ((request.targets & kPrinterTarget) != 0 && request.printer != nullptr) {
    request.printer->setDocName(QStringLiteral("טליסקן"));
    add(std::make_unique<PaperTarget>(*request.printer, *request.fonts,
                                      std::string(kPrinterFailure)));
  }

  ReportStream stream(header, *request.fonts, targets, monitor, listener);
  result.completed = producer(stream);
  if (!stream.State().titles.empty()) {
    result.subject = QString::fromStdString(stream.State().titles.front().text);
  }
  // Every target is closed whatever became of the others; each failed one has its message.
  result.status = stream.End();
  if (!refusals.empty()) {
    result.status =
        Status::Refused(result.status.ok() ? refusals : refusals + '\n' + result.status.message());
  }
  // A file that failed is gone: do not offer it.
  for (QString* file : {&result.excel_file, &result.mail_file, &result.pdf_file}) {
    if (!file->isEmpty() && !QFileInfo::exists(*file)) file->clear();
  }
  return result;
}

}  // namespace tallyscan
