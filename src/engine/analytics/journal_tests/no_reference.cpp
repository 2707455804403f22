// Movements without a reference.

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;

class NoReferenceReader final : public JetReader {
 public:
  NoReferenceReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    Usable();
    if (m.reference.empty() && IsBlank(SliceField(m.head, B100(1359)))) Hit(m.ordinal);
  }
};

std::string DetailsCell(const HitLine& l) {
  return SafeCellText(TextDisplay(SliceField(l.head, B100(1361)), l.dos, B100(1361).converted));
}

}  // namespace

namespace journal_tests {
extern const JetUnit no_reference = {
    .info = {JetTest::kNoReference, "no-reference", "תנועה ללא אסמכתא",
             "אין בתנועה אסמכתא ולא אסמכתא נוספת.", "רישום שאין מאחוריו מסמך התומך בו.",
             RecordType::kB100, "B100:1357,B100:1359", true, "פרטים", ValueKind::kText},
    .read = MakeReader<NoReferenceReader>,
    .own_cell = DetailsCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
