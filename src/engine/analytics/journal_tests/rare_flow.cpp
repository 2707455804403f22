// Lines whose pair of account and counter account seldom occurs.

#include "engine/analytics/jet_unit.h"
#include "engine/analytics/journal_tests/account_pair.h"
#include "engine/analytics/line_groups.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

class FlowReader final : public JetReader {
 public:
  FlowReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    if (NamesAccountPair(m)) Usable();
  }
};

bool Decide(JetDecision& d) {
  FlowHits flows = FindRareFlows(d.pass, d.parameters.rare_flow_count, [&] { return d.Stop(); });
  if (flows.stopped) return false;
  d.Figure("flows", flows.groups);
  d.Figure("rare_flows", flows.rare_groups);
  d.hits = std::move(flows.ordinals);
  d.MovementHits();
  return true;
}

}  // namespace

namespace journal_tests {
extern const JetUnit rare_flow = {
    .info = {JetTest::kRareFlow, "rare-flow", "צמד חשבון וחשבון נגדי נדיר",
             "צמד החשבון והחשבון הנגדי מופיע לכל היותר rare_flow_count פעמים.",
             "זרימה בין חשבונות שאינה חלק מהפעילות הרגילה, כגון הוצאה שנרשמה ישירות כנגד ההון.",
             RecordType::kB100, "B100:1364,B100:1365", true, "חשבון נגדי"},
    .stage = JetStage::kBeside,
    .read = MakeReader<FlowReader>,
    .decide = Decide,
    .own_cell = CounterAccountCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
