// Movements of the period entered after its last day.

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

class PostClosingReader final : public JetReader {
 public:
  PostClosingReader(const JetPass& pass, TestCounts& counts) : JetReader(counts), pass_(pass) {}
  void OnMovement(const MovementLine& m) override {
    if (!m.moved || !m.entered) return;
    Usable();
    if (pass_.period_to) {
      if (*pass_.period_from <= *m.moved && *m.moved <= *pass_.period_to &&
          *m.entered > *pass_.period_to) {
        Hit(m.ordinal);
      }
    } else if (*m.entered > *pass_.last_date) {
      late_after_period.emplace_back(m.ordinal, *m.entered);
    }
  }
  void Settle() override { late_after_period.shrink_to_fit(); }

  // Without a fixed period: (ordinal, 1375) of lines entered after every movement date read
  // before them.
  std::vector<std::pair<std::uint32_t, DayNumber>> late_after_period;

 private:
  const JetPass& pass_;
};

bool Decide(JetDecision& d) {
  if (!d.pass.period_to) {
    d.r.state = JetState::kNotRun;
    return true;
  }
  if (d.result.population.period.source == JetPeriodSource::kMovements) {
    d.r.state = Worse(d.r.state, JetState::kWeak);
    // The period's end is known only now: the lines entered after it are among those kept.
    for (const auto& [ordinal, entered] : d.ReaderOf<PostClosingReader>().late_after_period) {
      if (entered > *d.pass.period_to) d.hits.push_back(ordinal);
    }
  }
  d.MovementHits();
  return true;
}

std::string EnteredCell(const HitLine& l) {
  return DateCell(SliceField(l.head, field::B100(1375)), l.words);
}

}  // namespace

namespace journal_tests {
extern const JetUnit post_closing = {
    .info = {JetTest::kPostClosing, "post-closing", "רישום אחרי סוף התקופה",
             "תאריך התנועה בתוך התקופה ותאריך הרישום אחרי יומה האחרון.",
             "התאמות שנרשמו אחרי סגירת התקופה ומשנות דוחות שכבר הוכנו.", RecordType::kB100,
             "B100:1375,B100:1362", true, "תאריך הרישום", ValueKind::kDate},
    .read = MakeReader<PostClosingReader>,
    .decide = Decide,
    .own_cell = EnteredCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
