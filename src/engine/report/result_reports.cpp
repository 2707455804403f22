#include "engine/report/result_reports.h"

#include "engine/checks/checks.h"
#include "engine/report/picked_columns.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

ReportColumn Column(int pixels, std::string_view caption, int type = kTextColumn) {
  return {std::string(caption), CharactersOfPixels(pixels), type};
}

bool WriteRows(std::span<const std::string> rows, ReportStream& stream) {
  const std::size_t columns = stream.State().columns.columns.size();
  std::int64_t number = 0;
  for (const std::string& row : rows) {
    DecodedRow decoded = DecodeRow(row);
    std::vector<std::string> cells;
    cells.reserve(columns);
    cells.push_back(PlainNumber(++number));
    // A key, a dealer number, a count or a quantity in an amount column stays the text it is,
    // so that a sum of the column adds amounts only.
    std::uint64_t text_cells = 0;
    for (std::size_t cell = 0; cell + 1 < columns && cell < decoded.cells.size(); ++cell) {
      const int type = stream.State().columns.columns[cell + 1].type;
      if (type != kTextColumn && !CellAmount(decoded.cells[cell])) {
        text_cells |= std::uint64_t{1} << (cell + 1);
      }
      cells.push_back(std::move(decoded.cells[cell].shown));
    }
    const bool heading = decoded.status == RowStatus::kHeading;
    const LineMark mark = decoded.status == RowStatus::kError ? LineMark::kError : LineMark::kPlain;
    if (!stream.Line(std::move(cells), heading ? kSubTitleStyle : kBodyStyle, 0, mark,
                     text_cells)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool WriteChecksReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10תוצאות בדיקות תקינות");
  using C = CheckColumns;
  static constexpr ColumnPick kPicks[] = {{C::Cell("text"), 200},
                                          {C::Cell("debit"), 100, false, kDebitColumn},
                                          {C::Cell("credit"), 100, false, kCreditColumn},
                                          {C::Cell("balance"), 100, false, kSignedBalanceColumn}};
  // The rows' numbers first, then every cell of the rows in order.
  std::vector<ReportColumn> columns = {Column(30, "#")};
  for (ReportColumn& column : PickedColumns(C::kAll, kPicks)) columns.push_back(std::move(column));
  stream.SetColumns({std::move(columns)});
  return WriteRows(rows, stream);
}

bool WriteImportReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10יומן קליטת הקובץ");
  stream.SetColumns({{Column(30, "#"), Column(290, "הפעולה"), Column(210, "התוצאה")}});
  return WriteRows(rows, stream);
}

}  // namespace tallyscan
