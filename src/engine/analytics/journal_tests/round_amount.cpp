// Amounts that are whole multiples of a round unit.

#include "engine/analytics/jet_unit.h"

namespace tallyscan::analytics {
namespace {

class RoundReader final : public JetReader {
 public:
  RoundReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), unit_(static_cast<std::uint64_t>(pass.parameters.round_unit)) {}
  void OnMovement(const MovementLine& m) override {
    if (!m.amount) return;
    Usable();
    if (m.magnitude >= unit_ && m.magnitude % unit_ == 0) Hit(m.ordinal);
  }

 private:
  std::uint64_t unit_;
};

}  // namespace

namespace journal_tests {
extern const JetUnit round_amount = {
    .info = {JetTest::kRoundAmount, "round-amount", "סכום עגול",
             "ערכו המוחלט של הסכום לפחות round_unit וכפולה שלמה שלו.",
             "אומדנים, הפרשות או סכומים מומצאים שנרשמו במספר עגול ולא מתוך מסמך.",
             RecordType::kB100, "B100:1368", true, "אסמכתא 1"},
    .read = MakeReader<RoundReader>,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
