#include "engine/portfolio/summary_row.h"

#include <algorithm>
#include <fstream>
#include <numeric>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/analytics/analytics.h"
#include "engine/portfolio/pruned_json.h"
#include "engine/uniform/import.h"

namespace tallyscan::portfolio {
namespace {

using Json = nlohmann::json;

constexpr std::array<std::string_view, kSummaryColumnCount> kColumnNames = {
    "rank",
    "client",
    "label",
    "dealer_number",
    "business_name",
    "tax_year",
    "format_version",
    "movements",
    "bytes",
    "sha256",
    "status",
    "reason",
    "exit_code",
    "signal",
    "import_errors",
    "failing_checks",
    "tests_run",
    "tests_weak",
    "tests_not_run",
    "tests_with_hits",
    "hits",
    "top_score",
    "first_digit_class",
    "risk_score",
    "band",
    "same_company_as",
};

// The document `name` of the client's folder, with only the members the summary reads, or why
// there is none. The rest (the hits and their line lists, the log's other cells) is scanned
// past unbuilt.
std::optional<Json> ReadDocument(const std::filesystem::path& folder, std::string_view name,
                                 const std::vector<std::string_view>& kept, std::string& why) {
  const std::filesystem::path path = folder / name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error))) {
    why = "תוצאת הניתוח " + std::string(name) + " חסרה";
    return std::nullopt;
  }
  // Read whole first: the JSON reader is several times slower on a stream than on text.
  std::ifstream in(path, std::ios::binary);
  std::string text;
  if (in.seekg(0, std::ios::end); in) {
    text.resize(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
  }
  std::optional<Json> json = ReadPrunedJson(in ? std::string_view(text) : std::string_view(), kept);
  if (!json || !json->is_object()) {
    why = "תוצאת הניתוח " + std::string(name) + " פגומה (אינה מסמך JSON שלם)";
    return std::nullopt;
  }
  return json;
}

// The member at `path` of nested objects, or null.
const Json* At(const Json& json, std::initializer_list<std::string_view> path) {
  const Json* at = &json;
  for (const std::string_view key : path) {
    if (!at->is_object()) return nullptr;
    const auto found = at->find(key);
    if (found == at->end()) return nullptr;
    at = &*found;
  }
  return at;
}

std::optional<std::int64_t> Count(const Json* value) {
  if (value == nullptr || !value->is_number_integer()) return std::nullopt;
  if (value->is_number_unsigned() && value->get<std::uint64_t>() > INT64_MAX) return INT64_MAX;
  return value->get<std::int64_t>();
}

SummaryValue CountCell(std::optional<std::int64_t> count) {
  return count ? SummaryValue(*count) : SummaryValue();
}

// The value cell of the first import log row whose first cell is `caption`.
SummaryValue FactOf(const Json& import, std::string_view caption) {
  const Json* rows = At(import, {"rows"});
  if (rows == nullptr || !rows->is_array()) return {};
  for (const Json& row : *rows) {
    const Json* cells = At(row, {"cells"});
    if (cells == nullptr || !cells->is_array() || cells->size() < 2) continue;
    const Json* first = At((*cells)[0], {"text"});
    const Json* second = At((*cells)[1], {"text"});
    if (first != nullptr && first->is_string() && *first == caption && second != nullptr &&
        second->is_string()) {
      return second->get<std::string>();
    }
  }
  return {};
}

void TakeImport(const Json& import, DocumentFigures& row, RiskFigures& risk) {
  const ImportFactCaptions captions = ImportLogFactCaptions();
  row[SummaryColumn::kDealerNumber] = FactOf(import, captions.dealer_number);
  row[SummaryColumn::kBusinessName] = FactOf(import, captions.business_name);
  row[SummaryColumn::kTaxYear] = FactOf(import, captions.tax_year);
  row[SummaryColumn::kFormatVersion] = FactOf(import, captions.format_version);
  row[SummaryColumn::kMovements] = Count(At(import, {"summary", "records", "B100"})).value_or(0);
  const std::optional<std::int64_t> errors = Count(At(import, {"summary", "errors"}));
  risk.import_errors = errors.value_or(0);
  row[SummaryColumn::kImportErrors] = CountCell(errors);
}

void TakeCheck(const Json& check, DocumentFigures& row, RiskFigures& risk) {
  const Json* findings = At(check, {"summary", "findings"});
  if (findings == nullptr || !findings->is_object()) return;
  std::int64_t failing = 0;
  for (const Json& count : *findings) failing += Count(&count).value_or(0) > 0 ? 1 : 0;
  risk.failing_checks = failing;
  row[SummaryColumn::kFailingChecks] = failing;
}

