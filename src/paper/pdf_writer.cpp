#include "paper/pdf_writer.h"

#include <QDateTime>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "engine/report/report.h"
#include "engine/report/report_writers.h"
#include "engine/uniform/uniform.h"
#include "paper/paper_target.h"

namespace tallyscan {
namespace {

constexpr double kPageMarginMm = 10;
constexpr std::string_view kCreator = "טליסקן";

std::string XmlText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string ReportXmp(const ReportState& state) {
  const std::string title = state.titles.empty() ? std::string() : state.titles.front().text;
  const ReportSource& source = state.header->source;
  const auto alt = [](std::string_view text) {
    return "<rdf:Alt><rdf:li xml:lang=\"x-default\">" + XmlText(text) + "</rdf:li></rdf:Alt>";
  };
  std::string xmp =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
      " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\""
      " xmlns:tallyscan=\"urn:tallyscan:report:1\">\n";
  xmp += "<dc:title>" + alt(title) + "</dc:title>\n";
  xmp += "<dc:creator><rdf:Seq><rdf:li>" + XmlText(kCreator) + "</rdf:li></rdf:Seq></dc:creator>\n";
  xmp += "<dc:description>" + alt(SourceDescription(source)) + "</dc:description>\n";
  xmp += "<dc:source>" + XmlText(source.file_name) + "</dc:source>\n";
  xmp += "<xmp:CreatorTool>" + XmlText(kCreator) + "</xmp:CreatorTool>\n";
  if (source.size >= 0) {
    xmp += "<tallyscan:SourceSize>" + PlainNumber(source.size) + "</tallyscan:SourceSize>\n";
  }
  if (!source.sha256.empty()) {
    xmp += "<tallyscan:SourceSHA256>" + source.sha256 + "</tallyscan:SourceSHA256>\n";
  }
  if (source.read_at != 0) {
    xmp += "<tallyscan:SourceReadAt>" + IsoTime(source.read_at) + "</tallyscan:SourceReadAt>\n";
  }
  xmp += "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
  return xmp;
}

namespace {

// The writer dates the document with the moment it ends; this puts `created` in its place, in
// UTC, within the same number of bytes so that no offset of the file moves. The date stands in
// the document's information near its start. False when the file cannot be read or written.
bool FixCreationDate(const QString& path, std::int64_t created) {
  QFile file(path);
  if (!file.open(QIODevice::ReadWrite)) return false;
  const QByteArray head = file.read(8192);
  const QByteArray key = "/CreationDate (";
  const qsizetype at = head.indexOf(key);
  if (at < 0) return true;
  const qsizetype begin = at + key.size();
  const qsizetype end = head.indexOf(')', begin);
  if (end < 0) return true;
  const QByteArray stamp =
      QDateTime::fromSecsSinceEpoch(created, Qt::UTC).toString("yyyyMMddHHmmss").toLatin1();
  QByteArray date = "D:" + stamp;
  // "D:…Z" when the writer wrote UTC, "D:…+HH'MM'" for a local time with its offset.
  if (end - begin == date.size() + 1) {
    date += "Z";
  } else if (end - begin == date.size() + 7) {
    date += "+00'00'";
  } else {
    return true;
  }
  return file.seek(begin) && file.write(date) == date.size() && file.flush();
}

}  // namespace

struct PdfReportWriter::Document {
  explicit Document(ReportFile out, const PrintFonts& fonts, std::optional<std::int64_t> date)
      : created(date),
        report_file(std::move(out)),
        file(QString::fromStdString(report_file.WritePath())),
        opened(report_file.IsOpen() && file.open(QIODevice::WriteOnly | QIODevice::Truncate)),
        writer(&file),
        paper(writer, fonts, WriteFailureMessage(report_file.path(), "PDF"),
              [this](const ReportState& state) { Name(state); }) {
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(kPageMarginMm, kPageMarginMm, kPageMarginMm, kPageMarginMm),
                    QPageLayout::Millimeter));
    writer.setCreator(QString::fromUtf8(kCreator.data(), static_cast<qsizetype>(kCreator.size())));
  }

  void Name(const ReportState& state) {
    if (!state.titles.empty()) writer.setTitle(QString::fromStdString(state.titles.front().text));
    writer.setDocumentXmpMetadata(QByteArray::fromStdString(ReportXmp(state)));
  }

  std::optional<std::int64_t> created;
  ReportFile report_file;
  QFile file;
  bool opened;
  QPdfWriter writer;
  PaperTarget paper;
};

PdfReportWriter::PdfReportWriter(ReportFile file, const PrintFonts& fonts,
                                 std::optional<std::int64_t> created)
    : document_(std::make_unique<Document>(std::move(file), fonts, created)) {}

PdfReportWriter::~PdfReportWriter() = default;

void PdfReportWriter::OnColumns(const ReportState& state) { document_->paper.OnColumns(state); }

void PdfReportWriter::OnLine(const ReportState& state, const ReportLine& line) {
  document_->paper.OnLine(state, line);
}

void PdfReportWriter::OnFreeText(const ReportState& state, const FreeText& text) {
  document_->paper.OnFreeText(state, text);
}

void PdfReportWriter::OnAddressBox(const ReportState& state, std::span<const std::string> lines) {
  document_->paper.OnAddressBox(state, lines);
}

void PdfReportWriter::OnChart(const ReportState& state, const ReportChart& chart) {
  document_->paper.OnChart(state, chart);
}

int PdfReportWriter::PageNumber() const { return document_->paper.PageNumber(); }
int PdfReportWriter::PagesDrawn() const { return document_->paper.PagesDrawn(); }

Status PdfReportWriter::OnEnd(const ReportState& state) {
  Document& doc = *document_;
  const Status painted = doc.paper.OnEnd(state);
  if (!doc.opened) {
    doc.report_file.Discard();
    return Status::IoError(
        WriteFailureMessage(doc.report_file.path(), doc.file.errorString().toStdString()));
  }
  const bool flushed = doc.file.flush();
  const QString reason = doc.file.errorString();
  bool file_ok = flushed && doc.file.error() == QFileDevice::NoError;
  doc.file.close();
  if (file_ok && painted.ok() && doc.created) {
    file_ok = FixCreationDate(QString::fromStdString(doc.report_file.WritePath()), *doc.created);
  }
  if (painted.ok() && file_ok) return doc.report_file.Commit();
  doc.report_file.Discard();
  return Status::IoError(WriteFailureMessage(doc.report_file.path(),
                                             file_ok ? std::string("PDF") : reason.toStdString()));
}

void PdfReportWriter::OnAbandon(const ReportState& state) {
  Document& doc = *document_;
  // The painter ends on the open file before the file goes; what it says is not kept.
  const Status painted = doc.paper.OnEnd(state);
  static_cast<void>(painted);
  if (doc.opened) doc.file.close();
  doc.report_file.Discard();
}

}  // namespace tallyscan
