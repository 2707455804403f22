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
#include "engine/analytics/jet_unit.h"
#include "engine/analytics/line_groups.h"
#include "engine/analytics/period.h"
#include "engine/analytics/polled_sort.h"
#include "engine/analytics/source_pass.h"
#include "engine/checks/checks.h"
#include "engine/common/version.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace analytics {
namespace {

JetState ShareState(std::int64_t lines, std::int64_t usable, std::int64_t weak_share) {
  if (lines == 0 || usable == 0) return JetState::kNotRun;
  if (static_cast<AmountSum>(usable) * 10000 < static_cast<AmountSum>(weak_share) * lines) {
    return JetState::kWeak;
  }
  return JetState::kRun;
}

using Ranked = std::vector<std::pair<JetTest, JetLineSet>>;

// A test's result begun: the lines of its type, those usable and the state their share gives.
JetTestResult Begun(const JetPass& pass, JetTest test) {
  JetTestResult r;
  r.test = test;
  r.type_lines = InfoOf(test).type == RecordType::kC100 ? pass.document_lines : pass.movement_lines;
  r.usable_lines = pass.counts[JetIndex(test)].usable;
  if (r.type_lines > 0) {
    r.usable_share = static_cast<double>(r.usable_lines) / static_cast<double>(r.type_lines);
  }
  r.state = ShareState(r.type_lines, r.usable_lines, pass.parameters.weak_share);
  return r;
}

// A unit's decision: its own, or the hits the reading found.
bool Decide(JetDecision& d) {
  const JetUnit& unit = UnitOf(d.r.test);
  if (unit.decide != nullptr) return unit.decide(d);
  if (unit.info.type == RecordType::kC100) {
    d.LineHits();
  } else {
    d.MovementHits();
  }
  return true;
}

// The tests of the stage kBeside, decided on a thread of their own over the columns, which
// nobody changes meanwhile; their results wait there until the run takes them. However the
// waiting ends, the thread is told to stop and is joined before the object is gone.
class LineComparisons {
 public:
  LineComparisons(JetPass& pass, JetResult& result, std::vector<JetTest> tests)
      : tests_(std::move(tests)), thread_([this, &pass, &result] { Work(pass, result); }) {}
  LineComparisons(const LineComparisons&) = delete;
  LineComparisons& operator=(const LineComparisons&) = delete;
  ~LineComparisons() {
    stopping_ = true;
    thread_.join();
  }

  // Waits for them, asking `stop` once for each time the thread looked whether to stop (so
  // that the same data is asked the same number of times, however the threads run); false
  // when it answered true or a test was stopped. Gives the thread's failure to the caller.
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
    return decided_;
  }

  std::vector<JetTestResult> results;
  Ranked ranked;

 private:
  void Work(JetPass& pass, JetResult& result) {
    const std::function<bool()> stop = [this] {
      steps_.fetch_add(1, std::memory_order_release);
      return stopping_.load(std::memory_order_relaxed);
    };
    try {
      decided_ = true;
      for (const JetTest test : tests_) {
        results.push_back(Begun(pass, test));
        JetDecision d(pass, result, results.back(), pass.ReaderOf(test), ranked, stop);
        if (!Decide(d)) {
          decided_ = false;
          break;
        }
      }
    } catch (...) {
      failure_ = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    finished_.notify_all();
  }

  std::vector<JetTest> tests_;
  bool decided_ = false;
  std::atomic<bool> stopping_{false};
  std::atomic<std::uint64_t> steps_{0};  // the thread's looks whether to stop
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::exception_ptr failure_;
  std::thread thread_;  // last: it starts once everything above is there
};

// Turns the run's work into the result, stage by stage.
class Assembly {
 public:
  Assembly(JetPass& pass, const JetSelection& selection, ProgressMonitor& monitor,
           JetResult& result)
      : pass_(pass),
        p_(pass.parameters),
        selection_(selection),
        monitor_(monitor),
        result_(result),
        stop_([this] { return Stop(); }) {
    result_.tests.reserve(kJetTestCount);
  }

