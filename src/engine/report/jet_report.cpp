#include "engine/report/jet_report.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "engine/analytics/analytics.h"
#include "engine/report/picked_columns.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using Json = nlohmann::ordered_json;

// The id columns hold the widest id ("backdated-document") on one line in every form.
constexpr int kIdPixels = 190;

ReportColumn Column(int pixels, std::string_view caption, int type = kTextColumn) {
  return {std::string(caption), CharactersOfPixels(pixels), type};
}

// A column of values that are words in some rows and figures in others: a workbook keeps
// the figures as numbers.
ReportColumn ValueColumn(int pixels, std::string_view caption) {
  ReportColumn column = Column(pixels, caption);
  column.figures_in_workbook = true;
  return column;
}

void PairColumns(ReportStream& stream) {
  stream.SetColumns({{Column(250, "פרט"), ValueColumn(520, "ערך")}});
}

bool Heading(ReportStream& stream, std::string text) {
  return stream.Line({std::move(text)}, kSubTitleStyle, kSpanRight);
}

// The cells of a result row after its status.
std::vector<std::string> CellsOf(std::string_view row) {
  std::vector<std::string> cells;
  for (CellLook& cell : DecodeRow(row).cells) cells.push_back(std::move(cell.shown));
  return cells;
}

std::string_view PeriodSourceWords(JetPeriodSource source) {
  switch (source) {
    case JetPeriodSource::kA000Range:
      return "טווח הנתונים בכותרת הקובץ";
    case JetPeriodSource::kTaxYear:
      return "שנת המס בכותרת הקובץ";
    case JetPeriodSource::kMovements:
      return "התאריך הראשון והאחרון של התנועות";
    case JetPeriodSource::kNone:
      break;
  }
  return "לא נמצאה תקופה";
}

bool Facts(const JetResult& result, std::string_view run_date, ReportStream& stream) {
  PairColumns(stream);
  // Held left to right, or the right-to-left page turns "1.03+git…" into "git…+1.03".
  std::vector<std::pair<std::string, std::string>> facts = {
      {"גרסת התוכנה", "\u2066" + result.version + "\u2069"}};
  for (const JetSourceFile& file : result.source) {
    facts.emplace_back("קובץ " + file.name,
                       FormatCount(file.bytes) + " בתים, SHA-256 " + file.sha256);
  }
  const JetPeriod& period = result.population.period;
  facts.emplace_back("התקופה", period.from && period.to ? *period.from + " - " + *period.to : "");
  facts.emplace_back("מקור התקופה", std::string(PeriodSourceWords(period.source)));
  facts.emplace_back("תאריך ההרצה", std::string(run_date));
  for (auto& [label, value] : facts) {
    if (!stream.Line({label, value})) return false;
  }
  if (!Heading(stream, "הפרמטרים")) return false;
  const Json parameters = Json::parse(JetParametersJson(result.parameters));
  for (const auto& [key, value] : parameters.items()) {
    std::string text;
    if (value.is_string()) {
      text = value.get<std::string>();
    } else if (value.is_array()) {
      for (const Json& item : value) {
        if (!text.empty()) text += ", ";
        text += item.is_string() ? item.get<std::string>() : item.dump();
      }
    } else if (value.is_object()) {
      for (const auto& [id, weight] : value.items()) {
        if (!text.empty()) text += ", ";
        text += id + ": " + weight.dump();
      }
    } else {
      text = value.dump();
    }
    if (!stream.Line({key, text})) return false;
  }
  const JetPopulation& p = result.population;
  if (!Heading(stream, "האוכלוסיה")) return false;
  const std::vector<std::string> summary = JetSummaryRows(result);
  const std::string gate =
      p.reconciles
          ? "האוכלוסיה מתאזנת"
          : "האוכלוסיה " +
                (summary.empty()
                     ? std::string()
                     : std::string(StatusRowCell(summary[0], JetSummaryColumns::Cell("figure"))));
  const std::vector<std::pair<std::string, std::string>> population = {
      {"מצב", gate},
      {"תנועות", FormatCount(p.movements)},
      {"סה\"כ חובה", FormatAgorot(p.debit)},
      {"סה\"כ זכות", FormatAgorot(p.credit)},
      {"מנות שאינן מאוזנות", FormatCount(p.unbalanced_batches)},
      {"תנועות בחשבון ללא כרטיס", FormatCount(p.movements_without_account)},
      {"כרטיסים שהושוו", FormatCount(p.accounts)},
      {"כרטיסים ללא יתרות שמישות", FormatCount(p.accounts_unusable)},
      {"כרטיסים שאינם מתאזנים", FormatCount(p.accounts_off)},
  };
  for (const auto& [label, value] : population) {
    if (!stream.Line({label, value}, kBodyStyle, 0,
                     label == "מצב" && !p.reconciles ? LineMark::kError : LineMark::kPlain)) {
      return false;
    }
  }
  return true;
}

