#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/analytics/digit_statistics.h"
#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet.h"
#include "engine/analytics/jet_pass.h"
#include "engine/analytics/jet_tests.h"
#include "engine/analytics/line_groups.h"
#include "engine/analytics/period.h"
#include "engine/analytics/polled_sort.h"
#include "engine/analytics/source_pass.h"
#include "engine/checks/sums.h"
#include "engine/common/version.h"
#include "engine/text/comma_list.h"
#include "engine/text/cp1255.h"
#include "engine/text/number_format.h"
#include "engine/text/trim.h"
#include "engine/uniform/import.h"
#include "engine/uniform/record_store.h"

namespace tallyscan {

namespace analytics {
namespace {

using checks::kBalanceTolerance;

JetState Worse(JetState a, JetState b) { return a > b ? a : b; }

JetState ShareState(std::int64_t lines, std::int64_t usable, std::int64_t weak_share) {
  if (lines == 0 || usable == 0) return JetState::kNotRun;
  if (static_cast<AmountSum>(usable) * 10000 < static_cast<AmountSum>(weak_share) * lines) {
    return JetState::kWeak;
  }
  return JetState::kRun;
}

// The rare flows and the reversals, found on a thread of their own over the columns, which
// nobody changes meanwhile. However the waiting ends, the thread is told to stop and is
// joined before the object is gone.
class LineComparisons {
 public:
  LineComparisons(const JetPass& pass, bool find_flows, bool find_reversals)
      : thread_([this, &pass, find_flows, find_reversals] {
          const auto stop = [this] {
            steps_.fetch_add(1, std::memory_order_release);
            return stopping_.load(std::memory_order_relaxed);
          };
          try {
            if (find_flows) flows = FindRareFlows(pass, pass.parameters.rare_flow_count, stop);
            if (find_reversals && !flows.stopped) {
              reversals = FindReversals(pass, pass.parameters.reversal_days, stop);
            }
          } catch (...) {
            failure_ = std::current_exception();
          }
          {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
          }
          finished_.notify_all();
        }) {}
  LineComparisons(const LineComparisons&) = delete;
  LineComparisons& operator=(const LineComparisons&) = delete;
  ~LineComparisons() {
    stopping_ = true;
    thread_.join();
  }

  // Waits for both, asking `stop` once for each time the thread looked whether to stop (so
  // that the same data is asked the same number of times, however the threads run); false
  // when it answered true. Gives the thread's failure to the caller.
  bool Wait(const std::function<bool()>& stop) {
    std::uint64_t asked = 0;
    for (;;) {
      bool done = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        done = finished_.wait_for(lock, std::chrono::milliseconds(2), [&] { return done_; });
      }
      for (const std::uint64_t steps = steps_.load(std::memory_order_acquire); asked < steps;) {
        ++asked;
        if (stop()) {
          stopping_ = true;
          return false;
        }
      }
      if (done && asked == steps_.load(std::memory_order_acquire)) break;
    }
    if (failure_) std::rethrow_exception(failure_);
    return !flows.stopped && !reversals.stopped;
  }

  FlowHits flows;
  GroupHits reversals;

 private:
  std::atomic<bool> stopping_{false};
  std::atomic<std::uint64_t> steps_{0};  // the thread's looks whether to stop
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::exception_ptr failure_;
  std::thread thread_;  // last: it starts once everything above is there
};

// Turns the run's work into the result, test by test.
class Assembly {
 public:
  Assembly(JetPass& pass, const JetSelection& selection, ProgressMonitor& monitor,
           JetResult& result)
      : pass_(pass),
        p_(pass.parameters),
        selection_(selection),
        monitor_(monitor),
        result_(result) {
    // Tests keep their places while others are added (the transaction gap is finished last).
    result_.tests.reserve(kJetTestCount);
  }

