// The comparison's tables as they are shown: the engine's rows under Hebrew captions.
#include "engine/analytics/compare_tables.h"

#include <charconv>

#include "engine/analytics/jet_rows.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr CompareColumn kOpenings[] = {{"חשבון", 90, false},
                                       {"שם החשבון", 200, false},
                                       {"סיווג", 60, false},
                                       {"מועבר", 50, false},
                                       {"יתרת סגירה קודמת", 120, true},
                                       {"יתרת פתיחה", 120, true},
                                       {"צפוי", 120, true},
                                       {"הפרש", 110, true},
                                       {"מצב", 60, false},
                                       {"הערה", 220, false}};
constexpr CompareColumn kReviewAccounts[] = {
    {"חשבון", 90, false},        {"שם החשבון", 200, false}, {"תקופה קודמת", 120, true},
    {"תקופה נוכחית", 120, true}, {"שינוי", 120, true},      {"שינוי באחוזים", 100, true},
    {"סימון", 60, false}};
constexpr CompareColumn kReviewCodes[] = {{"קוד מאזן", 90, false},    {"תיאור", 200, false},
                                          {"תקופה קודמת", 120, true}, {"תקופה נוכחית", 120, true},
                                          {"שינוי", 120, true},       {"שינוי באחוזים", 100, true},
                                          {"סימון", 60, false}};
constexpr CompareColumn kReviewGroups[] = {{"קבוצת סיווג", 90, false}, {"תיאור", 200, false},
                                           {"תקופה קודמת", 120, true}, {"תקופה נוכחית", 120, true},
                                           {"שינוי", 120, true},       {"שינוי באחוזים", 100, true},
                                           {"סימון", 60, false}};
constexpr CompareColumn kAccounts[] = {{"השינוי", 90, false},
                                       {"חשבון", 90, false},
                                       {"בתקופה הקודמת", 250, false},
                                       {"בתקופה הנוכחית", 250, false}};
constexpr CompareColumn kCounterparties[] = {{"חשבון", 90, false},      {"שם", 200, false},
                                             {"מספר עוסק", 100, false}, {"סכום התנועות", 120, true},
                                             {"תנועות", 70, true},      {"תאריך ראשון", 90, false}};

// The heading each table stands under in CompareRows.
std::string_view HeadingOf(CompareTable table) {
  switch (table) {
    case CompareTable::kOpenings:
      return "openings";
    case CompareTable::kReviewAccounts:
      return "review accounts";
    case CompareTable::kReviewCodes:
      return "review codes";
    case CompareTable::kReviewGroups:
      return "review groups";
    case CompareTable::kAccounts:
      return "accounts";
    case CompareTable::kCounterparties:
      break;
  }
  return "counterparties";
}

ComparePart PartOf(CompareTable table) {
  switch (table) {
    case CompareTable::kOpenings:
      return ComparePart::kOpenings;
    case CompareTable::kReviewAccounts:
    case CompareTable::kReviewCodes:
    case CompareTable::kReviewGroups:
      return ComparePart::kReview;
    case CompareTable::kAccounts:
      return ComparePart::kAccounts;
    case CompareTable::kCounterparties:
      break;
  }
  return ComparePart::kCounterparties;
}

// The cells of a row after its status.
int CellCount(std::string_view row) {
  int cells = 0;
  for (const char c : row) cells += c == '\t' ? 1 : 0;
  return cells;
}

struct Word {
  std::string_view engine, shown;
};
constexpr Word kStatusWords[] = {{"ok", "תקין"}, {"error", "שגיאה"}, {"info", "מידע"}};
constexpr Word kYesNo[] = {{"true", "כן"}, {"false", "לא"}};
constexpr Word kFlagged[] = {{"true", "חריג"}, {"false", ""}};
constexpr Word kKinds[] = {{"new", "חדש"},
                           {"dropped", "נעלם"},
                           {"renamed", "שם שונה"},
                           {"recoded", "קוד שונה"},
                           {"reclassified", "סיווג שונה"}};

