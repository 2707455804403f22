#include "engine/analytics/field_statistics_rows.h"

#include <tuple>

#include "engine/analytics/field_statistics_columns.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace {

constexpr std::string_view kTotalCaption = "סה'כ";
constexpr std::string_view kDebitCaption = "חובה";
constexpr std::string_view kCreditCaption = "זכות";

// A figure of a field in its unit, through the mask of its decimals.
std::string Figure(const FieldLayout& field, AmountSum value) {
  switch (ImpliedDecimals(field.kind)) {
    case 2:
      return FormatNumber("#,.00", value, 2);
    case 4:
      return FormatNumber("#,.0000", value, 4);
    default:
      return FormatCount(value);
  }
}

std::string Optional(const std::optional<std::int64_t>& count) {
  return count ? FormatCount(*count) : std::string();
}

std::string Total(std::string text) { return text + std::string(kHeadingMarker); }

using FieldCells = ColumnRow<kFieldStatisticsColumns>;
using C = FieldStatisticsColumns;

void AddFieldRows(const RecordFigures& record, const FieldFigures& f,
                  std::vector<std::string>& rows) {
  const FieldLayout& field = *f.field;
  const RowStatus status = f.invalid > 0 ? RowStatus::kError : RowStatus::kInfo;
  const std::string code = PlainNumber(field.code);
  FieldCells cells;
  cells.Set(C::Cell("record"), std::string(record.layout->code));
  cells.Set(C::Cell("code"), code);
  cells.Set(C::Cell("caption"), std::string(field.caption));
  cells.Set(C::Cell("kind"), std::string(FieldKindName(field.kind)));
  cells.Set(C::Cell("lines"), FormatCount(f.lines));
  cells.Set(C::Cell("blanks"), FormatCount(f.blanks));
  cells.Set(C::Cell("invalid"), FormatCount(f.invalid));
  const auto extreme = [&](const std::optional<ValueAt>& at, std::size_t value, std::size_t line) {
    if (!at) return cells.Set(line, "");
    cells.Set(value, f.IsDate() ? DateValueText(at->value) : Figure(field, at->value));
    cells.Set(line, PlainNumber(at->line));
  };
  if (f.IsDate()) {
    // The sign columns stay empty; the earliest and latest dates stand in smallest and largest.
    extreme(f.smallest, C::Cell("smallest"), C::Cell("smallest_line"));
    extreme(f.largest, C::Cell("largest"), C::Cell("largest_line"));
    cells.Set(C::Cell("before"), Optional(f.before));
    cells.Set(C::Cell("after"), Optional(f.after));
    rows.push_back(cells.Row(status));
    for (const MonthCount& m : f.months) {
      FieldCells month;
      month.Set(C::Cell("record"), std::string(record.layout->code));
      month.Set(C::Cell("code"), code);
      month.Set(C::Cell("caption"), MonthText(m));
      month.Set(C::Cell("kind"), "month");
      month.Set(C::Cell("lines"), FormatCount(m.count));
      rows.push_back(month.Row(RowStatus::kInfo));
    }
    return;
  }
  cells.Set(C::Cell("zeros"), FormatCount(f.zeros));
  cells.Set(C::Cell("positive"), FormatCount(f.positive));
  cells.Set(C::Cell("positive_total"), Figure(field, f.positive_total));
  cells.Set(C::Cell("negative"), FormatCount(f.negative));
  cells.Set(C::Cell("negative_total"), Figure(field, f.negative_total));
  cells.Set(C::Cell("net"), Figure(field, f.Net()));
  cells.Set(C::Cell("absolute"), Figure(field, f.Absolute()));
  extreme(f.smallest, C::Cell("smallest"), C::Cell("smallest_line"));
  extreme(f.largest, C::Cell("largest"), C::Cell("largest_line"));
  rows.push_back(cells.Row(status));
}

}  // namespace

std::vector<std::string> FieldStatisticsRows(const FieldStatistics& result,
                                             std::optional<RecordType> only) {
  std::vector<std::string> rows;
  for (const RecordFigures& record : result.records) {
    if (only && record.layout->type != *only) continue;
    for (const FieldFigures& f : record.fields) AddFieldRows(record, f, rows);
    if (!record.sides) continue;
    constexpr const FieldLayout& kAmount = field::B100(1368);
    const std::string code = PlainNumber(kAmount.code);
    const SideTotals& sides = *record.sides;
    for (const auto& [kind, side, lines, sum] :
         {std::tuple{"debit", kDebitCaption, sides.debit_lines, sides.debit},
          std::tuple{"credit", kCreditCaption, sides.credit_lines, sides.credit}}) {
      const std::string caption = std::string(kAmount.caption) + " - " + std::string(side);
      FieldCells cells;
      cells.Set(C::Cell("record"), std::string(record.layout->code));
      cells.Set(C::Cell("code"), code);
      cells.Set(C::Cell("caption"), caption);
      cells.Set(C::Cell("kind"), kind);
      cells.Set(C::Cell("lines"), FormatCount(lines));
      cells.Set(C::Cell("net"), FormatAgorot(sum));
      rows.push_back(cells.Row(RowStatus::kInfo));
    }
  }
  return rows;
}

std::vector<std::string> DocumentSummaryRows(const FieldStatistics& result) {
  std::vector<std::string> rows;
  using D = DocumentSummaryColumns;
  for (const DocumentTypeSummary& s : result.documents) {
    ColumnRow<kDocumentSummaryColumns> cells;
    cells.Set(D::Cell("type"), s.type);
    cells.Set(D::Cell("name"), s.name);
    cells.Set(D::Cell("documents"), FormatCount(s.documents));
    cells.Set(D::Cell("cancelled"), FormatCount(s.cancelled));
    cells.Set(D::Cell("total"), FormatAgorot(s.total));
    cells.Set(D::Cell("vat"), FormatAgorot(s.vat));
    cells.Set(D::Cell("lowest"), s.lowest);
    cells.Set(D::Cell("highest"), s.highest);
    rows.push_back(cells.Row(RowStatus::kInfo));
  }
  // The totals row: no type, the cells marked as totals.
  const DocumentTypeSummary& t = result.documents_total;
  ColumnRow<kDocumentSummaryColumns> total;
  total.Set(D::Cell("type"), "");
  total.Set(D::Cell("name"), Total(std::string(kTotalCaption)));
  total.Set(D::Cell("documents"), Total(FormatCount(t.documents)));
  total.Set(D::Cell("cancelled"), Total(FormatCount(t.cancelled)));
  total.Set(D::Cell("total"), Total(FormatAgorot(t.total)));
  total.Set(D::Cell("vat"), Total(FormatAgorot(t.vat)));
  rows.push_back(total.Row(RowStatus::kHeading));
  return rows;
}

std::vector<std::string> RecordCountRows(const FieldStatistics& result) {
  std::vector<std::string> rows;
  using R = RecordCountColumns;
  for (const RecordCount& r : result.record_counts) {
    const std::int64_t stated = r.stated.value_or(0);
    ColumnRow<kRecordCountColumns> cells;
    cells.Set(R::Cell("record"), r.type);
    cells.Set(R::Cell("caption"), r.caption);
    cells.Set(R::Cell("in_file"), FormatCount(r.in_file));
    cells.Set(R::Cell("stated"), Optional(r.stated));
    cells.Set(R::Cell("difference"), FormatCount(static_cast<AmountSum>(r.in_file) - stated));
    rows.push_back(cells.Row(r.Differs() ? RowStatus::kError : RowStatus::kInfo));
  }
  return rows;
}

}  // namespace tallyscan
