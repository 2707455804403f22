#include "engine/analytics/jet_words.h"

#include <array>
#include <utility>

#include <nlohmann/json.hpp>

namespace tallyscan {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kClasses = {{
    {"close", "תואם"},
    {"acceptable", "מקובל"},
    {"marginal", "גבולי"},
    {"nonconformity", "אינו תואם"},
}};

constexpr std::array<std::string_view, 3> kPopulations = {"כל התנועות", "חובה", "זכות"};

constexpr std::array<std::string_view, 7> kDays = {
    "יום ראשון", "יום שני", "יום שלישי", "יום רביעי", "יום חמישי", "יום שישי", "שבת"};

constexpr std::array<std::string_view, 7> kDayNames = {"sunday",   "monday", "tuesday", "wednesday",
                                                       "thursday", "friday", "saturday"};

constexpr std::array<std::pair<std::string_view, std::string_view>, 29> kParameters = {{
    {"late_days", "ימי איחור ברישום"},
    {"period_end_days", "ימים בסוף התקופה"},
    {"weekend_days", "ימי סוף שבוע"},
    {"holiday_eves", "כולל ערבי חג"},
    {"extra_holidays", "חגים נוספים (YYYY-MM-DD)"},
    {"rare_operator_min", "מזין נדיר - שורות לפחות"},
    {"rare_operator_share", "מזין נדיר - חלק מהשורות"},
    {"seldom_account_lines", "חשבון נדיר - שורות לכל היותר"},
    {"rare_flow_count", "צמד חשבונות נדיר - פעמים"},
    {"round_unit", "סכום עגול - יחידה"},
    {"limits", "תקרות אישור"},
    {"below_limit_window", "מתחת לתקרה - רוחב החלון"},
    {"below_limit_min", "מתחת לתקרה - שורות לפחות"},
    {"below_limit_ratio", "מתחת לתקרה - יחס"},
    {"keywords", "מילות מפתח"},
    {"reversal_days", "ימים בין רישום לביטולו"},
    {"high_value_top", "הסכומים הגדולים - מספר"},
    {"relative_size_min_lines", "גודל יחסי - שורות בחשבון"},
    {"relative_size_ratio", "גודל יחסי - יחס"},
    {"work_start", "תחילת יום העבודה"},
    {"work_end", "סוף יום העבודה"},
    {"backdate_days", "ימי הקדמת תאריך"},
    {"benford_min_amount", "ספרות - סכום מזערי"},
    {"benford_z", "ספרות - ערך Z"},
    {"benford_min_n", "ספרות - אוכלוסיה מזערית"},
    {"weak_share", "חלק השורות השמישות לבדיקה מלאה"},
    {"weights", "משקלות בדירוג (בדיקה: משקל)"},
    {"ranking_top", "מספר העסקאות בדירוג"},
    {"report_hits", "שורות לכל בדיקה בדו\"ח"},
}};

bool NameCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

std::string ValueText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "פעיל" : "כבוי";
  if (value.is_array()) {
    if (value.empty()) return "(אין)";
    std::string text;
    for (const Json& item : value) {
      if (!text.empty()) text += ", ";
      text += ValueText(item);
    }
    return text;
  }
  if (value.is_object()) {
    if (value.empty()) return "(אין)";
    std::string text;
    for (const auto& [id, weight] : value.items()) {
      if (!text.empty()) text += ", ";
      text += id + ": " + ValueText(weight);
    }
    return text;
  }
  return value.dump();
}

}  // namespace

std::string_view JetClassCaption(std::string_view mad_class) {
  for (const auto& [word, caption] : kClasses) {
    if (word == mad_class) return caption;
  }
  return mad_class;
}

std::string_view JetPopulationCaption(JetPopulationKind population) {
  return kPopulations[static_cast<std::size_t>(population)];
}

std::string_view JetDayCaption(int day) {
  return day >= 0 && day < static_cast<int>(kDays.size()) ? kDays[static_cast<std::size_t>(day)]
                                                          : std::string_view();
}

std::string_view JetDayName(int day) {
  return day >= 0 && day < static_cast<int>(kDayNames.size())
             ? kDayNames[static_cast<std::size_t>(day)]
             : std::string_view();
}

std::string_view JetParameterCaption(std::string_view key) {
  for (const auto& [name, caption] : kParameters) {
    if (name == key) return caption;
  }
  return {};
}

std::string JetParameterValueText(const JetParameters& parameters, std::string_view key) {
  if (key == "weekend_days") {
    if (parameters.weekend_days.empty()) return "(אין)";
    std::string text;
    for (const int day : parameters.weekend_days) {
      if (!text.empty()) text += ", ";
      text += JetDayCaption(day);
    }
    return text;
  }
  const Json json = Json::parse(JetParametersJson(parameters));
  const auto found = json.find(std::string(key));
  return found == json.end() ? std::string() : ValueText(*found);
}

std::string JetRuleText(JetTest test, const JetParameters& parameters) {
  const std::string_view rule = JetRule(test);
  std::string text;
  std::size_t at = 0;
  while (at < rule.size()) {
    if (!NameCharacter(rule[at])) {
      text += rule[at++];
      continue;
    }
    std::size_t end = at;
    while (end < rule.size() && NameCharacter(rule[end])) ++end;
    const std::string_view name = rule.substr(at, end - at);
    text += JetParameterCaption(name).empty() ? std::string(name)
                                              : JetParameterValueText(parameters, name);
    at = end;
  }
  return text;
}

}  // namespace tallyscan
