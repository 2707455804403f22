// Ranges of transaction numbers missing between the smallest and the largest.

#include <algorithm>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/analytics/polled_sort.h"

namespace tallyscan::analytics {
namespace {

class NumberedReader final : public JetReader {
 public:
  NumberedReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    if (m.numbered) Usable();
  }
};

bool Decide(JetDecision& d) {
  // The column is not needed any more: it becomes the sorted list of numbers.
  std::vector<std::uint64_t> numbers = std::move(d.pass.columns.transaction);
  std::erase_if(numbers, [](std::uint64_t code) { return code >= kTextTransaction; });
  // Transactions are mostly numbered in file order already.
  if (!std::is_sorted(numbers.begin(), numbers.end()) &&
      !SortPolled(numbers, [&] { return d.Stop(); })) {
    return false;
  }
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  AmountSum missing = 0;
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i] == numbers[i - 1] + 1) continue;
    d.r.transaction_ranges.push_back({numbers[i - 1] + 1, numbers[i] - 1});
    missing += numbers[i] - numbers[i - 1] - 1;
  }
  d.r.hits = static_cast<std::int64_t>(d.r.transaction_ranges.size());
  d.Figure("missing", missing);
  return true;
}

std::string Figure(const JetResult&, const JetTestResult& t, JetWords words) {
  return (words == JetWords::kPage ? "מספרי תנועות חסרים: " : "חסרים: ") +
         FigureText(FindFigure(t, "missing"), false);
}

}  // namespace

namespace journal_tests {
extern const JetUnit transaction_gap = {
    .info = {JetTest::kTransactionGap, "transaction-gap", "פערים במספרי התנועות",
             "הטווחים החסרים בין מספר העסקה הקטן לגדול; כל טווח הוא פגיעה.",
             "עסקאות שנמחקו מהיומן אחרי שנרשמו.", RecordType::kB100, "B100:1353", true,
             "מספרי התנועות החסרים", ValueKind::kText},
    .stage = JetStage::kLast,
    .read = MakeReader<NumberedReader>,
    .decide = Decide,
    .figure = Figure,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