bool Rows(const std::vector<std::string>& rows, ReportStream& stream) {
  for (const std::string& row : rows) {
    const LineMark mark = RowField(row, 1) == "1" ? LineMark::kError : LineMark::kPlain;
    if (!stream.Line(CellsOf(row), kBodyStyle, 0, mark)) return false;
  }
  return true;
}

// The hit columns of `test`: its date and its own cell headed by what they hold.
void HitColumns(JetTest test, ReportStream& stream) {
  using H = JetHitColumns;
  static constexpr ColumnPick kPicks[] = {{H::Cell("line"), 70},        {H::Cell("record"), 50},
                                          {H::Cell("transaction"), 90}, {H::Cell("account"), 90},
                                          {H::Cell("date"), 90},        {H::Cell("amount"), 110},
                                          {H::Cell("own"), 200},        {H::Cell("document"), 200}};
  std::vector<ReportColumn> columns = PickedColumns(H::kAll, kPicks);
  columns[PickOf(kPicks, H::Cell("date"))].caption = JetDateCaption(test);
  columns[PickOf(kPicks, H::Cell("own"))].caption = JetOwnCaption(test);
  stream.SetColumns({std::move(columns)});
}

bool IsDigitTest(const JetResult& result, JetTest test) {
  return std::any_of(result.digits.begin(), result.digits.end(),
                     [test](const JetDigitResult& d) { return d.test == test; });
}

// A test's caption, its rule and risk, its state, hits and hit amount, and why it has the
// state it has.
bool TestFacts(const JetResult& result, const JetTestResult& t, ReportStream& stream) {
  if (!Heading(stream,
               std::string(JetCaption(t.test)) + " (" + std::string(JetTestId(t.test)) + ")")) {
    return false;
  }
  if (!stream.Line({"הכלל: " + JetRuleText(t.test, result.parameters)}, kBodyStyle, kSpanRight) ||
      !stream.Line({"הסיכון: " + std::string(JetRisk(t.test))}, kBodyStyle, kSpanRight)) {
    return false;
  }
  const std::string facts = "מצב: " + std::string(JetStateCaption(t.state)) +
                            "   פגיעות: " + FormatCount(t.hits) +
                            "   סכום הפגיעות: " + FormatAgorot(t.hit_amount);
  if (!stream.Line({facts}, kBodyStyle, kSpanRight)) return false;
  const std::string reason = JetStateReason(result, t);
  if (!reason.empty() && !stream.Line({reason}, kBodyStyle, kSpanRight)) return false;
  return !IsDigitTest(result, t.test) ||
         stream.Line({std::string(kJetDigitNote)}, kBodyStyle, kSpanRight);
}

// The hit rows of a test, at most `limit` of them, then a line saying how many more there are.
// Only the rows printed are read back (the data file up to the last of them); the rest are
// counted from the result. `phase` names the gathering to the monitor.
bool HitLines(const RecordStore& store, const JetResult& result, const JetTestResult& t,
              std::size_t limit, std::string_view phase, ReportStream& stream) {
  std::size_t shown = 0;
  if (limit > 0) {
    stream.Progress().OnPhase(phase);
    bool printed = true;
    const Status read = VisitJetHitRows(store, result, t.test, stream.Progress(), JetWords::kPage,
                                        [&](std::string&& row) {
                                          printed = stream.Line(CellsOf(row));
                                          return printed && ++shown < limit;
                                        });
    if (!read.ok() || !printed) return false;
  }
  const std::int64_t all_rows = JetHitRowCount(result, t);
  return all_rows <= static_cast<std::int64_t>(shown) ||
         stream.Line({"ועוד " + FormatCount(all_rows - static_cast<std::int64_t>(shown)) +
                      " שורות שאינן מודפסות"},
                     kBodyStyle, kSpanRight);
}

// On pages and in the HTML forms: each test with its first `report_hits` hits.
bool Hits(const RecordStore& store, const JetResult& result, ReportStream& stream) {
  const auto limit =
      static_cast<std::size_t>(std::max<std::int64_t>(result.parameters.report_hits, 0));
  // A workbook alone keeps none of these lines.
  if (!stream.Reaching()) return true;
  for (const JetTestResult& t : result.tests) {
    if (!TestFacts(result, t, stream)) return false;
    HitColumns(t.test, stream);
    if (!HitLines(store, result, t, limit, "hits", stream)) return false;
  }
  return true;
}

// In the workbook: each test on a sheet named by its caption, with every hit.
bool TestSheets(const RecordStore& store, const JetResult& result, ReportStream& stream) {
  if (!stream.Reaching()) return true;
  for (const JetTestResult& t : result.tests) {
    stream.Sheet(JetCaption(t.test));
    if (!TestFacts(result, t, stream)) return false;
    HitColumns(t.test, stream);
    if (!HitLines(store, result, t, SIZE_MAX, "sheets", stream)) return false;
  }
  return true;
}

