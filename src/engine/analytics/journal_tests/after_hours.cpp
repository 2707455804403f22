// Documents produced outside working hours.

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::C100;

class HoursReader final : public JetReader {
 public:
  HoursReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), start_(pass.parameters.work_start), end_(pass.parameters.work_end) {}
  void OnDocument(std::uint32_t line, std::string_view head) override {
    const std::string_view time = SliceField(head, C100(1206));
    if (time.size() != 4 || !AllDigits(time)) return;
    const int hours = (time[0] - '0') * 10 + (time[1] - '0');
    const int minutes = (time[2] - '0') * 10 + (time[3] - '0');
    if (hours > 23 || minutes > 59) return;
    Usable();
    const int at = hours * 60 + minutes;
    if (at < start_ || at >= end_) Hit(line);
  }

 private:
  int start_, end_;
};

// The time of production, "HH:MM".
std::string TimeCell(const HitLine& l) {
  const std::string_view time = SliceField(l.head, C100(1206));
  return time.size() == 4 ? Cell(time.substr(0, 2)) + ":" + Cell(time.substr(2)) : Cell(time);
}

}  // namespace

namespace journal_tests {
extern const JetUnit after_hours = {
    .info = {JetTest::kAfterHours, "after-hours", "מסמך שהופק מחוץ לשעות העבודה",
             "שעת הפקת המסמך לפני work_start או מ-work_end ואילך.",
             "מסמך שהופק בזמן שאין בו פיקוח, בידי מי שמבקש שלא ייראה.", RecordType::kC100,
             "C100:1206", true, "שעת ההפקה", ValueKind::kText},
    .read = MakeReader<HoursReader>,
    .own_cell = TimeCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