void TakeJet(const Json& jet, DocumentFigures& row, RiskFigures& risk) {
  std::int64_t run = 0, weak = 0, not_run = 0, with_hits = 0, hits = 0;
  if (const Json* tests = At(jet, {"tests"}); tests != nullptr && tests->is_array()) {
    for (const Json& test : *tests) {
      const Json* id = At(test, {"id"});
      const Json* state = At(test, {"state"});
      if (id == nullptr || !id->is_string() || state == nullptr || !state->is_string()) continue;
      const bool counted_state =
          *state == JetStateText(JetState::kRun) || *state == JetStateText(JetState::kWeak);
      run += *state == JetStateText(JetState::kRun) ? 1 : 0;
      weak += *state == JetStateText(JetState::kWeak) ? 1 : 0;
      not_run += *state == JetStateText(JetState::kNotRun) ? 1 : 0;
      JetTest known;
      if (!counted_state || !FindJetTest(id->get<std::string>(), known) ||
          !JetHitsAreFindings(known)) {
        continue;
      }
      ++risk.tests_counted;
      const std::int64_t test_hits =
          std::max<std::int64_t>(Count(At(test, {"hits"})).value_or(0), 0);
      with_hits += test_hits > 0 ? 1 : 0;
      hits += test_hits;
    }
  }
  risk.tests_with_hits = with_hits;
  row[SummaryColumn::kTestsRun] = run;
  row[SummaryColumn::kTestsWeak] = weak;
  row[SummaryColumn::kTestsNotRun] = not_run;
  row[SummaryColumn::kTestsWithHits] = with_hits;
  row[SummaryColumn::kHits] = hits;

  std::int64_t top = 0;
  if (const Json* ranking = At(jet, {"ranking"}); ranking != nullptr && ranking->is_array()) {
    for (const Json& entry : *ranking) top = std::max(top, Count(At(entry, {"score"})).value_or(0));
  }
  risk.top_score = top;
  row[SummaryColumn::kTopScore] = top;

  const Json* digit_class = At(jet, {"digits", "benford-first", "all", "class"});
  risk.first_digits = digit_class != nullptr && digit_class->is_string()
                          ? DigitClassOfWord(digit_class->get<std::string>())
                          : DigitClass::kNotRun;
  row[SummaryColumn::kFirstDigitClass] = std::string(DigitClassWord(risk.first_digits));
}

// The data file among the inputs: the one that is not INI.TXT.
const ManifestInput* DataInput(const Manifest& manifest) {
  for (const ManifestInput& input : manifest.inputs) {
    std::string upper = input.name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (upper != "INI.TXT") return &input;
  }
  return nullptr;
}

void FillManifestCells(SummaryRow& row) {
  const Manifest& m = row.manifest;
  row[SummaryColumn::kClient] = m.client;
  row[SummaryColumn::kLabel] = m.label;
  if (const ManifestInput* data = DataInput(m)) {
    row[SummaryColumn::kBytes] = static_cast<std::int64_t>(
        std::min<std::uint64_t>(data->bytes, static_cast<std::uint64_t>(INT64_MAX)));
    if (data->sha256) row[SummaryColumn::kSha256] = *data->sha256;
  }
  row[SummaryColumn::kStatus] = std::string(StatusWord(m.status));
  row[SummaryColumn::kReason] = m.reason;
  if (m.exit_code) row[SummaryColumn::kExitCode] = std::int64_t{*m.exit_code};
  if (m.signal) row[SummaryColumn::kSignal] = std::int64_t{*m.signal};
}

}  // namespace

std::string_view SummaryColumnName(SummaryColumn column) {
  return kColumnNames[static_cast<std::size_t>(column)];
}

DocumentFigures FiguresOfDocuments(const std::filesystem::path& folder,
                                   const std::vector<std::string>& analyses) {
  DocumentFigures figures;
  const auto take = [&](std::string_view analysis, std::string_view name,
                        const std::vector<std::string_view>& kept, auto&& use) {
    if (analysis != "import" &&
        std::find(analyses.begin(), analyses.end(), analysis) == analyses.end()) {
      return;
    }
    std::string why;
    if (const std::optional<Json> json = ReadDocument(folder, name, kept, why)) {
      use(*json);
    } else if (figures.missing.empty()) {
      figures.missing = why;
    }
  };
  // What TakeImport, TakeCheck and TakeJet look at, and nothing more.
  take("import", "import.json", {"rows/cells/text", "summary/records/B100", "summary/errors"},
       [&](const Json& json) { TakeImport(json, figures, figures.risk); });
  take("check", "check.json", {"summary/findings"},
       [&](const Json& json) { TakeCheck(json, figures, figures.risk); });
  take("jet", "jet.json",
       {"tests/id", "tests/state", "tests/hits", "ranking/score", "digits/benford-first/all/class"},
       [&](const Json& json) { TakeJet(json, figures, figures.risk); });
  return figures;
}

SummaryRow ReadSummaryRow(const std::filesystem::path& folder, Manifest manifest,
                          const JetParameters& parameters) {
  SummaryRow row;
  row.manifest = std::move(manifest);
  const bool analysed =
      row.manifest.status == ClientStatus::kOk || row.manifest.status == ClientStatus::kFindings;
  std::optional<DocumentFigures> figures = ReadFiguresFile(folder, row.manifest.analyses);
  if (!figures) figures = FiguresOfDocuments(folder, row.manifest.analyses);
  for (const SummaryColumn column : kDocumentColumns) row[column] = (*figures)[column];
  RiskFigures risk = figures->risk;
  risk.ranking_weights =
      std::accumulate(parameters.weights.begin(), parameters.weights.end(), std::int64_t{0});
  // A summary must not present figures it could not read.
  if (analysed && !figures->missing.empty()) {
    row.manifest.status = ClientStatus::kFailed;
    row.manifest.reason = figures->missing;
  }
  FillManifestCells(row);
  if (row.manifest.status == ClientStatus::kOk || row.manifest.status == ClientStatus::kFindings) {
    row.risk_score = RiskScore(risk, parameters.portfolio_weights);
    row[SummaryColumn::kRiskScore] = std::int64_t{*row.risk_score};
    row[SummaryColumn::kBand] = std::string(RiskBand(*row.risk_score));
  }
  return row;
}

SummaryRow UnreadableSummaryRow(std::string client, std::string reason) {
  SummaryRow row;
  row.manifest.client = std::move(client);
  row.manifest.status = ClientStatus::kFailed;
  row.manifest.reason = std::move(reason);
  FillManifestCells(row);
  return row;
}

std::string SummaryCellText(const SummaryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
    std::string joined;
    for (const std::string& id : *list) joined += (joined.empty() ? "" : ";") + id;
    return joined;
  }
  return {};
}

}  // namespace tallyscan::portfolio
