// The second digits of the amounts against Benford's law.

#include "engine/analytics/journal_tests/digit_test.h"

namespace tallyscan::analytics {
namespace journal_tests {
extern const JetUnit benford_second = {
    .info = {JetTest::kBenfordSecond, "benford-second", "חוק בנפורד - הספרה השנייה",
             "התפלגות הספרה השנייה של הסכומים מ-benford_min_amount ומעלה מושווית לחוק בנפורד "
             "(MAD, χ² ו-Z לכל ספרה).",
             "סכומים שהותאמו מעט כלפי מטה או מעלה, דבר שמשנה את הספרה השנייה יותר מהראשונה.",
             RecordType::kB100, "B100:1368", true, "אסמכתא 1"},
    .read = MakeDigitReader<DigitTest::kSecond>,
    .decide = DecideDigitsOf<DigitTest::kSecond>,
    .figure = DigitClassFigure,
};
}  // namespace journal_tests
}  // namespace tallyscan::analytics
