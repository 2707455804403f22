#include "engine/analytics/parameter_keys.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/jet_words.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::int64_t kMaxInteger = std::numeric_limits<std::int64_t>::max();

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

Status OutOfRange(std::string_view key, std::string_view range) {
  return RefusedParameter(key, "הערך מחוץ לתחום: " + std::string(range));
}

// Where a value of the file goes and what it must be.
class Reader {
 public:
  Reader(std::string_view key, const Json& value) : key_(key), value_(value) {}

  // A JSON integer of at least `least`.
  Status Integer(std::int64_t least, std::int64_t& out) const {
    if (!value_.is_number_integer()) return Refused("הערך צריך להיות מספר שלם");
    if (value_.is_number_unsigned() && value_.get<std::uint64_t>() > kMaxInteger) {
      return Refused("הערך גדול מדי");
    }
    const std::int64_t value = value_.get<std::int64_t>();
    if (value < least) return Refused("הערך צריך להיות " + std::to_string(least) + " או יותר");
    out = value;
    return Status::Ok();
  }

  // A string of a decimal with at most `decimals` decimals, in units of 10^-decimals.
  Status Decimal(int decimals, std::int64_t& out) const {
    const std::string_view example = decimals == 2 ? "(\"1000.00\")" : "(\"0.01\")";
    if (!value_.is_string()) {
      return Refused("הערך צריך להיות מחרוזת של מספר עשרוני " + std::string(example));
    }
    std::string_view rest = value_.get_ref<const std::string&>();
    const bool negative = !rest.empty() && rest.front() == '-';
    if (negative) rest.remove_prefix(1);
    const std::size_t point = rest.find('.');
    const std::string_view whole = rest.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
    auto digits = [](std::string_view part) {
      return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || !digits(whole) || !digits(fraction) ||
        (point != std::string_view::npos && fraction.empty())) {
      return Refused("הערך אינו מספר עשרוני " + std::string(example));
    }
    if (static_cast<int>(fraction.size()) > decimals) {
      return Refused("יותר מ-" + std::to_string(decimals) + " ספרות אחרי הנקודה");
    }
    std::int64_t value = 0;
    for (const char c :
         std::string(whole) + std::string(fraction) +
             std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0')) {
      if (__builtin_mul_overflow(value, 10, &value) ||
          __builtin_add_overflow(value, c - '0', &value)) {
        return Refused("הערך גדול מדי");
      }
    }
    out = negative ? -value : value;
    return Status::Ok();
  }

  Status Boolean(bool& out) const {
    if (!value_.is_boolean()) return Refused("הערך צריך להיות true או false");
    out = value_.get<bool>();
    return Status::Ok();
  }

  Status Strings(std::vector<std::string>& out) const {
    if (!value_.is_array()) return Refused("הערך צריך להיות רשימה של מחרוזות");
    std::vector<std::string> strings;
    for (const Json& item : value_) {
      if (!item.is_string()) return Refused("הערך צריך להיות רשימה של מחרוזות");
      const std::string& text = item.get_ref<const std::string&>();
      if (HasControlCharacter(text)) return Refused("תו בקרה בערך " + QuotedValue(text));
      strings.push_back(text);
    }
    out = std::move(strings);
    return Status::Ok();
  }

  // "HH:MM", 00:00-23:59, as minutes after midnight.
  Status TimeOfDay(int& out) const {
    if (!value_.is_string()) return Refused("הערך צריך להיות מחרוזת \"HH:MM\"");
    const std::string& text = value_.get_ref<const std::string&>();
    auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 5 || text[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
      return Refused("הערך צריך להיות מחרוזת \"HH:MM\"");
    }
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
    if (hours > 23 || minutes > 59) return Refused("הערך מחוץ לתחום 00:00-23:59");
    out = hours * 60 + minutes;
    return Status::Ok();
  }

  Status Refused(std::string_view why) const { return RefusedParameter(key_, why); }
  std::string_view key() const { return key_; }
  const Json& value() const { return value_; }

 private:
  std::string_view key_;
  const Json& value_;
};

std::string TimeText(int minutes) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

// The keys whose value has a shape of its own: each reads and prints itself.

Status ReadWeekendDays(const Reader& r, JetParameters& p) {
  std::vector<std::string> names;
  if (Status s = r.Strings(names); !s.ok()) return s;
  std::vector<int> days;
  for (const std::string& name : names) {
    int day = 0;
    while (day < 7 && JetDayName(day) != name) ++day;
    if (day == 7) return r.Refused("יום לא מוכר: " + QuotedValue(name));
    days.push_back(day);
  }
  p.weekend_days = std::move(days);
  return Status::Ok();
}