  // False when stopped.
  bool Run() {
    Population();
    // The tests that need room of their own come first, one at a time: the duplicates, after
    // which the column only they read is given back, and the document gaps. Then the rare
    // flows and the reversals run on a thread of their own while the other tests run here.
    for (const JetTest test : {JetTest::kDuplicate, JetTest::kDocumentGap}) {
      if (Selected(test) && !Test(test)) return false;
    }
    LineComparisons comparisons(pass_, Selected(JetTest::kRareFlow), Selected(JetTest::kReversal));
    for (std::size_t i = 1; i < kJetTestCount; ++i) {
      const auto test = static_cast<JetTest>(i);
      if (!Selected(test) || IsDigitTest(test) || test == JetTest::kDuplicate ||
          test == JetTest::kDocumentGap || test == JetTest::kRareFlow ||
          test == JetTest::kReversal) {
        continue;
      }
      if (!Test(test) || Stop()) return false;
    }
    if (!Digits() || !comparisons.Wait([&] { return Stop(); })) return false;
    if (Selected(JetTest::kRareFlow)) {
      FlowHits& flows = comparisons.flows;
      JetTestResult& r = Begin(JetTest::kRareFlow);
      Figure(r, "flows", flows.groups);
      Figure(r, "rare_flows", flows.rare_groups);
      MovementHits(r, std::move(flows.ordinals));
    }
    if (Selected(JetTest::kReversal)) {
      JetTestResult& r = Begin(JetTest::kReversal);
      Figure(r, "groups", comparisons.reversals.groups);
      MovementHits(r, std::move(comparisons.reversals.ordinals));
      ReleaseGroupColumns();
    }
    monitor_.OnPhase("ranking");
    return !Stop() && Rank() && TransactionGap() && !Stop();
  }

 private:
  // A stop once asked for stays asked: work that ends early for it leaves a part of a result,
  // which the run then gives up.
  bool Stop() {
    stopped_ = stopped_ || monitor_.StopRequested();
    return stopped_;
  }
  bool Selected(JetTest test) const { return selection_[JetIndex(test)]; }

  JetTestResult& Begin(JetTest test) {
    const JetTestInfo& info = InfoOf(test);
    JetTestResult r;
    r.test = test;
    r.type_lines = info.type == RecordType::kC100 ? pass_.document_lines : pass_.movement_lines;
    r.usable_lines = pass_.counts[JetIndex(test)].usable;
    if (r.type_lines > 0) {
      r.usable_share = static_cast<double>(r.usable_lines) / static_cast<double>(r.type_lines);
    }
    r.state = ShareState(r.type_lines, r.usable_lines, p_.weak_share);
    result_.tests.push_back(std::move(r));
    return result_.tests.back();
  }

  // Hits given as movement ordinals: their lines and amounts, the ordinals kept for the
  // ranking.
  void MovementHits(JetTestResult& r, JetLineSet ordinals) {
    const MovementColumns& c = pass_.columns;
    r.hits = static_cast<std::int64_t>(ordinals.size());
    for (const std::uint32_t o : ordinals) {
      // Ordinals and their lines rise together.
      r.lines.Append(c.lines.LineOf(o));
      if (Money::Usable(c.money[o])) r.hit_amount += Money::Magnitude(c.money[o]);
    }
    r.lines.Settle();
    ranked_.emplace_back(r.test, std::move(ordinals));
  }
  void MovementHits(JetTestResult& r, std::vector<std::uint32_t> ordinals) {
    MovementHits(r, SetOf(std::move(ordinals)));
  }

  void LineHits(JetTestResult& r, JetLineSet lines) {
    r.hits = static_cast<std::int64_t>(lines.size());
    r.lines = std::move(lines);
  }
  void LineHits(JetTestResult& r, std::vector<std::uint32_t> lines) {
    LineHits(r, SetOf(std::move(lines)));
  }

  static JetLineSet SetOf(std::vector<std::uint32_t> numbers) {
    if (!std::is_sorted(numbers.begin(), numbers.end())) std::sort(numbers.begin(), numbers.end());
    JetLineSet set;
    for (const std::uint32_t n : numbers) set.Append(n);
    set.Settle();
    return set;
  }

  // The hits the reading found joined with those found after it.
  static JetLineSet Joined(JetLineSet read, std::vector<std::uint32_t> found) {
    if (found.empty()) return read;
    for (const std::uint32_t n : read) found.push_back(n);
    return SetOf(std::move(found));
  }

  static void Figure(JetTestResult& r, std::string name, AmountSum value) {
    r.figures.push_back({std::move(name), value});
  }

