// The comparison of two periods: the identity of the pair, then each part from what one
// reading of each data file kept.
#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "engine/analytics/compare.h"
#include "engine/analytics/compare_read.h"
#include "engine/analytics/field_rules.h"
#include "engine/analytics/period.h"
#include "engine/common/version.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using analytics::DayNumber;
using analytics::PeriodCard;
using analytics::PeriodData;
using field::A000;

// The note of an opening row whose amount cannot be read, which makes it an error.
constexpr std::string_view kUnreadableNote = "סכום לא קריא";

AmountSum Abs(AmountSum v) { return v < 0 ? -v : v; }

std::optional<std::int64_t> MonthsOf(const analytics::SetPeriod& period) {
  if (!period.from || !period.to) return std::nullopt;
  const analytics::CivilDate a = analytics::DateOf(*period.from);
  const analytics::CivilDate b = analytics::DateOf(*period.to);
  return (std::int64_t{b.year} * 12 + b.month) - (std::int64_t{a.year} * 12 + a.month) + 1;
}

ComparePeriodFacts FactsOf(const PeriodData& data, analytics::SetPeriod& period) {
  ComparePeriodFacts facts;
  facts.dealer_number = SafeCellText(Cp1255ToUtf8(TrimSpaces(SliceField(data.a000, A000(1003)))));
  facts.identifier = SafeCellText(Cp1255ToUtf8(TrimSpaces(SliceField(data.a000, A000(1004)))));
  period =
      analytics::PeriodOfSet(analytics::PeriodOfHeader(data.a000), data.first_date, data.last_date);
  facts.period = analytics::PeriodNamed(period);
  facts.months = MonthsOf(period);
  return facts;
}

std::optional<std::int64_t> ClassificationNumber(std::string_view text) {
  if (!analytics::AllDigits(text)) return std::nullopt;
  return ParseSignedDecimal(text);
}

// The classification of an account: that of CURRENT, else that of PRIOR.
const std::string& ClassificationOf(const PeriodCard* prior, const PeriodCard* current) {
  if (current != nullptr && !current->classification.empty()) return current->classification;
  static const std::string kNone;
  return prior != nullptr ? prior->classification : kNone;
}

// The closing balance of a card of PRIOR in the form chosen; none when a total it needs is
// not a usable amount.
std::optional<AmountSum> ClosingOf(const PeriodCard& card, bool opening_in_totals) {
  if (!card.debit || !card.credit) return std::nullopt;
  const AmountSum turnover = static_cast<AmountSum>(*card.debit) - *card.credit;
  if (opening_in_totals) return turnover;
  if (!card.opening) return std::nullopt;
  return turnover + *card.opening;
}

// A monitor for a reading on another thread: it reports nothing and stops when told to.
class FollowingMonitor final : public ProgressMonitor {
 public:
  explicit FollowingMonitor(const std::atomic<bool>& stop) : stop_(stop) {}
  void OnProgress(int) override {}
  bool StopRequested() override { return stop_.load(std::memory_order_relaxed); }

 private:
  const std::atomic<bool>& stop_;
};

class Comparison {
 public:
  Comparison(const PeriodData& prior, const PeriodData& current, const JetParameters& p,
             const CompareOptions& options, CompareResult& result)
      : prior_(prior), current_(current), p_(p), options_(options), result_(result) {}

  void Run() {
    Openings();
    Review();
    Accounts();
    Counterparties();
  }

 private:
  template <typename Visit>
  void ForEachKey(Visit&& visit) const {
    auto a = prior_.cards.begin();
    auto b = current_.cards.begin();
    while (a != prior_.cards.end() || b != current_.cards.end()) {
      if (b == current_.cards.end() || (a != prior_.cards.end() && a->first < b->first)) {
        visit(a->first, &a->second, nullptr);
        ++a;
      } else if (a == prior_.cards.end() || b->first < a->first) {
        visit(b->first, nullptr, &b->second);
        ++b;
      } else {
        visit(a->first, &a->second, &b->second);
        ++a;
        ++b;
      }
    }
  }

