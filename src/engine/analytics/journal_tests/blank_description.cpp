// Movements without details.

#include "engine/analytics/jet_unit.h"

namespace tallyscan::analytics {
namespace {

class BlankReader final : public JetReader {
 public:
  BlankReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    Usable();
    if (m.details.empty()) Hit(m.ordinal);
  }
};

}  // namespace

namespace journal_tests {
extern const JetUnit blank_description = {
    .info = {JetTest::kBlankDescription, "blank-description", "תנועה ללא פרטים", "שדה הפרטים ריק.",
             "רישום שאין בו הסבר, כך שאי אפשר לבחון את מהותו.", RecordType::kB100, "B100:1361",
             true, "אסמכתא 1"},
    .read = MakeReader<BlankReader>,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
