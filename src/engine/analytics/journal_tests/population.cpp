// The population: the movements reconcile with the accounts' balances, the totals by side and
// every batch; a test on a partial journal says nothing.

#include <algorithm>
#include <cstring>

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_unit.h"
#include "engine/checks/checks.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using checks::kBalanceTolerance;
using field::B100;
using field::B110;

struct CardLine {
  std::uint32_t account;
  std::uint32_t line;
  std::optional<std::int64_t> opening, debit, credit;  // 1414, 1415, 1416
};

struct BatchSums {
  AmountSum debit = 0;
  AmountSum credit = 0;
  std::uint32_t first_line = 0;  // the batch's first movement in the file
};

class GateReader final : public JetReader {
 public:
  GateReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}

  void OnMovement(const MovementLine& m) override {
    const std::string_view batch_text = SliceField(m.head, B100(1355));
    // Lines of a batch mostly follow each other: its number is parsed when its text changes.
    std::uint64_t batch_bytes = 0;
    const bool whole_batch = batch_text.size() == 8;
    if (whole_batch) std::memcpy(&batch_bytes, batch_text.data(), 8);
    if (!last_batch_whole_ || !whole_batch || batch_bytes != last_batch_text_) {
      const auto batch = static_cast<std::uint64_t>(checks::WholeNumber(batch_text));
      last_batch_ = batches.Intern(batch);
      if (last_batch_ == batch_sums.size()) batch_sums.push_back({0, 0, m.line});
      last_batch_text_ = batch_bytes;
      last_batch_whole_ = whole_batch;  // a short field is parsed again on the next line
    }
    if (m.amount) {
      Usable();
      (m.credit ? m.account.credit : m.account.debit) += *m.amount;
      (m.credit ? batch_sums[last_batch_].credit : batch_sums[last_batch_].debit) += *m.amount;
    }
  }

  void OnCard(std::uint32_t account, std::uint32_t line, std::string_view head) override {
    cards.push_back({account, line, ReadUsableAmount(SliceField(head, B110(1414))),
                     ReadUsableAmount(SliceField(head, B110(1415))),
                     ReadUsableAmount(SliceField(head, B110(1416)))});
  }

  KeyTable<std::uint64_t> batches;
  std::vector<BatchSums> batch_sums;
  std::vector<CardLine> cards;

 private:
  // The last batch read, as it stands and as its id, since consecutive lines share one.
  std::uint64_t last_batch_text_ = 0;
  bool last_batch_whole_ = false;
  std::uint32_t last_batch_ = kNoId;
};

bool Near(AmountSum x, AmountSum y) {
  return x - y <= kBalanceTolerance && y - x <= kBalanceTolerance;
}

void CountBatches(const GateReader& gate, JetPopulation& pop) {
  for (std::uint32_t id = 0; id < gate.batch_sums.size(); ++id) {
    const BatchSums& b = gate.batch_sums[id];
    if (b.debit == b.credit) continue;
    ++pop.unbalanced_batches;
    pop.batches_off.push_back(
        {static_cast<std::int64_t>(gate.batches.KeyOf(id)), b.debit, b.credit, b.first_line});
  }
  std::sort(pop.batches_off.begin(), pop.batches_off.end(),
            [](const JetBatch& a, const JetBatch& b) { return a.number < b.number; });
}

// The cards whose movements match neither their turnover nor it with their opening balance.
std::vector<std::uint32_t> AccountsOff(const JetPass& pass, const GateReader& gate,
                                       JetPopulation& pop) {
  std::vector<std::uint32_t> off;
  for (const CardLine& card : gate.cards) {
    ++pop.accounts;
    const AccountState& a = pass.account_states[card.account];
    const AmountSum movements = a.debit - a.credit;
    if (!card.debit || !card.credit) {
      ++pop.accounts_unusable;
      continue;
    }
    const AmountSum turnover = static_cast<AmountSum>(*card.debit) - *card.credit;
    if (Near(movements, turnover)) continue;
    if (!card.opening) {
      ++pop.accounts_unusable;
      continue;
    }
    if (Near(movements, turnover + *card.opening)) continue;
    off.push_back(card.line);
  }
  return off;
}

bool Decide(JetDecision& d) {
  const GateReader& gate = d.ReaderOf<GateReader>();
  JetPopulation& pop = d.result.population;
  pop.movements = d.pass.movement_lines;
  for (const AccountState& a : d.pass.account_states) {
    pop.debit += a.debit;
    pop.credit += a.credit;
    if (!a.has_card) pop.movements_without_account += a.movements;
  }
  CountBatches(gate, pop);
  d.hits = AccountsOff(d.pass, gate, pop);
  pop.accounts_off = static_cast<std::int64_t>(d.hits.size());
  // Without a movement read there is nothing that could reconcile: a file of other
  // records, or of bytes that are no record at all, must not pass the gate.
  if (pop.movements == 0) pop.reasons.push_back("movements");
  const AmountSum difference = pop.debit - pop.credit;
  if (difference > kBalanceTolerance || difference < -kBalanceTolerance) {
    pop.reasons.push_back("totals");
  }
  if (pop.unbalanced_batches > 0) pop.reasons.push_back("batches");
  if (!d.hits.empty()) pop.reasons.push_back("accounts");
  pop.reconciles = pop.reasons.empty();
  d.LineHits();
  // Each unbalanced batch is a hit of its own, as each missing range is of a gap test.
  d.r.hits += static_cast<std::int64_t>(pop.batches_off.size());
  return true;
}

// Whether it reconciles, and the reasons in words when not: "אינה מתאזנת: מנות, כרטיסים".
std::string Figure(const JetResult& result, const JetTestResult&, JetWords) {
  const JetPopulation& pop = result.population;
  if (pop.reconciles) return "מתאזנת";
  std::string why = "אינה מתאזנת: ";
  for (std::size_t i = 0; i < pop.reasons.size(); ++i) {
    const std::string& reason = pop.reasons[i];
    if (i > 0) why += ", ";
    why += reason == "movements" ? "לא נקראו תנועות"
           : reason == "totals"  ? "סה'כ חובה וזכות"
           : reason == "batches" ? "מנות"
                                 : "כרטיסים";
  }
  return why;
}

}  // namespace

namespace journal_tests {
extern const JetUnit population = {
    .info = {JetTest::kPopulation, "population", "אוכלוסיית התנועות",
             "תנועות כל כרטיס (חובה פחות זכות) מושוות ליתרות הכרטיס ברשומת החשבון; כרטיס שההפרש "
             "בו עולה על 0.99 בשתי ההשוואות הוא פגיעה.",
             "יומן חסר או עודף שאינו מסביר את יתרות הכרטיסים, כך שכל בדיקה אחרת נעשית על "
             "אוכלוסיה חלקית.",
             RecordType::kB100, "B100:1368", true, "יתרת פתיחה, או המנה", ValueKind::kAgorot},
    .stage = JetStage::kGate,
    .reads_cards = true,
    .read = MakeReader<GateReader>,
    .decide = Decide,
    .figure = Figure,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
