#include "engine/analytics/journal_tests/digit_test.h"

#include <algorithm>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_words.h"
#include "engine/text/text.h"

namespace tallyscan::analytics {
namespace {

std::uint64_t LeastAmount(const JetParameters& p) {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(p.benford_min_amount, 10));
}

JetDigitPopulation PopulationOf(const DigitFigures& f, std::int64_t min_n) {
  JetDigitPopulation out;
  out.n = f.n;
  out.state = f.n == 0 ? JetState::kNotRun : f.n < min_n ? JetState::kWeak : JetState::kRun;
  out.counts = f.counts;
  out.actual = f.actual;
  out.expected = f.expected;
  out.mad = f.mad;
  if (f.mad_class) out.mad_class = std::string(*f.mad_class);
  out.chi2 = f.chi2;
  out.df = f.df;
  out.p = f.p;
  out.z = f.z;
  return out;
}

// The movements whose pair is in excess, in one look along the amounts' column.
bool ExcessLines(JetDecision& d, DigitTest kind, const JetDigitPopulation& all,
                 const std::vector<bool>& excess) {
  std::size_t count = 0;  // the lines of the pairs in excess, as they were counted
  for (std::size_t place = 0; place < excess.size(); ++place) {
    if (excess[place]) count += static_cast<std::size_t>(all.counts[place]);
  }
  d.hits.reserve(count);
  const std::uint64_t least = LeastAmount(d.parameters);
  const MovementColumns& c = d.pass.columns;
  for (std::uint32_t o = 0; o < c.size(); ++o) {
    const std::uint64_t m = c.money[o];
    if (!Money::Usable(m) || Money::Magnitude(m) < least) continue;
    if (excess[static_cast<std::size_t>(DigitPlace(kind, Money::Magnitude(m)))]) {
      d.hits.push_back(o);
    }
    if ((o & 0xFFFF) == 0 && d.Stop()) return false;
  }
  return true;
}

}  // namespace

DigitReader::DigitReader(const JetPass& pass, TestCounts& counts, DigitTest kind)
    : JetReader(counts), kind_(kind), least_(LeastAmount(pass.parameters)) {
  for (auto& population : populations) {
    population.assign(static_cast<std::size_t>(DigitCount(kind)), 0);
  }
}

bool DecideDigits(JetDecision& d, DigitTest kind) {
  const DigitReader& reader = d.ReaderOf<DigitReader>();
  JetDigitResult digits;
  digits.test = d.r.test;
  digits.first_digit = FirstDigit(kind);
  std::vector<bool> excess;
  for (std::size_t population = 0; population < 3; ++population) {
    const DigitFigures f =
        ComputeDigitFigures(kind, reader.populations[population], d.parameters.benford_z);
    digits.populations[population] = PopulationOf(f, d.parameters.benford_min_n);
    if (population == 0) excess = f.excess;
  }
  const JetDigitPopulation& all = digits.populations[0];
  d.r.state = Worse(d.r.state, all.state);
  JetFigure figure{"class", std::monostate{}};
  if (all.mad_class) figure.value = *all.mad_class;
  d.r.figures.push_back(std::move(figure));
  if (kind == DigitTest::kFirstTwo &&
      (all.mad_class == "marginal" || all.mad_class == "nonconformity") &&
      !ExcessLines(d, kind, all, excess)) {
    return false;
  }
  d.MovementHits();
  d.result.digits.push_back(std::move(digits));
  return true;
}

std::string DigitFigure(const JetResult& result, const JetTestResult& t) {
  for (const JetDigitResult& d : result.digits) {
    if (d.test != t.test) continue;
    const JetDigitPopulation& all = d.populations[0];
    std::string text;
    const auto add = [&text](std::string part) {
      if (!text.empty()) text += ", ";
      text += part;
    };
    if (all.mad) {
      std::string mad = "MAD " + FormatNumber("#,.000000", *all.mad);
      if (all.mad_class) mad += " (" + std::string(JetClassCaption(*all.mad_class)) + ")";
      add(std::move(mad));
    }
    if (all.p) add("p = " + FormatNumber("#,.0000", *all.p));
    add("N = " + FormatCount(all.n) + " סכומים");
    return text;
  }
  return {};
}

std::string DigitClassFigure(const JetResult& result, const JetTestResult& t, JetWords words) {
  if (words == JetWords::kPage) return DigitFigure(result, t);
  return FigureText(FindFigure(t, "class"), false);
}

}  // namespace tallyscan::analytics
