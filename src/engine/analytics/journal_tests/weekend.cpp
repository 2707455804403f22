// Entries made on a day of the weekend.

#include <array>

#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/analytics/jet_words.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;

class WeekendReader final : public JetReader {
 public:
  WeekendReader(const JetPass& pass, TestCounts& counts) : JetReader(counts) {
    for (const int day : pass.parameters.weekend_days) {
      weekend_[static_cast<std::size_t>(day)] = true;
    }
  }
  void OnMovement(const MovementLine& m) override {
    const std::optional<DayNumber> posted = m.entered ? m.entered : m.moved;
    if (!posted) return;
    Usable();
    if (weekend_[static_cast<std::size_t>(WeekdayOf(*posted))]) Hit(m.ordinal);
  }

 private:
  std::array<bool, 7> weekend_{};
};

// The day of the entry (1375, else 1362) by its name.
std::string DayCell(const HitLine& l) {
  auto posted = ReadDateField(SliceField(l.head, B100(1375)));
  if (!posted) posted = ReadDateField(SliceField(l.head, B100(1362)));
  if (!posted) return {};
  const auto day = static_cast<int>(WeekdayOf(*posted));
  return std::string(l.words == JetWords::kPage ? JetDayCaption(day) : JetDayName(day));
}

}  // namespace

namespace journal_tests {
extern const JetUnit weekend = {
    .info = {JetTest::kWeekend, "weekend", "רישום בסוף שבוע",
             "יום הרישום (תאריך הרישום, ובהיעדרו תאריך התנועה) הוא אחד מימי weekend_days.",
             "רישום בזמן שאין בו פיקוח רגיל, בידי מי שמבקש שלא ייראה.", RecordType::kB100,
             "B100:1375,B100:1362", true, "יום הרישום", ValueKind::kText},
    .read = MakeReader<WeekendReader>,
    .own_cell = DayCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
