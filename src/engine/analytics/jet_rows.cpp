#include "engine/analytics/jet_rows.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/digit_statistics.h"
#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/analytics/jet_words.h"
#include "engine/analytics/source_pass.h"
#include "engine/browse/browse.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace {

using analytics::Cell;
using analytics::DateCell;
using analytics::InfoOf;
using field::B100;
using field::B110;
using field::C100;

// The figure that matters of a test, for its summary row.
std::string Figure(const JetResult& result, const JetTestResult& t, JetWords words) {
  const analytics::JetUnit& unit = analytics::UnitOf(t.test);
  return unit.figure != nullptr ? unit.figure(result, t, words)
                                : analytics::HitAmountFigure(t, words);
}

std::string AmountCell(std::string_view field) {
  if (const auto amount = analytics::ReadUsableAmount(field)) return FormatAgorot(*amount);
  return Cell(TrimSpaces(field));
}

// A gap in words: "חסרים: מ-4219 עד 4219".
std::string MissingText(std::string_view from, std::string_view to) {
  return "חסרים: מ-" + std::string(from) + " עד " + std::string(to);
}

// A gap of documents in words, with its type's name: "חשבונית מס (305): חסר 3050001348".
std::string MissingDocumentsText(const JetDocumentRange& r) {
  const std::optional<std::int64_t> code = ParseSignedDecimal(r.type);
  const DocumentType* type =
      code && *code >= 0 && *code <= 999 ? FindDocumentType(static_cast<int>(*code)) : nullptr;
  const std::string named = std::string(type != nullptr ? type->name : kUnknownMeaning) + " (" +
                            SafeCellText(r.type) + "): ";
  if (r.from == r.to) return named + "חסר " + r.from;
  return named + "חסרים מ-" + r.from + " עד " + r.to;
}

// A document by its type's name, its type and its number: "חשבונית מס (305) 3050001348"; the
// number alone when the type is blank, nothing when both are.
std::string DocumentText(std::string_view type_field, std::string_view number_field) {
  const std::string_view type = TrimSpaces(type_field);
  const std::string number = Cell(analytics::NumberKey(number_field));
  if (type.empty()) return number;
  const std::optional<std::int64_t> code = ParseSignedDecimal(type);
  const DocumentType* known =
      code && *code >= 0 && *code <= 999 ? FindDocumentType(static_cast<int>(*code)) : nullptr;
  std::string text =
      std::string(known != nullptr ? known->name : kUnknownMeaning) + " (" + Cell(type) + ")";
  if (!number.empty()) text += " " + number;
  return text;
}

using HitCells = ColumnRow<kJetHitColumns>;
using H = JetHitColumns;

// The cells a hit row shows of its line but the test's own; the page's words add the line's
// document after the test's own.
HitCells LineCells(const std::string& line, const std::string& code, std::string transaction,
                   std::string account, std::string date, std::string amount) {
  HitCells cells;
  cells.Set(H::Cell("line"), line);
  cells.Set(H::Cell("record"), code);
  cells.Set(H::Cell("transaction"), std::move(transaction));
  cells.Set(H::Cell("account"), std::move(account));
  cells.Set(H::Cell("date"), std::move(date));
  cells.Set(H::Cell("amount"), std::move(amount));
  return cells;
}

std::string WordsRow(RowStatus status, HitCells cells, std::string own, JetWords words,
                     std::string document) {
  cells.Set(H::Cell("own"), std::move(own));
  if (words == JetWords::kPage) cells.Set(H::Cell("document"), std::move(document));
  return cells.Row(status);
}

