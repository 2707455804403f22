#include "engine/report/statistics_reports.h"

#include <array>

#include "engine/uniform/result_row.h"

namespace tallyscan {
namespace {

ReportColumn Column(int pixels, std::string_view caption, int type = kTextColumn) {
  return {std::string(caption), CharactersOfPixels(pixels), type};
}

ReportColumn Figure(int pixels, std::string_view caption) {
  return Column(pixels, caption, kFigureColumn);
}

// Each row's cells at `cells` (indexes after the status) under the columns set.
bool WriteRows(std::span<const std::string> rows, std::span<const std::size_t> cells,
               ReportStream& stream) {
  for (const std::string& row : rows) {
    DecodedRow decoded = DecodeRow(row);
    std::vector<std::string> line;
    line.reserve(cells.size());
    for (const std::size_t cell : cells) {
      line.push_back(cell < decoded.cells.size() ? std::move(decoded.cells[cell].shown)
                                                 : std::string());
    }
    const int style = decoded.status == RowStatus::kHeading ? kSummaryStyle : kBodyStyle;
    const LineMark mark = decoded.status == RowStatus::kError ? LineMark::kError : LineMark::kPlain;
    if (!stream.Line(std::move(line), style, 0, mark)) return false;
  }
  return true;
}

// Every cell of a row, in order.
template <std::size_t N>
constexpr std::array<std::size_t, N> AllCells() {
  std::array<std::size_t, N> cells{};
  for (std::size_t i = 0; i < N; ++i) cells[i] = i;
  return cells;
}

}  // namespace

bool WriteFieldStatisticsReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סטטיסטיקת שדות");
  // The kind, the counts of the signs and the absolute total stay in the rows: a page has no
  // room for twenty columns, and the caption tells a month or a side from a field.
  static constexpr std::size_t kCells[] = {0, 1, 2, 4, 5, 6, 7, 9, 11, 12, 14, 15, 16, 17, 18, 19};
  stream.SetColumns(
      {{Column(60, "רשומה"), Column(50, "שדה"), Column(170, "תיאור"), Figure(70, "שורות"),
        Figure(60, "ריקים"), Figure(60, "שגויים"), Figure(60, "אפסים"), Figure(130, "סה'כ חיובי"),
        Figure(130, "סה'כ שלילי"), Figure(130, "נטו"), Figure(110, "הקטן ביותר"),
        Figure(60, "בשורה"), Figure(110, "הגדול ביותר"), Figure(60, "בשורה"), Figure(60, "לפני"),
        Figure(60, "אחרי")}});
  return WriteRows(rows, kCells, stream);
}

bool WriteDocumentSummaryReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סיכום מסמכים לפי סוג");
  stream.SetColumns({{Column(50, "סוג"), Column(180, "שם המסמך"), Figure(80, "מסמכים"),
                      Figure(80, "מבוטלים"), Figure(130, "סה'כ כולל מע'מ"), Figure(120, "מע'מ"),
                      Figure(110, "מספר נמוך"), Figure(110, "מספר גבוה")}});
  static constexpr auto kCells = AllCells<8>();
  return WriteRows(rows, kCells, stream);
}

bool WriteRecordCountsReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סיכום רשומות לפי סוג");
  stream.SetColumns({{Column(60, "רשומה"), Column(220, "תיאור"), Figure(100, "בקובץ"),
                      Figure(100, "לפי INI.TXT"), Figure(90, "הפרש")}});
  static constexpr auto kCells = AllCells<5>();
  return WriteRows(rows, kCells, stream);
}

}  // namespace tallyscan