Json PrintWeekendDays(const JetParameters& p) {
  Json weekend = Json::array();
  for (const int day : p.weekend_days) weekend.push_back(JetDayName(day));
  return weekend;
}

Status ReadExtraHolidays(const Reader& r, JetParameters& p) {
  std::vector<std::string> dates;
  if (Status s = r.Strings(dates); !s.ok()) return s;
  for (const std::string& date : dates) {
    if (!analytics::ReadIsoDate(date)) {
      return r.Refused("תאריך לא תקין (YYYY-MM-DD): " + QuotedValue(date));
    }
  }
  p.extra_holidays = std::move(dates);
  return Status::Ok();
}

Json PrintExtraHolidays(const JetParameters& p) { return p.extra_holidays; }

Status ReadLimits(const Reader& r, JetParameters& p) {
  if (!r.value().is_array()) return r.Refused("הערך צריך להיות רשימה של סכומים (\"10000.00\")");
  std::vector<std::int64_t> limits;
  for (const Json& item : r.value()) {
    std::int64_t agorot = 0;
    if (Status s = Reader(r.key(), item).Decimal(2, agorot); !s.ok()) return s;
    if (agorot <= 0) return OutOfRange(r.key(), "כל סף גדול מ-0");
    limits.push_back(agorot);
  }
  p.limits = std::move(limits);
  return Status::Ok();
}

Json PrintLimits(const JetParameters& p) {
  Json list = Json::array();
  for (const std::int64_t limit : p.limits) list.push_back(AgorotText(limit));
  return list;
}

Status ReadKeywords(const Reader& r, JetParameters& p) {
  std::vector<std::string> words;
  if (Status s = r.Strings(words); !s.ok()) return s;
  for (const std::string& word : words) {
    if (word.empty()) return r.Refused("מילה ריקה");
    // Code page 1255 maps every byte to a character, so a word it can hold comes back
    // from it unchanged.
    if (Cp1255ToUtf8(Utf8ToCp1255(word)) != word) {
      return r.Refused("המילה " + QuotedValue(word) + " אינה ניתנת לכתיבה בקוד 1255");
    }
  }
  p.keywords = std::move(words);
  return Status::Ok();
}

Json PrintKeywords(const JetParameters& p) { return p.keywords; }

// The weights given replace the whole set: a test the file does not name weighs 1.
Status ReadWeights(const Reader& r, JetParameters& p) {
  if (!r.value().is_object()) return r.Refused("הערך צריך להיות אובייקט של מזהי בדיקות ומשקלים");
  std::array<int, kJetTestCount> weights = JetParameters::WeightsOfOne();
  std::array<bool, kJetTestCount> given{};
  for (const auto& item : r.value().items()) {
    JetTest test;
    if (!FindJetTest(item.key(), test)) {
      return r.Refused("בדיקה לא מוכרת: " + QuotedValue(item.key()));
    }
    std::int64_t w = 0;
    if (Status s = Reader(r.key(), item.value()).Integer(0, w); !s.ok()) return s;
    if (w > 100) return OutOfRange(r.key(), "משקל בין 0 ל-100");
    weights[JetIndex(test)] = static_cast<int>(w);
    given[JetIndex(test)] = true;
  }
  p.weights = weights;
  p.weight_given = given;
  return Status::Ok();
}

Json PrintWeights(const JetParameters& p) {
  Json weights = Json::object();
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    if (p.weight_given[i]) weights[std::string(JetTestId(static_cast<JetTest>(i)))] = p.weights[i];
  }
  return weights;
}

// The weights given merged over those in effect; each of the five named, a whole number from 0
// to 100.
Status ReadPortfolioWeights(const Reader& r, JetParameters& p) {
  constexpr std::string_view kShape =
      "הערך צריך להיות אובייקט של משקלים שלמים בין 0 ל-100: import, checks, tests, ranking, "
      "digits";
  if (!r.value().is_object()) return r.Refused(kShape);
  PortfolioWeights weights = p.portfolio_weights;
  const std::pair<std::string_view, int*> parts[] = {
      {"import", &weights.import},   {"checks", &weights.checks}, {"tests", &weights.tests},
      {"ranking", &weights.ranking}, {"digits", &weights.digits},
  };
  for (const auto& item : r.value().items()) {
    const std::string& name = item.key();
    const Json& weight = item.value();
    const auto part = std::find_if(std::begin(parts), std::end(parts),
                                   [&](const auto& known) { return known.first == name; });
    if (part == std::end(parts)) return r.Refused("חלק לא מוכר: " + QuotedValue(name));
    std::int64_t w = 0;
    if (!weight.is_number_integer() ||
        Reader(r.key(), weight).Integer(0, w).code() != StatusCode::kOk || w > 100) {
      return r.Refused("המשקל של " + QuotedValue(name) + " צריך להיות מספר שלם בין 0 ל-100");
    }
    *part->second = static_cast<int>(w);
  }
  p.portfolio_weights = weights;
  return Status::Ok();
}