// The cells a hit row shows of its line, the last one of the test's own choosing (then, in
// the page's words, the document the line is of or points to).
std::string HitRow(RowStatus status, std::int64_t number, std::string_view head, JetTest test,
                   const JetResult* result, bool dos, const std::string& own_override,
                   JetWords days = JetWords::kEngine) {
  const RecordLayout* layout = FindLayout(head);
  const std::string line = PlainNumber(number);
  if (layout == nullptr) return MakeRow(status, {line});
  const std::string code(layout->code);
  if (layout->type == RecordType::kB110) {
    const auto debit = analytics::ReadUsableAmount(SliceField(head, B110(1415)));
    const auto credit = analytics::ReadUsableAmount(SliceField(head, B110(1416)));
    const std::string turnover = debit && credit ? FormatAgorot(*debit - *credit) : std::string();
    return WordsRow(
        status,
        LineCells(line, code, "", Cell(TrimSpaces(SliceField(head, B110(1403)))), "", turnover),
        AmountCell(SliceField(head, B110(1414))), days, {});
  }
  const analytics::JetUnit& unit = analytics::UnitOf(test);
  const analytics::HitLine hit{head, result, dos, days};
  if (layout->type == RecordType::kC100) {
    const std::string own = unit.own_cell != nullptr
                                ? unit.own_cell(hit)
                                : Cell(TrimSpaces(SliceField(head, C100(1203)))) + "/" +
                                      Cell(analytics::NumberKey(SliceField(head, C100(1204))));
    return WordsRow(status,
                    LineCells(line, code, "", Cell(TrimSpaces(SliceField(head, C100(1225)))),
                              DateCell(SliceField(head, C100(1230)), days),
                              AmountCell(SliceField(head, C100(1223)))),
                    std::move(own), days,
                    DocumentText(SliceField(head, C100(1203)), SliceField(head, C100(1204))));
  }
  if (layout->type != RecordType::kB100) return MakeRow(status, {line, code});
  std::string own = own_override;
  if (own.empty()) {
    own = unit.own_cell != nullptr ? unit.own_cell(hit)
                                   : Cell(TrimSpaces(SliceField(head, B100(1357))));
  }
  return WordsRow(status,
                  LineCells(line, code, Cell(analytics::NumberKey(SliceField(head, B100(1353)))),
                            Cell(TrimSpaces(SliceField(head, B100(1364)))),
                            DateCell(SliceField(head, B100(1362)), days),
                            AmountCell(SliceField(head, B100(1368)))),
                  std::move(own), days,
                  DocumentText(SliceField(head, B100(1358)), SliceField(head, B100(1357))));
}

// The target of the line at `offset` whose first bytes are `head`.
// The AccountIndex element of an account field as the file writes it: looked up by its key,
// as it stands in the index, before the trimmed comparison with every card that a key
// padded otherwise needs (a list of hits asks once per hit).
std::int64_t AccountElement(const RecordStore& store, std::string_view account) {
  const ElementRange exact = PrefixRange(store.AccountIndex, account);
  return exact.empty() ? FindAccount(store, account) : exact.first;
}

LineTarget TargetOf(const RecordStore& store, std::string_view head, std::int64_t offset) {
  const RecordLayout* layout = FindLayout(head);
  LineTarget target;
  if (layout == nullptr) return target;
  switch (layout->type) {
    case RecordType::kB100:
      target.element = AccountElement(store, SliceField(head, B100(1364)));
      break;
    case RecordType::kB110:
      target.element = AccountElement(store, SliceField(head, B110(1403)));
      break;
    case RecordType::kC100: {
      char key[kKeyLength];
      MakeKey(RecordType::kC100, head, key);
      const ElementRange run = EqualRange(store.DocumentIndex, std::string_view(key, kKeyLength));
      for (std::int64_t e = run.first; e < run.last; ++e) {
        if (store.DocumentIndex[e].Offset == offset) target.element = e;
      }
      break;
    }
    default:
      return target;
  }
  target.type = layout->type;
  target.offset = offset;
  return target;
}

// A decimal number without leading zeros less one; empty for "0".
std::string DecimalBefore(std::string number) {
  if (number.empty() || number == "0") return {};
  std::size_t i = number.size();
  while (i > 0 && number[i - 1] == '0') number[--i] = '9';
  if (i == 0) return {};
  --number[i - 1];
  if (number.size() > 1 && number[0] == '0') number.erase(0, 1);
  return number;
}

