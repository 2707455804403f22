// The first two digits of the amounts against Benford's law; in a file that does not
// conform, the lines of the pairs in excess are hits.

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_cells.h"
#include "engine/analytics/journal_tests/digit_test.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

std::string PairCell(const HitLine& l) {
  const auto amount = ReadUsableAmount(SliceField(l.head, field::B100(1368)));
  if (!amount) return {};
  const auto m = static_cast<std::uint64_t>(*amount < 0 ? -*amount : *amount);
  return std::to_string(10 + DigitPlace(DigitTest::kFirstTwo, m));
}

}  // namespace

namespace journal_tests {
extern const JetUnit benford_first_two = {
    .info = {JetTest::kBenfordFirstTwo, "benford-first-two", "חוק בנפורד - שתי הספרות הראשונות",
             "התפלגות שתי הספרות הראשונות מושווית לחוק בנפורד; כשסיווג כל התנועות גבולי או אינו "
             "תואם, השורות שצמד ספרותיהן עודף ו-Z שלו מעל benford_z הן פגיעות.",
             "סכום שחוזר שוב ושוב או סכומים שנקבעו סמוך מתחת לסף.", RecordType::kB100, "B100:1368",
             true, "שתי הספרות הראשונות"},
    .read = MakeDigitReader<DigitTest::kFirstTwo>,
    .decide = DecideDigitsOf<DigitTest::kFirstTwo>,
    .figure = DigitClassFigure,
    .own_cell = PairCell,
};
}  // namespace journal_tests
}  // namespace tallyscan::analytics