  void Population() {
    JetPopulation& pop = result_.population;
    pop.movements = pass_.movement_lines;
    for (std::size_t id = 0; id < pass_.account_states.size(); ++id) {
      const AccountState& a = pass_.account_states[id];
      pop.debit += a.debit;
      pop.credit += a.credit;
      if (!a.has_card) pop.movements_without_account += a.movements;
    }
    for (std::uint32_t id = 0; id < pass_.batch_sums.size(); ++id) {
      const BatchSums& b = pass_.batch_sums[id];
      if (b.debit == b.credit) continue;
      ++pop.unbalanced_batches;
      pop.batches_off.push_back(
          {static_cast<std::int64_t>(pass_.batches.KeyOf(id)), b.debit, b.credit, b.first_line});
    }
    std::sort(pop.batches_off.begin(), pop.batches_off.end(),
              [](const JetBatch& a, const JetBatch& b) { return a.number < b.number; });
    std::vector<std::uint32_t> off;
    for (const CardLine& card : pass_.cards) {
      ++pop.accounts;
      const AccountState& a = pass_.account_states[card.account];
      const AmountSum movements = a.debit - a.credit;
      auto near = [](AmountSum x, AmountSum y) {
        return x - y <= kBalanceTolerance && y - x <= kBalanceTolerance;
      };
      if (!card.debit || !card.credit) {
        ++pop.accounts_unusable;
        continue;
      }
      const AmountSum turnover = static_cast<AmountSum>(*card.debit) - *card.credit;
      if (near(movements, turnover)) continue;
      if (!card.opening) {
        ++pop.accounts_unusable;
        continue;
      }
      if (near(movements, turnover + *card.opening)) continue;
      off.push_back(card.line);
    }
    pop.accounts_off = static_cast<std::int64_t>(off.size());
    // Without a movement read there is nothing that could reconcile: a file of other
    // records, or of bytes that are no record at all, must not pass the gate.
    if (pop.movements == 0) pop.reasons.push_back("movements");
    const AmountSum difference = pop.debit - pop.credit;
    if (difference > kBalanceTolerance || difference < -kBalanceTolerance)
      pop.reasons.push_back("totals");
    if (pop.unbalanced_batches > 0) pop.reasons.push_back("batches");
    if (!off.empty()) pop.reasons.push_back("accounts");
    pop.reconciles = pop.reasons.empty();
    JetTestResult& r = Begin(JetTest::kPopulation);
    LineHits(r, std::move(off));
    // Each unbalanced batch is a hit of its own, as each missing range is of a gap test.
    r.hits += static_cast<std::int64_t>(pop.batches_off.size());
  }

