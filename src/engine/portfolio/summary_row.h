#pragma once

// Private to portfolio/.
//
// One client's line of the portfolio summary: its manifest and the figures of its analyses'
// results, read from its results folder by the documents' keys, and the summary's columns,
// named once, in the order every form of the summary writes them.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/analytics/jet_parameters.h"
#include "engine/portfolio/manifest.h"
#include "engine/portfolio/risk_score.h"
#include "engine/portfolio/summary.h"

namespace tallyscan::portfolio {

enum class SummaryColumn {
  kRank,
  kClient,
  kLabel,
  kDealerNumber,
  kBusinessName,
  kTaxYear,
  kFormatVersion,
  kMovements,
  kBytes,
  kSha256,
  kStatus,
  kReason,
  kExitCode,
  kSignal,
  kImportErrors,
  kFailingChecks,
  kTestsRun,
  kTestsWeak,
  kTestsNotRun,
  kTestsWithHits,
  kHits,
  kTopScore,
  kFirstDigitClass,
  kRiskScore,
  kBand,
  kSameCompanyAs,
};
inline constexpr std::size_t kSummaryColumnCount =
    static_cast<std::size_t>(SummaryColumn::kSameCompanyAs) + 1;

// "rank", "client", … "same_company_as": the CSV's heading and the JSON's keys.
std::string_view SummaryColumnName(SummaryColumn column);

// A cell: nothing (null in JSON, empty in CSV), a text, a whole number, or a list of texts.
using SummaryValue =
    std::variant<std::monostate, std::string, std::int64_t, std::vector<std::string>>;

struct SummaryRow {
  Manifest manifest;
  std::optional<int> risk_score;  // only for "ok" and "findings"
  std::array<SummaryValue, kSummaryColumnCount> cells;

  SummaryValue& operator[](SummaryColumn column) { return cells[static_cast<std::size_t>(column)]; }
  const SummaryValue& operator[](SummaryColumn column) const {
    return cells[static_cast<std::size_t>(column)];
  }
};

// A cell as the CSV and the workbook write it: a list's ids joined by ";", nothing as empty.
std::string SummaryCellText(const SummaryValue& value);

// The line of the client whose results are in `folder`, from its manifest (already read) and
// its import.json, check.json and jet.json as its analyses list them. An analysis listed
// whose document is missing or damaged makes the line "failed", naming the document, for a
// summary must not present figures it could not read. Everything but rank and
// same_company_as is filled.
SummaryRow ReadSummaryRow(const std::filesystem::path& folder, Manifest manifest,
                          const JetParameters& parameters);

// Every client's line of RESULTS, ranked worst first, with its same_company_as filled: the
// lines every form of the summary and the portfolio report are made from.
std::vector<SummaryRow> RankedSummaryRows(const std::filesystem::path& results,
                                          const SummaryInputs& inputs);

// The line of a results folder whose manifest could not be read: "failed" with the reason.
SummaryRow UnreadableSummaryRow(std::string client, std::string reason);

}  // namespace tallyscan::portfolio
