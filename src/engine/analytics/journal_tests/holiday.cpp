// Entries made on a holiday.

#include "engine/analytics/israeli_holidays.h"
#include "engine/analytics/jet_cells.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

using field::B100;

std::vector<DayNumber> ExtraHolidays(const JetParameters& p) {
  std::vector<DayNumber> days;
  for (const std::string& d : p.extra_holidays) days.push_back(*ReadIsoDate(d));
  return days;
}

class HolidayReader final : public JetReader {
 public:
  HolidayReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts),
        holidays_(pass.parameters.holiday_eves, ExtraHolidays(pass.parameters)) {}
  void OnMovement(const MovementLine& m) override {
    const std::optional<DayNumber> posted = m.entered ? m.entered : m.moved;
    if (!posted) return;
    Usable();
    // Neighbouring lines mostly share their day: the last answer is kept.
    if (*posted != last_posted_) {
      last_posted_ = *posted;
      last_posted_holiday_ = holidays_.IsHoliday(*posted);
    }
    if (last_posted_holiday_) Hit(m.ordinal);
  }

 private:
  HolidayCalendar holidays_;
  DayNumber last_posted_ = kNoDay;
  bool last_posted_holiday_ = false;
};

// The day of the entry (1375, else 1362).
std::string DayCell(const HitLine& l) {
  auto posted = ReadDateField(SliceField(l.head, B100(1375)));
  if (!posted) posted = ReadDateField(SliceField(l.head, B100(1362)));
  return posted ? DayText(*posted, l.words) : std::string();
}

}  // namespace

namespace journal_tests {
extern const JetUnit holiday = {
    .info = {JetTest::kHoliday, "holiday", "רישום ביום חג",
             "יום הרישום הוא חג, ערב חג כשערבי החג נכללים (holiday_eves), או אחד מימי "
             "extra_holidays.",
             "רישום ביום שהמשרד סגור, כשאין מי שיבדוק ויאשר אותו.", RecordType::kB100,
             "B100:1375,B100:1362", true, "תאריך הרישום", ValueKind::kDate},
    .read = MakeReader<HolidayReader>,
    .own_cell = DayCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