  bool BothHaveCards(ComparePartState& state) const {
    if (prior_.card_lines > 0 && current_.card_lines > 0) return true;
    state.state = JetState::kNotRun;
    state.reason = "נדרשות רשומות B110 בשתי התקופות";
    return false;
  }

  // Which roll-forward the movements of PRIOR's accounts follow: those whose movements add up
  // to 1414 + 1415 - 1416 hold the opening outside the totals, those whose movements add up
  // to 1415 - 1416 with an opening of their own hold it inside them.
  void CheckForm(OpeningsPart& part) const {
    std::int64_t outside = 0, inside = 0;
    for (const auto& [key, card] : prior_.cards) {
      if (!card.opening || !card.debit || !card.credit || *card.opening == 0) continue;
      const auto moved = prior_.movements.find(key);
      const AmountSum net = moved == prior_.movements.end() ? 0 : moved->second.net;
      const AmountSum turnover = static_cast<AmountSum>(*card.debit) - *card.credit;
      if (net == turnover + *card.opening) ++outside;
      if (net == turnover) ++inside;
    }
    const bool fits_other = p_.opening_in_totals ? outside > inside : inside > outside;
    if (fits_other) {
      part.state.state = JetState::kWeak;
      part.state.reason =
          std::string("צורת הגלגול האחרת (") +
          (p_.opening_in_totals ? "opening+totals" : "totals") +
          ") מתאימה ליותר חשבונות בשנה הקודמת: " + std::to_string(std::max(outside, inside)) +
          " מול " + std::to_string(std::min(outside, inside));
    }
  }

  void Openings() {
    OpeningsPart& part = result_.openings;
    part.form = p_.opening_in_totals ? "totals" : "opening+totals";
    if (!BothHaveCards(part.state)) return;
    CheckForm(part);
    AmountSum prior_result = 0;
    ForEachKey([&](const std::string& key, const PeriodCard* prior, const PeriodCard* current) {
      part.rows.push_back(OpeningRowOf(key, prior, current, prior_result));
    });
    part.reconciliation.prior_result = prior_result;
    const OpeningRow* result_row = CarryResult(part.rows, prior_result, part.reconciliation);
    JudgeOpenings(part.rows, result_row, part.reconciliation);
  }

  // The row of an account in either year; the closing of a prior account whose balance does
  // not carry is added to `prior_result`.
  OpeningRow OpeningRowOf(const std::string& key, const PeriodCard* prior,
                          const PeriodCard* current, AmountSum& prior_result) const {
    OpeningRow row;
    row.key = key;
    row.name = current != nullptr ? current->name : prior->name;
    row.classification = ClassificationOf(prior, current);
    const std::optional<std::int64_t> classification = ClassificationNumber(row.classification);
    row.carries = classification && *classification >= p_.carry_from_classification;
    bool unreadable = false;
    if (prior != nullptr) {
      row.prior_closing = ClosingOf(*prior, p_.opening_in_totals);
      unreadable = !row.prior_closing;
      if (!row.carries && row.prior_closing) prior_result += *row.prior_closing;
    }
    if (current != nullptr) {
      if (current->opening) row.current_opening = *current->opening;
      unreadable = unreadable || !current->opening;
    }
    if (row.carries) row.expected = row.prior_closing.value_or(0);
    row.difference = row.current_opening.value_or(0) - row.expected;
    if (unreadable) row.note = kUnreadableNote;
    return row;
  }

  // The account last year's result was carried to: the one named in the parameters, or else
  // the first carrying account whose opening is off by just that result; null when none is.
  const OpeningRow* CarryResult(std::vector<OpeningRow>& rows, AmountSum prior_result,
                                OpeningReconciliation& rec) const {
    const std::string wanted(TrimSpaces(p_.result_account));
    for (OpeningRow& row : rows) {
      const bool named = !wanted.empty() && row.key == wanted;
      const bool found = wanted.empty() && row.carries && row.prior_closing &&
                         row.current_opening && row.difference == prior_result;
      if (!named && !found) continue;
      row.expected += prior_result;
      row.difference = row.current_opening.value_or(0) - row.expected;
      row.note = "התוצאה הועברה לחשבון זה";
      rec.result_account = row.key;
      return &row;
    }
    return nullptr;
  }

