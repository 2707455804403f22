#include "engine/portfolio/portfolio_report.h"

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/portfolio/manifest.h"
#include "engine/portfolio/summary_row.h"
#include "engine/portfolio/summary_workbook.h"

namespace tallyscan::portfolio {
namespace {

// The bands, lowest risk first, as the chart's bars stand.
constexpr std::array<int, 3> kBandScores = {0, 30, 60};

std::string Text(const SummaryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  return {};
}

ReportColumn Column(int pixels, std::string_view caption, int type = kTextColumn) {
  return {std::string(caption), CharactersOfPixels(pixels), type};
}

bool Heading(std::string text, ReportStream& stream) {
  return stream.Line({std::move(text)}, kSubTitleStyle, kSpanRight);
}

std::vector<std::string> BandWords() {
  std::vector<std::string> words;
  for (const int score : kBandScores) words.emplace_back(RiskBand(score));
  return words;
}

std::map<std::string, std::int64_t> BandCounts(const std::vector<SummaryRow>& rows) {
  std::map<std::string, std::int64_t> counts;
  for (const SummaryRow& row : rows) {
    if (row.risk_score) ++counts[std::string(RiskBand(*row.risk_score))];
  }
  return counts;
}

bool Cover(const std::vector<SummaryRow>& rows, const SummaryInputs& inputs, ReportStream& stream) {
  stream.SetColumns({{Column(250, "פרט"), Column(200, "ערך")}});
  const std::string started = SummaryFirstStart(rows);
  const PortfolioWeights& w = inputs.parameters.portfolio_weights;
  std::vector<std::pair<std::string, std::string>> lines = {
      {"תחילת ההרצה", started.empty() ? "-" : started},
      {"גרסת הניתוח", std::to_string(kAnalysisVersion)},
      {"לקוחות", std::to_string(rows.size())},
      {"משקל import", std::to_string(w.import)},
      {"משקל checks", std::to_string(w.checks)},
      {"משקל tests", std::to_string(w.tests)},
      {"משקל ranking", std::to_string(w.ranking)},
      {"משקל digits", std::to_string(w.digits)}};
  // Every status and every band, also those no client has: a zero is news too.
  for (const ClientStatus status :
       {ClientStatus::kOk, ClientStatus::kFindings, ClientStatus::kNotAnalysed,
        ClientStatus::kChangedDuringRun, ClientStatus::kTimedOut, ClientStatus::kFailed}) {
    std::int64_t count = 0;
    for (const SummaryRow& row : rows) count += row.manifest.status == status ? 1 : 0;
    lines.emplace_back("סטטוס " + std::string(StatusCaption(status)), std::to_string(count));
  }
  const std::map<std::string, std::int64_t> bands = BandCounts(rows);
  for (const std::string& band : BandWords()) {
    const auto found = bands.find(band);
    lines.emplace_back("רמת סיכון " + band,
                       std::to_string(found == bands.end() ? 0 : found->second));
  }
  for (auto& [label, value] : lines) {
    if (!stream.Line({std::move(label), std::move(value)})) return false;
  }
  return true;
}

bool Clients(const std::vector<SummaryRow>& rows, ReportStream& stream) {
  constexpr SummaryColumn kShown[] = {SummaryColumn::kRank,         SummaryColumn::kClient,
                                      SummaryColumn::kBusinessName, SummaryColumn::kTaxYear,
                                      SummaryColumn::kStatus,       SummaryColumn::kHits,
                                      SummaryColumn::kRiskScore,    SummaryColumn::kBand};
  if (!Heading("הלקוחות, בסיכון הגבוה תחילה", stream)) return false;
  stream.SetColumns(
      {{Column(40, "#"), Column(120, "לקוח"), Column(160, "שם העסק"), Column(50, "שנה"),
        Column(90, "סטטוס"), Column(60, "פגיעות"), Column(60, "ציון"), Column(70, "רמה")}});
  for (const SummaryRow& row : rows) {
    std::vector<std::string> cells;
    for (const SummaryColumn column : kShown) {
      cells.push_back(column == SummaryColumn::kStatus ? StatusCaptionOfWord(Text(row[column]))
                                                       : Text(row[column]));
    }
    // A client without a score was not analysed as asked: it stands first, in red.
    if (!stream.Line(std::move(cells), kBodyStyle, 0,
                     row.risk_score ? LineMark::kPlain : LineMark::kError)) {
      return false;
    }
  }
  return true;
}

bool Failures(const std::vector<SummaryRow>& rows, ReportStream& stream) {
  if (!Heading("לקוחות שלא נותחו", stream)) return false;
  stream.SetColumns({{Column(120, "לקוח"), Column(90, "סטטוס"), Column(300, "הסיבה"),
                      Column(60, "קוד יציאה"), Column(50, "אות")}});
  for (const SummaryRow& row : rows) {
    if (row.risk_score) continue;
    if (!stream.Line({Text(row[SummaryColumn::kClient]), Text(row[SummaryColumn::kStatus]),
                      Text(row[SummaryColumn::kReason]), Text(row[SummaryColumn::kExitCode]),
                      Text(row[SummaryColumn::kSignal])},
                     kBodyStyle, 0, LineMark::kError)) {
      return false;
    }
  }
  return true;
}

// The run sheet's last table and its chart: the clients by band.
bool BandChart(const std::vector<SummaryRow>& rows, ReportStream& stream) {
  stream.SetColumns({{Column(120, "רמת סיכון"), Column(100, "לקוחות", kFigureColumn)}});
  const std::map<std::string, std::int64_t> counts = BandCounts(rows);
  ReportChart chart;
  chart.title = "הלקוחות לפי רמת סיכון";
  chart.bars_caption = "לקוחות";
  chart.label_column = 0;
  chart.bars_column = 1;
  for (const std::string& band : BandWords()) {
    const auto found = counts.find(band);
    const std::int64_t count = found == counts.end() ? 0 : found->second;
    if (!stream.Line({band, std::to_string(count)})) return false;
    chart.labels.push_back(band);
    chart.bars.push_back(static_cast<double>(count));
  }
  stream.Chart(chart);
  return true;
}

}  // namespace

bool WritePortfolioReport(const std::filesystem::path& results, const SummaryInputs& inputs,
                          ReportStream& stream) {
  const std::vector<SummaryRow> rows = RankedSummaryRows(results, inputs);
  stream.AddTitle("10דוח סריקת תיק");
  stream.SetReach(ReportReach::kAllButWorkbook);
  if (!Cover(rows, inputs, stream) || !Clients(rows, stream) || !Failures(rows, stream)) {
    return false;
  }
  stream.SetReach(ReportReach::kWorkbookOnly);
  WriteSummarySheets(stream, rows, inputs);
  if (!BandChart(rows, stream)) return false;
  stream.SetReach(ReportReach::kEvery);
  return !stream.Stopped();
}

std::int64_t PortfolioReportCreated(const std::filesystem::path& results,
                                    const SummaryInputs& inputs) {
  return SummaryLastEnd(RankedSummaryRows(results, inputs));
}

}  // namespace tallyscan::portfolio