  bool Test(JetTest test) {
    JetTestResult& r = Begin(test);
    JetLineSet& read = pass_.counts[JetIndex(test)].hits;
    std::vector<std::uint32_t> hits;  // found here, from what the reading kept
    const auto found = [&] { return Joined(std::move(read), std::move(hits)); };
    const MovementColumns& c = pass_.columns;
    switch (test) {
      case JetTest::kPostClosing:
      case JetTest::kPeriodEnd:
        if (!pass_.period_to) {
          r.state = JetState::kNotRun;
          break;
        }
        if (result_.population.period.source == JetPeriodSource::kMovements) {
          r.state = Worse(r.state, JetState::kWeak);
        }
        if (test == JetTest::kPostClosing) {
          if (result_.population.period.source == JetPeriodSource::kMovements) {
            for (const auto& [ordinal, entered] : pass_.late_after_period) {
              if (entered > *pass_.period_to) hits.push_back(ordinal);
            }
          }
        } else {
          const std::int64_t last = *pass_.period_to;
          const std::int64_t first = last - (p_.period_end_days - 1);
          for (std::uint32_t o = 0; o < c.size(); ++o) {
            if (c.date[o] != kNoDay && first <= c.date[o] && c.date[o] <= last) hits.push_back(o);
          }
        }
        MovementHits(r, found());
        break;
      case JetTest::kRareOperator: {
        // Rare: fewer lines than max(min, share x lines with an operator).
        const AmountSum share_of_lines =
            static_cast<AmountSum>(p_.rare_operator_share) * pass_.operator_lines;
        auto rare = [&](std::int64_t count) {
          return count < p_.rare_operator_min ||
                 static_cast<AmountSum>(count) * 10000 < share_of_lines;
        };
        for (const auto& [id, ordinal] : pass_.operator_candidates) {
          if (rare(pass_.operator_counts[id])) hits.push_back(ordinal);
        }
        AmountSum rare_operators = 0;
        for (const std::int64_t count : pass_.operator_counts) rare_operators += rare(count);
        Figure(r, "operators", static_cast<AmountSum>(pass_.operator_counts.size()));
        Figure(r, "rare_operators", rare_operators);
        const bool by_share = share_of_lines > static_cast<AmountSum>(p_.rare_operator_min) * 10000;
        r.figures.push_back(
            {"threshold", by_share ? TenThousandthsText(static_cast<std::int64_t>(share_of_lines))
                                   : std::to_string(p_.rare_operator_min)});
        MovementHits(r, found());
        break;
      }
      case JetTest::kSeldomAccount: {
        for (const auto& [id, ordinal] : pass_.seldom_candidates) {
          if (pass_.account_states[id].movements <= p_.seldom_account_lines)
            hits.push_back(ordinal);
        }
        AmountSum accounts = 0;
        AmountSum seldom = 0;
        const std::uint32_t blank = pass_.accounts.Find(PackText<15>(""));
        for (std::uint32_t id = 0; id < pass_.account_states.size(); ++id) {
          const std::int64_t n = pass_.account_states[id].movements;
          if (id == blank || n == 0) continue;
          ++accounts;
          seldom += n <= p_.seldom_account_lines;
        }
        Figure(r, "accounts", accounts);
        Figure(r, "seldom_accounts", seldom);
        MovementHits(r, found());
        break;
      }
      case JetTest::kDuplicate: {
        GroupHits groups = FindDuplicates(pass_, [&] { return Stop(); });
        if (groups.stopped) return false;
        Figure(r, "groups", groups.groups);
        MovementHits(r, std::move(groups.ordinals));
        GiveBack(pass_.columns.reference);
        break;
      }
      case JetTest::kTransactionGap:
        transaction_gap_ = &r;  // its ranges come last, from the transaction column
        break;
      case JetTest::kDocumentGap:
        DocumentGap(r, found());
        // Nothing after it reads the documents.
        pass_.documents = KeyTable<TextKey<23>>();
        GiveBack(pass_.document_counts);
        break;
      case JetTest::kBelowLimit: {
        for (const LimitWindow& w : pass_.limits) {
          const bool hit = w.below >= p_.below_limit_min &&
                           static_cast<AmountSum>(w.below) * 10000 >
                               static_cast<AmountSum>(p_.below_limit_ratio) * w.above;
          r.limits.push_back({w.limit, w.below, w.above, hit});
          if (hit) hits.insert(hits.end(), w.below_ordinals.begin(), w.below_ordinals.end());
        }
        std::sort(hits.begin(), hits.end());
        hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
        MovementHits(r, found());
        break;
      }
      case JetTest::kKeyword:
        for (std::size_t k = 0; k < p_.keywords.size(); ++k) {
          r.keywords.push_back({p_.keywords[k], pass_.keyword_lines[k]});
        }
        MovementHits(r, found());
        break;
      case JetTest::kHighValue: {
        std::optional<std::uint64_t> smallest;
        for (const auto& [magnitude, ordinal] : pass_.high_values) {
          hits.push_back(ordinal);
          if (!smallest || magnitude < *smallest) smallest = magnitude;
        }
        std::sort(hits.begin(), hits.end());
        JetFigure figure{"smallest", std::monostate{}};
        if (smallest) figure.value = static_cast<AmountSum>(*smallest);
        r.figures.push_back(std::move(figure));
        MovementHits(r, found());
        break;
      }
      case JetTest::kRelativeSize: {
        AmountSum compared = 0;
        const std::uint32_t blank = pass_.accounts.Find(PackText<15>(""));
        for (std::uint32_t id = 0; id < pass_.account_states.size(); ++id) {
          const AccountState& a = pass_.account_states[id];
          if (id == blank || a.usable_amounts < p_.relative_size_min_lines) continue;
          ++compared;
          if (a.largest > 0 && static_cast<AmountSum>(a.largest) * 10000 >=
                                   static_cast<AmountSum>(p_.relative_size_ratio) * a.second) {
            hits.push_back(a.largest_ordinal);
          }
        }
        std::sort(hits.begin(), hits.end());
        Figure(r, "accounts", compared);
        MovementHits(r, found());
        break;
      }
      case JetTest::kAfterHours:
      case JetTest::kBackdatedDocument:
      case JetTest::kCancelledDocument:
        LineHits(r, found());
        break;
      default:
        MovementHits(r, found());
        break;
    }
    return true;
  }

