// Entries made long after the movement's date.

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

class LateReader final : public JetReader {
 public:
  LateReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), days_(pass.parameters.late_days) {}
  void OnMovement(const MovementLine& m) override {
    if (!m.moved || !m.entered) return;
    Usable();
    if (*m.entered - *m.moved > days_) Hit(m.ordinal);
  }

 private:
  std::int64_t days_;
};

std::string EnteredCell(const HitLine& l) {
  return DateCell(SliceField(l.head, field::B100(1375)), l.words);
}

}  // namespace

namespace journal_tests {
extern const JetUnit late_entry = {
    .info = {JetTest::kLateEntry, "late-entry", "רישום מאוחר",
             "תאריך הרישום מאוחר מתאריך התנועה ביותר מ-late_days ימים.",
             "פקודות שנרשמו בדיעבד כדי לשנות את תוצאות התקופה אחרי מעשה.", RecordType::kB100,
             "B100:1375,B100:1362", true, "תאריך הרישום", ValueKind::kDate},
    .read = MakeReader<LateReader>,
    .own_cell = EnteredCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
