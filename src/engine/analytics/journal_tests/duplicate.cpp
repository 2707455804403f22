// Equal movements in more than one transaction.

#include "engine/analytics/jet_unit.h"
#include "engine/analytics/line_groups.h"

namespace tallyscan::analytics {
namespace {

class DuplicateReader final : public JetReader {
 public:
  DuplicateReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    if (m.has_account && !m.reference.empty() && m.amount && m.moved) Usable();
  }
};

bool Decide(JetDecision& d) {
  GroupHits groups = FindDuplicates(d.pass, [&] { return d.Stop(); });
  if (groups.stopped) return false;
  d.Figure("groups", groups.groups);
  d.hits = std::move(groups.ordinals);
  d.MovementHits();
  // Nothing after it reads the references.
  GiveBack(d.pass.columns.reference);
  return true;
}

}  // namespace

namespace journal_tests {
extern const JetUnit duplicate = {
    .info = {JetTest::kDuplicate, "duplicate", "תנועות כפולות",
             "שורות שוות בחשבון, בצד, בסכום, בתאריך ובאסמכתא, בשתי עסקאות או יותר.",
             "תשלום או חיוב שנרשם פעמיים, בטעות או כדי להוציא כסף פעמיים.", RecordType::kB100,
             "B100:1364,B100:1357,B100:1368,B100:1362", true, "אסמכתא 1"},
    .stage = JetStage::kFirst,
    .read = MakeReader<DuplicateReader>,
    .decide = Decide,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
