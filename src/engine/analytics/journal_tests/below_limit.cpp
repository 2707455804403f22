// Amounts gathered just below an approval limit.

#include <algorithm>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/text/text.h"

namespace tallyscan::analytics {
namespace {

struct LimitWindow {
  std::int64_t limit;
  std::uint64_t low;   // (1 - window) x L <= |A|
  std::uint64_t high;  // |A| < (1 + window) x L
  std::int64_t below = 0;
  std::int64_t above = 0;
  std::vector<std::uint32_t> below_ordinals;
};

// The smallest whole number of agorot at or above numerator / 10000.
std::uint64_t CeilingOfTenThousandths(AmountSum numerator) {
  return static_cast<std::uint64_t>((numerator + 9999) / 10000);
}

class LimitReader final : public JetReader {
 public:
  LimitReader(const JetPass& pass, TestCounts& counts) : JetReader(counts) {
    const JetParameters& p = pass.parameters;
    for (const std::int64_t limit : p.limits) {
      const AmountSum l = limit;
      windows.push_back({limit,
                         CeilingOfTenThousandths((10000 - p.below_limit_window) * l),
                         CeilingOfTenThousandths((10000 + p.below_limit_window) * l),
                         0,
                         0,
                         {}});
    }
  }
  void OnMovement(const MovementLine& m) override {
    if (!m.amount) return;
    Usable();
    for (LimitWindow& w : windows) {
      if (m.magnitude >= w.low && m.magnitude < static_cast<std::uint64_t>(w.limit)) {
        ++w.below;
        w.below_ordinals.push_back(m.ordinal);
      } else if (m.magnitude >= static_cast<std::uint64_t>(w.limit) && m.magnitude < w.high) {
        ++w.above;
      }
    }
  }
  void Settle() override {
    for (LimitWindow& window : windows) window.below_ordinals.shrink_to_fit();
  }

  std::vector<LimitWindow> windows;
};

bool Decide(JetDecision& d) {
  const JetParameters& p = d.parameters;
  for (const LimitWindow& w : d.ReaderOf<LimitReader>().windows) {
    const bool hit =
        w.below >= p.below_limit_min && static_cast<AmountSum>(w.below) * 10000 >
                                            static_cast<AmountSum>(p.below_limit_ratio) * w.above;
    d.r.limits.push_back({w.limit, w.below, w.above, hit});
    if (hit) d.hits.insert(d.hits.end(), w.below_ordinals.begin(), w.below_ordinals.end());
  }
  std::sort(d.hits.begin(), d.hits.end());
  d.hits.erase(std::unique(d.hits.begin(), d.hits.end()), d.hits.end());
  d.MovementHits();
  return true;
}

std::string Figure(const JetResult&, const JetTestResult& t, JetWords words) {
  std::string text;
  for (const JetLimitFigure& l : t.limits) {
    if (!text.empty()) text += ", ";
    text += words == JetWords::kPage
                ? "סף " + FormatAgorot(l.limit) + std::string(kShekels) + ": " +
                      FormatCount(l.below) + " מתחתיו, " + FormatCount(l.above) + " מעליו"
                : FormatAgorot(l.limit) + ": " + std::to_string(l.below) + "/" +
                      std::to_string(l.above);
  }
  return text;
}

}  // namespace

namespace journal_tests {
extern const JetUnit below_limit = {
    .info = {JetTest::kBelowLimit, "below-limit", "ריכוז סכומים מתחת לסף אישור",
             "לכל סף של limits, הסכומים שמתחתיו בטווח below_limit_window, כשיש מהם לפחות "
             "below_limit_min ויותר מפי below_limit_ratio מהסכומים שמעליו.",
             "פיצול תשלומים כדי לעקוף סף אישור.", RecordType::kB100, "B100:1368", true, "אסמכתא 1"},
    .read = MakeReader<LimitReader>,
    .decide = Decide,
    .figure = Figure,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
