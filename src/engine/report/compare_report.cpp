#include "engine/report/compare_report.h"

#include <algorithm>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "engine/analytics/analytics.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using Json = nlohmann::ordered_json;

// The groups charted: the largest changes, as many as a page shows side by side.
constexpr std::size_t kChartedGroups = 10;

ReportColumn Column(int pixels, std::string_view caption, int type = kTextColumn) {
  return {std::string(caption), CharactersOfPixels(pixels), type};
}

bool Heading(ReportStream& stream, std::string text) {
  return stream.Line({std::move(text)}, kSubTitleStyle, kSpanRight);
}

bool Words(ReportStream& stream, std::string text, LineMark mark = LineMark::kPlain) {
  return stream.Line({std::move(text)}, kBodyStyle, kSpanRight, mark);
}

// A parameter's value in words: a list joined by commas, a text as it is.
std::string ValueText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (!value.is_array()) return value.dump();
  std::string text;
  for (const Json& item : value) {
    if (!text.empty()) text += ", ";
    text += item.is_string() ? item.get<std::string>() : item.dump();
  }
  return text;
}

bool Cover(const CompareResult& result, std::string_view run_date, ReportStream& stream) {
  // The facts first: the pages size a table by its first line, a heading spans that size.
  stream.SetColumns({{Column(250, "פרט"), Column(520, "ערך")}});
  // Held left to right, or the right-to-left page turns "1.03+git…" into "git…+1.03".
  std::vector<std::pair<std::string, std::string>> facts = {
      {"גרסת התוכנה", "\u2066" + result.version + "\u2069"},
      {"תאריך ההרצה", std::string(run_date)}};
  for (const auto& [side, files] :
       {std::pair{"קודמת", &result.prior_source}, std::pair{"נוכחית", &result.current_source}}) {
    for (const JetSourceFile& file : *files) {
      facts.emplace_back(std::string("קובץ ") + side + " " + file.name,
                         FormatCount(file.bytes) + " בתים, SHA-256 " + file.sha256);
    }
  }
  for (auto& [label, value] : facts) {
    if (!stream.Line({label, value})) return false;
  }
  if (!Heading(stream, "הזיהוי")) return false;
  for (std::string& line : CompareIdentityWords(result)) {
    if (!Words(stream, std::move(line))) return false;
  }
  if (!Heading(stream, "הפרמטרים")) return false;
  const Json parameters = Json::parse(ComparisonParametersJson(result.parameters));
  for (const auto& [key, value] : parameters.items()) {
    if (!stream.Line({key, ValueText(value)})) return false;
  }
  if (!Heading(stream, "התאמת יתרות הפתיחה")) return false;
  bool reconciled = false;
  std::string words = CompareReconciliationWords(result, &reconciled);
  return Words(stream, std::move(words), reconciled ? LineMark::kPlain : LineMark::kError);
}

void TableColumns(CompareTable table, ReportStream& stream) {
  std::vector<ReportColumn> columns;
  for (const CompareColumn& c : CompareColumns(table)) {
    columns.push_back(Column(c.pixels, c.caption, c.figure ? kFigureColumn : kTextColumn));
  }
  stream.SetColumns({std::move(columns)});
}

bool Table(const CompareResult& result, CompareTable table, ReportStream& stream) {
  const std::string caption(CompareTableCaption(table));
  stream.Sheet(caption);
  if (!Heading(stream, caption)) return false;
  const ComparePartState& state = CompareTableState(result, table);
  if (state.state == JetState::kNotRun) {
    return Words(stream, "לא הושווה" + (state.reason.empty() ? "" : ": " + state.reason));
  }
  if (!state.reason.empty() && !Words(stream, state.reason)) return false;
  if (table == CompareTable::kOpenings && !Words(stream, "צורת ההשוואה: " + result.openings.form)) {
    return false;
  }
  TableColumns(table, stream);
  const std::vector<std::string> rows = CompareTableRows(result, table);
  if (rows.empty()) return Words(stream, "אין שורות");
  const int count = static_cast<int>(CompareColumns(table).size());
  for (const std::string& row : rows) {
    std::vector<std::string> cells;
    for (int c = 0; c < count; ++c)
      cells.push_back(CompareShownCell(table, c, RowField(row, c + 2)));
    // Errors and flagged rows carry the error status of the engine's rows.
    const LineMark mark = RowField(row, 1) == "1" ? LineMark::kError : LineMark::kPlain;
    if (!stream.Line(std::move(cells), kBodyStyle, 0, mark)) return false;
  }
  return true;
}

// The classification groups whose figures changed most, largest first, as a table and its
// chart of the changes' size (a fall stands as tall as a rise of the same amount).
bool GroupChart(const CompareResult& result, ReportStream& stream) {
  std::vector<const ReviewRow*> groups;
  for (const ReviewRow& r : result.review.groups) {
    if (r.change != 0) groups.push_back(&r);
  }
  const auto size_of = [](const ReviewRow* r) { return r->change < 0 ? -r->change : r->change; };
  std::stable_sort(groups.begin(), groups.end(),
                   [&](const ReviewRow* a, const ReviewRow* b) { return size_of(a) > size_of(b); });
  if (groups.size() > kChartedGroups) groups.resize(kChartedGroups);
  if (groups.empty()) return true;
  const std::string title = "עשרת השינויים הגדולים לפי קבוצת סיווג";
  if (!Heading(stream, title)) return false;
  stream.SetColumns({{Column(250, "קבוצת סיווג"), Column(120, "שינוי", kFigureColumn),
                      Column(120, "גודל השינוי", kFigureColumn)}});
  ReportChart chart{title, {}, {}, {}, "גודל השינוי", "", 0, 2, 2};
  for (const ReviewRow* r : groups) {
    const std::string key = CompareShownCell(CompareTable::kReviewGroups, 0, r->key);
    std::string label = r->caption.empty() ? key : key + " " + r->caption;
    if (!stream.Line({label, FormatAgorot(r->change), FormatAgorot(size_of(r))})) return false;
    chart.labels.push_back(std::move(label));
    chart.bars.push_back(static_cast<double>(size_of(r)) / 100.0);
  }
  stream.Chart(chart);
  return true;
}

}  // namespace

bool WriteCompareReport(const CompareResult& result, std::string_view run_date,
                        ReportStream& stream) {
  stream.AddTitle("10השוואת תקופות");
  stream.Sheet("שער");
  if (!Cover(result, run_date, stream)) return false;
  for (int t = 0; t < kCompareTableCount; ++t) {
    const auto table = static_cast<CompareTable>(t);
    if (!Table(result, table, stream)) return false;
    if (table == CompareTable::kReviewGroups && !GroupChart(result, stream)) return false;
  }
  return true;
}

}  // namespace tallyscan