Json PrintPortfolioWeights(const JetParameters& p) {
  const PortfolioWeights& w = p.portfolio_weights;
  Json json = Json::object();
  json["import"] = w.import;
  json["checks"] = w.checks;
  json["tests"] = w.tests;
  json["ranking"] = w.ranking;
  json["digits"] = w.digits;
  return json;
}

Status ReadResultAccount(const Reader& r, JetParameters& p) {
  if (!r.value().is_string()) return r.Refused("הערך צריך להיות מחרוזת של מפתח חשבון");
  const std::string& text = r.value().get_ref<const std::string&>();
  if (HasControlCharacter(text)) return r.Refused("תו בקרה בערך " + QuotedValue(text));
  p.result_account = text;
  return Status::Ok();
}

Json PrintResultAccount(const JetParameters& p) { return p.result_account; }

// What a key's value is. Counts are JSON integers; amounts strings of agorot with two
// decimals; decimals (shares, ratios, windows) strings with four, held in ten-thousandths.
enum class KeyType : std::uint8_t { kCount, kAmount, kDecimal, kBoolean, kTimeOfDay, kShaped };

struct ParameterKey {
  std::string_view name;
  ParameterGroup group = ParameterGroup::kTests;
  KeyType type = KeyType::kCount;
  // A number's range, both ends included. A count below `least` is refused with its own
  // words; any other number outside the range with `range`.
  std::int64_t least = 0;
  std::int64_t most = kMaxInteger;
  std::string_view range;
  std::int64_t JetParameters::*number = nullptr;            // kCount, kAmount, kDecimal
  bool JetParameters::*flag = nullptr;                      // kBoolean
  int JetParameters::*minutes = nullptr;                    // kTimeOfDay
  Status (*read)(const Reader&, JetParameters&) = nullptr;  // kShaped
  Json (*print)(const JetParameters&) = nullptr;            // kShaped
};

using P = JetParameters;
using enum KeyType;
constexpr ParameterGroup kTests = ParameterGroup::kTests;
constexpr ParameterGroup kComparison = ParameterGroup::kComparison;

constexpr ParameterKey Key(std::string_view name, KeyType type, ParameterGroup group) {
  ParameterKey key;
  key.name = name;
  key.type = type;
  key.group = group;
  return key;
}
constexpr ParameterKey Count(std::string_view name, std::int64_t P::*number,
                             std::int64_t least = 0) {
  ParameterKey key = Key(name, kCount, kTests);
  key.least = least;
  key.number = number;
  return key;
}
constexpr ParameterKey Number(std::string_view name, KeyType type, std::int64_t P::*number,
                              std::int64_t least, std::int64_t most, std::string_view range,
                              ParameterGroup group = kTests) {
  ParameterKey key = Key(name, type, group);
  key.least = least;
  key.most = most;
  key.range = range;
  key.number = number;
  return key;
}
constexpr ParameterKey Flag(std::string_view name, bool P::*flag, ParameterGroup group) {
  ParameterKey key = Key(name, kBoolean, group);
  key.flag = flag;
  return key;
}
constexpr ParameterKey Time(std::string_view name, int P::*minutes) {
  ParameterKey key = Key(name, kTimeOfDay, kTests);
  key.minutes = minutes;
  return key;
}
constexpr ParameterKey Shaped(std::string_view name, Status (*read)(const Reader&, P&),
                              Json (*print)(const P&), ParameterGroup group = kTests) {
  ParameterKey key = Key(name, kShaped, group);
  key.read = read;
  key.print = print;
  return key;
}

