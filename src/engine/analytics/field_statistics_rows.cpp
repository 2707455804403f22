#include "engine/analytics/field_statistics_rows.h"

#include <tuple>

#include "engine/text/number_format.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/result_row.h"
#include "engine/uniform/values.h"

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

void AddFieldRows(const RecordFigures& record, const FieldFigures& f,
                  std::vector<std::string>& rows) {
  const FieldLayout& field = *f.field;
  const RowStatus status = f.invalid > 0 ? RowStatus::kError : RowStatus::kInfo;
  const std::string code = PlainNumber(field.code);
  std::string smallest, smallest_line, largest, largest_line;
  if (f.smallest) {
    smallest = f.IsDate() ? DateValueText(f.smallest->value) : Figure(field, f.smallest->value);
    smallest_line = PlainNumber(f.smallest->line);
  }
  if (f.largest) {
    largest = f.IsDate() ? DateValueText(f.largest->value) : Figure(field, f.largest->value);
    largest_line = PlainNumber(f.largest->line);
  }
  if (f.IsDate()) {
    rows.push_back(MakeRow(status, {record.layout->code,
                                    code,
                                    field.caption,
                                    FieldKindName(field.kind),
                                    FormatCount(f.lines),
                                    FormatCount(f.blanks),
                                    FormatCount(f.invalid),
                                    "",
                                    "",
                                    "",
                                    "",
                                    "",
                                    "",
                                    "",
                                    smallest,
                                    smallest_line,
                                    largest,
                                    largest_line,
                                    Optional(f.before),
                                    Optional(f.after)}));
    for (const MonthCount& m : f.months) {
      rows.push_back(MakeRow(RowStatus::kInfo, {record.layout->code, code, MonthText(m), "month",
                                                FormatCount(m.count)}));
    }
    return;
  }
  rows.push_back(MakeRow(
      status, {record.layout->code, code, field.caption, FieldKindName(field.kind),
               FormatCount(f.lines), FormatCount(f.blanks), FormatCount(f.invalid),
               FormatCount(f.zeros), FormatCount(f.positive), Figure(field, f.positive_total),
               FormatCount(f.negative), Figure(field, f.negative_total), Figure(field, f.Net()),
               Figure(field, f.Absolute()), smallest, smallest_line, largest, largest_line}));
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
      rows.push_back(
          MakeRow(RowStatus::kInfo, {record.layout->code, code, caption, kind, FormatCount(lines),
                                     "", "", "", "", "", "", "", FormatAgorot(sum)}));
    }
  }
  return rows;
}

std::vector<std::string> DocumentSummaryRows(const FieldStatistics& result) {
  std::vector<std::string> rows;
  for (const DocumentTypeSummary& s : result.documents) {
    rows.push_back(MakeRow(RowStatus::kInfo,
                           {s.type, s.name, FormatCount(s.documents), FormatCount(s.cancelled),
                            FormatAgorot(s.total), FormatAgorot(s.vat), s.lowest, s.highest}));
  }
  const DocumentTypeSummary& t = result.documents_total;
  rows.push_back(MakeRow(
      RowStatus::kHeading,
      {"", Total(std::string(kTotalCaption)), Total(FormatCount(t.documents)),
       Total(FormatCount(t.cancelled)), Total(FormatAgorot(t.total)), Total(FormatAgorot(t.vat))}));
  return rows;
}

std::vector<std::string> RecordCountRows(const FieldStatistics& result) {
  std::vector<std::string> rows;
  for (const RecordCount& r : result.record_counts) {
    const std::int64_t stated = r.stated.value_or(0);
    rows.push_back(MakeRow(r.Differs() ? RowStatus::kError : RowStatus::kInfo,
                           {r.type, r.caption, FormatCount(r.in_file), Optional(r.stated),
                            FormatCount(static_cast<AmountSum>(r.in_file) - stated)}));
  }
  return rows;
}

}  // namespace tallyscan
