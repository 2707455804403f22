// The comparison as one JSON document, and as rows with the same names in the same order.
#include <ostream>

#include "engine/analytics/compare.h"
#include "engine/analytics/wide_json.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using analytics::Json;
using analytics::Optional;
using analytics::PeriodJson;
using analytics::SourceJson;
using analytics::WideInteger;

Json WideOrNull(const std::optional<AmountSum>& value) {
  return value ? WideInteger(*value) : Json(nullptr);
}

Json FactsJson(const ComparePeriodFacts& f) {
  return Json{{"dealer_number", f.dealer_number},
              {"identifier", f.identifier},
              {"period", PeriodJson(f.period)},
              {"months", Optional(f.months)}};
}

Json StateJson(Json json, const ComparePartState& state) {
  json["state"] = std::string(JetStateText(state.state));
  json["reason"] = state.reason.empty() ? Json(nullptr) : Json(state.reason);
  return json;
}

Json ReviewRowsJson(const std::vector<ReviewRow>& rows) {
  Json list = Json::array();
  for (const ReviewRow& r : rows) {
    list.push_back(Json{{"key", r.key},
                        {"caption", r.caption},
                        {"prior", WideInteger(r.prior)},
                        {"current", WideInteger(r.current)},
                        {"change", WideInteger(r.change)},
                        {"share", Optional(r.share)},
                        {"flagged", r.flagged}});
  }
  return list;
}

// The texts of rows: amounts as the engine writes them, a share as JSON writes it, a missing
// value empty.
std::string AmountText(const std::optional<AmountSum>& v) { return v ? FormatAgorot(*v) : ""; }
std::string ShareText(const std::optional<double>& v) { return v ? Json(*v).dump() : ""; }
std::string YesNo(bool v) { return v ? "true" : "false"; }

std::string Heading(std::string_view name, const ComparePartState* state) {
  if (state == nullptr) return MakeRow(RowStatus::kHeading, {name});
  return MakeRow(RowStatus::kHeading, {name, JetStateText(state->state), state->reason});
}

std::string Names(std::initializer_list<std::string_view> names) {
  return MakeRow(RowStatus::kHeading, names);
}

void ReviewRows(std::string_view name, const ComparePartState* state,
                const std::vector<ReviewRow>& rows, std::vector<std::string>& out) {
  out.push_back(Heading(name, state));
  out.push_back(Names({"key", "caption", "prior", "current", "change", "share", "flagged"}));
  for (const ReviewRow& r : rows) {
    out.push_back(MakeRow(r.flagged ? RowStatus::kError : RowStatus::kInfo,
                          {r.key, r.caption, FormatAgorot(r.prior), FormatAgorot(r.current),
                           FormatAgorot(r.change), ShareText(r.share), YesNo(r.flagged)}));
  }
}

RowStatus StatusOf(CompareStatus status) {
  return status == CompareStatus::kError ? RowStatus::kError
         : status == CompareStatus::kOk  ? RowStatus::kHeading
                                         : RowStatus::kInfo;
}

Json IdentityJson(const CompareIdentity& id) {
  return Json{{"prior", FactsJson(id.prior)},      {"current", FactsJson(id.current)},
              {"relation", id.relation},           {"days", Optional(id.days)},
              {"other_company", id.other_company}, {"warning", Optional(id.warning)}};
}

Json OpeningsJson(const OpeningsPart& o) {
  Json openings = StateJson(Json::object(), o.state);
  openings["form"] = o.form;
  Json rows = Json::array();
  for (const OpeningRow& r : o.rows) {
    rows.push_back(Json{{"key", r.key},
                        {"name", r.name},
                        {"classification", r.classification},
                        {"carries", r.carries},
                        {"prior_closing", WideOrNull(r.prior_closing)},
                        {"current_opening", WideOrNull(r.current_opening)},
                        {"expected", WideInteger(r.expected)},
                        {"difference", WideInteger(r.difference)},
                        {"status", std::string(CompareStatusText(r.status))},
                        {"note", r.note}});
  }
  openings["rows"] = std::move(rows);
  const bool opened = o.state.state != JetState::kNotRun;
  openings["reconciliation"] =
      opened ? Json{{"prior_result", WideInteger(o.reconciliation.prior_result)},
                    {"result_account", Optional(o.reconciliation.result_account)},
                    {"remaining", WideInteger(o.reconciliation.remaining)}}
             : Json(nullptr);
  return openings;
}

Json ReviewJson(const ReviewPart& v) {
  Json review = StateJson(Json::object(), v.state);
  review["annualised"] = v.annualised;
  review["accounts"] = ReviewRowsJson(v.accounts);
  review["codes"] = ReviewRowsJson(v.codes);
  review["groups"] = ReviewRowsJson(v.groups);
  return review;
}

Json AccountsJson(const AccountsPart& part) {
  Json accounts = StateJson(Json::object(), part.state);
  Json changes = Json::array();
  for (const AccountChangeRow& r : part.rows) {
    changes.push_back(
        Json{{"kind", r.kind}, {"key", r.key}, {"prior", r.prior}, {"current", r.current}});
  }
  accounts["rows"] = std::move(changes);
  return accounts;
}

Json CounterpartiesJson(const CounterpartiesPart& part) {
  Json counterparties = StateJson(Json::object(), part.state);
  Json parties = Json::array();
  for (const CounterpartyRow& r : part.rows) {
    parties.push_back(Json{{"key", r.key},
                           {"name", r.name},
                           {"dealer_number", r.dealer_number},
                           {"total", WideInteger(r.total)},
                           {"lines", r.lines},
                           {"first_date", Optional(r.first_date)}});
  }
  counterparties["rows"] = std::move(parties);
  return counterparties;
}