// The targets of a gap test's ranges: what stands just before each missing range. Reads the
// whole file; a range whose neighbour is not found leads nowhere.
Status GapTargets(const RecordStore& store, const JetTestResult& t, ProgressMonitor& monitor,
                  std::vector<LineTarget>& targets) {
  std::vector<std::pair<std::string, std::string>> wanted;  // (type, number) or ("", transaction)
  for (const JetNumberRange& r : t.transaction_ranges) {
    wanted.emplace_back("", std::to_string(r.from - 1));
  }
  for (const JetDocumentRange& r : t.document_ranges) {
    wanted.emplace_back(Utf8ToCp1255(r.type), DecimalBefore(r.from));
  }
  std::vector<LineTarget> found(wanted.size());
  analytics::DataPass reading(store, false);
  const bool documents = !t.document_ranges.empty();
  const Status read = reading.Run(monitor, [&](std::int64_t, std::string_view head) {
    const RecordLayout* layout = FindLayout(head);
    if (layout == nullptr) return true;
    if (!documents && layout->type == RecordType::kB100) {
      const std::string_view transaction = analytics::NumberKey(SliceField(head, B100(1353)));
      for (std::size_t i = 0; i < wanted.size(); ++i) {
        // The last movement of the transaction: the one just before the gap in the file.
        if (wanted[i].second == transaction) {
          found[i] = TargetOf(store, head, reading.line_offset());
        }
      }
    } else if (documents && layout->type == RecordType::kC100) {
      const std::string_view type = TrimSpaces(SliceField(head, C100(1203)));
      const std::string_view number = analytics::NumberKey(SliceField(head, C100(1204)));
      for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (found[i].offset < 0 && wanted[i].first == type && wanted[i].second == number) {
          found[i] = TargetOf(store, head, reading.line_offset());
        }
      }
    }
    return true;
  });
  if (!read.ok()) return read;
  targets.insert(targets.end(), found.begin(), found.end());
  return Status::Ok();
}

// The targets of the unbalanced batches: each leads to its batch's first movement.
Status BatchTargets(const RecordStore& store, const std::vector<JetBatch>& batches,
                    ProgressMonitor& monitor, std::vector<LineTarget>& targets) {
  std::vector<std::uint32_t> lines;
  for (const JetBatch& b : batches) lines.push_back(b.first_line);
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  std::vector<LineTarget> found;
  if (Status read = JetLineTargets(store, lines, monitor, found); !read.ok()) return read;
  for (const JetBatch& b : batches) {
    const auto at = std::lower_bound(lines.begin(), lines.end(), b.first_line);
    targets.push_back(found[static_cast<std::size_t>(at - lines.begin())]);
  }
  return Status::Ok();
}

// A field a test needs, "B100:1375", with its caption beside it: "B100:1375 תאריך הרישום".
std::string NeededField(std::string_view needed) {
  const RecordLayout* layout = FindLayout(needed.substr(0, 4));
  const std::size_t colon = needed.find(':');
  if (layout == nullptr || colon == std::string_view::npos) return std::string(needed);
  int code = 0;
  for (const char c : needed.substr(colon + 1)) {
    if (c < '0' || c > '9') return std::string(needed);
    code = code * 10 + (c - '0');
  }
  const FieldLayout* field = FindField(*layout, code);
  return field == nullptr
             ? std::string(needed)
             : std::string(needed) + " " + std::string(DistinctCaption(*layout, *field));
}

// An unbalanced batch in words: "מנה 31 אינה מאוזנת: חובה 1,381,532.64, זכות 1,381,532.65".
std::string BatchText(const JetBatch& b) {
  return "מנה " + PlainNumber(b.number) + " אינה מאוזנת: חובה " + FormatAgorot(b.debit) +
         ", זכות " + FormatAgorot(b.credit);
}

// A range or a batch in the page's words: said in the test's own cell, under no line, with
// an amount (a batch's difference) or none.
std::string OwnCellRow(RowStatus status, std::string amount, std::string own) {
  HitCells cells;
  if (!amount.empty()) cells.Set(H::Cell("amount"), std::move(amount));
  cells.Set(H::Cell("own"), std::move(own));
  return cells.Row(status);
}