  // False when stopped.
  bool Run() {
    // The gate first; then the tests that need room of their own, one at a time (the
    // duplicates, after which the column only they read is given back, and the document
    // gaps). The rare flows and the reversals run on a thread of their own while the other
    // tests run here.
    if (!DecideStage(JetStage::kGate) || !DecideStage(JetStage::kFirst)) return false;
    LineComparisons comparisons(pass_, result_, TestsOf(JetStage::kBeside));
    if (!DecideStage(JetStage::kInOrder) || !comparisons.Wait(stop_)) return false;
    for (JetTestResult& r : comparisons.results) result_.tests.push_back(std::move(r));
    for (auto& ranked : comparisons.ranked) ranked_.push_back(std::move(ranked));
    ReleaseGroupColumns();
    monitor_.OnPhase("ranking");
    return !Stop() && Rank() && DecideStage(JetStage::kLast) && !Stop();
  }

 private:
  // A stop once asked for stays asked: work that ends early for it leaves a part of a result,
  // which the run then gives up.
  bool Stop() {
    stopped_ = stopped_ || monitor_.StopRequested();
    return stopped_;
  }

  std::vector<JetTest> TestsOf(JetStage stage) const {
    std::vector<JetTest> tests;
    for (std::size_t i = 0; i < kJetTestCount; ++i) {
      if (selection_[i] && kJetUnits[i]->stage == stage) tests.push_back(static_cast<JetTest>(i));
    }
    return tests;
  }