  // The tests that compare lines have run: their columns are given back before the ranking
  // needs room of its own.
  void ReleaseGroupColumns() {
    MovementColumns& c = pass_.columns;
    GiveBack(c.account);
    GiveBack(c.counter);
    GiveBack(c.date);
  }

  void DocumentGap(JetTestResult& r, JetLineSet lines) {
    // Every (type, number) of the file once; the all-digit numbers of each type, sorted.
    std::vector<std::pair<std::string, AmountSum>> numbers;
    for (std::uint32_t id = 0; id < pass_.documents.size(); ++id) {
      const TextKey<23>& key = pass_.documents.KeyOf(id);
      const std::string_view number = TrimSpaces(std::string_view(key.data() + 3, 20));
      if (!AllDigits(number)) continue;
      AmountSum value = 0;
      for (const char ch : number) value = value * 10 + static_cast<unsigned>(ch - '0');
      numbers.emplace_back(std::string(TrimSpaces(std::string_view(key.data(), 3))), value);
    }
    std::sort(numbers.begin(), numbers.end());
    AmountSum missing = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
      const auto& [type, value] = numbers[i];
      const auto& [previous_type, previous] = numbers[i - 1];
      if (type != previous_type || value <= previous + 1) continue;
      r.document_ranges.push_back({FormatNumber("0", previous + 1, 0),
                                   FormatNumber("0", value - 1, 0), Cp1255ToUtf8(type)});
      missing += value - previous - 1;
    }
    const auto duplicates = static_cast<std::int64_t>(lines.size());
    LineHits(r, std::move(lines));
    r.hits += static_cast<std::int64_t>(r.document_ranges.size());
    Figure(r, "missing", missing);
    Figure(r, "duplicate_lines", duplicates);
  }

  bool Digits() {
    static constexpr JetTest kDigitTests[] = {JetTest::kBenfordFirst, JetTest::kBenfordSecond,
                                              JetTest::kBenfordFirstTwo, JetTest::kLastTwo};
    const MovementColumns& c = pass_.columns;
    for (std::size_t t = 0; t < 4; ++t) {
      const JetTest test = kDigitTests[t];
      if (!selection_[JetIndex(test)]) continue;
      const auto kind = static_cast<DigitTest>(t);
      JetTestResult& r = Begin(test);
      JetDigitResult digits;
      digits.test = test;
      digits.first_digit = FirstDigit(kind);
      std::vector<bool> excess;
      for (std::size_t population = 0; population < 3; ++population) {
        const DigitFigures f =
            ComputeDigitFigures(kind, pass_.digit_counts[t][population], p_.benford_z);
        JetDigitPopulation& out = digits.populations[population];
        out.n = f.n;
        out.state = f.n == 0                 ? JetState::kNotRun
                    : f.n < p_.benford_min_n ? JetState::kWeak
                                             : JetState::kRun;
        out.counts = f.counts;
        out.actual = f.actual;
        out.expected = f.expected;
        out.mad = f.mad;
        if (f.mad_class) out.mad_class = std::string(*f.mad_class);
        out.chi2 = f.chi2;
        out.df = f.df;
        out.p = f.p;
        out.z = f.z;
        if (population == 0) excess = f.excess;
      }
      const JetDigitPopulation& all = digits.populations[0];
      r.state = Worse(r.state, all.state);
      JetFigure figure{"class", std::monostate{}};
      if (all.mad_class) figure.value = *all.mad_class;
      r.figures.push_back(std::move(figure));
      std::vector<std::uint32_t> hits;
      if (test == JetTest::kBenfordFirstTwo &&
          (all.mad_class == "marginal" || all.mad_class == "nonconformity")) {
        std::size_t count = 0;  // the lines of the pairs in excess, as they were counted
        for (std::size_t place = 0; place < excess.size(); ++place) {
          if (excess[place]) count += static_cast<std::size_t>(all.counts[place]);
        }
        hits.reserve(count);
        const auto least =
            static_cast<std::uint64_t>(std::max<std::int64_t>(p_.benford_min_amount, 10));
        for (std::uint32_t o = 0; o < c.size(); ++o) {
          const std::uint64_t m = c.money[o];
          if (!Money::Usable(m) || Money::Magnitude(m) < least) continue;
          if (excess[static_cast<std::size_t>(DigitPlace(kind, Money::Magnitude(m)))]) {
            hits.push_back(o);
          }
          if ((o & 0xFFFF) == 0 && Stop()) return false;
        }
      }
      MovementHits(r, std::move(hits));
      result_.digits.push_back(std::move(digits));
    }
    return true;
  }