  // Each row's status and what remains unreconciled outside the result's account.
  void JudgeOpenings(std::vector<OpeningRow>& rows, const OpeningRow* result_row,
                     OpeningReconciliation& rec) const {
    for (OpeningRow& row : rows) {
      const bool missing = !row.current_opening && prior_.cards.count(row.key) > 0 &&
                           current_.cards.count(row.key) == 0;
      const bool is_new = prior_.cards.count(row.key) == 0;
      if (&row != result_row) rec.remaining += row.difference;
      if (row.note == kUnreadableNote) {
        row.status = CompareStatus::kError;
      } else if (missing) {
        row.status = row.expected != 0 ? CompareStatus::kError : CompareStatus::kInfo;
        row.note = "החשבון אינו בשנה הנוכחית";
      } else if (is_new) {
        row.status = Abs(row.difference) > p_.opening_tolerance ? CompareStatus::kError
                                                                : CompareStatus::kInfo;
        row.note = "חשבון חדש בשנה הנוכחית";
      } else {
        row.status =
            Abs(row.difference) > p_.opening_tolerance ? CompareStatus::kError : CompareStatus::kOk;
      }
    }
  }

  // Last year's figure as compared: scaled to this year's months when asked (exact, rounded
  // half away from zero to agorot).
  AmountSum Scaled(AmountSum prior) const {
    if (!scale_) return prior;
    const AmountSum numerator = prior * scale_->first;
    const AmountSum denominator = scale_->second;
    const AmountSum whole = numerator / denominator;
    const AmountSum rest = numerator % denominator;
    if (Abs(rest) * 2 >= denominator) return whole + (numerator < 0 ? -1 : 1);
    return whole;
  }

  ReviewRow ReviewRowOf(std::string key, std::string caption, AmountSum prior, AmountSum current) {
    ReviewRow row;
    row.key = std::move(key);
    row.caption = std::move(caption);
    row.prior = Scaled(prior);
    row.current = current;
    row.change = row.current - row.prior;
    const AmountSum base = Abs(row.prior);
    if (base != 0) row.share = static_cast<double>(row.change) / static_cast<double>(base);
    // |change| / |prior| >= review_share, in integers: review_share is in ten-thousandths.
    const bool large_share =
        base == 0 || Abs(row.change) * 10000 >= static_cast<AmountSum>(p_.review_share) * base;
    row.flagged = Abs(row.change) >= p_.review_amount && large_share;
    return row;
  }

  static AmountSum MovementOf(const PeriodCard* card) {
    if (card == nullptr || !card->debit || !card->credit) return 0;
    return static_cast<AmountSum>(*card->debit) - *card->credit;
  }

