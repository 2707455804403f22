// Movements dated in the period's last days.

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"

namespace tallyscan::analytics {
namespace {

class PeriodEndReader final : public JetReader {
 public:
  PeriodEndReader(const JetPass&, TestCounts& counts) : JetReader(counts) {}
  void OnMovement(const MovementLine& m) override {
    if (m.moved) Usable();
  }
};

bool Decide(JetDecision& d) {
  if (!d.pass.period_to) {
    d.r.state = JetState::kNotRun;
    return true;
  }
  if (d.result.population.period.source == JetPeriodSource::kMovements) {
    d.r.state = Worse(d.r.state, JetState::kWeak);
  }
  const MovementColumns& c = d.pass.columns;
  const std::int64_t last = *d.pass.period_to;
  const std::int64_t first = last - (d.parameters.period_end_days - 1);
  for (std::uint32_t o = 0; o < c.size(); ++o) {
    if (c.date[o] != kNoDay && first <= c.date[o] && c.date[o] <= last) d.hits.push_back(o);
  }
  d.MovementHits();
  return true;
}

std::string PeriodEndCell(const HitLine& l) {
  return l.result != nullptr && l.result->population.period.to
             ? IsoDateText(*l.result->population.period.to, l.words)
             : "";
}

}  // namespace

namespace journal_tests {
extern const JetUnit period_end = {
    .info = {JetTest::kPeriodEnd, "period-end", "תנועות בימי סוף התקופה",
             "תאריך התנועה באחד מ-period_end_days הימים האחרונים של התקופה.",
             "ריכוז רישומים בסוף התקופה כדי לעמוד ביעד או להסיט הכנסות והוצאות בין תקופות.",
             RecordType::kB100, "B100:1362", false, "סוף התקופה", ValueKind::kDate},
    .read = MakeReader<PeriodEndReader>,
    .decide = Decide,
    .own_cell = PeriodEndCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