// The rows of a test's ranges (the gate's unbalanced batches), then those of its hit lines
// read back from the data file, each
// given to take(row, head, offset) (`head` empty for a range) until it answers false: the file
// is read up to the last line wanted, and no further.
template <typename Take>
Status EachHitRow(const RecordStore& store, const JetResult& result, const JetTestResult& t,
                  ProgressMonitor& monitor, JetWords days, Take&& take) {
  const RowStatus status = InfoOf(t.test).findings ? RowStatus::kError : RowStatus::kInfo;
  // The page and the report say what a gap misses in the test's own cell, under no line,
  // record or transaction; the command line gives its range cells.
  const bool page = days == JetWords::kPage;
  for (const JetNumberRange& r : t.transaction_ranges) {
    const std::string from = std::to_string(r.from), to = std::to_string(r.to);
    if (!take(page ? OwnCellRow(status, {}, MissingText(from, to)) : MakeRow(status, {from, to}),
              {}, -1)) {
      return Status::Ok();
    }
  }
  for (const JetDocumentRange& r : t.document_ranges) {
    if (!take(page ? OwnCellRow(status, {}, MissingDocumentsText(r))
                   : MakeRow(status, {r.from, r.to, SafeCellText(r.type)}),
              {}, -1)) {
      return Status::Ok();
    }
  }
  if (t.test == JetTest::kPopulation) {
    for (const JetBatch& b : result.population.batches_off) {
      if (!take(page ? OwnCellRow(status, FormatAgorot(b.debit - b.credit), BatchText(b))
                     : MakeRow(status, {PlainNumber(b.number), FormatAgorot(b.debit),
                                        FormatAgorot(b.credit)}),
                {}, -1)) {
        return Status::Ok();
      }
    }
  }
  if (t.lines.empty()) return Status::Ok();
  auto next = t.lines.begin();
  analytics::DataPass reading(store, false);
  return reading.Run(monitor, [&](std::int64_t number, std::string_view head) {
    if (number != *next) return true;
    const bool more =
        take(HitRow(status, number, head, t.test, &result, store.DosCodePage, {}, days), head,
             reading.line_offset());
    return more && ++next != t.lines.end();
  });
}

}  // namespace

std::string_view JetStateCaption(JetState state) {
  switch (state) {
    case JetState::kRun:
      return "הורצה";
    case JetState::kWeak:
      return "חלשה";
    case JetState::kNotRun:
      break;
  }
  return "לא הורצה";
}

std::string JetStateReason(const JetResult& result, const JetTestResult& t) {
  const JetParameters& p = result.parameters;
  const std::string type(LayoutOf(InfoOf(t.test).type).code);
  if (t.type_lines == 0) return "אין בקובץ שורות " + type;
  const bool period_test = t.test == JetTest::kPostClosing || t.test == JetTest::kPeriodEnd;
  const JetPeriodSource source = result.population.period.source;
  if (period_test && source == JetPeriodSource::kNone) return "לא נמצאה תקופה לבדיקה";
  if (t.usable_lines == 0) return "אין שורה שבה השדות הדרושים שמישים";
  if (static_cast<AmountSum>(t.usable_lines) * 10000 <
      static_cast<AmountSum>(p.weak_share) * t.type_lines) {
    return "פחות מ-" + TenThousandthsText(p.weak_share * 100) + "% מהשורות שמישות";
  }
  if (period_test && source == JetPeriodSource::kMovements) {
    return "התקופה נלקחה מתאריכי התנועות";
  }
  if (analytics::IsDigitTest(t.test)) {
    for (const JetDigitResult& d : result.digits) {
      if (d.test != t.test) continue;
      const JetDigitPopulation& all = d.populations[0];
      if (all.n == 0) return "אין תנועה בסכום שמעל הסף";
      if (all.state == JetState::kWeak) {
        return "N = " + FormatCount(all.n) + ", פחות מ-" + FormatCount(p.benford_min_n);
      }
    }
  }
  return {};
}

