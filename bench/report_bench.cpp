// The report writers on a stream as long as the largest reports: the ledger of every card of a
// million movements (11 columns, a spanning title row and a totals row per card of 50 lines)
// or the accounts index (9 columns). Prints the time, the bytes written and the peak memory
// of this process, for bench/report_bench.sh to set against the import of the same size.
//
//   report_bench htm|xls|xlsx|pdf ledger|index LINES OUT_FILE
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/report/report_writers.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#ifdef TALLYSCAN_HAVE_PAPER
#include "paper/headless_gui_application.h"
#include "paper/pdf_writer.h"
#endif

namespace tallyscan {
namespace {

constexpr int kCardLines = 50;

ColumnLayout LedgerColumns() {
  return {{{"#", 3, 0},
           {"סוג תנועה", 8, 0},
           {"תאריך אסמ.", 8, 0},
           {"אסמכתא", 8, 0},
           {"תאריך ערך", 8, 0},
           {"פרטים", 10, 0},
           {"ח-ן נגדי", 10, 0},
           {"חובה", 10, kDebitColumn},
           {"זכות", 10, kCreditColumn},
           {"יתרה", 10, kSignedBalanceColumn},
           {"סכום מט'ח", 10, kSignedBalanceColumn}}};
}

ColumnLayout IndexColumns() {
  return {{{"#", 3, 0},
           {"מפתח החשבון", 18, 0},
           {"שם החשבון", 6, 0},
           {"תאור קב' מאזן", 6, 0},
           {"סעיף מ.ה", 10, 0},
           {"יתרת פתיחה", 10, kLetterBalanceColumn},
           {"מצטבר חובה", 10, kDebitColumn},
           {"מצטבר זכות", 10, kCreditColumn},
           {"יתרה", 10, kLetterBalanceColumn}}};
}

void Ledger(ReportStream& stream, long long lines) {
  stream.AddTitle("10כרטיס חשבון - 1000 - קופה ראשית");
  stream.SetColumns(LedgerColumns());
  std::int64_t balance = 0;
  std::int64_t number = 0;
  for (long long line = 1; line <= lines; ++line) {
    if (line % kCardLines == 1 && line > 1) {
      stream.Line({"", "", "", "", "", "סה'כ תנועות בכרטיס", "", FormatAgorot(balance), "", "", ""},
                  kSummaryStyle);
      stream.Line({"כרטיס חשבון - " + PlainNumber(1000 + line / kCardLines) + " - ספק"},
                  kSubTitleStyle, kSpanCentre);
      number = 0;
    }
    const std::int64_t amount = (line * 7919) % 10000000;
    const bool debit = line % 3 != 0;
    balance += debit ? amount : -amount;
    stream.Line({PlainNumber(++number), "חשבונית", "15/03/2024", PlainNumber(100000 + line),
                 "15/03/2024", "מכירה ללקוח " + PlainNumber(line % 97),
                 PlainNumber(4000 + line % 50), debit ? FormatAgorot(amount) : "",
                 debit ? "" : FormatAgorot(amount), FormatAgorot(balance), ""});
  }
}

void Index(ReportStream& stream, long long lines) {
  stream.AddTitle("10אינדקס החשבונות");
  stream.SetColumns(IndexColumns());
  for (long long line = 1; line <= lines; ++line) {
    const std::int64_t amount = (line * 104729) % 100000000;
    stream.Line({PlainNumber(line), PlainNumber(100000 + line), "חשבון מספר " + PlainNumber(line),
                 "רכוש שוטף", PlainNumber(1000 + line % 9000), FormatAgorot(amount) + " ח",
                 FormatAgorot(amount * 3), FormatAgorot(amount * 2),
                 FormatAgorot(amount * 2) + " ח"});
  }
  stream.Line({}, kBodyStyle, 1);
  stream.Line({"", "", "סה'כ למאזן בוחן", "", "", "", "1.00", "1.00", ""}, kSummaryStyle);
}

}  // namespace
}  // namespace tallyscan

int main(int argc, char** argv) {
  using namespace tallyscan;
  if (argc != 5) {
    std::fprintf(stderr, "usage: report_bench htm|xls|xlsx|pdf ledger|index LINES OUT_FILE\n");
    return 2;
  }
  const std::string_view format = argv[1];
  const bool ledger = std::string_view(argv[2]) == "ledger";
  const long long lines = std::atoll(argv[3]);
  const std::string out = argv[4];

  ReportHeader header;
  header.company = "מחשבי השרון שיווק והפצה בע\"מ";
  header.second_line = "סוקולוב 50 ירושלים";
  header.dealer_number = "567755111";
  header.fiscal_year = 2024;
  header.print_date = {2025, 1, 15};
  const PrintFonts fonts = DefaultPrintFonts();
#ifdef TALLYSCAN_HAVE_PAPER
  std::optional<HeadlessGuiApplication> paper;
#endif
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<ByteSink> sink;
  std::unique_ptr<ReportTarget> target;
  ReportFile file;
  if (const Status refused = ReportFile::Open(out, {}, file); !refused.ok()) {
    std::fprintf(stderr, "%s\n", refused.message().c_str());
    return 1;
  }
  if (format == "htm" || format == "xls") {
    sink = std::make_unique<FileSink>(std::move(file));
    target = std::make_unique<HtmlReportWriter>(
        format == "xls" ? HtmlForm::kExcel : HtmlForm::kMail, *sink);
  } else if (format == "xlsx") {
    target = std::make_unique<XlsxReportWriter>(std::move(file), 1736937000);
#ifdef TALLYSCAN_HAVE_PAPER
  } else if (format == "pdf") {
    paper.emplace();
    target = std::make_unique<PdfReportWriter>(std::move(file), fonts);
#endif
  } else {
    std::fprintf(stderr, "report_bench: no writer for %s\n", argv[1]);
    return 2;
  }
  SilentProgress silent;
  ReportStream stream(header, fonts, {target.get()}, silent);
  ledger ? Ledger(stream, lines) : Index(stream, lines);
  const Status status = stream.End();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  struct stat info {};
  ::stat(out.c_str(), &info);
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds %.3f\nlines %lld\nbytes %lld\npeak_rss_mb %.1f\n", seconds, lines,
              static_cast<long long>(info.st_size), static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
