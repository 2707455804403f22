#include "engine/portfolio/summary_workbook.h"

#include <ctime>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/common/progress.h"
#include "engine/portfolio/manifest.h"
#include "engine/report/report.h"
#include "engine/report/report_writers.h"

namespace tallyscan::portfolio {
namespace {

using Json = nlohmann::ordered_json;

// The columns whose cells are numbers in the workbook.
bool IsNumberColumn(SummaryColumn column) {
  switch (column) {
    case SummaryColumn::kRank:
    case SummaryColumn::kMovements:
    case SummaryColumn::kBytes:
    case SummaryColumn::kExitCode:
    case SummaryColumn::kSignal:
    case SummaryColumn::kImportErrors:
    case SummaryColumn::kFailingChecks:
    case SummaryColumn::kTestsRun:
    case SummaryColumn::kTestsWeak:
    case SummaryColumn::kTestsNotRun:
    case SummaryColumn::kTestsWithHits:
    case SummaryColumn::kHits:
    case SummaryColumn::kTopScore:
    case SummaryColumn::kRiskScore:
      return true;
    default:
      return false;
  }
}

ReportColumn Column(std::string caption, int width, bool number) {
  ReportColumn column;
  column.caption = std::move(caption);
  column.width = width;
  column.type = number ? kFigureColumn : kTextColumn;
  return column;
}

// Seconds since 1970 of a manifest's "started"; 0 for a text not in its form.
std::int64_t SecondsOf(const std::string& timestamp) {
  std::tm parts{};
  if (timestamp.size() != 20 ||
      ::strptime(timestamp.c_str(), "%Y-%m-%dT%H:%M:%SZ", &parts) == nullptr) {
    return 0;
  }
  return static_cast<std::int64_t>(::timegm(&parts));
}

struct RunTimes {
  std::int64_t first_start = 0;  // 0: no client
  std::int64_t last_end = 0;
  double seconds = 0;  // the clients' sum
};

RunTimes TimesOf(std::span<const SummaryRow> rows) {
  RunTimes times;
  for (const SummaryRow& row : rows) {
    const std::int64_t start = SecondsOf(row.manifest.started);
    if (start == 0) continue;
    const auto end = start + static_cast<std::int64_t>(row.manifest.seconds + 0.999);
    times.first_start = times.first_start == 0 ? start : std::min(times.first_start, start);
    times.last_end = std::max(times.last_end, end);
    times.seconds += row.manifest.seconds;
  }
  return times;
}

std::string TimeText(std::int64_t seconds) {
  return seconds == 0 ? std::string()
                      : UtcTimestamp(std::chrono::system_clock::from_time_t(
                            static_cast<std::time_t>(seconds)));
}

void PortfolioSheet(ReportStream& stream, std::span<const SummaryRow> rows) {
  stream.Sheet("תיק");
  ColumnLayout layout;
  for (std::size_t c = 0; c < kSummaryColumnCount; ++c) {
    const auto column = static_cast<SummaryColumn>(c);
    layout.columns.push_back(
        Column(std::string(SummaryColumnName(column)), 12, IsNumberColumn(column)));
  }
  stream.SetColumns(std::move(layout));
  for (const SummaryRow& row : rows) {
    std::vector<std::string> cells;
    for (const SummaryValue& value : row.cells) cells.push_back(SummaryCellText(value));
    stream.Line(std::move(cells));
  }
}

void FailuresSheet(ReportStream& stream, std::span<const SummaryRow> rows) {
  constexpr SummaryColumn kShown[] = {SummaryColumn::kClient,   SummaryColumn::kLabel,
                                      SummaryColumn::kStatus,   SummaryColumn::kReason,
                                      SummaryColumn::kExitCode, SummaryColumn::kSignal};
  stream.Sheet("כשלים");
  ColumnLayout layout;
  for (const SummaryColumn column : kShown) {
    layout.columns.push_back(Column(std::string(SummaryColumnName(column)),
                                    column == SummaryColumn::kReason ? 50 : 16,
                                    IsNumberColumn(column)));
  }
  stream.SetColumns(std::move(layout));
  for (const SummaryRow& row : rows) {
    if (row.risk_score) continue;
    std::vector<std::string> cells;
    for (const SummaryColumn column : kShown) cells.push_back(SummaryCellText(row[column]));
    stream.Line(std::move(cells));
  }
}

void RunSheet(ReportStream& stream, std::span<const SummaryRow> rows, const SummaryInputs& inputs) {
  stream.Sheet("הרצה");
  ColumnLayout layout;
  layout.columns = {Column("פרט", 30, false), Column("ערך", 40, false)};
  layout.columns[1].figures_in_workbook = true;
  stream.SetColumns(std::move(layout));
  const RunTimes times = TimesOf(rows);
  stream.Line({"גרסת הניתוח", std::to_string(kAnalysisVersion)});
  stream.Line({"לקוחות", std::to_string(rows.size())});
  stream.Line({"התחלת הלקוח הראשון", TimeText(times.first_start)});
  stream.Line({"סיום הלקוח האחרון", TimeText(times.last_end)});
  stream.Line({"סה\"כ שניות של הלקוחות", std::to_string(static_cast<std::int64_t>(times.seconds))});
  const PortfolioWeights& w = inputs.parameters.portfolio_weights;
  const std::pair<const char*, int> weights[] = {{"import", w.import},
                                                 {"checks", w.checks},
                                                 {"tests", w.tests},
                                                 {"ranking", w.ranking},
                                                 {"digits", w.digits}};
  for (const auto& [part, weight] : weights) {
    stream.Line({std::string("משקל ") + part, std::to_string(weight)});
  }
  const Json parameters = Json::parse(JetParameterFileJson(inputs.parameters));
  for (const auto& [key, value] : parameters.items()) {
    if (key == "portfolio_weights") continue;
    stream.Line({key, value.is_string()
                          ? value.get<std::string>()
                          : value.dump(-1, ' ', false, Json::error_handler_t::replace)});
  }
}

}  // namespace

void WriteSummarySheets(ReportStream& stream, std::span<const SummaryRow> rows,
                        const SummaryInputs& inputs) {
  PortfolioSheet(stream, rows);
  FailuresSheet(stream, rows);
  RunSheet(stream, rows, inputs);
}

std::int64_t SummaryLastEnd(std::span<const SummaryRow> rows) { return TimesOf(rows).last_end; }

std::string SummaryFirstStart(std::span<const SummaryRow> rows) {
  return TimeText(TimesOf(rows).first_start);
}

Status WriteSummaryWorkbook(const std::filesystem::path& path, std::span<const SummaryRow> rows,
                            const SummaryInputs& inputs) {
  ReportFile file;
  if (Status opened = ReportFile::Open(path.string(), ReportInputs{}, file); !opened.ok()) {
    return opened;
  }
  // The workbook's creation time is the last client's end, so that equal results give equal
  // bytes.
  XlsxReportWriter writer(std::move(file), SummaryLastEnd(rows));
  const ReportHeader header;
  const PrintFonts fonts = DefaultPrintFonts();
  SilentProgress silent;
  ReportStream stream(header, fonts, {&writer}, silent);
  WriteSummarySheets(stream, rows, inputs);
  return stream.End();
}

}  // namespace tallyscan::portfolio