  // A transaction in 36 bits: an all-digit key's value (below 10^10 < 2^34), or a tag in bits
  // 34-35 above a text id or a line's ordinal.
  static std::uint64_t Compact(std::uint64_t code) {
    if (code & kBlankTransaction) return std::uint64_t{2} << 34 | (code & 0xFFFFFFFF);
    if (code & kTextTransaction) return std::uint64_t{1} << 34 | (code & 0xFFFFFFFF);
    return code;
  }
  static std::uint64_t Expand(std::uint64_t compact) {
    const std::uint64_t low = compact & 0xFFFFFFFF;
    switch (compact >> 34) {
      case 2:
        return kBlankTransaction | low;
      case 1:
        return kTextTransaction | low;
      default:
        return compact;
    }
  }

  bool Rank() {
    const MovementColumns& c = pass_.columns;
    auto ranks = [](JetTest test) {
      return test != JetTest::kPopulation &&
             (!IsDigitTest(test) || test == JetTest::kBenfordFirstTwo);
    };
    static_assert(kJetTestCount <= 28, "a run's tests and its transaction share 64 bits");
    // The tests that hit each line, a bit per test. Each test's ordinals are given back once
    // marked: the hits are not held twice over.
    std::vector<std::uint32_t> tests_of(c.size(), 0);
    for (auto& [test, ordinals] : ranked_) {
      if (Stop()) return false;
      if (ranks(test)) {
        const std::uint32_t bit = std::uint32_t{1} << JetIndex(test);
        for (const std::uint32_t o : ordinals) tests_of[o] |= bit;
      }
      ordinals = JetLineSet();
    }
    // One record per run of consecutive lines of a transaction that holds a hit: the
    // transaction (36 bits) above the tests its lines hit (28 bits). The lines of a
    // transaction mostly follow each other, so there are far fewer runs than hits; a
    // transaction spread over several runs is put together after sorting.
    std::vector<std::uint64_t> runs;
    std::uint64_t current = 0;
    std::uint32_t hit_by = 0;
    for (std::uint32_t o = 0; o < c.size(); ++o) {
      if ((o & 0xFFFF) == 0 && Stop()) return false;
      const std::uint64_t transaction = Compact(c.transaction[o]);
      if (transaction != current) {
        if (hit_by != 0) runs.push_back(current << 28 | hit_by);
        current = transaction;
        hit_by = 0;
      }
      hit_by |= tests_of[o];
    }
    if (hit_by != 0) runs.push_back(current << 28 | hit_by);
    GiveBack(tests_of);
    if (!SortPolled(runs, [&] { return Stop(); })) return false;
    struct Candidate {
      std::uint64_t transaction;  // compact
      std::uint32_t tests;        // bit per test index
      std::uint32_t first_ordinal;
      std::int64_t score;
    };
    std::vector<Candidate> candidates;  // in ascending order of their transactions
    for (std::size_t i = 0, looked = 0; i < runs.size(); ++looked) {
      if ((looked & 0xFFFF) == 0 && Stop()) return false;
      const std::uint64_t transaction = runs[i] >> 28;
      std::uint32_t tests = 0;
      for (; i < runs.size() && runs[i] >> 28 == transaction; ++i) {
        tests |= static_cast<std::uint32_t>(runs[i] & 0xFFFFFFF);
      }
      std::int64_t score = 0;
      for (std::uint32_t left = tests; left != 0; left &= left - 1) {
        score += p_.weights[static_cast<std::size_t>(std::countr_zero(left))];
      }
      if (score > 0) candidates.push_back({transaction, tests, 0, score});
    }
    GiveBack(runs);
    // The first line of each candidate, in one look along the column; the lines of a
    // transaction mostly follow each other, so the last one found is asked first, and
    // transactions mostly come in ascending order, so the search starts from the last place
    // found when it can.
    std::vector<bool> seen(candidates.size(), false);
    std::size_t left = candidates.size();
    std::uint64_t last = ~std::uint64_t{0};
    auto from = candidates.begin();
    const auto before = [](const Candidate& a, std::uint64_t t) { return a.transaction < t; };
    for (std::uint32_t o = 0; o < c.size() && left > 0; ++o) {
      if ((o & 0xFFFF) == 0 && Stop()) return false;
      const std::uint64_t transaction = Compact(c.transaction[o]);
      if (transaction == last) continue;
      if (from != candidates.begin() && (from - 1)->transaction >= transaction) {
        from = candidates.begin();
      }
      last = transaction;
      // A few steps along, then a halving search over the rest.
      auto found = from;
      for (int step = 0; step < 4 && found != candidates.end() && found->transaction < transaction;
           ++step) {
        ++found;
      }
      if (found != candidates.end() && found->transaction < transaction) {
        found = std::lower_bound(found, candidates.end(), transaction, before);
      }
      from = found;
      if (found == candidates.end() || found->transaction != transaction) continue;
      const auto id = static_cast<std::size_t>(found - candidates.begin());
      if (seen[id]) continue;
      seen[id] = true;
      found->first_ordinal = o;
      --left;
    }
    const auto top = static_cast<std::size_t>(
        std::min<std::int64_t>(p_.ranking_top, static_cast<std::int64_t>(candidates.size())));
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(top),
                      candidates.end(), [](const Candidate& a, const Candidate& b) {
                        return a.score != b.score ? a.score > b.score
                                                  : a.first_ordinal < b.first_ordinal;
                      });
    for (std::size_t k = 0; k < top; ++k) {
      const Candidate& candidate = candidates[k];
      JetRankedTransaction entry;
      entry.transaction = TransactionText(Expand(candidate.transaction));
      entry.score = candidate.score;
      for (std::size_t t = 0; t < kJetTestCount; ++t) {
        if (candidate.tests >> t & 1) entry.tests.push_back(static_cast<JetTest>(t));
      }
      entry.first_line = c.lines.LineOf(candidate.first_ordinal);
      result_.ranking.push_back(std::move(entry));
    }
    return true;
  }