std::vector<std::string> JetSufficiencyRows(const JetResult& result) {
  std::vector<std::string> rows;
  for (const JetTestResult& t : result.tests) {
    std::string needs;
    for (std::string_view rest = InfoOf(t.test).needs; !rest.empty();) {
      const std::size_t comma = std::min(rest.find(','), rest.size());
      if (!needs.empty()) needs += ", ";
      needs += NeededField(rest.substr(0, comma));
      rest.remove_prefix(std::min(comma + 1, rest.size()));
    }
    std::string share;
    if (t.usable_share) {
      share = FormatNumber("#,.00", *t.usable_share * 100) + "%";
    }
    using S = JetSufficiencyColumns;
    ColumnRow<kJetSufficiencyColumns> cells;
    cells.Set(S::Cell("id"), std::string(JetTestId(t.test)));
    cells.Set(S::Cell("caption"), std::string(JetCaption(t.test)));
    cells.Set(S::Cell("needs"), std::move(needs));
    cells.Set(S::Cell("usable_share"), std::move(share));
    cells.Set(S::Cell("state"), std::string(JetStateCaption(t.state)));
    cells.Set(S::Cell("reason"), JetStateReason(result, t));
    rows.push_back(cells.Row(t.state == JetState::kNotRun ? RowStatus::kError : RowStatus::kInfo));
  }
  return rows;
}

std::vector<std::string> JetRankingRows(const JetResult& result) {
  std::vector<std::string> rows;
  std::int64_t rank = 0;
  for (const JetRankedTransaction& r : result.ranking) {
    std::string tests;
    for (const JetTest test : r.tests) {
      if (!tests.empty()) tests += ", ";
      tests += JetCaption(test);
    }
    using R = JetRankingColumns;
    ColumnRow<kJetRankingColumns> cells;
    cells.Set(R::Cell("rank"), PlainNumber(++rank));
    cells.Set(R::Cell("transaction"), r.transaction ? SafeCellText(*r.transaction) : "");
    cells.Set(R::Cell("score"), PlainNumber(r.score));
    cells.Set(R::Cell("tests"), std::move(tests));
    cells.Set(R::Cell("first_line"), PlainNumber(r.first_line));
    rows.push_back(cells.Row(RowStatus::kInfo));
  }
  return rows;
}

std::vector<std::string> JetSummaryRows(const JetResult& result, JetWords words) {
  std::vector<std::string> rows;
  for (const JetTestResult& t : result.tests) {
    const bool failing = t.test == JetTest::kPopulation ? !result.population.reconciles
                                                        : InfoOf(t.test).findings && t.hits > 0;
    using S = JetSummaryColumns;
    ColumnRow<kJetSummaryColumns> cells;
    cells.Set(S::Cell("id"), std::string(JetTestId(t.test)));
    cells.Set(S::Cell("caption"), std::string(JetCaption(t.test)));
    cells.Set(S::Cell("state"), std::string(words == JetWords::kPage ? JetStateCaption(t.state)
                                                                     : JetStateText(t.state)));
    cells.Set(S::Cell("hits"), PlainNumber(t.hits));
    cells.Set(S::Cell("figure"), Figure(result, t, words));
    rows.push_back(cells.Row(failing ? RowStatus::kError : RowStatus::kInfo));
  }
  return rows;
}

Status JetHitRows(const RecordStore& store, const JetResult& result, JetTest test,
                  ProgressMonitor& monitor, std::vector<std::string>& rows,
                  std::vector<LineTarget>* targets, JetWords days) {
  const JetTestResult* t = result.Find(test);
  if (t == nullptr) return Status::NotFound("הבדיקה לא הורצה: " + std::string(JetTestId(test)));
  if (targets != nullptr && (!t->transaction_ranges.empty() || !t->document_ranges.empty())) {
    if (Status read = GapTargets(store, *t, monitor, *targets); !read.ok()) return read;
  }
  if (targets != nullptr && test == JetTest::kPopulation) {
    if (Status read = BatchTargets(store, result.population.batches_off, monitor, *targets);
        !read.ok()) {
      return read;
    }
  }
  return EachHitRow(store, result, *t, monitor, days,
                    [&](std::string&& row, std::string_view head, std::int64_t offset) {
                      rows.push_back(std::move(row));
                      if (targets != nullptr && !head.empty()) {
                        targets->push_back(TargetOf(store, head, offset));
                      }
                      return true;
                    });
}

