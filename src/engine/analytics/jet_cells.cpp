#include "engine/analytics/jet_cells.h"

#include "engine/analytics/jet_unit.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

std::string Cell(std::string_view bytes) { return SafeCellText(Cp1255ToUtf8(bytes)); }

std::string DayText(DayNumber day, JetWords words) {
  std::string iso = IsoDate(day);
  if (words == JetWords::kEngine) return iso;
  std::erase(iso, '-');
  return FormatDate(iso);
}

std::string IsoDateText(std::string_view iso, JetWords words) {
  if (const auto day = ReadIsoDate(iso)) return DayText(*day, words);
  return std::string(iso);
}

std::string DateCell(std::string_view field, JetWords words) {
  if (const auto day = ReadDateField(field)) return DayText(*day, words);
  return Cell(TrimSpaces(field));
}

const JetFigure* FindFigure(const JetTestResult& t, std::string_view name) {
  for (const JetFigure& f : t.figures) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::string FigureText(const JetFigure* f, bool agorot) {
  if (f == nullptr) return {};
  if (const auto* wide = std::get_if<AmountSum>(&f->value)) {
    return agorot ? FormatAgorot(*wide) : FormatNumber("0", *wide, 0);
  }
  if (const auto* text = std::get_if<std::string>(&f->value)) return *text;
  return {};
}

std::string HitAmountFigure(const JetTestResult& t, JetWords words) {
  if (InfoOf(t.test).type != RecordType::kB100 || t.hits == 0) return {};
  return words == JetWords::kPage
             ? "סכום הפגיעות: " + FormatAgorot(t.hit_amount) + std::string(kShekels)
             : FormatAgorot(t.hit_amount);
}

}  // namespace tallyscan::analytics
