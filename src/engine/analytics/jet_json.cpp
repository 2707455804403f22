#include <sstream>

#include <nlohmann/json.hpp>

#include "engine/analytics/jet.h"
#include "engine/analytics/jet_unit.h"
#include "engine/analytics/wide_json.h"

namespace tallyscan {

namespace {

using analytics::Json;
using analytics::LineListMark;
using analytics::Optional;
using analytics::PeriodJson;
using analytics::SourceJson;
using analytics::WideInteger;

Json Needs(JetTest test) {
  Json needs = Json::array();
  std::string_view list = analytics::InfoOf(test).needs;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    needs.push_back(std::string(list.substr(0, comma)));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  return needs;
}

Json FigureValue(const JetFigure& figure) {
  return std::visit(
      [](const auto& v) -> Json {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::monostate>) {
          return nullptr;
        } else if constexpr (std::is_same_v<V, AmountSum>) {
          return WideInteger(v);
        } else {
          return v;
        }
      },
      figure.value);
}

// `list` is the number of the test's lines in the document's lists (LineListMark).
Json TestJson(const JetTestResult& t, std::size_t list) {
  Json json = Json::object();
  json["id"] = std::string(JetTestId(t.test));
  json["caption"] = std::string(JetCaption(t.test));
  json["state"] = std::string(JetStateText(t.state));
  json["needs"] = Needs(t.test);
  json["usable_share"] = Optional(t.usable_share);
  json["hits"] = t.hits;
  json["hit_amount"] = WideInteger(t.hit_amount);
  json["lines"] = LineListMark(list);
  if (t.test == JetTest::kTransactionGap) {
    Json ranges = Json::array();
    for (const JetNumberRange& r : t.transaction_ranges) ranges.push_back({r.from, r.to});
    json["ranges"] = std::move(ranges);
  } else if (t.test == JetTest::kDocumentGap) {
    Json ranges = Json::array();
    for (const JetDocumentRange& r : t.document_ranges) ranges.push_back({r.from, r.to, r.type});
    json["ranges"] = std::move(ranges);
  }
  json["type_lines"] = t.type_lines;
  json["usable_lines"] = t.usable_lines;
  for (const JetFigure& figure : t.figures) json[figure.name] = FigureValue(figure);
  if (t.test == JetTest::kBelowLimit) {
    Json limits = Json::array();
    for (const JetLimitFigure& l : t.limits) {
      limits.push_back(
          Json{{"limit", l.limit}, {"below", l.below}, {"above", l.above}, {"hit", l.hit}});
    }
    json["limits"] = std::move(limits);
  }
  if (t.test == JetTest::kKeyword) {
    Json keywords = Json::array();
    for (const JetKeywordFigure& k : t.keywords) {
      keywords.push_back(Json{{"keyword", k.keyword}, {"lines", k.lines}});
    }
    json["keywords"] = std::move(keywords);
  }
  return json;
}

Json PopulationJson(const JetDigitPopulation& p) {
  Json json = Json::object();
  json["state"] = std::string(JetStateText(p.state));
  json["n"] = p.n;
  json["counts"] = p.counts;
  json["actual"] = p.n == 0 ? Json(nullptr) : Json(p.actual);
  json["expected"] = p.expected;
  json["mad"] = Optional(p.mad);
  json["class"] = Optional(p.mad_class);
  json["chi2"] = Optional(p.chi2);
  json["df"] = p.df;
  json["p"] = Optional(p.p);
  json["z"] = p.n == 0 ? Json(nullptr) : Json(p.z);
  return json;
}

// The population the tests ran on and whether it reconciles.
Json PopulationPartJson(const JetPopulation& pop) {
  Json population = Json::object();
  population["period"] = PeriodJson(pop.period);
  population["reconciles"] = pop.reconciles;
  population["reasons"] = pop.reasons;
  population["movements"] = pop.movements;
  population["debit"] = WideInteger(pop.debit);
  population["credit"] = WideInteger(pop.credit);
  population["unbalanced_batches"] = pop.unbalanced_batches;
  Json batches_off = Json::array();
  for (const JetBatch& b : pop.batches_off) {
    batches_off.push_back(Json{{"batch", b.number},
                               {"debit", WideInteger(b.debit)},
                               {"credit", WideInteger(b.credit)},
                               {"first_line", b.first_line}});
  }
  population["movements_without_account"] = pop.movements_without_account;
  population["accounts"] = pop.accounts;
  population["accounts_unusable"] = pop.accounts_unusable;
  population["accounts_off"] = pop.accounts_off;
  population["batches_off"] = std::move(batches_off);
  return population;
}

// Each digit test's three populations under the test's id.
Json DigitsJson(const std::vector<JetDigitResult>& results) {
  Json digits = Json::object();
  for (const JetDigitResult& d : results) {
    Json populations = Json::object();
    for (std::size_t i = 0; i < 3; ++i) {
      populations[std::string(kJetPopulationNames[i])] = PopulationJson(d.populations[i]);
    }
    digits[std::string(JetTestId(d.test))] = std::move(populations);
  }
  return digits;
}

Json RankingJson(const std::vector<JetRankedTransaction>& ranked) {
  Json ranking = Json::array();
  for (const JetRankedTransaction& r : ranked) {
    Json tests_hit = Json::array();
    for (const JetTest t : r.tests) tests_hit.push_back(std::string(JetTestId(t)));
    ranking.push_back(Json{{"transaction", Optional(r.transaction)},
                           {"score", r.score},
                           {"tests", std::move(tests_hit)},
                           {"first_line", r.first_line}});
  }
  return ranking;
}

}  // namespace

std::string JetResultJson(const JetResult& result) {
  std::ostringstream out;
  WriteJetResultJson(result, out);
  return std::move(out).str();
}

void WriteJetResultJson(const JetResult& result, std::ostream& out) {
  Json json = Json::object();
  json["version"] = result.version;
  json["source"] = SourceJson(result.source);
  json["parameters"] = Json::parse(JetParametersJson(result.parameters));
  json["population"] = PopulationPartJson(result.population);
  Json tests = Json::array();
  std::vector<const JetLineSet*> lists;
  for (const JetTestResult& t : result.tests) {
    tests.push_back(TestJson(t, lists.size()));
    lists.push_back(&t.lines);
  }
  json["tests"] = std::move(tests);
  json["digits"] = DigitsJson(result.digits);
  json["ranking"] = RankingJson(result.ranking);
  analytics::WriteWideDump(json, lists, out);
}

}  // namespace tallyscan
