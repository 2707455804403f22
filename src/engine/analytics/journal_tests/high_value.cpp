// The largest amounts of the file.

#include <algorithm>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"

namespace tallyscan::analytics {
namespace {

class HighValueReader final : public JetReader {
 public:
  HighValueReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), top_(pass.parameters.high_value_top) {}
  void OnMovement(const MovementLine& m) override {
    if (!m.amount) return;
    Usable();
    if (top_ == 0) return;
    // The heap's top is the weakest kept: the smallest amount, the latest line among equals.
    auto weaker = [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    };
    if (static_cast<std::int64_t>(kept.size()) < top_) {
      kept.emplace_back(m.magnitude, m.ordinal);
      std::push_heap(kept.begin(), kept.end(), weaker);
    } else if (m.magnitude > kept.front().first) {
      std::pop_heap(kept.begin(), kept.end(), weaker);
      kept.back() = {m.magnitude, m.ordinal};
      std::push_heap(kept.begin(), kept.end(), weaker);
    }
  }

  std::vector<std::pair<std::uint64_t, std::uint32_t>> kept;  // (|A|, ordinal) as a heap

 private:
  std::int64_t top_;
};

bool Decide(JetDecision& d) {
  std::optional<std::uint64_t> smallest;
  for (const auto& [magnitude, ordinal] : d.ReaderOf<HighValueReader>().kept) {
    d.hits.push_back(ordinal);
    if (!smallest || magnitude < *smallest) smallest = magnitude;
  }
  std::sort(d.hits.begin(), d.hits.end());
  JetFigure figure{"smallest", std::monostate{}};
  if (smallest) figure.value = static_cast<AmountSum>(*smallest);
  d.r.figures.push_back(std::move(figure));
  d.MovementHits();
  return true;
}

std::string Figure(const JetResult&, const JetTestResult& t, JetWords words) {
  return "הקטן שבהם: " + FigureText(FindFigure(t, "smallest"), true) +
         (words == JetWords::kPage ? std::string(kShekels) : "");
}

}  // namespace

namespace journal_tests {
extern const JetUnit high_value = {
    .info = {JetTest::kHighValue, "high-value", "הסכומים הגדולים",
             "high_value_top התנועות שערכן המוחלט הגדול ביותר.",
             "טעות או הונאה בתנועות הגדולות, שהשפעתן על הדוחות הרבה ביותר.", RecordType::kB100,
             "B100:1368", false, "אסמכתא 1"},
    .read = MakeReader<HighValueReader>,
    .decide = Decide,
    .figure = Figure,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