// The rows of each part: a heading with the part's state, the names of the cells, the rows.
void IdentityRows(const CompareIdentity& id, std::vector<std::string>& out) {
  out.push_back(Heading("identity", nullptr));
  out.push_back(Names({"side", "dealer_number", "identifier", "from", "to", "source", "months"}));
  for (const auto& [side, f] :
       {std::pair<std::string_view, const ComparePeriodFacts*>("prior", &id.prior),
        {"current", &id.current}}) {
    out.push_back(MakeRow(RowStatus::kInfo,
                          {side, f->dealer_number, f->identifier, f->period.from.value_or(""),
                           f->period.to.value_or(""), JetPeriodSourceText(f->period.source),
                           f->months ? std::to_string(*f->months) : ""}));
  }
  out.push_back(Names({"relation", "days", "other_company", "warning"}));
  out.push_back(MakeRow(RowStatus::kInfo, {id.relation, id.days ? std::to_string(*id.days) : "",
                                           YesNo(id.other_company), id.warning.value_or("")}));
}

void OpeningsRows(const OpeningsPart& o, std::vector<std::string>& out) {
  out.push_back(Heading("openings", &o.state));
  out.push_back(Names({"form"}));
  out.push_back(MakeRow(RowStatus::kInfo, {o.form}));
  out.push_back(Names({"key", "name", "classification", "carries", "prior_closing",
                       "current_opening", "expected", "difference", "status", "note"}));
  for (const OpeningRow& r : o.rows) {
    out.push_back(
        MakeRow(StatusOf(r.status),
                {r.key, r.name, r.classification, YesNo(r.carries), AmountText(r.prior_closing),
                 AmountText(r.current_opening), FormatAgorot(r.expected),
                 FormatAgorot(r.difference), CompareStatusText(r.status), r.note}));
  }
  if (o.state.state == JetState::kNotRun) return;
  const OpeningReconciliation& rec = o.reconciliation;
  out.push_back(Heading("openings reconciliation", nullptr));
  out.push_back(Names({"prior_result", "result_account", "remaining"}));
  out.push_back(MakeRow(rec.result_account ? RowStatus::kInfo : RowStatus::kError,
                        {FormatAgorot(rec.prior_result), rec.result_account.value_or(""),
                         FormatAgorot(rec.remaining)}));
}

void ReviewPartRows(const ReviewPart& v, std::vector<std::string>& out) {
  out.push_back(Heading("review", &v.state));
  out.push_back(Names({"annualised"}));
  out.push_back(MakeRow(RowStatus::kInfo, {YesNo(v.annualised)}));
  ReviewRows("review accounts", nullptr, v.accounts, out);
  ReviewRows("review codes", nullptr, v.codes, out);
  ReviewRows("review groups", nullptr, v.groups, out);
}

void AccountsRows(const AccountsPart& part, std::vector<std::string>& out) {
  out.push_back(Heading("accounts", &part.state));
  out.push_back(Names({"kind", "key", "prior", "current"}));
  for (const AccountChangeRow& r : part.rows) {
    out.push_back(MakeRow(RowStatus::kInfo, {r.kind, r.key, r.prior, r.current}));
  }
}

void CounterpartiesRows(const CounterpartiesPart& part, std::vector<std::string>& out) {
  out.push_back(Heading("counterparties", &part.state));
  out.push_back(Names({"key", "name", "dealer_number", "total", "lines", "first_date"}));
  for (const CounterpartyRow& r : part.rows) {
    out.push_back(MakeRow(RowStatus::kError, {r.key, r.name, r.dealer_number, FormatAgorot(r.total),
                                              std::to_string(r.lines), r.first_date.value_or("")}));
  }
}

}  // namespace

void WriteCompareResultJson(const CompareResult& result, std::ostream& out) {
  Json json = Json::object();
  json["version"] = result.version;
  json["source"] = Json{{"prior", SourceJson(result.prior_source)},
                        {"current", SourceJson(result.current_source)}};
  json["parameters"] = Json::parse(ComparisonParametersJson(result.parameters));
  json["identity"] = IdentityJson(result.identity);
  json["openings"] = OpeningsJson(result.openings);
  json["review"] = ReviewJson(result.review);
  json["accounts"] = AccountsJson(result.accounts);
  json["counterparties"] = CounterpartiesJson(result.counterparties);
  out << analytics::WideDump(json);
}

std::string_view ComparePartName(ComparePart part) {
  switch (part) {
    case ComparePart::kIdentity:
      return "identity";
    case ComparePart::kOpenings:
      return "openings";
    case ComparePart::kReview:
      return "review";
    case ComparePart::kAccounts:
      return "accounts";
    case ComparePart::kCounterparties:
      return "counterparties";
  }
  return "";
}

bool FindComparePart(std::string_view name, ComparePart& part) {
  for (int i = 0; i <= static_cast<int>(ComparePart::kCounterparties); ++i) {
    if (ComparePartName(static_cast<ComparePart>(i)) == name) {
      part = static_cast<ComparePart>(i);
      return true;
    }
  }
  return false;
}

std::vector<std::string> CompareRows(const CompareResult& result, ComparePart part) {
  std::vector<std::string> out;
  switch (part) {
    case ComparePart::kIdentity:
      IdentityRows(result.identity, out);
      break;
    case ComparePart::kOpenings:
      OpeningsRows(result.openings, out);
      break;
    case ComparePart::kReview:
      ReviewPartRows(result.review, out);
      break;
    case ComparePart::kAccounts:
      AccountsRows(result.accounts, out);
      break;
    case ComparePart::kCounterparties:
      CounterpartiesRows(result.counterparties, out);
      break;
  }
  return out;
}

}  // namespace tallyscan