// "N = …   MAD = … (class)   χ² = …   p = …" of a digit population.
std::string DigitFigures(const JetDigitPopulation& p) {
  std::string text = "N = " + FormatCount(p.n);
  if (p.mad) text += "   MAD = " + FormatNumber("#,.000000", *p.mad);
  if (p.mad_class) text += " (" + std::string(JetClassCaption(*p.mad_class)) + ")";
  if (p.chi2) text += "   χ² = " + FormatNumber("#,.00", *p.chi2);
  if (p.p) text += "   p = " + FormatNumber("#,.0000", *p.p);
  return text;
}

// The digit tables of every population; the population "all" also as a chart.
bool Digits(const JetResult& result, ReportStream& stream) {
  for (const JetDigitResult& d : result.digits) {
    for (std::size_t population = 0; population < d.populations.size(); ++population) {
      const JetDigitPopulation& p = d.populations[population];
      const std::string title =
          std::string(JetCaption(d.test)) + " - " +
          std::string(JetPopulationCaption(static_cast<JetPopulationKind>(population))) + "   " +
          DigitFigures(p) + "   " + std::string(JetStateCaption(p.state));
      if (!Heading(stream, title)) return false;
      stream.SetColumns({{Column(60, "ספרה"), Column(90, "מספר", kFigureColumn),
                          Column(90, "בפועל", kFigureColumn), Column(90, "צפוי", kFigureColumn),
                          Column(90, "Z", kFigureColumn)}});
      ReportChart chart{std::string(JetCaption(d.test)) + "   " + DigitFigures(p),
                        {},
                        p.actual,
                        p.expected,
                        "בפועל",
                        "צפוי",
                        0,
                        2,
                        3};
      for (std::size_t i = 0; i < p.counts.size(); ++i) {
        const int digit = d.first_digit + static_cast<int>(i);
        std::string label = std::to_string(digit);
        if (d.test == JetTest::kLastTwo && digit < 10) label = "0" + label;
        if (!stream.Line({label, FormatCount(p.counts[i]),
                          i < p.actual.size() ? FormatNumber("#,.0000", p.actual[i]) : "",
                          i < p.expected.size() ? FormatNumber("#,.0000", p.expected[i]) : "",
                          i < p.z.size() ? FormatNumber("#,.00", p.z[i]) : ""})) {
          return false;
        }
        chart.labels.push_back(std::move(label));
      }
      // Without amounts there are no proportions to draw.
      if (static_cast<JetPopulationKind>(population) == JetPopulationKind::kAll &&
          !p.actual.empty()) {
        stream.Chart(chart);
      }
    }
  }
  return true;
}

}  // namespace

bool WriteJetReport(const RecordStore& store, const JetResult& result, std::string_view run_date,
                    ReportStream& stream) {
  stream.AddTitle("10דו\"ח ראיות - בדיקות פקודות יומן");
  stream.Sheet("סיכום");
  if (!Facts(result, run_date, stream)) return false;
  // Each section's title stands above its heading row.
  if (!Heading(stream, "סיכום הבדיקות")) return false;
  using S = JetSummaryColumns;
  static constexpr ColumnPick kSummary[] = {{S::Cell("id"), kIdPixels},
                                            {S::Cell("caption"), 220},
                                            {S::Cell("state"), 80},
                                            {S::Cell("hits"), 70},
                                            {S::Cell("figure"), 270, true}};
  stream.SetColumns({PickedColumns(S::kAll, kSummary)});
  if (!Rows(JetSummaryRows(result, JetWords::kPage), stream)) return false;
  if (!result.digits.empty() &&
      !stream.Line({std::string(kJetDigitNote)}, kBodyStyle, kSpanRight)) {
    return false;
  }
  if (!Heading(stream, "מספיקות הנתונים")) return false;
  using F = JetSufficiencyColumns;
  static constexpr ColumnPick kSufficiency[] = {
      {F::Cell("id"), kIdPixels},          {F::Cell("caption"), 200}, {F::Cell("needs"), 170},
      {F::Cell("usable_share"), 90, true}, {F::Cell("state"), 80},    {F::Cell("reason"), 250}};
  stream.SetColumns({PickedColumns(F::kAll, kSufficiency)});
  if (!Rows(JetSufficiencyRows(result), stream)) return false;
  stream.SetReach(ReportReach::kAllButWorkbook);
  const bool hits = Hits(store, result, stream);
  stream.SetReach(ReportReach::kEvery);
  if (!hits || !Digits(result, stream)) return false;
  if (!Heading(stream, "דירוג העסקאות")) return false;
  using R = JetRankingColumns;
  static constexpr ColumnPick kRanking[] = {{R::Cell("rank"), 50},
                                            {R::Cell("transaction"), 120},
                                            {R::Cell("score"), 60},
                                            {R::Cell("tests"), 300},
                                            {R::Cell("first_line"), 90}};
  stream.SetColumns({PickedColumns(R::kAll, kRanking)});
  if (!Rows(JetRankingRows(result), stream)) return false;
  stream.SetReach(ReportReach::kWorkbookOnly);
  const bool sheets = TestSheets(store, result, stream);
  stream.SetReach(ReportReach::kEvery);
  return sheets;
}

}  // namespace tallyscan