// Every key, in the order the parameter file prints them.
constexpr ParameterKey kKeys[] = {
    Count("late_days", &P::late_days),
    Count("period_end_days", &P::period_end_days),
    Shaped("weekend_days", ReadWeekendDays, PrintWeekendDays),
    Flag("holiday_eves", &P::holiday_eves, kTests),
    Shaped("extra_holidays", ReadExtraHolidays, PrintExtraHolidays),
    Count("rare_operator_min", &P::rare_operator_min),
    Number("rare_operator_share", kDecimal, &P::rare_operator_share, 0, 10000, "בין 0 ל-1"),
    Count("seldom_account_lines", &P::seldom_account_lines),
    Count("rare_flow_count", &P::rare_flow_count),
    Number("round_unit", kAmount, &P::round_unit, 1, kMaxInteger, "גדול מ-0"),
    Shaped("limits", ReadLimits, PrintLimits),
    Number("below_limit_window", kDecimal, &P::below_limit_window, 1, 9999, "גדול מ-0 וקטן מ-1"),
    Count("below_limit_min", &P::below_limit_min),
    Number("below_limit_ratio", kDecimal, &P::below_limit_ratio, 1, kMaxInteger, "גדול מ-0"),
    Shaped("keywords", ReadKeywords, PrintKeywords),
    Count("reversal_days", &P::reversal_days),
    Count("high_value_top", &P::high_value_top),
    Count("relative_size_min_lines", &P::relative_size_min_lines, 2),
    Number("relative_size_ratio", kDecimal, &P::relative_size_ratio, 1, kMaxInteger, "גדול מ-0"),
    Time("work_start", &P::work_start),
    Time("work_end", &P::work_end),
    Count("backdate_days", &P::backdate_days),
    Number("benford_min_amount", kAmount, &P::benford_min_amount, 10, kMaxInteger, "0.10 לפחות"),
    Number("benford_z", kDecimal, &P::benford_z, 1, kMaxInteger, "גדול מ-0"),
    Count("benford_min_n", &P::benford_min_n),
    Number("weak_share", kDecimal, &P::weak_share, 0, 10000, "בין 0 ל-1"),
    Shaped("weights", ReadWeights, PrintWeights),
    Count("ranking_top", &P::ranking_top, 1),
    Count("report_hits", &P::report_hits, 1),
    // The portfolio's risk score.
    Shaped("portfolio_weights", ReadPortfolioWeights, PrintPortfolioWeights,
           ParameterGroup::kPortfolio),
    // The comparison of two periods.
    Flag("opening_in_totals", &P::opening_in_totals, kComparison),
    Number("carry_from_classification", kCount, &P::carry_from_classification, 0, 9999,
           "בין 0 ל-9999", kComparison),
    Shaped("result_account", ReadResultAccount, PrintResultAccount, kComparison),
    Number("opening_tolerance", kAmount, &P::opening_tolerance, 0, kMaxInteger, "0 או יותר",
           kComparison),
    Number("review_amount", kAmount, &P::review_amount, 0, kMaxInteger, "0 או יותר", kComparison),
    Number("review_share", kDecimal, &P::review_share, 0, kMaxInteger, "0 או יותר", kComparison),
    Number("counterparty_amount", kAmount, &P::counterparty_amount, 0, kMaxInteger, "0 או יותר",
           kComparison),
};

// A number of the file in the row's units, within its range.
Status ReadNumber(const ParameterKey& key, const Reader& r, std::int64_t& out) {
  std::int64_t value = 0;
  const Status read = key.type == kCount    ? r.Integer(key.least, value)
                      : key.type == kAmount ? r.Decimal(2, value)
                                            : r.Decimal(4, value);
  if (!read.ok()) return read;
  if (value < key.least || value > key.most) return OutOfRange(key.name, key.range);
  out = value;
  return Status::Ok();
}

}  // namespace

std::string QuotedValue(std::string_view text) { return "\"" + SafeCellText(text) + "\""; }

Status RefusedParameter(std::string_view key, std::string_view why) {
  return Status::Corrupt(QuotedValue(key) + ": " + std::string(why));
}

Status ReadParameterKey(std::string_view name, const Json& value, JetParameters& p) {
  const auto key = std::find_if(std::begin(kKeys), std::end(kKeys),
                                [&](const ParameterKey& known) { return known.name == name; });
  if (key == std::end(kKeys)) return RefusedParameter(name, "מפתח לא מוכר");
  const Reader r(name, value);
  switch (key->type) {
    case kCount:
    case kAmount:
    case kDecimal:
      return ReadNumber(*key, r, p.*key->number);
    case kBoolean:
      return r.Boolean(p.*key->flag);
    case kTimeOfDay:
      return r.TimeOfDay(p.*key->minutes);
    case kShaped:
      return key->read(r, p);
  }
  return RefusedParameter(name, "מפתח לא מוכר");
}

void PrintParameterKeys(ParameterGroup group, const JetParameters& p, Json& json) {
  for (const ParameterKey& key : kKeys) {
    if (key.group != group) continue;
    Json& value = json[std::string(key.name)];
    switch (key.type) {
      case kCount:
        value = p.*key.number;
        break;
      case kAmount:
        value = AgorotText(p.*key.number);
        break;
      case kDecimal:
        value = TenThousandthsText(p.*key.number);
        break;
      case kBoolean:
        value = p.*key.flag;
        break;
      case kTimeOfDay:
        value = TimeText(p.*key.minutes);
        break;
      case kShaped:
        value = key.print(p);
        break;
    }
  }
}

}  // namespace tallyscan