Status VisitJetHitRows(const RecordStore& store, const JetResult& result, JetTest test,
                       ProgressMonitor& monitor, JetWords days,
                       const std::function<bool(std::string&& row)>& take) {
  const JetTestResult* t = result.Find(test);
  if (t == nullptr) return Status::NotFound("הבדיקה לא הורצה: " + std::string(JetTestId(test)));
  return EachHitRow(
      store, result, *t, monitor, days,
      [&](std::string&& row, std::string_view, std::int64_t) { return take(std::move(row)); });
}

Status JetLineTargets(const RecordStore& store, std::span<const std::uint32_t> lines,
                      ProgressMonitor& monitor, std::vector<LineTarget>& targets) {
  targets.assign(lines.size(), LineTarget{});
  if (lines.empty()) return Status::Ok();
  std::size_t next = 0;
  analytics::DataPass reading(store, false);
  return reading.Run(monitor, [&](std::int64_t number, std::string_view head) {
    while (next < lines.size() && lines[next] == number) {
      targets[next++] = TargetOf(store, head, reading.line_offset());
    }
    return next < lines.size();
  });
}

std::string_view JetDateCaption(JetTest test) {
  return InfoOf(test).type == RecordType::kC100 ? "תאריך המסמך" : "תאריך התנועה";
}

std::string_view JetOwnCaption(JetTest test) { return InfoOf(test).own_caption; }

ValueKind JetOwnKind(JetTest test) { return InfoOf(test).own_kind; }

std::int64_t JetHitRowCount(const JetResult& result, const JetTestResult& t) {
  const std::size_t batches =
      t.test == JetTest::kPopulation ? result.population.batches_off.size() : 0;
  return static_cast<std::int64_t>(t.transaction_ranges.size() + t.document_ranges.size() +
                                   batches + t.lines.size());
}

bool JetCountsDigit(JetTest test, int digit) {
  if (!analytics::IsDigitTest(test)) return false;
  const auto kind =
      static_cast<analytics::DigitTest>(JetIndex(test) - JetIndex(JetTest::kBenfordFirst));
  const int place = digit - analytics::FirstDigit(kind);
  return place >= 0 && place < analytics::DigitCount(kind);
}

Status JetDigitLineRows(const RecordStore& store, const JetParameters& parameters, JetTest test,
                        JetPopulationKind population, int digit, ProgressMonitor& monitor,
                        std::vector<std::string>& rows, std::vector<LineTarget>* targets,
                        JetWords words) {
  if (!analytics::IsDigitTest(test)) {
    return Status::OutOfRange("אין זו בדיקת ספרות: " + std::string(JetTestId(test)));
  }
  if (!JetCountsDigit(test, digit)) {
    return Status::OutOfRange("הספרה אינה נספרת בבדיקה זו: " + std::to_string(digit));
  }
  const auto kind =
      static_cast<analytics::DigitTest>(JetIndex(test) - JetIndex(JetTest::kBenfordFirst));
  const int place = digit - analytics::FirstDigit(kind);
  const auto least =
      static_cast<std::uint64_t>(std::max<std::int64_t>(parameters.benford_min_amount, 10));
  analytics::DataPass reading(store, false);
  return reading.Run(monitor, [&](std::int64_t number, std::string_view head) {
    const RecordLayout* layout = FindLayout(head);
    if (layout == nullptr || layout->type != RecordType::kB100) return true;
    const auto amount = analytics::ReadUsableAmount(SliceField(head, B100(1368)));
    if (!amount) return true;
    const auto magnitude = static_cast<std::uint64_t>(*amount < 0 ? -*amount : *amount);
    const bool credit = SliceField(head, B100(1366)) == "2";
    if (magnitude < least || (population == JetPopulationKind::kDebit && credit) ||
        (population == JetPopulationKind::kCredit && !credit) ||
        analytics::DigitPlace(kind, magnitude) != place) {
      return true;
    }
    rows.push_back(HitRow(RowStatus::kInfo, number, head, test, nullptr, store.DosCodePage,
                          std::to_string(digit), words));
    if (targets != nullptr) targets->push_back(TargetOf(store, head, reading.line_offset()));
    return true;
  });
}

}  // namespace tallyscan