std::string Shown(std::span<const Word> words, std::string_view cell) {
  for (const Word& w : words) {
    if (w.engine == cell) return std::string(w.shown);
  }
  return std::string(cell);
}

std::string RangeShown(std::string_view cell) {
  constexpr std::string_view kDash = "\u2013";
  std::string text(cell);
  for (std::size_t at = text.find(kDash); at != std::string::npos; at = text.find(kDash, at)) {
    text.replace(at, kDash.size(), "-");
  }
  return text;
}

// A change's share of the prior figure in percent ("-46.42", the column saying "%"): a figure
// that the grid and the pages align and sort as one, its sign kept with it; none stays empty.
std::string ShareShown(std::string_view cell) {
  if (cell.empty()) return {};
  // Read as JSON wrote it, whatever the locale of the process.
  double share = 0;
  const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), share);
  if (error != std::errc() || end != cell.data() + cell.size()) return std::string(cell);
  return FormatNumber("#,.00", share * 100);
}

// A figure or a date held left to right inside a right-to-left sentence, or its sign and its
// parts trade places.
std::string LeftToRight(const std::string& text) { return "\u2066" + text + "\u2069"; }

std::string PeriodWords(std::string_view which, const ComparePeriodFacts& f) {
  std::string text(which);
  text += ": ";
  text += f.period.from && f.period.to
              ? LeftToRight(*f.period.from) + " עד " + LeftToRight(*f.period.to)
              : "תקופה לא ידועה";
  if (f.months) text += " (" + std::to_string(*f.months) + " חודשים)";
  text += ", עוסק מורשה " + (f.dealer_number.empty() ? std::string("ללא") : f.dealer_number);
  if (!f.identifier.empty()) text += ", מזהה " + f.identifier;
  return text;
}

}  // namespace

std::string_view CompareTableCaption(CompareTable table) {
  switch (table) {
    case CompareTable::kOpenings:
      return "יתרות פתיחה";
    case CompareTable::kReviewAccounts:
      return "סקירה לפי חשבון";
    case CompareTable::kReviewCodes:
      return "סקירה לפי קוד מאזן";
    case CompareTable::kReviewGroups:
      return "סקירה לפי קבוצת סיווג";
    case CompareTable::kAccounts:
      return "חשבונות שנוספו ושנעלמו";
    case CompareTable::kCounterparties:
      break;
  }
  return "צדדים נגדיים חדשים";
}

std::span<const CompareColumn> CompareColumns(CompareTable table) {
  switch (table) {
    case CompareTable::kOpenings:
      return kOpenings;
    case CompareTable::kReviewAccounts:
      return kReviewAccounts;
    case CompareTable::kReviewCodes:
      return kReviewCodes;
    case CompareTable::kReviewGroups:
      return kReviewGroups;
    case CompareTable::kAccounts:
      return kAccounts;
    case CompareTable::kCounterparties:
      break;
  }
  return kCounterparties;
}

std::vector<std::string> CompareTableRows(const CompareResult& result, CompareTable table) {
  const std::vector<std::string> all = CompareRows(result, PartOf(table));
  const std::string_view heading = HeadingOf(table);
  const int cells = static_cast<int>(CompareColumns(table).size());
  std::vector<std::string> rows;
  std::size_t i = 0;
  while (i < all.size() && !(RowField(all[i], 1) == "0" && RowField(all[i], 2) == heading)) ++i;
  // The names row of the table is the first after its heading with as many cells as it has.
  ++i;
  while (i < all.size() && CellCount(all[i]) != cells) ++i;
  for (++i; i < all.size() && CellCount(all[i]) == cells; ++i) rows.push_back(all[i]);
  return rows;
}

