// Documents produced long after the date they bear.

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::C100;

class BackdatedReader final : public JetReader {
 public:
  BackdatedReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), days_(pass.parameters.backdate_days) {}
  void OnDocument(std::uint32_t line, std::string_view head) override {
    const std::optional<DayNumber> produced = produced_.Read(SliceField(head, C100(1205)));
    const std::optional<DayNumber> dated = dated_.Read(SliceField(head, C100(1230)));
    if (!produced || !dated) return;
    Usable();
    if (*produced - *dated > days_) Hit(line);
  }

 private:
  std::int64_t days_;
  DateReader produced_, dated_;
};

std::string ProducedCell(const HitLine& l) {
  return DateCell(SliceField(l.head, C100(1205)), l.words);
}

}  // namespace

namespace journal_tests {
extern const JetUnit backdated_document = {
    .info = {JetTest::kBackdatedDocument, "backdated-document", "מסמך שתאריכו מוקדם מהפקתו",
             "תאריך ההפקה מאוחר מתאריך המסמך ביותר מ-backdate_days ימים.",
             "מסמך שהופק בדיעבד ותוארך לתקופה קודמת.", RecordType::kC100, "C100:1205,C100:1230",
             true, "תאריך ההפקה", ValueKind::kDate},
    .read = MakeReader<BackdatedReader>,
    .own_cell = ProducedCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
