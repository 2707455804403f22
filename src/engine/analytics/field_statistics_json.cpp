#include "engine/analytics/field_statistics.h"
#include "engine/analytics/wide_json.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

namespace {

using analytics::Json;
using analytics::Optional;
using analytics::WideInteger;

Json PeriodJson(const JetPeriod& period) {
  return Json{{"from", Optional(period.from)},
              {"to", Optional(period.to)},
              {"source", std::string(JetPeriodSourceText(period.source))}};
}

Json ExtremeJson(const std::optional<ValueAt>& at, bool date) {
  if (!at) return nullptr;
  if (date) return Json{{"date", DateValueText(at->value)}, {"line", at->line}};
  return Json{{"value", WideInteger(at->value)}, {"line", at->line}};
}

Json FieldJson(const FieldFigures& f) {
  Json json = Json::object();
  json["code"] = f.field->code;
  json["caption"] = std::string(f.field->caption);
  json["kind"] = std::string(FieldKindName(f.field->kind));
  json["decimals"] = ImpliedDecimals(f.field->kind);
  json["lines"] = f.lines;
  json["blanks"] = f.blanks;
  json["invalid"] = f.invalid;
  json["values"] = f.Values();
  if (f.IsDate()) {
    json["earliest"] = ExtremeJson(f.smallest, true);
    json["latest"] = ExtremeJson(f.largest, true);
    json["before"] = Optional(f.before);
    json["after"] = Optional(f.after);
    Json months = Json::array();
    for (const MonthCount& m : f.months) {
      months.push_back({{"month", MonthText(m)}, {"count", m.count}});
    }
    json["months"] = std::move(months);
    return json;
  }
  json["zeros"] = f.zeros;
  json["positive"] = f.positive;
  json["positive_total"] = WideInteger(f.positive_total);
  json["negative"] = f.negative;
  json["negative_total"] = WideInteger(f.negative_total);
  json["net"] = WideInteger(f.Net());
  json["absolute"] = WideInteger(f.Absolute());
  json["smallest"] = ExtremeJson(f.smallest, false);
  json["largest"] = ExtremeJson(f.largest, false);
  return json;
}

Json DocumentJson(const DocumentTypeSummary& s) {
  Json json = Json::object();
  json["type"] = s.type;
  json["name"] = s.name;
  json["documents"] = s.documents;
  json["cancelled"] = s.cancelled;
  json["total"] = WideInteger(s.total);
  json["vat"] = WideInteger(s.vat);
  json["lowest"] = s.lowest.empty() ? Json(nullptr) : Json(s.lowest);
  json["highest"] = s.highest.empty() ? Json(nullptr) : Json(s.highest);
  return json;
}

}  // namespace

std::string FieldStatisticsJson(const FieldStatistics& result, std::optional<RecordType> only) {
  Json records = Json::array();
  for (const RecordFigures& r : result.records) {
    if (only && r.layout->type != *only) continue;
    Json record = Json::object();
    record["record"] = std::string(r.layout->code);
    record["name"] = std::string(r.layout->name);
    record["lines"] = r.lines;
    Json fields = Json::array();
    for (const FieldFigures& f : r.fields) fields.push_back(FieldJson(f));
    record["fields"] = std::move(fields);
    if (r.sides) {
      record["sides"] = {{"debit_lines", r.sides->debit_lines},
                         {"debit", WideInteger(r.sides->debit)},
                         {"credit_lines", r.sides->credit_lines},
                         {"credit", WideInteger(r.sides->credit)}};
    }
    records.push_back(std::move(record));
  }
  return analytics::WideDump(Json{{"period", PeriodJson(result.period)}, {"records", records}});
}

std::string DocumentSummaryJson(const FieldStatistics& result) {
  Json types = Json::array();
  for (const DocumentTypeSummary& s : result.documents) types.push_back(DocumentJson(s));
  const DocumentTypeSummary& t = result.documents_total;
  const Json total = {{"documents", t.documents},
                      {"cancelled", t.cancelled},
                      {"total", WideInteger(t.total)},
                      {"vat", WideInteger(t.vat)}};
  return analytics::WideDump(Json{{"types", types}, {"totals", total}});
}

std::string RecordCountsJson(const FieldStatistics& result) {
  Json records = Json::array();
  std::int64_t differences = 0;
  for (const RecordCount& r : result.record_counts) {
    differences += r.Differs();
    records.push_back({{"record", r.type},
                       {"caption", r.caption},
                       {"in_file", r.in_file},
                       {"stated", Optional(r.stated)},
                       {"differs", r.Differs()}});
  }
  return analytics::WideDump(Json{{"records", records}, {"differences", differences}});
}

}  // namespace tallyscan
