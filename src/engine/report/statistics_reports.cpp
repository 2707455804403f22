#include "engine/report/statistics_reports.h"

#include "engine/uniform/result_row.h"

namespace tallyscan {
namespace {

ReportColumn Column(int pixels, std::string_view caption, int type = kTextColumn) {
  return {std::string(caption), CharactersOfPixels(pixels), type};
}

ReportColumn Figure(int pixels, std::string_view caption) {
  return Column(pixels, caption, kFigureColumn);
}

bool WriteRows(std::span<const std::string> rows, ReportStream& stream) {
  const std::size_t columns = stream.State().columns.columns.size();
  for (const std::string& row : rows) {
    DecodedRow decoded = DecodeRow(row);
    std::vector<std::string> cells;
    cells.reserve(columns);
    for (std::size_t cell = 0; cell < columns && cell < decoded.cells.size(); ++cell) {
      cells.push_back(std::move(decoded.cells[cell].shown));
    }
    const int style = decoded.status == RowStatus::kHeading ? kSummaryStyle : kBodyStyle;
    const LineMark mark = decoded.status == RowStatus::kError ? LineMark::kError : LineMark::kPlain;
    if (!stream.Line(std::move(cells), style, 0, mark)) return false;
  }
  return true;
}

}  // namespace

bool WriteFieldStatisticsReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סטטיסטיקת שדות");
  stream.SetColumns(
      {{Column(50, "רשומה"),       Column(50, "שדה"),          Column(160, "תיאור"),
        Column(70, "סוג"),         Figure(70, "שורות"),        Figure(60, "ריקים"),
        Figure(60, "שגויים"),      Figure(60, "אפסים"),        Figure(70, "חיוביים"),
        Figure(120, "סה'כ חיובי"), Figure(70, "שליליים"),      Figure(120, "סה'כ שלילי"),
        Figure(120, "נטו"),        Figure(120, "מוחלט"),       Figure(110, "הקטן ביותר"),
        Figure(60, "בשורה"),       Figure(110, "הגדול ביותר"), Figure(60, "בשורה"),
        Figure(60, "לפני התקופה"), Figure(60, "אחרי התקופה")}});
  return WriteRows(rows, stream);
}

bool WriteDocumentSummaryReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סיכום מסמכים לפי סוג");
  stream.SetColumns({{Column(50, "סוג"), Column(180, "שם המסמך"), Figure(80, "מסמכים"),
                      Figure(80, "מבוטלים"), Figure(130, "סה'כ כולל מע'מ"), Figure(120, "מע'מ"),
                      Figure(110, "מספר נמוך"), Figure(110, "מספר גבוה")}});
  return WriteRows(rows, stream);
}

bool WriteRecordCountsReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סיכום רשומות לפי סוג");
  stream.SetColumns({{Column(60, "רשומה"), Column(220, "תיאור"), Figure(100, "בקובץ"),
                      Figure(100, "לפי INI.TXT"), Figure(90, "הפרש")}});
  return WriteRows(rows, stream);
}

}  // namespace tallyscan