const ComparePartState& CompareTableState(const CompareResult& result, CompareTable table) {
  switch (PartOf(table)) {
    case ComparePart::kOpenings:
      return result.openings.state;
    case ComparePart::kReview:
      return result.review.state;
    case ComparePart::kAccounts:
      return result.accounts.state;
    case ComparePart::kIdentity:
    case ComparePart::kCounterparties:
      break;
  }
  return result.counterparties.state;
}

std::string CompareShownCell(CompareTable table, int column, std::string_view cell) {
  switch (table) {
    case CompareTable::kOpenings:
      if (column == 3) return Shown(kYesNo, cell);
      if (column == 8) return Shown(kStatusWords, cell);
      break;
    case CompareTable::kReviewAccounts:
    case CompareTable::kReviewCodes:
    case CompareTable::kReviewGroups:
      // A group's range "1000–1999" with a hyphen, which keeps its two ends in their order
      // inside right-to-left text; the dash would turn them about.
      if (table == CompareTable::kReviewGroups && column == 0) return RangeShown(cell);
      if (column == 5) return ShareShown(cell);
      if (column == 6) return Shown(kFlagged, cell);
      break;
    case CompareTable::kAccounts:
      if (column == 0) return Shown(kKinds, cell);
      break;
    case CompareTable::kCounterparties:
      break;
  }
  return std::string(cell);
}

std::string CompareShownRow(CompareTable table, std::string_view row) {
  std::string shown(RowField(row, 1));
  const int cells = CellCount(row);
  for (int c = 0; c < cells; ++c) {
    shown += '\t';
    shown += CompareShownCell(table, c, RowField(row, c + 2));
  }
  return shown;
}

int CompareAccountColumn(CompareTable table) {
  switch (table) {
    case CompareTable::kOpenings:
    case CompareTable::kReviewAccounts:
    case CompareTable::kCounterparties:
      return 0;
    case CompareTable::kAccounts:
      return 1;
    case CompareTable::kReviewCodes:
    case CompareTable::kReviewGroups:
      break;
  }
  return -1;
}

bool ComparePriorOnly(CompareTable table, std::string_view row) {
  if (table == CompareTable::kOpenings) {
    // Missing from CURRENT: a closing of last year, no opening this year.
    return !RowField(row, 6).empty() && RowField(row, 7).empty();
  }
  return table == CompareTable::kAccounts && RowField(row, 2) == "dropped";
}

std::vector<std::string> CompareIdentityWords(const CompareResult& result) {
  const CompareIdentity& id = result.identity;
  std::vector<std::string> lines = {PeriodWords("התקופה הקודמת", id.prior),
                                    PeriodWords("התקופה הנוכחית", id.current)};
  std::string relation = "הקשר בין התקופות: " + id.relation;
  if (id.other_company) relation += " - שני עוסקים שונים הושוו";
  lines.push_back(std::move(relation));
  if (id.warning) lines.push_back(*id.warning);
  return lines;
}

std::string CompareReconciliationWords(const CompareResult& result, bool* reconciled) {
  const OpeningsPart& o = result.openings;
  if (reconciled != nullptr) *reconciled = false;
  if (o.state.state == JetState::kNotRun) {
    return "יתרות הפתיחה לא הושוו" + (o.state.reason.empty() ? "" : ": " + o.state.reason);
  }
  const OpeningReconciliation& r = o.reconciliation;
  std::string text = "תוצאת התקופה הקודמת " + LeftToRight(FormatAgorot(r.prior_result));
  if (r.result_account) {
    text += " הועברה לחשבון " + *r.result_account;
  } else {
    text += " - לא נמצא חשבון שאליו הועברה";
  }
  if (r.remaining == 0) {
    text += "; שאר יתרות הפתיחה מתאימות ליתרות הסגירה";
  } else {
    text += "; הפרשי יתרות הפתיחה האחרים: " + LeftToRight(FormatAgorot(r.remaining));
  }
  if (reconciled != nullptr) *reconciled = r.result_account.has_value() && r.remaining == 0;
  return text;
}

}  // namespace tallyscan
