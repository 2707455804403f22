// An account's largest amount far above its second.

#include <algorithm>

#include "engine/analytics/jet_unit.h"

namespace tallyscan::analytics {
namespace {

class RelativeSizeReader final : public JetReader {
 public:
  RelativeSizeReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    if (!m.amount || !m.has_account) return;
    Usable();
    AccountState& state = m.account;
    ++state.usable_amounts;
    if (state.usable_amounts == 1 || m.magnitude > state.largest) {
      if (state.usable_amounts > 1) state.second = state.largest;
      state.largest = m.magnitude;
      state.largest_ordinal = m.ordinal;
    } else if (m.magnitude > state.second) {
      state.second = m.magnitude;
    }
  }
};

bool Decide(JetDecision& d) {
  const JetParameters& p = d.parameters;
  AmountSum compared = 0;
  const std::uint32_t blank = d.pass.accounts.Find(PackText<15>(""));
  for (std::uint32_t id = 0; id < d.pass.account_states.size(); ++id) {
    const AccountState& a = d.pass.account_states[id];
    if (id == blank || a.usable_amounts < p.relative_size_min_lines) continue;
    ++compared;
    if (a.largest > 0 && static_cast<AmountSum>(a.largest) * 10000 >=
                             static_cast<AmountSum>(p.relative_size_ratio) * a.second) {
      d.hits.push_back(a.largest_ordinal);
    }
  }
  std::sort(d.hits.begin(), d.hits.end());
  d.Figure("accounts", compared);
  d.MovementHits();
  return true;
}

}  // namespace

namespace journal_tests {
extern const JetUnit relative_size = {
    .info = {JetTest::kRelativeSize, "relative-size", "סכום חריג בחשבון",
             "בחשבון שיש לו לפחות relative_size_min_lines שורות, הסכום הגדול ביותר כשהוא לפחות "
             "פי relative_size_ratio מהשני בגודלו.",
             "סכום חריג לחשבון, שנרשם בטעות או שאינו שייך לפעילותו.", RecordType::kB100,
             "B100:1364,B100:1368", false, "אסמכתא 1"},
    .read = MakeReader<RelativeSizeReader>,
    .decide = Decide,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
