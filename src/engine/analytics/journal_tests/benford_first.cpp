// The first digits of the amounts against Benford's law.

#include "engine/analytics/journal_tests/digit_test.h"

namespace tallyscan::analytics {
namespace journal_tests {
extern const JetUnit benford_first = {
    .info = {JetTest::kBenfordFirst, "benford-first", "חוק בנפורד - הספרה הראשונה",
             "התפלגות הספרה הראשונה של הסכומים מ-benford_min_amount ומעלה מושווית לחוק בנפורד "
             "(MAD, χ² ו-Z לכל ספרה).",
             "סכומים מומצאים או מתואמים, שאינם מתפלגים כמו סכומים שנוצרו בפעילות רגילה.",
             RecordType::kB100, "B100:1368", true, "אסמכתא 1"},
    .read = MakeDigitReader<DigitTest::kFirst>,
    .decide = DecideDigitsOf<DigitTest::kFirst>,
    .figure = DigitClassFigure,
};
}  // namespace journal_tests
}  // namespace tallyscan::analytics