  // The stage's tests in the list's order; false when stopped.
  bool DecideStage(JetStage stage) {
    for (const JetTest test : TestsOf(stage)) {
      result_.tests.push_back(Begun(pass_, test));
      JetDecision d(pass_, result_, result_.tests.back(), pass_.ReaderOf(test), ranked_, stop_);
      if (!Decide(d)) return false;
      if (stage == JetStage::kInOrder && !IsDigitTest(test) && Stop()) return false;
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

  struct Candidate {
    std::uint64_t transaction;  // compact
    std::uint32_t tests;        // bit per test index
    std::uint32_t first_ordinal;
    std::int64_t score;
  };

  // The transactions hit, scored by the weights of the tests that hit them, the best
  // ranking_top of them in the ranking.
  bool Rank() {
    static_assert(kJetTestCount <= 28, "a run's tests and its transaction share 64 bits");
    std::vector<std::uint64_t> runs;
    if (!HitRuns(runs) || !SortPolled(runs, stop_)) return false;
    std::vector<Candidate> candidates;  // in ascending order of their transactions
    if (!Score(runs, candidates)) return false;
    GiveBack(runs);
    if (!FindFirstLines(candidates)) return false;
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
      entry.first_line = pass_.columns.lines.LineOf(candidate.first_ordinal);
      result_.ranking.push_back(std::move(entry));
    }
    return true;
  }

  // One record per run of consecutive lines of a transaction that holds a hit: the
  // transaction (36 bits) above the tests its lines hit (28 bits). The lines of a
  // transaction mostly follow each other, so there are far fewer runs than hits; a
  // transaction spread over several runs is put together after sorting.
  bool HitRuns(std::vector<std::uint64_t>& runs) {
    const MovementColumns& c = pass_.columns;
    // The tests that hit each line, a bit per test. Each test's ordinals are given back once
    // marked: the hits are not held twice over. The population's hits are no movements and
    // the digit tests' but the pairs' none.
    std::vector<std::uint32_t> tests_of(c.size(), 0);
    for (auto& [test, ordinals] : ranked_) {
      if (Stop()) return false;
      const std::uint32_t bit = std::uint32_t{1} << JetIndex(test);
      for (const std::uint32_t o : ordinals) tests_of[o] |= bit;
      ordinals = JetLineSet();
    }
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
    return true;
  }

  // The sorted runs put together by transaction, each scored; those that score nothing left.
  bool Score(const std::vector<std::uint64_t>& runs, std::vector<Candidate>& candidates) {
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
    return true;
  }

  // The first line of each candidate, in one look along the column; the lines of a
  // transaction mostly follow each other, so the last one found is asked first, and
  // transactions mostly come in ascending order, so the search starts from the last place
  // found when it can.
  bool FindFirstLines(std::vector<Candidate>& candidates) {
    const MovementColumns& c = pass_.columns;
    std::vector<bool> seen(candidates.size(), false);
    std::size_t left = candidates.size();
    std::uint64_t last = ~std::uint64_t{0};
    auto from = candidates.begin();
    for (std::uint32_t o = 0; o < c.size() && left > 0; ++o) {
      if ((o & 0xFFFF) == 0 && Stop()) return false;
      const std::uint64_t transaction = Compact(c.transaction[o]);
      if (transaction == last) continue;
      if (from != candidates.begin() && (from - 1)->transaction >= transaction) {
        from = candidates.begin();
      }
      last = transaction;
      const auto found = Near(from, candidates.end(), transaction);
      from = found;
      if (found == candidates.end() || found->transaction != transaction) continue;
      const auto id = static_cast<std::size_t>(found - candidates.begin());
      if (seen[id]) continue;
      seen[id] = true;
      found->first_ordinal = o;
      --left;
    }
    return true;
  }

  // The first candidate at or after `transaction` from `from`: a few steps along, then a
  // halving search over the rest.
  static std::vector<Candidate>::iterator Near(std::vector<Candidate>::iterator from,
                                               std::vector<Candidate>::iterator end,
                                               std::uint64_t transaction) {
    auto found = from;
    for (int step = 0; step < 4 && found != end && found->transaction < transaction; ++step) {
      ++found;
    }
    if (found != end && found->transaction < transaction) {
      found = std::lower_bound(found, end, transaction, [](const Candidate& a, std::uint64_t t) {
        return a.transaction < t;
      });
    }
    return found;
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

  JetPass& pass_;
  const JetParameters& p_;
  const JetSelection& selection_;
  ProgressMonitor& monitor_;
  JetResult& result_;
  bool stopped_ = false;
  const std::function<bool()> stop_;
  Ranked ranked_;
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

namespace analytics {
namespace {

// The digests of INI.TXT and of the zip, when there is one, into the result's sources;
// INI.TXT's first line into `a000`.
Status DigestSources(const SourceFiles& sources, JetResult& result, std::string& a000) {
  FileFacts ini;
  if (Status s = DigestFile(sources.ini, ini, &a000); !s.ok()) return s;
  result.source.push_back({ini.name, ini.bytes, ini.sha256});
  if (sources.zip.empty()) return Status::Ok();
  FileFacts zip;
  if (Status s = DigestFile(sources.zip, zip); !s.ok()) return s;
  result.source.push_back({zip.name, zip.bytes, zip.sha256});
  return Status::Ok();
}

// The one reading of the data file through the pass, and the data file among the sources.
// The digest the import took as it read the file, when it was asked to, names the file;
// else this reading hashes what it reads.
Status ReadData(const RecordStore& store, JetPass& pass, ProgressMonitor& monitor,
                JetResult& result) {
  bool too_many_lines = false;
  DataPass reading(store, store.DataSha256.empty());
  Status read = reading.Run(monitor, [&](std::int64_t number, std::string_view head) {
    if (!pass.OnLine(number, head)) too_many_lines = true;
    return !pass.Failed();
  });
  if (read.code() == StatusCode::kInterrupted) {
    return Status::Interrupted(std::string(kJetStoppedText));
  }
  if (!read.ok()) return read;
  // The readers' thread is waited for, and what it threw thrown here, before anything else.
  pass.Settle();
  if (too_many_lines) return Status::OutOfRange("קובץ הנתונים ארוך מכדי שיימנו שורותיו");
  result.source.push_back({std::filesystem::path(store.DataFile.Path()).filename().string(),
                           reading.bytes(),
                           store.DataSha256.empty() ? reading.sha256() : store.DataSha256});
  return Status::Ok();
}

}  // namespace
}  // namespace analytics

JetRun RunJet(const RecordStore& store, const SourceFiles& sources, const JetParameters& parameters,
              const JetSelection& selection, ProgressMonitor& monitor) {
  using namespace analytics;
  JetRun run;
  JetResult result;
  result.version = std::string(ProgramVersion());
  result.parameters = parameters;

  std::string a000;
  if (Status s = DigestSources(sources, result, a000); !s.ok()) {
    run.status = std::move(s);
    return run;
  }
  const SetPeriod header = PeriodOfHeader(a000);
  JetPass pass(store, parameters, header.from, header.to);
  if (Status s = ReadData(store, pass, monitor, result); !s.ok()) {
    run.status = std::move(s);
    return run;
  }
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