  std::optional<std::string> TransactionText(std::uint64_t code) const {
    if (code & kBlankTransaction) return std::nullopt;
    if (code & kTextTransaction) {
      const TextKey<10>& key =
          pass_.text_transactions.KeyOf(static_cast<std::uint32_t>(code & 0xFFFFFFFF));
      return Cp1255ToUtf8(TrimSpaces(std::string_view(key.data(), key.size())));
    }
    return std::to_string(code);
  }

  bool TransactionGap() {
    if (transaction_gap_ == nullptr) return true;
    JetTestResult& r = *transaction_gap_;
    // The column is not needed any more: it becomes the sorted list of numbers.
    std::vector<std::uint64_t> numbers = std::move(pass_.columns.transaction);
    std::erase_if(numbers, [](std::uint64_t code) { return code >= kTextTransaction; });
    // Transactions are mostly numbered in file order already.
    if (!std::is_sorted(numbers.begin(), numbers.end()) &&
        !SortPolled(numbers, [&] { return Stop(); })) {
      return false;
    }
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    AmountSum missing = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
      if (numbers[i] == numbers[i - 1] + 1) continue;
      r.transaction_ranges.push_back({numbers[i - 1] + 1, numbers[i] - 1});
      missing += numbers[i] - numbers[i - 1] - 1;
    }
    r.hits = static_cast<std::int64_t>(r.transaction_ranges.size());
    Figure(r, "missing", missing);
    return true;
  }

  JetPass& pass_;
  const JetParameters& p_;
  const JetSelection& selection_;
  ProgressMonitor& monitor_;
  JetResult& result_;
  bool stopped_ = false;
  std::vector<std::pair<JetTest, JetLineSet>> ranked_;
  JetTestResult* transaction_gap_ = nullptr;
};

}  // namespace
}  // namespace analytics

