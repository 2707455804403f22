#include "engine/analytics/jet_parameters.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>
#include <set>

#include "engine/analytics/parameter_keys.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace {

using Json = nlohmann::ordered_json;

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
      repeated =
          open_objects.size() == 1
              ? RefusedParameter(key, "המפתח מופיע בקובץ יותר מפעם אחת")
              : RefusedParameter(file_key, "המפתח " + QuotedValue(key) + " מופיע יותר מפעם אחת");
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
    if (Status s = ReadParameterKey(key, value, merged); !s.ok()) return s;
  }
  if (merged.work_start >= merged.work_end) {
    return RefusedParameter(json.contains("work_start") ? "work_start" : "work_end",
                            "work_start צריכה להיות לפני work_end");
  }
  out = std::move(merged);
  return Status::Ok();
}

std::string JetParametersJson(const JetParameters& p) {
  Json json = Json::object();
  PrintParameterKeys(ParameterGroup::kTests, p, json);
  return json.dump(2) + "\n";
}

std::string JetParameterFileJson(const JetParameters& p) {
  Json json = Json::object();
  for (const ParameterGroup group :
       {ParameterGroup::kTests, ParameterGroup::kPortfolio, ParameterGroup::kComparison}) {
    PrintParameterKeys(group, p, json);
  }
  return json.dump(2) + "\n";
}

std::string PortfolioWeightsJson(const PortfolioWeights& weights) {
  JetParameters p;
  p.portfolio_weights = weights;
  Json json = Json::object();
  PrintParameterKeys(ParameterGroup::kPortfolio, p, json);
  return json.front().dump(2) + "\n";
}

std::string ComparisonParametersJson(const JetParameters& p) {
  Json json = Json::object();
  PrintParameterKeys(ParameterGroup::kComparison, p, json);
  return json.dump(2) + "\n";
}

}  // namespace tallyscan