  void Review() {
    ReviewPart& part = result_.review;
    if (!BothHaveCards(part.state)) return;
    const std::optional<std::int64_t> prior_months = result_.identity.prior.months;
    const std::optional<std::int64_t> current_months = result_.identity.current.months;
    const bool differ = prior_months && current_months && *prior_months != *current_months;
    if (options_.annualise && prior_months && current_months) {
      scale_ = std::make_pair(static_cast<AmountSum>(*current_months),
                              static_cast<AmountSum>(*prior_months));
      part.annualised = true;
    } else if (differ) {
      part.state.state = JetState::kWeak;
      part.state.reason = "מספר החודשים בתקופות שונה: " + std::to_string(*prior_months) + " ו-" +
                          std::to_string(*current_months);
    }
    struct Sums {
      std::string caption;
      AmountSum prior = 0, current = 0;
    };
    std::map<std::string, Sums> codes;
    std::map<std::string, Sums> groups;
    ForEachKey([&](const std::string& key, const PeriodCard* prior, const PeriodCard* current) {
      const PeriodCard& named = current != nullptr ? *current : *prior;
      const AmountSum before = MovementOf(prior);
      const AmountSum now = MovementOf(current);
      part.accounts.push_back(ReviewRowOf(key, named.name, before, now));
      auto add = [&](std::map<std::string, Sums>& to, const PeriodCard* card, AmountSum amount,
                     const std::string& group_key, const std::string& caption) {
        if (card == nullptr) return;
        Sums& sums = to[group_key];
        if (sums.caption.empty() || current == card) sums.caption = caption;
        (card == current ? sums.current : sums.prior) += amount;
      };
      for (const PeriodCard* card : {prior, current}) {
        if (card == nullptr) continue;
        const AmountSum amount = card == prior ? before : now;
        add(codes, card, amount, card->code, card->code_caption);
        const std::optional<std::int64_t> classification =
            ClassificationNumber(card->classification);
        if (classification) {
          const std::int64_t from = *classification / 1000 * 1000;
          add(groups, card, amount, std::to_string(from) + "–" + std::to_string(from + 999), "");
        } else {
          add(groups, card, amount, "", "ללא סיווג");
        }
      }
    });
    for (auto& [key, sums] : codes) {
      part.codes.push_back(ReviewRowOf(key, sums.caption, sums.prior, sums.current));
    }
    // Groups in the order of their numbers; the unclassified last.
    std::vector<std::pair<std::string, Sums>> ordered(groups.begin(), groups.end());
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
      if (a.first.empty() != b.first.empty()) return b.first.empty();
      return a.first.size() != b.first.size() ? a.first.size() < b.first.size() : a.first < b.first;
    });
    for (auto& [key, sums] : ordered) {
      part.groups.push_back(ReviewRowOf(key, sums.caption, sums.prior, sums.current));
    }
  }

  void Accounts() {
    AccountsPart& part = result_.accounts;
    if (!BothHaveCards(part.state)) return;
    std::vector<AccountChangeRow> fresh, dropped, changed;
    ForEachKey([&](const std::string& key, const PeriodCard* prior, const PeriodCard* current) {
      if (prior == nullptr) {
        const auto moved = current_.movements.find(key);
        fresh.push_back(
            {"new", key, "",
             std::to_string(moved == current_.movements.end() ? 0 : moved->second.lines)});
        return;
      }
      if (current == nullptr) {
        const std::optional<AmountSum> closing = ClosingOf(*prior, p_.opening_in_totals);
        dropped.push_back({"dropped", key, closing ? FormatAgorot(*closing) : "", ""});
        return;
      }
      if (prior->name != current->name) {
        changed.push_back({"renamed", key, prior->name, current->name});
      }
      if (prior->code != current->code) {
        changed.push_back({"recoded", key, prior->code, current->code});
      }
      if (prior->classification != current->classification) {
        changed.push_back({"reclassified", key, prior->classification, current->classification});
      }
    });
    for (auto* list : {&fresh, &dropped, &changed}) {
      for (AccountChangeRow& row : *list) part.rows.push_back(std::move(row));
    }
  }

  void Counterparties() {
    CounterpartiesPart& part = result_.counterparties;
    if (current_.movement_lines == 0) {
      part.state.state = JetState::kNotRun;
      part.state.reason = "נדרשות רשומות B100 בשנה הנוכחית";
      return;
    }
    std::set<std::string> known;
    for (const auto& [key, card] : prior_.cards) {
      if (!card.dealer.empty()) known.insert(card.dealer);
    }
    for (const auto& [key, card] : current_.cards) {
      if (card.dealer.empty() || known.count(card.dealer) > 0) continue;
      const auto moved = current_.movements.find(key);
      if (moved == current_.movements.end()) continue;
      const analytics::PeriodMovements& m = moved->second;
      if (m.magnitude < p_.counterparty_amount) continue;
      CounterpartyRow row;
      row.key = key;
      row.name = card.name;
      row.dealer_number = card.dealer;
      row.total = m.magnitude;
      row.lines = m.lines;
      if (m.first_date) row.first_date = analytics::IsoDate(*m.first_date);
      part.rows.push_back(std::move(row));
    }
  }

  const PeriodData& prior_;
  const PeriodData& current_;
  const JetParameters& p_;
  const CompareOptions& options_;
  CompareResult& result_;
  std::optional<std::pair<AmountSum, AmountSum>> scale_;  // current months, prior months
};