using analytics::DayNumber;

std::string_view JetPeriodSourceText(JetPeriodSource source) {
  switch (source) {
    case JetPeriodSource::kA000Range:
      return "a000-range";
    case JetPeriodSource::kTaxYear:
      return "tax-year";
    case JetPeriodSource::kMovements:
      return "movements";
    case JetPeriodSource::kNone:
      return "none";
  }
  return "";
}

const JetTestResult* JetResult::Find(JetTest test) const {
  for (const JetTestResult& t : tests) {
    if (t.test == test) return &t;
  }
  return nullptr;
}

JetSelection AllJetTests() { return JetSelection().set(); }

std::optional<JetSelection> ParseJetSelection(std::string_view list) {
  const std::optional<std::vector<std::string_view>> ids = CommaListItems(list);
  if (!ids) return std::nullopt;
  JetSelection selection;
  selection.set(JetIndex(JetTest::kPopulation));
  for (const std::string_view id : *ids) {
    JetTest test;
    if (!FindJetTest(id, test)) return std::nullopt;
    selection.set(JetIndex(test));
  }
  return selection;
}

JetRun RunJet(const RecordStore& store, const SourceFiles& sources, const JetParameters& parameters,
              const JetSelection& selection, ProgressMonitor& monitor) {
  using namespace analytics;
  JetRun run;
  JetResult result;
  result.version = std::string(ProgramVersion());
  result.parameters = parameters;

  FileFacts ini;
  std::string a000;
  if (Status s = DigestFile(sources.ini, ini, &a000); !s.ok()) {
    run.status = std::move(s);
    return run;
  }
  result.source.push_back({ini.name, ini.bytes, ini.sha256});
  if (!sources.zip.empty()) {
    FileFacts zip;
    if (Status s = DigestFile(sources.zip, zip); !s.ok()) {
      run.status = std::move(s);
      return run;
    }
    result.source.push_back({zip.name, zip.bytes, zip.sha256});
  }

  const SetPeriod header = PeriodOfHeader(a000);
  JetPass pass(store, parameters, header.from, header.to);
  bool too_many_lines = false;
  // The digest the import took as it read the file, when it was asked to, names the file;
  // else this pass hashes what it reads.
  DataPass reading(store, store.DataSha256.empty());
  Status read = reading.Run(monitor, [&](std::int64_t number, std::string_view head) {
    if (!pass.OnLine(number, head)) too_many_lines = true;
    return true;
  });
  if (read.code() == StatusCode::kInterrupted) {
    run.status = Status::Interrupted(std::string(kJetStoppedText));
    return run;
  }
  if (!read.ok()) {
    run.status = std::move(read);
    return run;
  }
  if (too_many_lines) {
    run.status = Status::OutOfRange("קובץ הנתונים ארוך מכדי שיימנו שורותיו");
    return run;
  }
  pass.Settle();
  result.source.push_back({std::filesystem::path(store.DataFile.Path()).filename().string(),
                           reading.bytes(),
                           store.DataSha256.empty() ? reading.sha256() : store.DataSha256});

  const SetPeriod period = PeriodOfSet(header, pass.first_date, pass.last_date);
  pass.period_from = period.from;
  pass.period_to = period.to;
  result.population.period = PeriodNamed(period);

  monitor.OnPhase("tests");
  if (!Assembly(pass, selection, monitor, result).Run()) {
    run.status = Status::Interrupted(std::string(kJetStoppedText));
    return run;
  }
  std::stable_sort(result.tests.begin(), result.tests.end(),
                   [](const JetTestResult& a, const JetTestResult& b) { return a.test < b.test; });
  run.result = std::move(result);
  return run;
}

}  // namespace tallyscan
