#include "engine/report/statistics_reports.h"

#include "engine/analytics/analytics.h"
#include "engine/report/picked_columns.h"

namespace tallyscan {

bool WriteFieldStatisticsReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סטטיסטיקת שדות");
  // The kind, the counts of the signs and the absolute total stay in the rows: a page has no
  // room for twenty columns, and the caption tells a month or a side from a field.
  using C = FieldStatisticsColumns;
  static constexpr ColumnPick kPicks[] = {
      {C::Cell("record"), 60},          {C::Cell("code"), 50},
      {C::Cell("caption"), 170},        {C::Cell("lines"), 70},
      {C::Cell("blanks"), 60},          {C::Cell("invalid"), 60},
      {C::Cell("zeros"), 60},           {C::Cell("positive_total"), 130},
      {C::Cell("negative_total"), 130}, {C::Cell("net"), 130},
      {C::Cell("smallest"), 110},       {C::Cell("smallest_line"), 60},
      {C::Cell("largest"), 110},        {C::Cell("largest_line"), 60},
      {C::Cell("before"), 60},          {C::Cell("after"), 60}};
  stream.SetColumns({PickedColumns(C::kAll, kPicks)});
  return WritePickedCells(rows, kPicks, stream);
}

bool WriteDocumentSummaryReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סיכום מסמכים לפי סוג");
  using D = DocumentSummaryColumns;
  static constexpr ColumnPick kPicks[] = {{D::Cell("type"), 50},      {D::Cell("name"), 180},
                                          {D::Cell("documents"), 80}, {D::Cell("cancelled"), 80},
                                          {D::Cell("total"), 130},    {D::Cell("vat"), 120},
                                          {D::Cell("lowest"), 110},   {D::Cell("highest"), 110}};
  stream.SetColumns({PickedColumns(D::kAll, kPicks)});
  return WritePickedCells(rows, kPicks, stream);
}

bool WriteRecordCountsReport(std::span<const std::string> rows, ReportStream& stream) {
  stream.AddTitle("10סיכום רשומות לפי סוג");
  using R = RecordCountColumns;
  static constexpr ColumnPick kPicks[] = {{R::Cell("record"), 60},
                                          {R::Cell("caption"), 220},
                                          {R::Cell("in_file"), 100},
                                          {R::Cell("stated"), 100},
                                          {R::Cell("difference"), 90}};
  stream.SetColumns({PickedColumns(R::kAll, kPicks)});
  return WritePickedCells(rows, kPicks, stream);
}

}  // namespace tallyscan