void Relate(const analytics::SetPeriod& prior, const analytics::SetPeriod& current,
            CompareIdentity& identity) {
  if (!prior.to || !current.from) {
    identity.relation = "לא ידוע";
    return;
  }
  const std::int64_t days = std::int64_t{*current.from} - *prior.to - 1;
  identity.days = days;
  if (days == 0) {
    identity.relation = "תקופות רצופות";
  } else if (days > 0) {
    identity.relation = "פער של " + std::to_string(days) + " ימים";
  } else {
    identity.relation = "חפיפה של " + std::to_string(-days) + " ימים";
  }
}

}  // namespace

std::string_view CompareStatusText(CompareStatus status) {
  switch (status) {
    case CompareStatus::kOk:
      return "ok";
    case CompareStatus::kError:
      return "error";
    case CompareStatus::kInfo:
      return "info";
  }
  return "";
}

bool CompareResult::HasFindings() const {
  if (openings.state.state != JetState::kNotRun) {
    if (!openings.reconciliation.result_account) return true;
    for (const OpeningRow& row : openings.rows) {
      if (row.status == CompareStatus::kError) return true;
    }
  }
  for (const auto* rows : {&review.accounts, &review.codes, &review.groups}) {
    for (const ReviewRow& row : *rows) {
      if (row.flagged) return true;
    }
  }
  return !counterparties.rows.empty();
}

CompareRun RunCompare(const RecordStore& prior, const SourceFiles& prior_sources,
                      const RecordStore& current, const SourceFiles& current_sources,
                      const JetParameters& parameters, const CompareOptions& options,
                      ProgressMonitor& monitor) {
  CompareRun run;
  PeriodData before, now;
  // The two periods are read side by side: CURRENT on a thread of its own, which asks only
  // whether the caller's reading has stopped (the monitor stays on the caller's thread).
  monitor.OnPhase("prior");
  std::atomic<bool> stop{false};
  FollowingMonitor follower(stop);
  Status current_read;
  std::thread other(
      [&] { current_read = analytics::ReadPeriod(current, current_sources, follower, now); });
  Status read = analytics::ReadPeriod(prior, prior_sources, monitor, before);
  if (!read.ok()) stop = true;
  other.join();
  if (read.ok() && monitor.StopRequested()) read = Status::Interrupted(std::string());
  if (read.ok()) read = std::move(current_read);
  if (read.code() == StatusCode::kInterrupted) {
    run.status = Status::Interrupted(std::string(kCompareStoppedText));
    return run;
  }
  if (!read.ok()) {
    run.status = std::move(read);
    return run;
  }

  CompareResult result;
  result.version = std::string(ProgramVersion());
  result.parameters = parameters;
  result.prior_source = before.source;
  result.current_source = now.source;
  analytics::SetPeriod prior_period, current_period;
  CompareIdentity& identity = result.identity;
  identity.prior = FactsOf(before, prior_period);
  identity.current = FactsOf(now, current_period);
  const std::string& a = identity.prior.dealer_number;
  const std::string& b = identity.current.dealer_number;
  if (a != b && !options.other_company) {
    run.status = Status::Refused("הקבצים שייכים לעוסקים שונים: " + a + " ו-" + b);
    return run;
  }
  identity.other_company = options.other_company;
  if (a.empty() && b.empty()) identity.warning = "מספר העוסק ריק בשתי התקופות";
  Relate(prior_period, current_period, identity);

  Comparison(before, now, parameters, options, result).Run();
  run.result = std::move(result);
  return run;
}

}  // namespace tallyscan
