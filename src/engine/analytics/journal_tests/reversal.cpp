// A movement and its reverse soon after, in another transaction.

#include "engine/analytics/jet_unit.h"
#include "engine/analytics/journal_tests/account_pair.h"
#include "engine/analytics/line_groups.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

class ReversalReader final : public JetReader {
 public:
  ReversalReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    if (NamesAccountPair(m) && m.magnitude > 0 && m.moved) Usable();
  }
};

bool Decide(JetDecision& d) {
  GroupHits pairs = FindReversals(d.pass, d.parameters.reversal_days, [&] { return d.Stop(); });
  if (pairs.stopped) return false;
  d.Figure("groups", pairs.groups);
  d.hits = std::move(pairs.ordinals);
  d.MovementHits();
  return true;
}

}  // namespace

namespace journal_tests {
extern const JetUnit reversal = {
    .info = {JetTest::kReversal, "reversal", "תנועה ותנועה הפוכה",
             "שתי תנועות בעסקאות שונות, באותו חשבון וחשבון נגדי, באותו סכום ובצדדים הפוכים, "
             "בהפרש של לכל היותר reversal_days ימים.",
             "רישום שבוטל זמן קצר אחרי שנרשם, כדי לשפר את הדוחות למועד מסוים.", RecordType::kB100,
             "B100:1364,B100:1365,B100:1368,B100:1362", true, "חשבון נגדי"},
    .stage = JetStage::kBeside,
    .read = MakeReader<ReversalReader>,
    .decide = Decide,
    .own_cell = CounterAccountCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
