// Lines entered by an operator who seldom enters any.

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;

class OperatorReader final : public JetReader {
 public:
  OperatorReader(const JetPass& pass, TestCounts& counts) : JetReader(counts) {
    // An operator is rare with fewer lines than max(min, share x lines with an operator);
    // those lines are at most the movements of the file.
    const JetParameters& p = pass.parameters;
    const AmountSum most =
        static_cast<AmountSum>(p.rare_operator_share) * pass.store.MovementIndex.Count();
    cap_ = std::max<std::uint64_t>(static_cast<std::uint64_t>(p.rare_operator_min),
                                   static_cast<std::uint64_t>((most + 9999) / 10000));
  }

  void OnMovement(const MovementLine& m) override {
    // The lines of a transaction mostly share their operator: the last field read is kept
    // with its id.
    const std::string_view field = SliceField(m.head, B100(1376));
    if (field != std::string_view(last_field_.data(), last_size_)) {
      const std::string_view name = TrimSpaces(field);
      last_ = name.empty() ? kNoId : operators.Intern(PackText<9>(name));
      if (last_ == operator_lines.size()) operator_lines.push_back(0);
      last_size_ = std::min(field.size(), last_field_.size());
      std::memcpy(last_field_.data(), field.data(), last_size_);
    }
    if (last_ == kNoId) return;
    Usable();
    ++lines;
    if (static_cast<std::uint64_t>(++operator_lines[last_]) < cap_)
      candidates.emplace_back(last_, m.ordinal);
  }
  void Settle() override { candidates.shrink_to_fit(); }

  KeyTable<TextKey<9>> operators;
  std::vector<std::int64_t> operator_lines;  // by operator
  // (operator, ordinal) of lines whose operator was still rare enough to matter when read.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> candidates;
  std::int64_t lines = 0;  // lines with an operator

 private:
  std::uint64_t cap_ = 0;              // an operator with this many lines is never rare
  std::array<char, 16> last_field_{};  // the last 1376 read, and its operator's id
  std::size_t last_size_ = 0;          // (kNoId when blank)
  std::uint32_t last_ = kNoId;
};

bool Decide(JetDecision& d) {
  const OperatorReader& reader = d.ReaderOf<OperatorReader>();
  const JetParameters& p = d.parameters;
  // Rare: fewer lines than max(min, share x lines with an operator).
  const AmountSum share_of_lines = static_cast<AmountSum>(p.rare_operator_share) * reader.lines;
  auto rare = [&](std::int64_t count) {
    return count < p.rare_operator_min || static_cast<AmountSum>(count) * 10000 < share_of_lines;
  };
  for (const auto& [id, ordinal] : reader.candidates) {
    if (rare(reader.operator_lines[id])) d.hits.push_back(ordinal);
  }
  AmountSum rare_operators = 0;
  for (const std::int64_t count : reader.operator_lines) rare_operators += rare(count);
  d.Figure("operators", static_cast<AmountSum>(reader.operator_lines.size()));
  d.Figure("rare_operators", rare_operators);
  const bool by_share = share_of_lines > static_cast<AmountSum>(p.rare_operator_min) * 10000;
  d.r.figures.push_back(
      {"threshold", by_share ? TenThousandthsText(static_cast<std::int64_t>(share_of_lines))
                             : std::to_string(p.rare_operator_min)});
  d.MovementHits();
  return true;
}

std::string Figure(const JetResult&, const JetTestResult& t, JetWords words) {
  return "סף: " + FigureText(FindFigure(t, "threshold"), false) +
         (words == JetWords::kPage ? " שורות" : "");
}

std::string OperatorCell(const HitLine& l) {
  return SafeCellText(TextDisplay(SliceField(l.head, B100(1376)), l.dos, B100(1376).converted));
}

}  // namespace

namespace journal_tests {
extern const JetUnit rare_operator = {
    .info = {JetTest::kRareOperator, "rare-operator", "מבצע פעולה נדיר",
             "למבצע הפעולה פחות שורות מהגדול מבין rare_operator_min ו-rare_operator_share "
             "מהשורות שיש בהן מבצע.",
             "רישום בידי מי שאינו רושם בדרך כלל, כגון מנהל או משתמש בלי הרשאה.", RecordType::kB100,
             "B100:1376", true, "מבצע הפעולה", ValueKind::kText},
    .read = MakeReader<OperatorReader>,
    .decide = Decide,
    .figure = Figure,
    .own_cell = OperatorCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
