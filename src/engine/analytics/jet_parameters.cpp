#include "engine/analytics/jet_parameters.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>
#include <set>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/jet_words.h"
#include "engine/text/cp1255.h"
#include "engine/uniform/result_row.h"

namespace tallyscan {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::int64_t kMaxInteger = std::numeric_limits<std::int64_t>::max();

// Text of the file inside a message, in quotes: a control character in it would reach the
// terminal or the dialog that shows the message.
std::string Quoted(std::string_view text) { return "\"" + SafeCellText(text) + "\""; }

// A refusal that names its key.
Status Refused(std::string_view key, std::string_view why) {
  return Status::Corrupt(Quoted(key) + ": " + std::string(why));
}

// Whether `text` (UTF-8) holds a C0 control character, DEL or a C1 control character
// (U+0080-U+009F): none belongs in a keyword, a day's name or a date.
bool HasControlCharacter(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

// Where a value of the file goes and what it must be.
class Reader {
 public:
  Reader(std::string_view key, const Json& value) : key_(key), value_(value) {}

  // A JSON integer of at least `least`.
  Status Integer(std::int64_t least, std::int64_t& out) const {
    if (!value_.is_number_integer()) return Refused(key_, "הערך צריך להיות מספר שלם");
    if (value_.is_number_unsigned() && value_.get<std::uint64_t>() > kMaxInteger) {
      return Refused(key_, "הערך גדול מדי");
    }
    const std::int64_t value = value_.get<std::int64_t>();
    if (value < least) {
      return Refused(key_, "הערך צריך להיות " + std::to_string(least) + " או יותר");
    }
    out = value;
    return Status::Ok();
  }

  // A string of a decimal with at most `decimals` decimals, in units of 10^-decimals.
  Status Decimal(int decimals, std::int64_t& out) const {
    const std::string_view example = decimals == 2 ? "(\"1000.00\")" : "(\"0.01\")";
    if (!value_.is_string()) {
      return Refused(key_, "הערך צריך להיות מחרוזת של מספר עשרוני " + std::string(example));
    }
    const std::string& text = value_.get_ref<const std::string&>();
    std::string_view rest = text;
    const bool negative = !rest.empty() && rest.front() == '-';
    if (negative) rest.remove_prefix(1);
    const std::size_t point = rest.find('.');
    const std::string_view whole = rest.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
    auto digits = [](std::string_view part) {
      for (const char c : part) {
        if (c < '0' || c > '9') return false;
      }
      return true;
    };
    if (whole.empty() || !digits(whole) || !digits(fraction) ||
        (point != std::string_view::npos && fraction.empty())) {
      return Refused(key_, "הערך אינו מספר עשרוני " + std::string(example));
    }
    if (static_cast<int>(fraction.size()) > decimals) {
      return Refused(key_, "יותר מ-" + std::to_string(decimals) + " ספרות אחרי הנקודה");
    }
    std::int64_t value = 0;
    for (const char c :
         std::string(whole) + std::string(fraction) +
             std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0')) {
      if (__builtin_mul_overflow(value, 10, &value) ||
          __builtin_add_overflow(value, c - '0', &value)) {
        return Refused(key_, "הערך גדול מדי");
      }
    }
    out = negative ? -value : value;
    return Status::Ok();
  }

  Status Boolean(bool& out) const {
    if (!value_.is_boolean()) return Refused(key_, "הערך צריך להיות true או false");
    out = value_.get<bool>();
    return Status::Ok();
  }

  Status Strings(std::vector<std::string>& out) const {
    if (!value_.is_array()) return Refused(key_, "הערך צריך להיות רשימה של מחרוזות");
    std::vector<std::string> strings;
    for (const Json& item : value_) {
      if (!item.is_string()) return Refused(key_, "הערך צריך להיות רשימה של מחרוזות");
      const std::string& text = item.get_ref<const std::string&>();
      if (HasControlCharacter(text)) {
        return Refused(key_, "תו בקרה בערך " + Quoted(text));
      }
      strings.push_back(text);
    }
    out = std::move(strings);
    return Status::Ok();
  }

  // "HH:MM", 00:00-23:59, as minutes after midnight.
  Status TimeOfDay(int& out) const {
    if (!value_.is_string()) return Refused(key_, "הערך צריך להיות מחרוזת \"HH:MM\"");
    const std::string& text = value_.get_ref<const std::string&>();
    auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 5 || text[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
      return Refused(key_, "הערך צריך להיות מחרוזת \"HH:MM\"");
    }
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
    if (hours > 23 || minutes > 59) return Refused(key_, "הערך מחוץ לתחום 00:00-23:59");
    out = hours * 60 + minutes;
    return Status::Ok();
  }

  const Json& value() const { return value_; }

 private:
  std::string_view key_;
  const Json& value_;
};

Status OutOfRange(std::string_view key, std::string_view range) {
  return Refused(key, "הערך מחוץ לתחום: " + std::string(range));
}

// The weights given merged over `out`; each of the five named, a whole number from 0 to 100.
Status PortfolioWeightsOf(std::string_view key, const Json& value, PortfolioWeights& out) {
  constexpr std::string_view kShape =
      "הערך צריך להיות אובייקט של משקלים שלמים בין 0 ל-100: import, checks, tests, ranking, "
      "digits";
  if (!value.is_object()) return Refused(key, kShape);
  PortfolioWeights weights = out;
  const std::pair<std::string_view, int*> parts[] = {
      {"import", &weights.import},   {"checks", &weights.checks}, {"tests", &weights.tests},
      {"ranking", &weights.ranking}, {"digits", &weights.digits},
  };
  for (const auto& item : value.items()) {
    const std::string& name = item.key();
    const Json& weight = item.value();
    const auto part = std::find_if(std::begin(parts), std::end(parts),
                                   [&](const auto& known) { return known.first == name; });
    if (part == std::end(parts)) return Refused(key, "חלק לא מוכר: " + Quoted(name));
    std::int64_t w = 0;
    if (!weight.is_number_integer() ||
        Reader(key, weight).Integer(0, w).code() != StatusCode::kOk || w > 100) {
      return Refused(key, "המשקל של " + Quoted(name) + " צריך להיות מספר שלם בין 0 ל-100");
    }
    *part->second = static_cast<int>(w);
  }
  out = weights;
  return Status::Ok();
}

// Reads one key of the file into `p`.
Status ReadKey(const std::string& key, const Json& value, JetParameters& p) {
  const Reader r(key, value);
  // Day counts, line counts and the ranking's length.
  const std::pair<std::string_view, std::int64_t*> counts[] = {
      {"late_days", &p.late_days},
      {"period_end_days", &p.period_end_days},
      {"rare_operator_min", &p.rare_operator_min},
      {"seldom_account_lines", &p.seldom_account_lines},
      {"rare_flow_count", &p.rare_flow_count},
      {"below_limit_min", &p.below_limit_min},
      {"reversal_days", &p.reversal_days},
      {"high_value_top", &p.high_value_top},
      {"backdate_days", &p.backdate_days},
      {"benford_min_n", &p.benford_min_n},
  };
  for (const auto& [name, target] : counts) {
    if (key == name) return r.Integer(0, *target);
  }
  if (key == "ranking_top") return r.Integer(1, p.ranking_top);
  if (key == "report_hits") return r.Integer(1, p.report_hits);
  if (key == "relative_size_min_lines") return r.Integer(2, p.relative_size_min_lines);

  if (key == "round_unit" || key == "benford_min_amount") {
    std::int64_t agorot = 0;
    if (Status s = r.Decimal(2, agorot); !s.ok()) return s;
    if (key == "round_unit") {
      if (agorot <= 0) return OutOfRange(key, "גדול מ-0");
      p.round_unit = agorot;
    } else {
      if (agorot < 10) return OutOfRange(key, "0.10 לפחות");
      p.benford_min_amount = agorot;
    }
    return Status::Ok();
  }
  if (key == "limits") {
    if (!value.is_array()) return Refused(key, "הערך צריך להיות רשימה של סכומים (\"10000.00\")");
    std::vector<std::int64_t> limits;
    for (const Json& item : value) {
      std::int64_t agorot = 0;
      if (Status s = Reader(key, item).Decimal(2, agorot); !s.ok()) return s;
      if (agorot <= 0) return OutOfRange(key, "כל סף גדול מ-0");
      limits.push_back(agorot);
    }
    p.limits = std::move(limits);
    return Status::Ok();
  }

  const std::pair<std::string_view, std::int64_t*> shares[] = {
      {"rare_operator_share", &p.rare_operator_share}, {"weak_share", &p.weak_share}};
  for (const auto& [name, target] : shares) {
    if (key != name) continue;
    std::int64_t share = 0;
    if (Status s = r.Decimal(4, share); !s.ok()) return s;
    if (share < 0 || share > 10000) return OutOfRange(key, "בין 0 ל-1");
    *target = share;
    return Status::Ok();
  }
  if (key == "below_limit_window") {
    std::int64_t window = 0;
    if (Status s = r.Decimal(4, window); !s.ok()) return s;
    if (window <= 0 || window >= 10000) return OutOfRange(key, "גדול מ-0 וקטן מ-1");
    p.below_limit_window = window;
    return Status::Ok();
  }
  const std::pair<std::string_view, std::int64_t*> ratios[] = {
      {"below_limit_ratio", &p.below_limit_ratio},
      {"relative_size_ratio", &p.relative_size_ratio},
      {"benford_z", &p.benford_z}};
  for (const auto& [name, target] : ratios) {
    if (key != name) continue;
    std::int64_t ratio = 0;
    if (Status s = r.Decimal(4, ratio); !s.ok()) return s;
    if (ratio <= 0) return OutOfRange(key, "גדול מ-0");
    *target = ratio;
    return Status::Ok();
  }

  if (key == "holiday_eves") return r.Boolean(p.holiday_eves);
  if (key == "work_start") return r.TimeOfDay(p.work_start);
  if (key == "work_end") return r.TimeOfDay(p.work_end);
  if (key == "weekend_days") {
    std::vector<std::string> names;
    if (Status s = r.Strings(names); !s.ok()) return s;
    std::vector<int> days;
    for (const std::string& name : names) {
      int day = 0;
      while (day < 7 && JetDayName(day) != name) ++day;
      if (day == 7) return Refused(key, "יום לא מוכר: " + Quoted(name));
      days.push_back(day);
    }
    p.weekend_days = std::move(days);
    return Status::Ok();
  }
  if (key == "extra_holidays") {
    std::vector<std::string> dates;
    if (Status s = r.Strings(dates); !s.ok()) return s;
    for (const std::string& date : dates) {
      if (!analytics::ReadIsoDate(date)) {
        return Refused(key, "תאריך לא תקין (YYYY-MM-DD): " + Quoted(date));
      }
    }
    p.extra_holidays = std::move(dates);
    return Status::Ok();
  }
  if (key == "keywords") {
    std::vector<std::string> words;
    if (Status s = r.Strings(words); !s.ok()) return s;
    for (const std::string& word : words) {
      if (word.empty()) return Refused(key, "מילה ריקה");
      // Code page 1255 maps every byte to a character, so a word it can hold comes back
      // from it unchanged.
      if (Cp1255ToUtf8(Utf8ToCp1255(word)) != word) {
        return Refused(key, "המילה " + Quoted(word) + " אינה ניתנת לכתיבה בקוד 1255");
      }
    }
    p.keywords = std::move(words);
    return Status::Ok();
  }
  if (key == "weights") {
    if (!value.is_object()) return Refused(key, "הערך צריך להיות אובייקט של מזהי בדיקות ומשקלים");
    std::array<int, kJetTestCount> weights = JetParameters::WeightsOfOne();
    std::array<bool, kJetTestCount> given{};
    for (const auto& [id, weight] : value.items()) {
      JetTest test;
      if (!FindJetTest(id, test)) return Refused(key, "בדיקה לא מוכרת: " + Quoted(id));
      std::int64_t w = 0;
      if (Status s = Reader(key, weight).Integer(0, w); !s.ok()) return s;
      if (w > 100) return OutOfRange(key, "משקל בין 0 ל-100");
      weights[JetIndex(test)] = static_cast<int>(w);
      given[JetIndex(test)] = true;
    }
    p.weights = weights;
    p.weight_given = given;
    return Status::Ok();
  }
  if (key == "portfolio_weights") return PortfolioWeightsOf(key, value, p.portfolio_weights);
  if (key == "opening_in_totals") return r.Boolean(p.opening_in_totals);
  if (key == "carry_from_classification") {
    if (Status s = r.Integer(0, p.carry_from_classification); !s.ok()) return s;
    if (p.carry_from_classification > 9999) return OutOfRange(key, "בין 0 ל-9999");
    return Status::Ok();
  }
  if (key == "result_account") {
    if (!value.is_string()) return Refused(key, "הערך צריך להיות מחרוזת של מפתח חשבון");
    const std::string& text = value.get_ref<const std::string&>();
    if (HasControlCharacter(text)) return Refused(key, "תו בקרה בערך " + Quoted(text));
    p.result_account = text;
    return Status::Ok();
  }
  const std::pair<std::string_view, std::int64_t*> comparison_amounts[] = {
      {"opening_tolerance", &p.opening_tolerance},
      {"review_amount", &p.review_amount},
      {"counterparty_amount", &p.counterparty_amount}};
  for (const auto& [name, target] : comparison_amounts) {
    if (key != name) continue;
    std::int64_t agorot = 0;
    if (Status s = r.Decimal(2, agorot); !s.ok()) return s;
    if (agorot < 0) return OutOfRange(key, "0 או יותר");
    *target = agorot;
    return Status::Ok();
  }
  if (key == "review_share") {
    std::int64_t share = 0;
    if (Status s = r.Decimal(4, share); !s.ok()) return s;
    if (share < 0) return OutOfRange(key, "0 או יותר");
    p.review_share = share;
    return Status::Ok();
  }
  return Refused(key, "מפתח לא מוכר");
}

std::string TimeText(int minutes) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

}  // namespace

std::string AgorotText(std::int64_t agorot) {
  const bool negative = agorot < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(agorot) : static_cast<std::uint64_t>(agorot);
  char text[32];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 100),
                static_cast<unsigned long long>(magnitude % 100));
  return text;
}

