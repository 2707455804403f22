#include "engine/portfolio/summary_table.h"

#include <array>

#include "engine/portfolio/summary.h"
#include "engine/portfolio/summary_row.h"
#include "engine/portfolio/summary_workbook.h"

namespace tallyscan::portfolio {
namespace {

struct Heading {
  SummaryColumn column;
  std::string_view heading;
  bool whole_number;
};

// One entry per column, in the columns' order (checked below).
constexpr std::array<Heading, kSummaryColumnCount> kHeadings = {{
    {SummaryColumn::kRank, "דירוג", true},
    {SummaryColumn::kClient, "לקוח", false},
    {SummaryColumn::kLabel, "תווית", false},
    {SummaryColumn::kDealerNumber, "מס. עוסק", false},
    {SummaryColumn::kBusinessName, "שם העסק", false},
    {SummaryColumn::kTaxYear, "שנת מס", false},
    {SummaryColumn::kFormatVersion, "גרסת מבנה", false},
    {SummaryColumn::kMovements, "תנועות", true},
    {SummaryColumn::kBytes, "בתים", true},
    {SummaryColumn::kSha256, "SHA-256", false},
    {SummaryColumn::kStatus, "סטטוס", false},
    {SummaryColumn::kReason, "סיבה", false},
    {SummaryColumn::kExitCode, "קוד יציאה", true},
    {SummaryColumn::kSignal, "אות", true},
    {SummaryColumn::kImportErrors, "שגיאות קליטה", true},
    {SummaryColumn::kFailingChecks, "בדיקות שנכשלו", true},
    {SummaryColumn::kTestsRun, "בדיקות שרצו", true},
    {SummaryColumn::kTestsWeak, "בדיקות חלשות", true},
    {SummaryColumn::kTestsNotRun, "בדיקות שלא רצו", true},
    {SummaryColumn::kTestsWithHits, "בדיקות עם פגיעות", true},
    {SummaryColumn::kHits, "פגיעות", true},
    {SummaryColumn::kTopScore, "ציון עסקה עליון", true},
    {SummaryColumn::kFirstDigitClass, "התאמת ספרה ראשונה", false},
    {SummaryColumn::kRiskScore, "ציון סיכון", true},
    {SummaryColumn::kBand, "רמת סיכון", false},
    {SummaryColumn::kSameCompanyAs, "אותה חברה כמו", false},
}};

constexpr bool InColumnOrder() {
  for (std::size_t i = 0; i < kHeadings.size(); ++i) {
    if (static_cast<std::size_t>(kHeadings[i].column) != i) return false;
  }
  return true;
}
static_assert(InColumnOrder(), "the headings stand in the order of the summary's columns");

}  // namespace

const std::vector<SummaryTableColumn>& SummaryTableColumns() {
  static const std::vector<SummaryTableColumn> columns = [] {
    std::vector<SummaryTableColumn> made;
    for (const Heading& h : kHeadings) {
      made.push_back({SummaryColumnName(h.column), h.heading, h.whole_number});
    }
    return made;
  }();
  return columns;
}

Status ReadSummaryTable(const std::filesystem::path& results, SummaryTable& out) {
  SummaryInputs inputs;
  if (Status s = ReadSummaryInputs(results, inputs); !s.ok()) return s;
  const std::vector<SummaryRow> rows = RankedSummaryRows(results, inputs);
  SummaryTable table;
  table.first_start = SummaryFirstStart(rows);
  table.parameters = inputs.parameters;
  for (const SummaryRow& row : rows) {
    SummaryTableLine line;
    line.client = row.manifest.client;
    line.analysed = row.risk_score.has_value();
    for (const SummaryValue& cell : row.cells) line.cells.push_back(SummaryCellText(cell));
    table.lines.push_back(std::move(line));
  }
  out = std::move(table);
  return Status::Ok();
}

}  // namespace tallyscan::portfolio
