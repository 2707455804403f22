// The last two digits of the shekels against an even distribution.

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/journal_tests/digit_test.h"

namespace tallyscan::analytics {
namespace {

// No class of its own in the engine's words: the figure of any movement test.
std::string Figure(const JetResult& result, const JetTestResult& t, JetWords words) {
  return words == JetWords::kPage ? DigitFigure(result, t) : HitAmountFigure(t, words);
}

}  // namespace

namespace journal_tests {
extern const JetUnit last_two = {
    .info = {JetTest::kLastTwo, "last-two", "שתי הספרות האחרונות של השקלים",
             "התפלגות שתי הספרות האחרונות של השקלים מושווית להתפלגות אחידה.",
             "סכומים שהוקלדו ביד או עוגלו, ולא נלקחו ממסמך.", RecordType::kB100, "B100:1368", true,
             "אסמכתא 1"},
    .read = MakeDigitReader<DigitTest::kLastTwo>,
    .decide = DecideDigitsOf<DigitTest::kLastTwo>,
    .figure = Figure,
};
}  // namespace journal_tests
}  // namespace tallyscan::analytics