std::string TenThousandthsText(std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

Status LoadJetParameters(std::string_view json_text, const JetParameters& defaults,
                         JetParameters& out) {
  // The JSON reader takes a NUL for the end of the text, so that whatever follows one would
  // go unread; no JSON text holds one.
  if (const std::size_t nul = json_text.find('\0'); nul != std::string_view::npos) {
    return Status::Corrupt("קובץ הפרמטרים אינו JSON תקין: תו NUL בבית " + std::to_string(nul + 1));
  }
  // The reader keeps the last of a key given twice, which would hide the first value; the
  // first repeated key is refused instead, named with the key of the file that holds it.
  std::vector<std::set<std::string>> open_objects;
  std::string file_key;
  std::optional<Status> repeated;
  const auto watch = [&](int /*depth*/, Json::parse_event_t event, Json& parsed) {
    using Event = Json::parse_event_t;
    if (event == Event::object_start) open_objects.emplace_back();
    if (event == Event::object_end && !open_objects.empty()) open_objects.pop_back();
    if (event != Event::key || open_objects.empty() || repeated) return true;
    const std::string& key = parsed.get_ref<const std::string&>();
    if (open_objects.size() == 1) file_key = key;
    if (!open_objects.back().insert(key).second) {
      repeated = open_objects.size() == 1
                     ? Refused(key, "המפתח מופיע בקובץ יותר מפעם אחת")
                     : Refused(file_key, "המפתח " + Quoted(key) + " מופיע יותר מפעם אחת");
    }
    return true;
  };
  Json json;
  try {
    json = Json::parse(json_text, watch);
  } catch (const Json::exception& e) {
    return Status::Corrupt("קובץ הפרמטרים אינו JSON תקין: " + SafeCellText(e.what()));
  }
  if (repeated) return *repeated;
  if (!json.is_object()) return Status::Corrupt("קובץ הפרמטרים צריך להיות אובייקט JSON");
  JetParameters merged = defaults;
  for (const auto& [key, value] : json.items()) {
    if (Status s = ReadKey(key, value, merged); !s.ok()) return s;
  }
  if (merged.work_start >= merged.work_end) {
    return Refused(json.contains("work_start") ? "work_start" : "work_end",
                   "work_start צריכה להיות לפני work_end");
  }
  out = std::move(merged);
  return Status::Ok();
}

namespace {

Json PortfolioWeightsObject(const PortfolioWeights& w) {
  Json json = Json::object();
  json["import"] = w.import;
  json["checks"] = w.checks;
  json["tests"] = w.tests;
  json["ranking"] = w.ranking;
  json["digits"] = w.digits;
  return json;
}

Json ParametersObject(const JetParameters& p) {
  auto amounts = [](const std::vector<std::int64_t>& values) {
    Json list = Json::array();
    for (const std::int64_t v : values) list.push_back(AgorotText(v));
    return list;
  };
  Json weekend = Json::array();
  for (const int day : p.weekend_days) weekend.push_back(JetDayName(day));
  Json weights = Json::object();
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    if (p.weight_given[i]) weights[std::string(JetTestId(static_cast<JetTest>(i)))] = p.weights[i];
  }
  Json json = Json::object();
  json["late_days"] = p.late_days;
  json["period_end_days"] = p.period_end_days;
  json["weekend_days"] = std::move(weekend);
  json["holiday_eves"] = p.holiday_eves;
  json["extra_holidays"] = p.extra_holidays;
  json["rare_operator_min"] = p.rare_operator_min;
  json["rare_operator_share"] = TenThousandthsText(p.rare_operator_share);
  json["seldom_account_lines"] = p.seldom_account_lines;
  json["rare_flow_count"] = p.rare_flow_count;
  json["round_unit"] = AgorotText(p.round_unit);
  json["limits"] = amounts(p.limits);
  json["below_limit_window"] = TenThousandthsText(p.below_limit_window);
  json["below_limit_min"] = p.below_limit_min;
  json["below_limit_ratio"] = TenThousandthsText(p.below_limit_ratio);
  json["keywords"] = p.keywords;
  json["reversal_days"] = p.reversal_days;
  json["high_value_top"] = p.high_value_top;
  json["relative_size_min_lines"] = p.relative_size_min_lines;
  json["relative_size_ratio"] = TenThousandthsText(p.relative_size_ratio);
  json["work_start"] = TimeText(p.work_start);
  json["work_end"] = TimeText(p.work_end);
  json["backdate_days"] = p.backdate_days;
  json["benford_min_amount"] = AgorotText(p.benford_min_amount);
  json["benford_z"] = TenThousandthsText(p.benford_z);
  json["benford_min_n"] = p.benford_min_n;
  json["weak_share"] = TenThousandthsText(p.weak_share);
  json["weights"] = std::move(weights);
  json["ranking_top"] = p.ranking_top;
  json["report_hits"] = p.report_hits;
  return json;
}

}  // namespace

std::string JetParametersJson(const JetParameters& p) { return ParametersObject(p).dump(2) + "\n"; }

std::string JetParameterFileJson(const JetParameters& p) {
  Json json = ParametersObject(p);
  json["portfolio_weights"] = PortfolioWeightsObject(p.portfolio_weights);
  const Json comparison = Json::parse(ComparisonParametersJson(p));
  for (const auto& [key, value] : comparison.items()) json[key] = value;
  return json.dump(2) + "\n";
}

std::string PortfolioWeightsJson(const PortfolioWeights& weights) {
  return PortfolioWeightsObject(weights).dump(2) + "\n";
}

std::string ComparisonParametersJson(const JetParameters& p) {
  Json json = Json::object();
  json["opening_in_totals"] = p.opening_in_totals;
  json["carry_from_classification"] = p.carry_from_classification;
  json["result_account"] = p.result_account;
  json["opening_tolerance"] = AgorotText(p.opening_tolerance);
  json["review_amount"] = AgorotText(p.review_amount);
  json["review_share"] = TenThousandthsText(p.review_share);
  json["counterparty_amount"] = AgorotText(p.counterparty_amount);
  return json.dump(2) + "\n";
}

}  // namespace tallyscan
